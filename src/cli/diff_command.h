#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace plotaktar::cli {

class CommandDefinition;

// The status of a comparison that found the two revisions differ.
constexpr int kExitDiffers = 3;

struct DiffArgs {
    std::string oldPath, newPath;      // a geometry file or a plot file (.plt) each
    std::string oldLabels, newLabels;  // empty: the one beside the geometry file, if any
    bool oldNoLabels = false, newNoLabels = false;
    double tolerance = 0.01;  // --tolerance M, metres
    bool json = false;        // --format json
    std::string output;       // -o PICTURE: .pdf, .png or .svg; empty for none
    // The picture's options (--scale, --paper, --size ...), as `render` takes them.
    std::vector<std::string> pictureOptions;
};

// Reads the arguments of `diff` (args[0] is "diff"). Throws UsageError.
DiffArgs ParseDiff(const std::vector<std::string>& args);
// What `diff` takes and its help.
const CommandDefinition& DiffCommand();
// The picture's part of a `diff -o` line as `render` takes it: NEW drawn into PICTURE with the
// picture's options.
std::vector<std::string> DiffRenderLine(const DiffArgs& diff);

// `plotaktar-cli diff`: compares the two revisions here, or with -o hands `args` to the render
// helper, which compares them and draws the picture too. Returns 0 when the two are the same
// within the tolerance, 3 when they differ, 1 when the comparison or the picture failed, 2 for
// an input that cannot be read. A build without the comparison says so, with status 2.
int StartDiff(const std::vector<std::string>& args, std::FILE* err);

// The comparison itself: reads both sides (failing records on `err` as convert prints them),
// compares them and writes the changes to `out` as text or JSON.
int RunDiff(const DiffArgs& args, std::FILE* out, std::FILE* err);

// The render helper's part of `diff -o`: the comparison as RunDiff, then the picture.
int RunDiffPicture(const DiffArgs& args, std::FILE* out, std::FILE* err);

// Starts the render helper for `diff -o` (status 2 in a build without it).
int StartDiffPicture(const std::vector<std::string>& args, const std::string& output,
                     std::FILE* err);

}  // namespace plotaktar::cli
