// plotaktar-render: the drawing of `plotaktar-cli render`, in a program of its own so that
// plotaktar-cli itself loads no Qt: `convert` keeps its small footprint, also where memory or
// address space is scarce. plotaktar-cli starts it with its own arguments ("render" ...).

#include "cli/helper_main.h"
#include "cli/render_command.h"

int main(int argc, char** argv) {
    using namespace plotaktar::cli;
    return HelperMain(
        argc, argv, "render",
        [](const std::vector<std::string>& args) { return ParseRender(args); },
        [](const RenderArgs& render) { return RunRender(render, stdout, stderr); });
}
