#include "cli/check_command.h"
#include "cli/command_definition.h"
#include "cli/command_line.h"
#include "drawing/sheet_layout.h"

namespace plotaktar::cli {

const CommandDefinition& CheckCommand() {
    static const CommandDefinition definition =
        CommandDefinition(
            "check", "find what the receiving office would send back",
            "GEOMETRY [LABELS | --no-labels] [--scale N]\n"
            "[--area-rule imar|kirsal|none] [--format text|json]",
            "Checks the drawing before it leaves: parcel areas from the corners against the "
            "declared \"Alan\", parcels that cross themselves, overlap or leave slivers, "
            "points under one number at two places, line ends away from their points, "
            "layers not declared, cells that are no numbers, failing records and features "
            "far from the rest. One finding a line, FILE:LINE: error|warning: CODE: "
            "message, then a summary line.")
            .drawing("GEOMETRY", "the geometry file (.gplt)")
            .option("--scale", "N",
                    "the map scale 1:N the area tolerance is taken at, 1 to 1000000 (1000, 1:1000 "
                    "or 1/1000)",
                    "1000")
            .option("--area-rule", "RULE",
                    "imar or kirsal: the tolerance of that rule; none reports the difference "
                    "unjudged",
                    "imar")
            .option("--format", "FORMAT", "text, or json for the findings and the summary as JSON",
                    "text")
            .exitStatus(
                "Exit status: 0 no finding is an error; 3 one is; 1 the check failed; 2 a usage "
                "error or an input that cannot be read.");
    return definition;
}

CheckArgs ParseCheck(const std::vector<std::string>& args) {
    const CommandDefinition& definition = CheckCommand();
    const ParsedCommand parsed = definition.parse(args, 1);
    CheckArgs check;
    if (const std::optional<std::string> value = parsed.once("--scale")) {
        // Outside these no area could ever be out of its limit, or every one would be.
        const std::optional<int> scale = ParseMapScale(*value);
        if (!scale) {
            throw definition.refusal("--scale takes the N of 1:N, 1 to " +
                                     std::to_string(kMostScale) + "; not '" + *value + "'");
        }
        check.scale = *scale;
    }
    if (const std::optional<std::string> value = parsed.once("--area-rule")) {
        if (*value != "imar" && *value != "kirsal" && *value != "none") {
            throw definition.refusal("--area-rule takes imar, kirsal or none");
        }
        check.areaRule = *value;
    }
    if (const std::optional<std::string> value = parsed.once("--format")) {
        if (*value != "text" && *value != "json") {
            throw definition.refusal("--format takes text or json");
        }
        check.json = *value == "json";
    }
    check.noLabels = parsed.given("--no-labels");
    const std::vector<std::string>& paths = parsed.arguments;
    if (paths.empty() || paths[0].empty()) {
        throw definition.refusal("GEOMETRY is missing");
    }
    if (paths.size() > 2) {
        throw definition.refusal("too many files; check takes GEOMETRY [LABELS]");
    }
    check.geometry = paths[0];
    if (paths.size() == 2) {
        if (check.noLabels) {
            throw definition.refusal("--no-labels and LABELS given together");
        }
        check.labels = paths[1];
    }
    return check;
}

}  // namespace plotaktar::cli
