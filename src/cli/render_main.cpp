// plotaktar-render: the drawing of `plotaktar-cli render`, in a program of its own so that
// plotaktar-cli itself loads no Qt: `convert` keeps its small footprint, also where memory or
// address space is scarce. plotaktar-cli starts it with its own arguments ("render" ..., or
// "diff" ... for the picture of a comparison).

#include <cstring>

#include "cli/diff_command.h"
#include "cli/helper_main.h"
#include "cli/render_command.h"

int main(int argc, char** argv) {
    using namespace plotaktar::cli;
    if (argc > 1 && std::strcmp(argv[1], "diff") == 0) {
        return HelperMain(
            argc, argv, "diff",
            [](const std::vector<std::string>& args) { return ParseDiff(args); },
            [](const DiffArgs& diff) { return RunDiffPicture(diff, stdout, stderr); });
    }
    return HelperMain(
        argc, argv, "render",
        [](const std::vector<std::string>& args) { return ParseRender(args); },
        [](const RenderArgs& render) { return RunRender(render, stdout, stderr); });
}
