// plotaktar-render: the drawing of `plotaktar-cli render`, in a program of its own so that
// plotaktar-cli itself loads no Qt: `convert` keeps its small footprint, also where memory or
// address space is scarce. plotaktar-cli starts it with its own arguments ("render" ...).

#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/render_command.h"
#include "platform/program.h"

int main(int argc, char** argv) {
    using namespace plotaktar::cli;
    plotaktar::platform::UseByteStandardStreams();
    // Nothing to clean up yet; this also keeps the report channel from programs started later.
    plotaktar::platform::Report({});
    std::vector<std::string> args = plotaktar::platform::ProgramArguments(argc, argv);
    RenderArgs render;
    try {
        if (args.empty() || args[0] != "render") {
            throw UsageError("plotaktar-render is started by 'plotaktar-cli render'");
        }
        render = ParseRender(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "plotaktar-cli: %s\nTry 'plotaktar-cli --help'.\n", e.what());
        return kExitUsage;
    }
    int status = RunRender(render, stdout, stderr);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("plotaktar-cli: cannot write standard output\n", stderr);
        return status == kExitOk ? kExitFailed : status;
    }
    return status;
}
