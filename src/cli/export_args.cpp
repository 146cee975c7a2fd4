#include "cli/command_definition.h"
#include "cli/command_line.h"
#include "cli/export_command.h"
#include "model/crs_names.h"
#include "model/output_formats.h"

namespace plotaktar::cli {

namespace {

int CrsOf(const CommandDefinition& definition, const std::string& option, const std::string& text) {
    std::optional<int> epsg = EpsgOfCrsText(text);
    if (!epsg) {
        throw definition.refusal(option + " '" + text +
                                 "' is no coordinate system; give EPSG:n or one of TM27..TM45, "
                                 "ED50-TM27..ED50-TM45, ED50-UTM35..ED50-UTM38 (see --help)");
    }
    return *epsg;
}

}  // namespace

const CommandDefinition& ExportCommand() {
    static const CommandDefinition definition =
        CommandDefinition(
            "export", "write a drawing for CAD and GIS: DXF, GeoPackage, Shapefile, GeoJSON, KML",
            "GEOMETRY [LABELS | --no-labels] -o FILE [--crs CRS] [--to CRS]\n"
            "[--format dxf|gpkg|shp|geojson|kml] [--point-numbers attrib|text|both]",
            "Writes the drawing for CAD and GIS programs, all or nothing: FILE's extension "
            "(or --format where it does not say) chooses the format. A record that cannot "
            "be exported is named on standard error as FILE:LINE: left out: REASON; the "
            "last line on standard error counts what was written.")
            .drawing("GEOMETRY", "the geometry file (.gplt)")
            .option("-o", "FILE",
                    "the file to write: .dxf, .gpkg, .shp (a set FILE-KIND.shp per kind), "
                    ".geojson or .kml")
            .option("--format", "FORMAT", "dxf, gpkg, shp, geojson or kml", "FILE's extension")
            .option("--crs", "CRS",
                    "the drawing's coordinate system: EPSG:n, TM27 ... TM45 (TUREF), ED50-TM27 ... "
                    "ED50-TM45, ED50-UTM35 ... ED50-UTM38; GeoJSON and KML need it",
                    "none")
            .option("--to", "CRS", "reprojects into another system (needs --crs)", "--crs")
            .option("--point-numbers", "attrib|text|both",
                    "DXF: a point's number as the block's attribute, as a text beside it, or both",
                    "attrib")
            .hiddenFlag("--systems-only")
            .exitStatus(
                "Exit status: 0 written; 1 FILE could not be written (it is left as it was, and "
                "every file of a Shapefile's sets); 2 a usage error, a coordinate system that "
                "cannot be used, an input that cannot be read, an output that is an input, or a "
                "device, a pipe or a socket for a format of several files (nothing is "
                "written).");
    return definition;
}

ExportArgs ParseExport(const std::vector<std::string>& args) {
    const CommandDefinition& definition = ExportCommand();
    const ParsedCommand parsed = definition.parse(args, 1);
    ExportArgs result;
    auto value = [&](const std::string& option) {
        std::optional<std::string> given = parsed.once(option);
        if (given && given->empty()) {
            throw definition.refusal(option + " needs a value");
        }
        return given.value_or("");
    };
    const bool haveOutput = parsed.given("-o");
    result.output = value("-o");
    const std::string crs = value("--crs");
    const std::string to = value("--to");
    const std::string format = value("--format");
    const std::string pointNumbers = value("--point-numbers");
    result.noLabels = parsed.given("--no-labels");
    result.systemsOnly = parsed.given("--systems-only");
    const std::vector<std::string>& paths = parsed.arguments;
    if (result.systemsOnly) {
        result.crs = crs.empty() ? 0 : CrsOf(definition, "--crs", crs);
        result.to = to.empty() ? 0 : CrsOf(definition, "--to", to);
        return result;
    }
    if (paths.empty() || paths[0].empty()) {
        throw definition.refusal("GEOMETRY is missing");
    }
    if (paths.size() > 2) {
        throw definition.refusal("too many files; export takes GEOMETRY [LABELS]");
    }
    if (!haveOutput) {
        throw definition.refusal("-o FILE is missing");
    }
    const std::string formats = ExtensionsWrittenBy(kExportProgram);
    const OutputFormatInfo* byPath = OutputFormatForPath(result.output);
    if (byPath != nullptr && byPath->program != kExportProgram) {
        byPath = nullptr;
    }
    const OutputFormatInfo* chosen = byPath;
    if (!format.empty()) {
        chosen = OutputFormatNamed(format);
        if (chosen == nullptr || chosen->program != kExportProgram) {
            throw definition.refusal("--format '" + format +
                                     "' is none of dxf, gpkg, shp, geojson, kml");
        }
        if (byPath != nullptr && byPath != chosen) {
            throw definition.refusal("--format " + format + " and the extension of '" +
                                     result.output + "' disagree");
        }
    }
    if (chosen == nullptr) {
        throw definition.refusal("the output must end in " + formats +
                                 ", or --format must name the format");
    }
    result.format = std::string(chosen->name);
    if (!pointNumbers.empty()) {
        const std::optional<PointNumbers> way = PointNumbersNamed(pointNumbers);
        if (!way) {
            throw definition.refusal("--point-numbers '" + pointNumbers +
                                     "' is none of attrib, text, both");
        }
        if (result.format != "dxf") {
            throw definition.refusal("--point-numbers is for DXF output only");
        }
        result.pointNumbers = *way;
    }
    result.crs = crs.empty() ? 0 : CrsOf(definition, "--crs", crs);
    result.to = to.empty() ? 0 : CrsOf(definition, "--to", to);
    if (result.to != 0 && result.crs == 0) {
        throw definition.refusal("--to needs the drawing's coordinate system, --crs");
    }
    if (chosen->needsCoordinateSystem && result.crs == 0) {
        throw definition.refusal(std::string(chosen->description) +
                                 " is always in WGS 84 longitude and latitude, so the drawing's "
                                 "coordinate system must be named: --crs TM30, for instance");
    }
    result.geometry = paths[0];
    if (paths.size() == 2) {
        if (result.noLabels) {
            throw definition.refusal("--no-labels and LABELS given together");
        }
        result.labels = paths[1];
    }
    return result;
}

}  // namespace plotaktar::cli
