// plotaktar-export: `plotaktar-cli export`, in a program of its own so that plotaktar-cli
// itself loads neither GDAL nor PROJ: `convert` keeps its small footprint. plotaktar-cli starts
// it with its own arguments ("export" ...).

#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/export_command.h"
#include "platform/program.h"

int main(int argc, char** argv) {
    using namespace plotaktar::cli;
    plotaktar::platform::UseByteStandardStreams();
    plotaktar::platform::Report({});
    std::vector<std::string> args = plotaktar::platform::ProgramArguments(argc, argv);
    ExportArgs exportArgs;
    try {
        if (args.empty() || args[0] != "export") {
            throw UsageError("plotaktar-export is started by 'plotaktar-cli export'");
        }
        exportArgs = ParseExport(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "plotaktar-cli: %s\nTry 'plotaktar-cli --help'.\n", e.what());
        return kExitUsage;
    }
    return RunExport(exportArgs, stderr);
}
