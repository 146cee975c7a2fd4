// plotaktar-check: the check of `plotaktar-cli check`, in a program of its own so that
// plotaktar-cli itself loads no geometry library and `convert` keeps its small footprint.
// plotaktar-cli starts it with its own arguments ("check" ...).

#include <cstdio>
#include <string>
#include <vector>

#include "cli/check_command.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "platform/program.h"

int main(int argc, char** argv) {
    using namespace plotaktar::cli;
    plotaktar::platform::UseByteStandardStreams();
    plotaktar::platform::Report({});
    std::vector<std::string> args = plotaktar::platform::ProgramArguments(argc, argv);
    CheckArgs check;
    try {
        if (args.empty() || args[0] != "check") {
            throw UsageError("plotaktar-check is started by 'plotaktar-cli check'");
        }
        check = ParseCheck(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "plotaktar-cli: %s\nTry 'plotaktar-cli --help'.\n", e.what());
        return kExitUsage;
    }
    int status = RunCheck(check, stdout, stderr);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("plotaktar-cli: cannot write standard output\n", stderr);
        return kExitFailed;
    }
    return status;
}
