#include <charconv>

#include "cli/command_definition.h"
#include "cli/command_line.h"
#include "cli/render_command.h"
#include "drawing/sheet_layout.h"
#include "model/crs_names.h"
#include "model/output_formats.h"
#include "model/text.h"

namespace plotaktar::cli {

namespace {

bool ParseInt(std::string_view text, int& value, int least, int most) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= least && value <= most;
}

bool ParseSide(std::string_view text, int& value) {
    return ParseInt(text, value, 1, 20000);
}

// The options of a sheet at a map scale, which need --scale.
const char* const kSheetOptions[] = {"--paper", "--landscape", "--portrait", "--dpi",
                                     "--title", "--sheet",     "--crs"};

void ReadSheetOptions(const CommandDefinition& definition, const ParsedCommand& parsed,
                      RenderArgs& render) {
    if (parsed.count("--landscape") + parsed.count("--portrait") > 1) {
        throw definition.refusal("--landscape and --portrait given together or twice");
    }
    render.orientation = parsed.given("--landscape") ? 1 : parsed.given("--portrait") ? 2 : 0;
    if (const std::optional<std::string> value = parsed.once("--scale")) {
        render.sheet = true;
        const std::optional<int> scale = ParseMapScale(*value);
        if (scale) {
            render.scale = *scale;
        } else if (*value != "auto") {
            throw definition.refusal("--scale takes the N of 1:N, 1 to " +
                                     std::to_string(kMostScale) + ", or auto; not '" + *value +
                                     "'");
        }
    }
    if (const std::optional<std::string> value = parsed.once("--paper")) {
        if (!PaperNamed(*value)) {
            throw definition.refusal("--paper takes A4, A3, A2, A1 or A0; not '" + *value + "'");
        }
        render.paper = *value;
    }
    if (const std::optional<std::string> value = parsed.once("--dpi")) {
        if (!ParseInt(*value, render.dpi, 10, 2400)) {
            throw definition.refusal("--dpi takes 10 to 2400 dots an inch; not '" + *value + "'");
        }
    }
    render.title = parsed.once("--title").value_or("");
    render.sheetName = parsed.once("--sheet").value_or("");
    if (const std::optional<std::string> value = parsed.once("--crs")) {
        const std::optional<int> epsg = EpsgOfCrsText(*value);
        if (!epsg) {
            throw definition.refusal(
                "--crs takes TM27 to TM45, ED50-TM27 to ED50-TM45, ED50-UTM35 to ED50-UTM38 or "
                "EPSG:n; not '" +
                *value + "'");
        }
        render.epsg = *epsg;
    }
}

}  // namespace

const CommandDefinition& RenderCommand() {
    static const CommandDefinition definition =
        CommandDefinition(
            "render", "draw a drawing or a plot file as a picture, or as sheets at a map scale",
            "GEOMETRY [LABELS | --no-labels] -o FILE [--size WxH]\n"
            "FILE.plt -o FILE [--size WxH]\n"
            "GEOMETRY|FILE.plt ... -o FILE --scale N|auto [SHEET OPTIONS]",
            "Draws the whole drawing, fitted, on white, as plotaktar-view shows it, or with "
            "--scale as sheets true to the map scale 1/N, with grid crosses, a north arrow, a "
            "scale bar, a key map and a title block. FILE's extension chooses the format: .png, "
            ".svg or .pdf. Needs no display.")
            .drawing("GEOMETRY|FILE.plt", "the geometry file (.gplt) or a plot file (.plt)")
            .option("-o", "FILE", "the picture or sheets to write: .png, .svg or .pdf")
            .option("--size", "WxH", "the picture's size in pixels, 1 to 20000 each", "1600x1000")
            .flag("--all-layers", "draw the layers switched off (\"Açık/kapalı\" 0) too")
            .option("--scale", "N|auto",
                    "sheets at the map scale 1/N (1 to 1000000; 1000, 1:1000 or 1/1000); auto "
                    "takes the first of 500, 1000, 2000, 2500, 5000 at which the drawing fits "
                    "one sheet")
            .option("--paper", "A4|A3|A2|A1|A0", "the sheets' paper", "A3")
            .flag("--landscape", "sheets across (default: turned to need fewer sheets)")
            .flag("--portrait", "sheets upright")
            .option("--dpi", "D", "dots an inch of PNG sheets, 10 to 2400", "300")
            .option("--title", "TEXT", "the title block's title", "the input's name")
            .option("--sheet", "NAME", "the sheets' name, numbered NAME-1, NAME-2 ...")
            .option("--crs", "CRS",
                    "the coordinate system the title block names: TM30, EPSG:5254 ...")
            .exitStatus(
                "Exit status: 0 drawn; 1 the picture could not be written (FILE is left as it "
                "was); 2 a usage error, an input that cannot be read or an output that is an "
                "input (nothing is written).");
    return definition;
}

RenderArgs ParseRender(const std::vector<std::string>& args) {
    const CommandDefinition& definition = RenderCommand();
    const ParsedCommand parsed = definition.parse(args, 1);
    RenderArgs render;
    const std::optional<std::string> output = parsed.once("-o");
    if (const std::optional<std::string> size = parsed.once("--size")) {
        const std::string_view value = *size;
        const size_t x = value.find('x');
        if (x == std::string::npos || !ParseSide(value.substr(0, x), render.width) ||
            !ParseSide(value.substr(x + 1), render.height)) {
            throw definition.refusal("--size takes WIDTHxHEIGHT in pixels, 1 to 20000 each");
        }
    }
    render.noLabels = parsed.given("--no-labels");
    render.allLayers = parsed.given("--all-layers");
    ReadSheetOptions(definition, parsed, render);
    const std::vector<std::string>& paths = parsed.arguments;
    if (paths.empty() || paths[0].empty()) {
        throw definition.refusal("GEOMETRY or FILE.plt is missing");
    }
    const bool plot = EndsWithNoCase(paths[0], ".plt");
    if (paths.size() > (plot ? 1u : 2u)) {
        throw definition.refusal(plot ? "a plot file takes no label file"
                                      : "too many files; render takes GEOMETRY [LABELS]");
    }
    if (!output) {
        throw definition.refusal("-o FILE is missing");
    }
    render.output = *output;
    const OutputFormatInfo* format = OutputFormatForPath(render.output);
    if (format == nullptr || format->program != kRenderProgram) {
        throw definition.refusal("the output must end in " + ExtensionsWrittenBy(kRenderProgram));
    }
    if (!render.sheet) {
        for (const char* option : kSheetOptions) {
            if (parsed.given(option)) {
                throw definition.refusal(std::string(option) + " needs --scale");
            }
        }
    }
    if (render.sheet && parsed.given("--size")) {
        throw definition.refusal("--size is for a picture without --scale; a sheet is its paper");
    }
    if (render.sheet && format->name == "png" &&
        PagePixels(*PaperNamed(render.paper), render.dpi) > kMostPagePixels) {
        throw definition.refusal(
            "a page of " + render.paper + " at " + std::to_string(render.dpi) +
            " dpi would have more than 500 million pixels; choose a lower --dpi");
    }
    render.input = paths[0];
    if (paths.size() == 2) {
        if (render.noLabels) {
            throw definition.refusal("--no-labels and LABELS given together");
        }
        render.labels = paths[1];
    }
    return render;
}

}  // namespace plotaktar::cli
