#include "cli/check_command.h"
#include "cli/command_line.h"
#include "drawing/sheet_layout.h"

namespace plotaktar::cli {

CheckArgs ParseCheck(const std::vector<std::string>& given) {
    CheckArgs check;
    // "--scale=500" taken as "--scale" "500", as export takes its options and batch passes them.
    std::vector<std::string> args;
    bool split = true;
    for (const std::string& arg : given) {
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        split = split && arg != "--";
        if (split && equals != std::string::npos &&
            (name == "--scale" || name == "--area-rule" || name == "--format")) {
            args.push_back(name);
            args.push_back(arg.substr(equals + 1));
        } else {
            args.push_back(arg);
        }
    }
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
