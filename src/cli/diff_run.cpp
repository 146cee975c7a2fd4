#include "cli/diff_run.h"

#include <exception>
#include <functional>
#include <future>
#include <new>

#include "cli/commands.h"
#include "cli/session_ui.h"
#include "compare/change_report.h"
#include "drawing/drawing_loader.h"
#include "import/source_lines.h"
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
    // Both geometry files' lines are numbered on a second thread, the old one's while the old
    // side is imported and the new one's while the old side's elements are taken: what the
    // thread keeps is the line numbers alone, and it lets go of each file before the new side
    // is imported, so that the peak of memory stays where it was. Without a second thread each
    // side numbers its own.
    std::future<RowLines> numbered[2];
    try {
        auto number = [](const std::string& path) {
            RowLines lines;
            if (!IsPlotFilePath(path)) {
                lines.readGeometry(path);
            }
            return lines;
        };
        std::promise<RowLines> oldLines;
        numbered[0] = oldLines.get_future();
        numbered[1] = std::async(std::launch::async,
                                 [number, promise = std::move(oldLines), oldPath = args.oldPath,
                                  newPath = args.newPath]() mutable {
                                     try {
                                         promise.set_value(number(oldPath));
                                     } catch (...) {
                                         promise.set_exception(std::current_exception());
                                     }
                                     return number(newPath);
                                 });
    } catch (const std::exception&) {
        // No thread, or no room for one (std::system_error, std::bad_alloc): numbered below.
        numbered[0] = {};
        numbered[1] = {};
    }
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
            std::function<RowLines()> lines;
            if (numbered[k].valid()) {
                lines = [&numbered, k] { return numbered[k].get(); };
            }
            drawings[k] = compare::ReadComparedDrawing(side.path, labels, observer, lines);
        } catch (const std::bad_alloc&) {
            PrintProblem(err, side.path, "comparison failed: out of memory");
            status = kExitFailed;
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
