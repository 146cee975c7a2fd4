#include <charconv>
#include <cmath>

#include "cli/command_definition.h"
#include "cli/command_line.h"
#include "cli/diff_command.h"
#include "cli/render_command.h"
#include "model/text.h"

namespace plotaktar::cli {

const CommandDefinition& DiffCommand() {
    static const CommandDefinition definition =
        CommandDefinition(
            "diff", "compare two revisions of a drawing and list what changed",
            "OLD NEW [--old-labels FILE | --old-no-labels]\n"
            "[--new-labels FILE | --new-no-labels] [--tolerance M]\n"
            "[--format text|json] [-o PICTURE [--scale N|auto ...]]",
            "Compares two revisions of a drawing by what the elements are, not by line: points "
            "by kind and number, parcels by ada/parsel, lines by their ends, symbols, buildings "
            "and slopes by number, layers by name, labels by text and place. One change a line, "
            "OLD:LINE NEW:LINE CODE message (\"-\" for the side without it), then a summary "
            "line. With -o the changes are drawn over the new revision: unchanged grey, removed "
            "red, added green, moved as an arrow.")
            .argument("OLD",
                      "the old revision: a geometry file (.gplt), its label file the .yaz of the "
                      "same name beside it, if any; or a plot file (.plt)")
            .argument("NEW", "the new revision, as OLD")
            .option("--old-labels", "FILE", "OLD's label file (.yaz), read with its .yfn companion")
            .flag("--old-no-labels", "read no label file for OLD")
            .option("--new-labels", "FILE", "NEW's label file (.yaz), read with its .yfn companion")
            .flag("--new-no-labels", "read no label file for NEW")
            .option("--tolerance", "M",
                    "how far, in metres, a position or a height may differ and still be the "
                    "same; a positive number",
                    "0.01")
            .option("--format", "FORMAT", "text, or json for the changes and the summary as JSON",
                    "text")
            .option("-o", "PICTURE", "a picture of the changes: .png, .svg or .pdf")
            .handThrough(RenderCommand(), "for -o, as render", {"--no-labels"})
            .exitStatus(
                "Exit status: 0 the two are the same within the tolerance; 3 they differ; 1 the "
                "comparison or the picture failed; 2 a usage error or a side that cannot be "
                "read.");
    return definition;
}

std::vector<std::string> DiffRenderLine(const DiffArgs& diff) {
    // NEW after "--", so that a name beginning with "-" stays a name there too.
    std::vector<std::string> render = {"render", "-o", diff.output};
    render.insert(render.end(), diff.pictureOptions.begin(), diff.pictureOptions.end());
    render.insert(render.end(), {"--", diff.newPath});
    return render;
}

DiffArgs ParseDiff(const std::vector<std::string>& args) {
    const CommandDefinition& definition = DiffCommand();
    const ParsedCommand parsed = definition.parse(args, 1);
    DiffArgs diff;
    diff.oldLabels = parsed.once("--old-labels").value_or("");
    diff.newLabels = parsed.once("--new-labels").value_or("");
    diff.oldNoLabels = parsed.given("--old-no-labels");
    diff.newNoLabels = parsed.given("--new-no-labels");
    if (const std::optional<std::string> value = parsed.once("--tolerance")) {
        double tolerance = 0;
        auto [end, ec] = std::from_chars(value->data(), value->data() + value->size(), tolerance);
        if (ec != std::errc() || end != value->data() + value->size() ||
            !std::isfinite(tolerance) || tolerance <= 0) {
            throw definition.refusal("--tolerance takes a positive number of metres; not '" +
                                     *value + "'");
        }
        diff.tolerance = tolerance;
    }
    if (const std::optional<std::string> value = parsed.once("--format")) {
        if (*value != "text" && *value != "json") {
            throw definition.refusal("--format takes text or json");
        }
        diff.json = *value == "json";
    }
    if (const std::optional<std::string> value = parsed.once("-o")) {
        if (value->empty()) {
            throw definition.refusal("-o needs a file name");
        }
        diff.output = *value;
    }
    diff.pictureOptions = parsed.handedThrough;
    const std::vector<std::string>& paths = parsed.arguments;
    if (paths.size() < 2 || paths[0].empty() || paths[1].empty()) {
        throw definition.refusal("OLD and NEW are needed; diff takes OLD NEW");
    }
    if (paths.size() > 2) {
        throw definition.refusal(
            "too many files; diff takes OLD NEW (labels with --old-labels and --new-labels)");
    }
    diff.oldPath = paths[0];
    diff.newPath = paths[1];
    auto sideLabels = [&](const std::string& path, const std::string& labels, bool none,
                          const std::string& side) {
        if (!labels.empty() && none) {
            throw definition.refusal("--" + side + "-labels and --" + side +
                                     "-no-labels given together");
        }
        if ((!labels.empty() || none) && EndsWithNoCase(path, ".plt")) {
            throw definition.refusal(side + " is a plot file, which holds its labels; --" + side +
                                     "-labels and --" + side +
                                     "-no-labels are for a geometry file");
        }
    };
    sideLabels(diff.oldPath, diff.oldLabels, diff.oldNoLabels, "old");
    sideLabels(diff.newPath, diff.newLabels, diff.newNoLabels, "new");
    if (!diff.pictureOptions.empty() && diff.output.empty()) {
        throw definition.refusal(diff.pictureOptions[0] + " is for the picture, which -o names");
    }
    if (!diff.output.empty()) {
        // The picture's options as `render` reads them, refused here before anything is read.
        try {
            (void)ParseRender(DiffRenderLine(diff));
        } catch (const UsageError& e) {
            std::string message = e.what();
            if (message.starts_with("render: ")) {
                message.erase(0, 8);
            }
            throw definition.refusal(message);
        }
    }
    return diff;
}

}  // namespace plotaktar::cli
