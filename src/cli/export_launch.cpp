// `plotaktar-cli export` starts plotaktar-export, the program that links GDAL and PROJ.

#include "cli/export_command.h"
#include "cli/helper_launch.h"

namespace plotaktar::cli {

int StartExport(const std::vector<std::string>& args, std::FILE* err) {
    return StartHelper(ExportHelper(), args, ParseExport(args).output, err);
}

}  // namespace plotaktar::cli
