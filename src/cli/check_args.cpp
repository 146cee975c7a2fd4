#include "cli/check_command.h"
#include "cli/command_line.h"
#include "drawing/sheet_layout.h"

namespace plotaktar::cli {

CheckArgs ParseCheck(const std::vector<std::string>& args) {
    CheckArgs check;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    bool haveScale = false, haveRule = false, haveFormat = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded &&
                   (arg == "--scale" || arg == "--area-rule" || arg == "--format")) {
            if (i + 1 == args.size()) {
                throw UsageError("check: " + arg + " needs a value");
            }
            const std::string& value = args[++i];
            bool& seen = arg == "--scale"       ? haveScale
                         : arg == "--area-rule" ? haveRule
                                                : haveFormat;
            if (seen) {
                throw UsageError("check: " + arg + " given twice");
            }
            seen = true;
            if (arg == "--scale") {
                // Outside these no area could ever be out of its limit, or every one would be.
                const std::optional<int> scale = ParseMapScale(value);
                if (!scale) {
                    throw UsageError("check: --scale takes the N of 1:N, 1 to " +
                                     std::to_string(kMostScale) + "; not '" + value + "'");
                }
                check.scale = *scale;
            } else if (arg == "--area-rule") {
                if (value != "imar" && value != "kirsal" && value != "none") {
                    throw UsageError("check: --area-rule takes imar, kirsal or none");
                }
                check.areaRule = value;
            } else {
                if (value != "text" && value != "json") {
                    throw UsageError("check: --format takes text or json");
                }
                check.json = value == "json";
            }
        } else if (!optionsEnded && arg == "--no-labels") {
            check.noLabels = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            throw UsageError("check: unknown option '" + arg + "'");
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.empty() || paths[0].empty()) {
        throw UsageError("check: GEOMETRY is missing");
    }
    if (paths.size() > 2) {
        throw UsageError("check: too many files; check takes GEOMETRY [LABELS]");
    }
    check.geometry = paths[0];
    if (paths.size() == 2) {
        if (check.noLabels) {
            throw UsageError("check: --no-labels and LABELS given together");
        }
        check.labels = paths[1];
    }
    return check;
}

}  // namespace plotaktar::cli
