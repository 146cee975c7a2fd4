// `export` in the build without GDAL (the Windows command-line tool): DXF, written by this
// program itself in the drawing's own coordinate system, which must be a projected one as in
// the Linux build. The GIS formats and --to need the Linux build.

#include "cli/commands.h"
#include "cli/export_command.h"
#include "exchange/system_kinds.h"
#include "model/message_text.h"

namespace plotaktar::cli {

const ExchangeWriter* ExportWriterFor(std::string_view formatName) {
    return ExchangeWriterFor(formatName);
}

CoordinateStepMaker ExportCoordinates() {
    return [](int sourceEpsg, int targetEpsg) -> std::unique_ptr<CoordinateStep> {
        CheckEpsgSystemKinds(sourceEpsg, targetEpsg);
        return std::make_unique<PassThroughStep>(sourceEpsg, targetEpsg);
    };
}

int StartExport(const std::vector<std::string>& args, std::FILE* err) {
    // The arguments were read once already, when the command line was.
    const ExportArgs parsed = ParseExport(args);
    if (!parsed.systemsOnly && ExportWriterFor(parsed.format) == nullptr) {
        std::fputs(("plotaktar-cli: export --format " + parsed.format +
                    " needs the Linux build; this build writes DXF (--format dxf)\n")
                       .c_str(),
                   err);
        return kExitUsage;
    }
    if (parsed.to != 0) {
        std::fputs(
            "plotaktar-cli: export --to needs the Linux build; this build writes DXF in the "
            "drawing's own coordinate system\n",
            err);
        return kExitUsage;
    }
    return RunExport(parsed, err);
}

}  // namespace plotaktar::cli
