#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace plotaktar::cli {

class CommandDefinition;

struct RenderArgs {
    std::string input;      // a geometry file or a plot file (.plt)
    std::string labels;     // empty: the one beside a geometry file, if any
    bool noLabels = false;  // --no-labels: no label file at all
    std::string output;     // .png, .svg or .pdf
    int width = 1600;
    int height = 1000;
    bool allLayers = false;  // --all-layers: layers switched off are drawn too
    // A sheet at a map scale (--scale): 1:scale, or 0 for `--scale auto`.
    bool sheet = false;
    int scale = 0;
    std::string paper = "A3";
    int orientation = 0;  // 0 either, 1 landscape, 2 portrait
    int dpi = 300;
    std::string title;      // empty: the geometry file's name
    std::string sheetName;  // --sheet
    int epsg = 0;           // --crs, 0 when none
};

// Reads the arguments of `render` (args[0] is "render"). Throws UsageError.
RenderArgs ParseRender(const std::vector<std::string>& args);
// What `render` takes and its help.
const CommandDefinition& RenderCommand();

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

namespace plotaktar {
class Drawing;
struct RenderFilter;
}  // namespace plotaktar

namespace plotaktar::cli {

// The sheets of `args.scale` (0: auto) of a loaded drawing, written to args.output all or
// nothing. Status 2, nothing written, for an empty drawing, one that needs too many sheets, or
// a page's file that is an input (args.input, `labels` or its companion); 1 for an output that
// cannot be written. `temporaryChanged` hears the temporaries' paths.
int RunSheets(const RenderArgs& args, const std::string& labels, const Drawing& drawing,
              const RenderFilter& filter,
              const std::function<void(const std::string&)>& temporaryChanged, std::FILE* out,
              std::FILE* err);

}  // namespace plotaktar::cli
