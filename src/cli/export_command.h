#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/coordinate_step.h"
#include "exchange/exchange_writer.h"
#include "model/export_kinds.h"

namespace plotaktar::cli {

class CommandDefinition;

struct ExportArgs {
    std::string geometry;
    std::string labels;     // empty: the one beside GEOMETRY, if any
    bool noLabels = false;  // --no-labels: no label file at all
    std::string output;
    std::string format;  // the descriptor's name: from --format, else from OUTPUT's extension
    int crs = 0;         // --crs as an EPSG code; 0 when not given
    int to = 0;          // --to as an EPSG code; 0 when not given
    PointNumbers pointNumbers = PointNumbers::Attrib;  // --point-numbers, DXF only
    // --systems-only: --crs and --to are checked, nothing is read or written (batch export
    // asks this once before its drawings, which would all be refused alike).
    bool systemsOnly = false;
};

// Reads the arguments of `export` (args[0] is "export"). Throws UsageError: an unknown format,
// a coordinate system that is not one of ours nor "EPSG:n", GeoJSON or KML without --crs,
// --to without --crs, --point-numbers other than attrib, text or both, or for another format
// than DXF.
ExportArgs ParseExport(const std::vector<std::string>& args);
// What `export` takes and its help.
const CommandDefinition& ExportCommand();

// `plotaktar-cli export`: hands `args` to plotaktar-export, the program that links GDAL and
// PROJ, and returns its status (as StartRender does); a build without it has status 2.
int StartExport(const std::vector<std::string>& args, std::FILE* err);

// plotaktar-export's work: imports GEOMETRY and its labels and writes OUTPUT all or nothing.
// Status 2 for a coordinate system PROJ does not know or of a kind that cannot be used, found
// before any file is opened, or for an input that cannot be read (nothing written), 1 when OUTPUT
// could not be written (left as it was), 0 otherwise. Records left out or put on no layer are
// reported on `err` as FILE:LINE: lines, and the last line on `err` is the summary.
int RunExport(const ExportArgs& args, std::FILE* err);

// The exchange formats of this build: every one through GDAL (plotaktar-export), or DXF alone
// (the Windows plotaktar-cli).
const ExchangeWriter* ExportWriterFor(std::string_view formatName);
// How this build places positions: through PROJ, or as the drawing has them.
CoordinateStepMaker ExportCoordinates();

}  // namespace plotaktar::cli
