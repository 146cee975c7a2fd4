#include <charconv>

#include "cli/command_line.h"
#include "cli/render_command.h"
#include "model/output_formats.h"
#include "model/text.h"

namespace plotaktar::cli {

namespace {

bool ParseSide(std::string_view text, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 1 && value <= 20000;
}

}  // namespace

RenderArgs ParseRender(const std::vector<std::string>& args) {
    RenderArgs render;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    bool haveOutput = false, haveSize = false;
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
