#include "cli/command_line.h"

#include <charconv>

#include "cli/check_command.h"
#include "cli/diff_command.h"
#include "cli/export_command.h"
#include "cli/render_command.h"
#include "drawing/sheet_layout.h"

namespace plotaktar::cli {

namespace {

std::optional<std::string> DialogAnswer(const std::string& arg) {
    if (arg == "-") {
        return std::nullopt;
    }
    return arg;
}

}  // namespace

const CommandDefinition& ConvertCommand() {
    static const CommandDefinition definition =
        CommandDefinition(
            "convert", "convert a drawing into a plot file",
            "GEOMETRY [LABELS | --no-labels] [-o OUTPUT]",
            "Imports GEOMETRY and its label file (with the label file's .yfn companion) and "
            "writes the plot file OUTPUT. A record that fails is reported on standard "
            "error as FILE:LINE: WORD and the conversion goes on; on success one summary "
            "line goes to standard output.")
            .drawing("GEOMETRY", "the geometry file (.gplt)")
            .option("-o", "OUTPUT", "the plot file to write",
                    "GEOMETRY with \".plt\" in place of its extension", "an OUTPUT path")
            .exitStatus(
                "Exit status: 0 written; 1 the plot file could not be made (OUTPUT is left as it "
                "was); 2 a usage error, an input that cannot be read or an output that is an "
                "input (nothing is written).");
    return definition;
}

ConvertArgs ParseConvert(const std::vector<std::string>& args) {
    const CommandDefinition& definition = ConvertCommand();
    const ParsedCommand parsed = definition.parse(args, 1);
    ConvertArgs convert;
    convert.output = parsed.once("-o");
    if (convert.output && convert.output->empty()) {
        throw definition.refusal("empty OUTPUT path");
    }
    convert.noLabels = parsed.given("--no-labels");
    const std::vector<std::string>& paths = parsed.arguments;
    if (paths.empty()) {
        throw definition.refusal("GEOMETRY is missing");
    }
    if (paths.size() > 2) {
        throw definition.refusal("too many files ('" + paths[2] +
                                 "'); convert takes one drawing, GEOMETRY [LABELS]");
    }
    if (paths[0].empty()) {
        throw definition.refusal("empty GEOMETRY path");
    }
    convert.geometry = paths[0];
    if (paths.size() == 2) {
        if (convert.noLabels) {
            throw definition.refusal("--no-labels and LABELS given together");
        }
        convert.labels = paths[1];
    }
    return convert;
}

const CommandDefinition& RunCommand() {
    static const CommandDefinition definition =
        CommandDefinition(
            "run", "replay a session of the window, step by step", "STEP...",
            "Replays a session of the window, step by step. Every message box is printed "
            "as \"mesaj: TEXT\" and every error box as \"hata: TEXT\".")
            .argument("open GEOMETRY LABELS",
                      "one click on \"AÇ\": the paths confirmed in the two open dialogs; \"-\" "
                      "cancels that dialog")
            .argument("save OUTPUT", "one click on \"KAYDET\"; \"-\" cancels the save dialog")
            .argument("dump STATE.json",
                      "writes the flags, the layer table and every table as JSON")
            .exitStatus(
                "Exit status: 0 every step ran; 1 an error reached the error handler; 2 a usage "
                "error.");
    return definition;
}

namespace {

std::vector<Step> ParseSteps(const std::vector<std::string>& args) {
    // A step's paths are taken as typed ("-" cancels a dialog, a name may start with "-"), so
    // only a help request alone is read as an option.
    if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) {
        throw HelpRequested(RunCommand().help());
    }
    const CommandDefinition& definition = RunCommand();
    std::vector<Step> steps;
    size_t i = 1;
    auto take = [&](const std::string& step, const char* what) -> const std::string& {
        if (i == args.size()) {
            throw definition.refusal("step " + std::to_string(steps.size() + 1) + " '" + step +
                                     "' needs " + what);
        }
        return args[i++];
    };
    while (i < args.size()) {
        const std::string& word = args[i++];
        if (word == "open") {
            const std::string& geometry = take(word, "GEOMETRY and LABELS");
            const std::string& labels = take(word, "LABELS after GEOMETRY");
            steps.push_back({Step::Kind::Open, DialogAnswer(geometry), DialogAnswer(labels)});
        } else if (word == "save") {
            steps.push_back({Step::Kind::Save, DialogAnswer(take(word, "OUTPUT")), std::nullopt});
        } else if (word == "dump") {
            steps.push_back({Step::Kind::Dump, take(word, "STATE.json"), std::nullopt});
        } else {
            throw definition.refusal("unknown step '" + word + "' (steps are open, save, dump)");
        }
    }
    if (steps.empty()) {
        throw definition.refusal("no steps given");
    }
    return steps;
}

}  // namespace

