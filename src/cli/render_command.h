#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace plotaktar::cli {

struct RenderArgs {
    std::string input;      // a geometry file or a plot file (.plt)
    std::string labels;     // empty: the one beside a geometry file, if any
    bool noLabels = false;  // --no-labels: no label file at all
    std::string output;     // .png, .svg or .pdf
    int width = 1600;
    int height = 1000;
};

// Reads the arguments of `render` (args[0] is "render"). Throws UsageError.
RenderArgs ParseRender(const std::vector<std::string>& args);

// `plotaktar-cli render`: hands `args` ("render" and what follows) to the program
// plotaktar-render, which draws with Qt, so that plotaktar-cli itself loads no Qt, and returns
// its status. Its abnormal end (a signal) is reported on `err` with status 1, and so is a start
// that fails; a build without it has status 2.
int StartRender(const std::vector<std::string>& args, std::FILE* err);

// plotaktar-render's work: draws the whole drawing, fitted, on white into args.output. Status 2 for
// an input that cannot be read (nothing is written), 1 for an output that cannot be written (left
// as it was); one summary line goes to `out` on success.
int RunRender(const RenderArgs& args, std::FILE* out, std::FILE* err);

}  // namespace plotaktar::cli
