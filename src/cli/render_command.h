#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace plotaktar::cli {

struct RenderArgs {
    std::string input;   // a geometry file or a plot file (.plt)
    std::string labels;  // empty: no label file
    std::string output;  // .png, .svg or .pdf
    int width = 1600;
    int height = 1000;
};

// Reads the arguments of `render` (args[0] is "render"). Throws UsageError.
RenderArgs ParseRender(const std::vector<std::string>& args);

// Draws the whole drawing, fitted, on white into args.output. Status 2 for an input that
// cannot be read (nothing is written), 1 for an output that cannot be written (left as it
// was); one summary line goes to `out` on success.
int RunRender(const RenderArgs& args, std::FILE* out, std::FILE* err);

}  // namespace plotaktar::cli
