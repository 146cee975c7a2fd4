#include "cli/diff_run.h"

#include <new>

#include "cli/commands.h"
#include "cli/session_ui.h"
#include "compare/change_report.h"
#include "drawing/drawing_loader.h"
#include "model/cp1254.h"
#include "model/errors.h"

namespace plotaktar::cli {

std::optional<compare::Comparison> CompareRevisions(const DiffArgs& args, std::FILE* err,
                                                    int& status, DiffSides* sides) {
    struct Side {
        const std::string& path;
        const std::string& labels;
        bool noLabels;
    };
    compare::ComparedDrawing drawings[2];
    const Side both[2] = {{args.oldPath, args.oldLabels, args.oldNoLabels},
                          {args.newPath, args.newLabels, args.newNoLabels}};
    for (int k = 0; k < 2; ++k) {
        const Side& side = both[k];
        const std::string labels = IsPlotFilePath(side.path)
                                       ? std::string()
                                       : ChosenLabels(side.path, side.labels, side.noLabels, err);
        if (sides) {
            sides->labels[k] = labels;
        }
        ConvertObserver observer(side.path, err);
        try {
            drawings[k] = compare::ReadComparedDrawing(side.path, labels, observer);
        } catch (const std::bad_alloc&) {
            PrintProblem(err, side.path, "comparison failed: out of memory");
            status = kExitFailed;
            return std::nullopt;
        } catch (const InputReadError& e) {
            status = InputReadProblem(err, e);
            return std::nullopt;
        } catch (const Error& e) {
            // A side that cannot be read: nothing to compare.
            PrintProblem(err, side.path, Utf8FromCp1254(MessageOf(e)));
            status = kExitUsage;
            return std::nullopt;
        } catch (const std::exception& e) {
            PrintProblem(err, side.path, "comparison failed: " + Utf8FromCp1254(MessageOf(e)));
            status = kExitFailed;
            return std::nullopt;
        }
    }
    try {
        compare::CompareOptions options;
        options.tolerance = args.tolerance;
        compare::Comparison comparison = compare::Compare(drawings[0], drawings[1], options);
        status = comparison.same() ? kExitOk : kExitDiffers;
        return comparison;
    } catch (const std::bad_alloc&) {
        PrintProblem(err, args.newPath, "comparison failed: out of memory");
    } catch (const std::exception& e) {
        PrintProblem(err, args.newPath, "comparison failed: " + Utf8FromCp1254(MessageOf(e)));
    }
    status = kExitFailed;
    return std::nullopt;
}

void WriteComparison(const compare::Comparison& comparison, bool json, std::FILE* out) {
    const compare::ReportSink write = [out](std::string_view piece) {
        std::fwrite(piece.data(), 1, piece.size(), out);
    };
    if (json) {
        compare::WriteChangesJson(comparison, write);
    } else {
        compare::WriteChangesText(comparison, write);
    }
}

}  // namespace plotaktar::cli
