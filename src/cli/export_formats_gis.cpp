// plotaktar-export's formats: DXF and the GIS formats, placed through PROJ.

#include "cli/export_command.h"
#include "gis/gis_writers.h"
#include "gis/reprojection.h"

namespace plotaktar::cli {

const ExchangeWriter* ExportWriterFor(std::string_view formatName) {
    return GisExchangeWriterFor(formatName);
}

CoordinateStepMaker ExportCoordinates() {
    return ProjCoordinateStep;
}

}  // namespace plotaktar::cli