std::optional<int> ParseMapScale(std::string_view text) {
    if (text.starts_with("1:") || text.starts_with("1/")) {
        text.remove_prefix(2);
    }
    int scale = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), scale);
    if (ec != std::errc() || end != text.data() + text.size() || scale < 1 || scale > kMostScale) {
        return std::nullopt;
    }
    return scale;
}

namespace {

// The Windows build: no GDAL, GEOS or Qt inside the one .exe.
constexpr const char* kWindowsUsage =
    R"usage(Usage: plotaktar-cli convert GEOMETRY [LABELS | --no-labels] [-o OUTPUT]
       plotaktar-cli run STEP...
       plotaktar-cli export GEOMETRY [LABELS | --no-labels] -o FILE.dxf [--crs CRS]
                            [--format dxf]
       plotaktar-cli --help | --version

Converts survey drawings (a .gplt geometry file, a .yaz label file and its .yfn companion)
into plot files (.plt) without a window, with the import and export of the window's
"AÇ" and "KAYDET" buttons. This Windows build has convert, run and export to DXF; render,
check, diff, batch, export to GeoPackage, Shapefile, GeoJSON and KML, and export --to need
the Linux build.

convert GEOMETRY [LABELS | --no-labels] [-o OUTPUT]
    Imports GEOMETRY and its label file (with the label file's .yfn companion) and writes
    the plot file OUTPUT, by default GEOMETRY with its extension replaced by ".plt". A
    record that fails is reported on standard error as FILE:LINE: WORD and the conversion
    goes on. On success one summary line (records per kind and the plot file) goes to
    standard output.

run STEP...
    Replays a session of the window, step by step:
    open GEOMETRY LABELS   one click on "AÇ": the paths confirmed in the two open dialogs;
                           "-" cancels that dialog
    save OUTPUT            one click on "KAYDET"; "-" cancels the save dialog
    dump STATE.json        writes the flags, the layer table and every table as JSON
    Every message box is printed as "mesaj: TEXT" and every error box as "hata: TEXT".

export GEOMETRY [LABELS | --no-labels] -o FILE.dxf [--crs CRS] [--format dxf]
    Writes the drawing as AutoCAD 2004 DXF (the drawing's own layers, windows-1254 text), the
    same bytes as the Linux build writes, in the drawing's own coordinate system. --crs CRS
    names that system: EPSG:n, or one of TM27 ... TM45, ED50-TM27 ... ED50-TM45,
    ED50-UTM35 ... ED50-UTM38. A record whose coordinate is not a number is left out and
    named on standard error as FILE:LINE: left out: ...; the last line on standard error is
    "FILE: N features (points P, lines L, parcels A, labels T, symbols S), K left out". The
    file is written all or nothing: on failure FILE is left as it was.

Exit status: 0 on success; 1 when an error reached the error handler (run) or the plot file
or DXF file could not be made (OUTPUT is then left as it was); 2 for a usage error, a
command or format of the Linux build, an input file that cannot be read or an output that
is an input, in which case nothing is written.
)usage";

// The tool's help around the list of its commands.
const char* const kUsageHead =
    R"usage(Usage: plotaktar-cli convert GEOMETRY [LABELS | --no-labels] [-o OUTPUT]
       plotaktar-cli run STEP...
       plotaktar-cli render GEOMETRY [LABELS | --no-labels] -o FILE [--size WxH]
       plotaktar-cli render FILE.plt -o FILE [--size WxH]
       plotaktar-cli render GEOMETRY|FILE.plt ... -o FILE --scale N|auto [SHEET OPTIONS]
       plotaktar-cli check GEOMETRY [LABELS | --no-labels] [--scale N]
                           [--area-rule imar|kirsal|none] [--format text|json]
       plotaktar-cli export GEOMETRY [LABELS | --no-labels] -o FILE [--crs CRS] [--to CRS]
                            [--format dxf|gpkg|shp|geojson|kml]
                            [--point-numbers attrib|text|both]
       plotaktar-cli diff OLD NEW [--old-labels FILE | --old-no-labels]
                          [--new-labels FILE | --new-no-labels] [--tolerance M]
                          [--format text|json] [-o PICTURE [--scale N|auto ...]]
       plotaktar-cli batch [convert|export|check] [OPTIONS] PATH... [-j N] [-o OUTDIR]
                     [--report FILE.json] [--force] [--no-labels] [-0] [-]
       plotaktar-cli --help | --version

Converts survey drawings (a .gplt geometry file, a .yaz label file and its .yfn companion)
into plot files (.plt) without a window, with the import and export of the window's
"AÇ" and "KAYDET" buttons.

)usage";

const char* const kUsageBody = R"usage(convert GEOMETRY [LABELS | --no-labels] [-o OUTPUT]
    Imports GEOMETRY and its label file (with the label file's .yfn companion) and writes
    the plot file OUTPUT, by default GEOMETRY with its extension replaced by ".plt". A
    record that fails is reported on standard error as FILE:LINE: WORD and the conversion
    goes on. When the export stops at a cell, a second line on standard error names the
    page, row and column of that cell and the file line it came from. On success one
    summary line (records per kind and the plot file) goes to standard output.

run STEP...
    Replays a session of the window, step by step:
    open GEOMETRY LABELS   one click on "AÇ": the paths confirmed in the two open dialogs;
                           "-" cancels that dialog
    save OUTPUT            one click on "KAYDET"; "-" cancels the save dialog
    dump STATE.json        writes the flags, the layer table and every table as JSON
    Every message box is printed as "mesaj: TEXT" and every error box as "hata: TEXT".

render GEOMETRY [LABELS | --no-labels] -o FILE [--size WxH]
render FILE.plt -o FILE [--size WxH]
    Draws the whole drawing, fitted, on white, as plotaktar-view shows it: parcels, lines,
    points and labels, each layer in its colour. FILE's extension chooses the format: .png,
    .svg or .pdf. The picture is WxH pixels, 1600x1000 unless --size says otherwise. Needs
    no display. A plot file is read back from its TA, PN, YA, LX and L2 records. Each
    layer is drawn with its pen: "Renk" as an AutoCAD colour index (7 black), "kalınlık" as
    the pen width in millimetres, "çizgi Tipi" 1 dashed, 2 dotted, 3 dash-dot. A layer whose
    "Açık/kapalı" is 0 is left out unless --all-layers. Symbols stand at their point; a symbol
    whose point is missing is named on standard error.

render ... -o FILE --scale N|auto [--paper A4|A3|A2|A1|A0] [--landscape | --portrait]
           [--dpi D] [--title TEXT] [--sheet NAME] [--crs CRS] [--all-layers]
    Draws sheets at the map scale 1/N (1 to 1000000): a metre on the ground is 1000/N mm
    on paper. "auto" takes the first of 500, 1000, 2000, 2500, 5000 at which the drawing fits
    one sheet, else 5000, and says which on standard error. The paper is A3 unless --paper
    says otherwise, turned to need fewer sheets unless --landscape or --portrait. Each sheet
    has grid crosses every 10 cm with their coordinates, a north arrow, a scale bar, a key map
    and a title block (TEXT, by default the input's name; NAME-1, NAME-2 ...; the scale; the
    coordinate system --crs, as TM30 or EPSG:5254; the date; the counts). A drawing larger
    than one sheet is split along round coordinates; sheets with nothing on them are left
    out. PDF holds every page (the index of the sheets first when there are several); SVG
    (in millimetres) and PNG (at --dpi, 300 unless said otherwise, 10 to 2400, at most 500
    million pixels a page) write FILE for one page, else FILE-0 (the index), FILE-1 ...

check GEOMETRY [LABELS | --no-labels] [--scale N] [--area-rule imar|kirsal|none]
      [--format text|json]
    Checks the drawing before it leaves: parcel areas from the corners against the declared
    "Alan" (tolerance of the imar or kirsal rule at scale 1:N, N 1000 unless given; none
    reports the difference unjudged), parcels that cross themselves, overlap or leave slivers,
    points under one number at two places, line ends away from the point they name, layers
    not declared, cells that are no numbers or will stop the export, failing records, and
    features far from the rest. One finding a line, FILE:LINE: error|warning: CODE: message,
    then a summary line; --format json writes the findings and the summary as JSON. Exit
    status 0 when no finding is an error, 3 when one is, 1 when the check failed, 2 for a
    usage error or an input that cannot be read.

export GEOMETRY [LABELS | --no-labels] -o FILE [--crs CRS] [--to CRS] [--format FORMAT]
       [--point-numbers attrib|text|both]
    Writes the drawing for CAD and GIS programs: FILE's extension (or --format where it does
    not say) chooses .dxf (AutoCAD 2004 DXF, the drawing's own layers, windows-1254 text),
    .gpkg (GeoPackage, a layer per kind: noktalar, hatlar, parseller, yazilar, semboller),
    .shp (a Shapefile set per kind: FILE-noktalar.shp and so on, with .shx, .dbf, .prj and a
    UTF-8 .cpg and the layer's QGIS style FILE-noktalar.qml), .geojson (RFC 7946) or .kml (a
    folder per kind, a folder per layer in it). A GeoPackage carries each layer's QGIS style
    in its layer_styles table: QGIS draws the layers' colours, line types and pens, labels
    and point numbers on opening. Points keep their numbers and Z, lines both point numbers,
    parcels block, parcel, "Alan" and the area of their corners, labels height, width,
    angle, font, italic and centred, symbols their point, scales and angle. Y is easting and
    X northing.
    --point-numbers (DXF) writes each point's number as its block's attribute (attrib, the
    default, what CAD programs list), as a TEXT beside the point on the layer NOKTA_NO (text,
    for programs that show no block attributes, such as LibreCAD), or both.
    --crs CRS names the drawing's coordinate system: EPSG:n, or one of
        TM27 TM30 TM33 TM36 TM39 TM42 TM45       TUREF 3-degree zones, EPSG:5253 to 5259
        ED50-TM27 ... ED50-TM45                  ED50 3-degree zones, EPSG:2319 to 2325
        ED50-UTM35 ED50-UTM36 ED50-UTM37 ED50-UTM38   ED50 UTM zones, EPSG:23035 to 23038
    --to CRS reprojects into another system. GeoJSON and KML are always WGS 84 longitude and
    latitude and need --crs; GeoPackage and Shapefile carry the system (.prj) when --crs is
    given; without it a GeoPackage is marked "Undefined Cartesian SRS". A record whose
    coordinate is not a number is left out and every such record is named on standard error
    as FILE:LINE: left out: ...; a record whose layer number names no declared layer is
    exported on no layer (DXF layer "0") with a FILE:LINE: line. The last line on standard
    error is "FILE: N features (points P, lines L, parcels A, labels T, symbols S), K left
    out". The file is written all or nothing: on failure FILE (and every file of a Shapefile
    set) is left as it was. A device, a pipe or a socket takes only DXF; the other formats
    refuse it. The Windows build of plotaktar-cli writes DXF alone, in the drawing's own
    system (no --to).

diff OLD NEW [--old-labels FILE | --old-no-labels] [--new-labels FILE | --new-no-labels]
     [--tolerance M] [--format text|json] [-o PICTURE [--scale N|auto] [SHEET OPTIONS]]
    Compares two revisions of a drawing, each a geometry file (its labels by the rule below,
    or --old-labels/--new-labels FILE, --old-no-labels/--new-no-labels) or a plot file, by
    what the elements are, not by line: points by kind and number (point-moved beyond the
    tolerance, M metres, 0.01 unless given; point-height-changed, point-layer-changed,
    point-added, point-removed; a number used twice is paired by place and named,
    point-number-ambiguous), parcels by ada/parsel (parcel-area-changed on the declared
    "Alan", parcel-corners-changed, parcel-added, parcel-removed; parcel-divided and
    parcel-merged when the new parcels lie within the old), lines by their end points'
    numbers, symbols by point and number, buildings and slopes by number, layers by name
    (layer-changed, layer-renumbered), labels by text and place (label-moved within 5 m,
    label-changed at the same place). With a plot file on either side lines are matched by
    their ends' positions, and symbols, buildings, slopes and declared areas are not
    compared (the summary says so). When most points moved more than 1 km the drawing was
    shifted as a whole: one coordinates-shifted change gives the median shift. Records that
    fail on either side are changes (record-failed). One change a line,
    OLD:LINE NEW:LINE CODE message ("-" for the side without it), then a summary line;
    --format json writes {"changes": [...], "summary": {...}}. -o draws the changes over the
    new revision (.png, .svg or .pdf): unchanged grey, removed red, added green, moved as a
    blue arrow (a square marks one shorter than 1 mm on paper); fitted with a legend as
    render draws (--size WxH), or with --scale as render's sheets, the counts in the title
    block. Exit status 0 when the two are the same within the tolerance, 3 when they
    differ, 1 when the comparison or the picture failed, 2 for a usage error or a side that
    cannot be read. The Windows build of plotaktar-cli has no diff.

batch [convert|export|check] [OPTIONS] PATH... [-j N] [-o OUTDIR] [--report FILE.json]
      [--force] [--no-labels] [-0] [-]
    Runs one command (convert when none is named) over many drawings. PATH is a drawing or
    a folder searched recursively for .gplt files; "-" reads more paths from standard
    input, one a line (NUL-separated with -0). Each drawing takes the .yaz beside it and
    its .yfn. convert runs in this process with N workers (-j, default one per core), each
    drawing all or nothing as convert writes it; export and check run as plotaktar-cli
    export/check, one per worker, with the options given after the command word
    (--format, --crs, --scale ...); batch export needs --format, which names the outputs'
    extension. Outputs go beside the drawings, or to the same places under OUTDIR (-o). A
    drawing whose output is newer than its inputs is skipped unless --force; check writes
    no file and is never skipped. A drawing that runs out of memory is tried once more
    alone. One line per drawing goes to standard output (a progress bar instead on a
    terminal), its messages to standard error, then a summary; --report writes one JSON
    object a line per drawing (paths, status, counts, failing records, messages, check's
    findings, seconds). Ctrl+C stops starting drawings: every output is complete or as it
    was, and no temporary file stays.

The label file of GEOMETRY is LABELS when given; without LABELS it is the .yaz of the same
name beside GEOMETRY, when there is one, and a line on standard error says "NAME.yaz: labels
taken from beside the geometry (--no-labels reads none)" (convert says "NAME.gplt: no label
file beside it; no labels" when there is none; batch counts those drawings in its summary);
with --no-labels no label file is read. The .yaz beside GEOMETRY and the .yfn beside the
label file are found as Windows finds them: the exact name first, otherwise the one file of
the folder of the same name ignoring the case of A-Z (P.YAZ, P.YFN); of several, none is read
and a warning names them. Nothing is read from the current folder for a name not given.

An input file with line feeds but no carriage return is read as one line (line feeds do not
end lines in these files), a file with a NUL byte or a start of control characters is not a
text drawing file, a file may look saved as UTF-8 (its first 64 KiB beyond ASCII valid UTF-8),
and a geometry file may give no record at all; convert, run and render then print a warning on
standard error (run's standard output stays the record of the window's message boxes). run
also names a geometry or label file that cannot be opened, with the cause.

No command writes over one of its inputs: every file it would write (OUTPUT, the files of a
Shapefile's sets, each sheet's page, batch's report and outputs) is compared with every input,
by name and as the same file through a link, before anything is written; run's save and dump
refuse the open drawing's files as the window's save does.

Exit status: 0 on success; 1 when an error reached the error handler (run) or the plot
file, picture or exchange file could not be made (convert, render, export; OUTPUT or FILE is
then left as it was); 2 for a usage error, an input file that cannot be read, an output
that is an input, or an OUTPUT the format cannot take (a device, a pipe or a socket for a
format of several files) (convert, render, export), in which case nothing is written; check's
own statuses are given above. batch: 0 when every drawing succeeded, 1 when some failed (each
is named on standard error, as is a folder under PATH that cannot be read), 3 for check when
none failed but some had error findings, 2 for a usage error, an output that is an input, or
an OUTDIR or report that cannot be written (completely), 130 after Ctrl+C.
)usage";

// The commands the tool's help lists, in its order.
const std::vector<const CommandDefinition*>& Commands() {
    static const std::vector<const CommandDefinition*> commands = {
        &ConvertCommand(),
        &RunCommand(),
        &RenderCommand(),
        &CheckCommand(),
        &ExportCommand(),
        &DiffCommand(),
        &BatchCommand(BatchArgs::Command::Convert)};
    return commands;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    if (args.empty()) {
        throw UsageError("no command given");
    }
    const std::string& command = args[0];
    try {
        if (command == "--help" || command == "-h" || command == "--version") {
            if (args.size() > 1) {
                throw UsageError(command + " takes no arguments");
            }
            line.action =
                command == "--version" ? CommandLine::Action::Version : CommandLine::Action::Help;
            line.help = UsageText();
        } else if (command == "convert") {
            line.action = CommandLine::Action::Convert;
            line.convert = ParseConvert(args);
        } else if (command == "render") {
            line.action = CommandLine::Action::Render;
            (void)ParseRender(args);  // usage errors are found before plotaktar-render starts
        } else if (command == "export") {
            line.action = CommandLine::Action::Export;
            (void)ParseExport(args);  // usage errors are found before plotaktar-export starts
        } else if (command == "check") {
            line.action = CommandLine::Action::Check;
            (void)ParseCheck(args);  // usage errors are found before plotaktar-check starts
        } else if (command == "diff") {
            line.action = CommandLine::Action::Diff;
#ifndef _WIN32
            // Usage errors are found before anything is read; the Windows build has no diff to
            // read them for, whatever follows the word.
            (void)ParseDiff(args);
#endif
        } else if (command == "batch") {
            line.action = CommandLine::Action::Batch;
            line.batch = ParseBatch(args);
        } else if (command == "run") {
            line.action = CommandLine::Action::Run;
            line.steps = ParseSteps(args);
        } else {
            throw UsageError("unknown command '" + command + "'");
        }
    } catch (const HelpRequested& help) {
        line.action = CommandLine::Action::Help;
        line.help = help.what();
    }
    return line;
}

std::string UsageText() {
#ifdef _WIN32
    return kWindowsUsage;
#endif
    std::string commands = "Commands:\n";
    for (const CommandDefinition* command : Commands()) {
        // batch's commands are listed as one: "batch".
        const std::string word = command->name().substr(0, command->name().find(' '));
        commands += "  " + word + std::string(word.size() < 10 ? 10 - word.size() : 1, ' ') +
                    command->summary() + "\n";
    }
    commands +=
        "Each command's arguments, options, defaults and exit statuses: plotaktar-cli COMMAND "
        "--help\n(or -h).\n\n";
    return kUsageHead + commands + kUsageBody;
}

}  // namespace plotaktar::cli
