#include "cli/check_command.h"

#include <new>

#include "check/check_files.h"
#include "check/check_report.h"
#include "cli/commands.h"
#include "cli/session_ui.h"
#include "drawing/drawing_loader.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "platform/files.h"

namespace plotaktar::cli {

int RunCheck(const CheckArgs& args, std::FILE* out, std::FILE* err) {
    // A plot file holds the drawing without the records the check reads: passing it with no
    // finding would pass it unchecked.
    if (IsPlotFilePath(args.geometry)) {
        PrintProblem(err, args.geometry, "a plot file has no tables to check");
        return kExitUsage;
    }
    const std::string labels = ChosenLabels(args.geometry, args.labels, args.noLabels, err);
    for (const std::string& file : {args.geometry, labels}) {
        if (file.empty()) {
            continue;
        }
        if (std::string cause = platform::UnreadableCause(file); !cause.empty()) {
            PrintProblem(err, file, cause);
            return kExitUsage;
        }
    }
    // Nothing is read from the current folder for a name not given.
    const ImportPaths paths{args.geometry, labels,
                            labels.empty() ? std::string() : CompanionFileBeside(labels)};
    check::CheckOptions options;
    options.scale = args.scale;
    options.areaRule = check::AreaRuleNamed(args.areaRule).value_or(check::AreaRule::Imar);
    check::Findings findings;
    ConvertObserver observer(args.geometry, err);
    try {
        findings = check::CheckFiles(paths, options, observer);
    } catch (const InputReadError& e) {
        return InputReadProblem(err, e);
    } catch (const std::bad_alloc&) {
        PrintProblem(err, args.geometry, "check failed: out of memory");
        return kExitFailed;
    } catch (const std::exception& e) {
        PrintProblem(err, args.geometry, "check failed: " + Utf8FromCp1254(MessageOf(e)));
        return kExitFailed;
    }
    const check::ReportSink write = [out](std::string_view piece) {
        std::fwrite(piece.data(), 1, piece.size(), out);
    };
    if (args.json) {
        check::WriteFindingsJson(findings, paths, write);
    } else {
        check::WriteFindingsText(findings, paths, write);
    }
    return check::CountFindings(findings).errors > 0 ? kExitFindings : kExitOk;
}

}  // namespace plotaktar::cli
