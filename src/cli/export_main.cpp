// plotaktar-export: `plotaktar-cli export`, in a program of its own so that plotaktar-cli
// itself loads neither GDAL nor PROJ: `convert` keeps its small footprint. plotaktar-cli starts
// it with its own arguments ("export" ...).

#include "cli/export_command.h"
#include "cli/helper_main.h"

int main(int argc, char** argv) {
    using namespace plotaktar::cli;
    return HelperMain(
        argc, argv, "export",
        [](const std::vector<std::string>& args) { return ParseExport(args); },
        [](const ExportArgs& exportArgs) { return RunExport(exportArgs, stderr); });
}
