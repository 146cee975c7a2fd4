// `export` in a build without the exchange formats (the Windows command-line tool).

#include "cli/commands.h"
#include "cli/export_command.h"

namespace plotaktar::cli {

int StartExport(const std::vector<std::string>&, std::FILE* err) {
    std::fputs(
        "plotaktar-cli: this build has no export command (DXF, GeoPackage, Shapefile, "
        "GeoJSON and KML are written by the Linux build)\n",
        err);
    return kExitUsage;
}

}  // namespace plotaktar::cli
