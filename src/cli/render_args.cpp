#include <algorithm>
#include <charconv>

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

// The options of a sheet at a map scale, each refused here, before anything is read or drawn.
// Returns false when `arg` is none of them.
bool ParseSheetOption(const std::vector<std::string>& args, size_t& i, RenderArgs& render,
                      std::vector<std::string>& given) {
    const std::string& arg = args[i];
    if (arg == "--landscape" || arg == "--portrait") {
        if (render.orientation != 0) {
            throw UsageError("render: --landscape and --portrait given together or twice");
        }
        render.orientation = arg == "--landscape" ? 1 : 2;
        given.push_back(arg);
        return true;
    }
    static const std::string kValued[] = {"--scale", "--paper", "--dpi",
                                          "--title", "--sheet", "--crs"};
    if (std::find(std::begin(kValued), std::end(kValued), arg) == std::end(kValued)) {
        return false;
    }
    if (i + 1 == args.size()) {
        throw UsageError("render: " + arg + " needs a value");
    }
    if (std::find(given.begin(), given.end(), arg) != given.end()) {
        throw UsageError("render: " + arg + " given twice");
    }
    given.push_back(arg);
    const std::string& value = args[++i];
    if (arg == "--scale") {
        render.sheet = true;
        const std::optional<int> scale = ParseMapScale(value);
        if (scale) {
            render.scale = *scale;
        } else if (value != "auto") {
            throw UsageError("render: --scale takes the N of 1:N, 1 to " +
                             std::to_string(kMostScale) + ", or auto; not '" + value + "'");
        }
    } else if (arg == "--paper") {
        if (!PaperNamed(value)) {
            throw UsageError("render: --paper takes A4, A3, A2, A1 or A0; not '" + value + "'");
        }
        render.paper = value;
    } else if (arg == "--dpi") {
        if (!ParseInt(value, render.dpi, 10, 2400)) {
            throw UsageError("render: --dpi takes 10 to 2400 dots an inch; not '" + value + "'");
        }
    } else if (arg == "--title") {
        render.title = value;
    } else if (arg == "--sheet") {
        render.sheetName = value;
    } else {
        const std::optional<int> epsg = EpsgOfCrsText(value);
        if (!epsg) {
            throw UsageError(
                "render: --crs takes TM27 to TM45, ED50-TM27 to ED50-TM45, "
                "ED50-UTM35 to ED50-UTM38 or EPSG:n; not '" +
                value + "'");
        }
        render.epsg = *epsg;
    }
    return true;
}

}  // namespace

RenderArgs ParseRender(const std::vector<std::string>& args) {
    RenderArgs render;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    bool haveOutput = false, haveSize = false;
    std::vector<std::string> sheetOptions;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-o" || arg == "--size")) {
            if (i + 1 == args.size()) {
                throw UsageError("render: " + arg + " needs a value");
            }
            const std::string& value = args[++i];
            if (arg == "-o") {
                if (haveOutput) {
                    throw UsageError("render: -o given twice");
                }
                haveOutput = true;
                render.output = value;
                continue;
            }
            if (haveSize) {
                throw UsageError("render: --size given twice");
            }
            haveSize = true;
            size_t x = value.find('x');
            if (x == std::string::npos ||
                !ParseSide(std::string_view(value).substr(0, x), render.width) ||
                !ParseSide(std::string_view(value).substr(x + 1), render.height)) {
                throw UsageError("render: --size takes WIDTHxHEIGHT in pixels, 1 to 20000 each");
            }
        } else if (!optionsEnded && arg == "--no-labels") {
            render.noLabels = true;
        } else if (!optionsEnded && arg == "--all-layers") {
            render.allLayers = true;
        } else if (!optionsEnded && ParseSheetOption(args, i, render, sheetOptions)) {
            continue;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            throw UsageError("render: unknown option '" + arg + "'");
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.empty() || paths[0].empty()) {
        throw UsageError("render: GEOMETRY or FILE.plt is missing");
    }
    const bool plot = EndsWithNoCase(paths[0], ".plt");
    if (paths.size() > (plot ? 1u : 2u)) {
        throw UsageError(plot ? "render: a plot file takes no label file"
                              : "render: too many files; render takes GEOMETRY [LABELS]");
    }
    if (!haveOutput) {
        throw UsageError("render: -o FILE is missing");
    }
    const OutputFormatInfo* format = OutputFormatForPath(render.output);
    if (format == nullptr || format->program != kRenderProgram) {
        throw UsageError("render: the output must end in " + ExtensionsWrittenBy(kRenderProgram));
    }
    if (!render.sheet && !sheetOptions.empty()) {
        throw UsageError("render: " + sheetOptions.front() + " needs --scale");
    }
    if (render.sheet && haveSize) {
        throw UsageError("render: --size is for a picture without --scale; a sheet is its paper");
    }
    if (render.sheet && format->name == "png" &&
        PagePixels(*PaperNamed(render.paper), render.dpi) > kMostPagePixels) {
        throw UsageError("render: a page of " + render.paper + " at " + std::to_string(render.dpi) +
                         " dpi would have more than 500 million pixels; choose a lower --dpi");
    }
    render.input = paths[0];
    if (paths.size() == 2) {
        if (render.noLabels) {
            throw UsageError("render: --no-labels and LABELS given together");
        }
        render.labels = paths[1];
    }
    return render;
}

}  // namespace plotaktar::cli
