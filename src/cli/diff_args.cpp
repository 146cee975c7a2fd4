#include <charconv>
#include <cmath>

#include "cli/command_line.h"
#include "cli/diff_command.h"
#include "cli/render_command.h"
#include "model/text.h"

namespace plotaktar::cli {

namespace {

// The options of the picture, passed to the render helper as `render` takes them, with how
// many values each takes.
int PictureOptionValues(const std::string& arg) {
    for (const char* option :
         {"--scale", "--paper", "--dpi", "--title", "--sheet", "--crs", "--size"}) {
        if (arg == option) {
            return 1;
        }
    }
    for (const char* option : {"--landscape", "--portrait", "--all-layers"}) {
        if (arg == option) {
            return 0;
        }
    }
    return -1;
}

}  // namespace

DiffArgs ParseDiff(const std::vector<std::string>& args) {
    DiffArgs diff;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    bool haveOldLabels = false, haveNewLabels = false, haveTolerance = false, haveFormat = false,
         haveOutput = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--old-labels" || arg == "--new-labels" ||
                                     arg == "--tolerance" || arg == "--format" || arg == "-o")) {
            if (i + 1 == args.size()) {
                throw UsageError("diff: " + arg + " needs a value");
            }
            const std::string& value = args[++i];
            bool& seen = arg == "--old-labels"   ? haveOldLabels
                         : arg == "--new-labels" ? haveNewLabels
                         : arg == "--tolerance"  ? haveTolerance
                         : arg == "--format"     ? haveFormat
                                                 : haveOutput;
            if (seen) {
                throw UsageError("diff: " + arg + " given twice");
            }
            seen = true;
            if (arg == "--old-labels") {
                diff.oldLabels = value;
            } else if (arg == "--new-labels") {
                diff.newLabels = value;
            } else if (arg == "--tolerance") {
                double tolerance = 0;
                auto [end, ec] =
                    std::from_chars(value.data(), value.data() + value.size(), tolerance);
                if (ec != std::errc() || end != value.data() + value.size() ||
                    !std::isfinite(tolerance) || tolerance <= 0) {
                    throw UsageError("diff: --tolerance takes a positive number of metres; not '" +
                                     value + "'");
                }
                diff.tolerance = tolerance;
            } else if (arg == "--format") {
                if (value != "text" && value != "json") {
                    throw UsageError("diff: --format takes text or json");
                }
                diff.json = value == "json";
            } else {
                if (value.empty()) {
                    throw UsageError("diff: -o needs a file name");
                }
                diff.output = value;
            }
        } else if (!optionsEnded && (arg == "--old-no-labels" || arg == "--new-no-labels")) {
            (arg == "--old-no-labels" ? diff.oldNoLabels : diff.newNoLabels) = true;
        } else if (!optionsEnded && PictureOptionValues(arg) >= 0) {
            diff.pictureOptions.push_back(arg);
            if (PictureOptionValues(arg) == 1) {
                if (i + 1 == args.size()) {
                    throw UsageError("diff: " + arg + " needs a value");
                }
                diff.pictureOptions.push_back(args[++i]);
            }
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            throw UsageError("diff: unknown option '" + arg + "'");
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() < 2 || paths[0].empty() || paths[1].empty()) {
        throw UsageError("diff: OLD and NEW are needed; diff takes OLD NEW");
    }
    if (paths.size() > 2) {
        throw UsageError(
            "diff: too many files; diff takes OLD NEW (labels with --old-labels "
            "and --new-labels)");
    }
    diff.oldPath = paths[0];
    diff.newPath = paths[1];
    auto sideLabels = [](const std::string& path, const std::string& labels, bool none,
                         const char* side) {
        if (!labels.empty() && none) {
            throw UsageError(std::string("diff: --") + side + "-labels and --" + side +
                             "-no-labels given together");
        }
        if ((!labels.empty() || none) && EndsWithNoCase(path, ".plt")) {
            throw UsageError(std::string("diff: ") + side +
                             " is a plot file, which holds its labels; --" + side +
                             "-labels and --" + side + "-no-labels are for a geometry file");
        }
    };
    sideLabels(diff.oldPath, diff.oldLabels, diff.oldNoLabels, "old");
    sideLabels(diff.newPath, diff.newLabels, diff.newNoLabels, "new");
    if (!diff.pictureOptions.empty() && diff.output.empty()) {
        throw UsageError("diff: " + diff.pictureOptions[0] + " is for the picture, which -o names");
    }
    if (!diff.output.empty()) {
        // The picture's options as `render` reads them, refused here before anything is read.
        std::vector<std::string> render = {"render", diff.newPath, "-o", diff.output};
        render.insert(render.end(), diff.pictureOptions.begin(), diff.pictureOptions.end());
        try {
            (void)ParseRender(render);
        } catch (const UsageError& e) {
            std::string message = e.what();
            if (message.starts_with("render: ")) {
                message.replace(0, 8, "diff: ");
            }
            throw UsageError(message);
        }
    }
    return diff;
}

}  // namespace plotaktar::cli
