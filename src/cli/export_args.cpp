#include "cli/command_line.h"
#include "cli/export_command.h"
#include "model/crs_names.h"
#include "model/output_formats.h"

namespace plotaktar::cli {

namespace {

int CrsOf(const std::string& option, const std::string& text) {
    std::optional<int> epsg = EpsgOfCrsText(text);
    if (!epsg) {
        throw UsageError("export: " + option + " '" + text +
                         "' is no coordinate system; give EPSG:n or one of TM27..TM45, "
                         "ED50-TM27..ED50-TM45, ED50-UTM35..ED50-UTM38 (see --help)");
    }
    return *epsg;
}

}  // namespace

ExportArgs ParseExport(const std::vector<std::string>& args) {
    ExportArgs result;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    bool haveOutput = false;
    std::string crs, to, format, pointNumbers;
    std::vector<std::string> split;  // "--crs=TM30" taken as "--crs" "TM30", as batch passes it
    for (size_t i = 1; i < args.size(); ++i) {
        const size_t equals = args[i].find('=');
        const std::string name = args[i].substr(0, equals);
        if (equals != std::string::npos && (name == "--crs" || name == "--to" ||
                                            name == "--format" || name == "--point-numbers")) {
            split.push_back(name);
            split.push_back(args[i].substr(equals + 1));
        } else {
            split.push_back(args[i]);
        }
    }
    split.insert(split.begin(), args[0]);
    for (size_t i = 1; i < split.size(); ++i) {
        const std::string& arg = split[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-o" || arg == "--crs" || arg == "--to" ||
                                     arg == "--format" || arg == "--point-numbers")) {
            if (i + 1 == split.size()) {
                throw UsageError("export: " + arg + " needs a value");
            }
            std::string& value = arg == "-o"                ? result.output
                                 : arg == "--crs"           ? crs
                                 : arg == "--to"            ? to
                                 : arg == "--point-numbers" ? pointNumbers
                                                            : format;
            if (!value.empty() || (arg == "-o" && haveOutput)) {
                throw UsageError("export: " + arg + " given twice");
            }
            haveOutput = haveOutput || arg == "-o";
            value = split[++i];
            if (value.empty()) {
                throw UsageError("export: " + arg + " needs a value");
            }
        } else if (!optionsEnded && arg == "--no-labels") {
            result.noLabels = true;
        } else if (!optionsEnded && arg == "--systems-only") {
            result.systemsOnly = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            throw UsageError("export: unknown option '" + arg + "'");
        } else {
            paths.push_back(arg);
        }
    }
    if (result.systemsOnly) {
        result.crs = crs.empty() ? 0 : CrsOf("--crs", crs);
        result.to = to.empty() ? 0 : CrsOf("--to", to);
        return result;
    }
    if (paths.empty() || paths[0].empty()) {
        throw UsageError("export: GEOMETRY is missing");
    }
    if (paths.size() > 2) {
        throw UsageError("export: too many files; export takes GEOMETRY [LABELS]");
    }
    if (!haveOutput) {
        throw UsageError("export: -o FILE is missing");
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
            throw UsageError("export: --format '" + format +
                             "' is none of dxf, gpkg, shp, geojson, kml");
        }
        if (byPath != nullptr && byPath != chosen) {
            throw UsageError("export: --format " + format + " and the extension of '" +
                             result.output + "' disagree");
        }
    }
    if (chosen == nullptr) {
        throw UsageError("export: the output must end in " + formats +
                         ", or --format must name the format");
    }
    result.format = std::string(chosen->name);
    if (!pointNumbers.empty()) {
        const std::optional<PointNumbers> way = PointNumbersNamed(pointNumbers);
        if (!way) {
            throw UsageError("export: --point-numbers '" + pointNumbers +
                             "' is none of attrib, text, both");
        }
        if (result.format != "dxf") {
            throw UsageError("export: --point-numbers is for DXF output only");
        }
        result.pointNumbers = *way;
    }
    result.crs = crs.empty() ? 0 : CrsOf("--crs", crs);
    result.to = to.empty() ? 0 : CrsOf("--to", to);
    if (result.to != 0 && result.crs == 0) {
        throw UsageError("export: --to needs the drawing's coordinate system, --crs");
    }
    if (chosen->needsCoordinateSystem && result.crs == 0) {
        throw UsageError("export: " + std::string(chosen->description) +
                         " is always in WGS 84 longitude and latitude, so the drawing's "
                         "coordinate system must be named: --crs TM30, for instance");
    }
    result.geometry = paths[0];
    if (paths.size() == 2) {
        if (result.noLabels) {
            throw UsageError("export: --no-labels and LABELS given together");
        }
        result.labels = paths[1];
    }
    return result;
}

}  // namespace plotaktar::cli
