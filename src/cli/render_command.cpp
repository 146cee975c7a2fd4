// `plotaktar-cli render`: the viewer's picture of a whole drawing, without a display.

#include "cli/render_command.h"

#include <QGuiApplication>
#include <cstring>
#include <exception>
#include <memory>
#include <new>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/session_ui.h"
#include "drawing/drawing_loader.h"
#include "drawing/sheet_layout.h"
#include "import/source_lines.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "model/text.h"
#include "render/render_file.h"

namespace plotaktar::cli {

namespace {

// Qt's notes about the session (no runtime directory over ssh, and the like) are no concern of
// a picture on disk; its errors still reach standard error.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "plotaktar-cli: %s\n", message.toLocal8Bit().constData());
    }
}

// The offscreen platform is chosen here, not through the environment, so that `render` works
// over ssh and in CI as it is.
std::unique_ptr<QGuiApplication> OffscreenApplication() {
    static int argc = 3;
    static char name[] = "plotaktar-cli";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// What the terminate handler needs: the output named in its message, the temporary it removes.
// Fixed buffers, so that the handler itself allocates nothing.
char outputName[4096];
char temporaryName[4096];

void Remember(char (&buffer)[4096], const std::string& text) {
    const size_t length = std::min(text.size(), sizeof buffer - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

// Qt's SVG and PDF painters cannot pass running out of memory on (it ends the program from
// inside them): the failure is reported as every other exhaustion is, status 1 with the output
// left as it was, the temporary beside it removed.
[[noreturn]] void EndOnUncaughtException() {
    const char* cause = "ended on an unexpected error";
    try {
        if (std::exception_ptr failure = std::current_exception()) {
            std::rethrow_exception(failure);
        }
    } catch (const std::bad_alloc&) {
        cause = kOutOfMemoryMessage.data();
    } catch (...) {
    }
    if (temporaryName[0] != '\0') {
        unlink(temporaryName);
    }
    std::fprintf(stderr, "plotaktar-cli: %s: %s\n", outputName, cause);
    std::fflush(stderr);
    _exit(kExitFailed);
}

// Symbols whose point is missing are left out, and said so, never placed by guess.
void ReportMissingSymbols(const std::string& input, const Drawing& drawing, std::FILE* err) {
    const DrawingCounts& counts = drawing.counts();
    if (counts.symbols == 0) {
        return;
    }
    std::string numbers;
    for (const std::string& number : counts.missingSymbolPoints) {
        numbers += (numbers.empty() ? "" : ", ") + Utf8FromCp1254(number);
    }
    if (counts.symbols > counts.missingSymbolPoints.size()) {
        numbers += ", ...";
    }
    PrintProblem(err, input,
                 std::to_string(counts.symbols) + " symbol" + (counts.symbols == 1 ? "" : "s") +
                     " not drawn: no point of the number " + numbers);
}

// Where feature `f` was read, as messages name files: the plot file's line, or the line of the
// input file that gave its row; the geometry file alone when the files no longer give that row.
std::string PlaceOf(const Drawing& drawing, uint32_t f, const ImportPaths& paths) {
    const std::optional<TableId> table = drawing.sourceTable(f);
    if (!table) {
        return MessageName(paths.geometry) + ':' + std::to_string(drawing.sourceRow(f));
    }
    const std::optional<SourceLine> line =
        SourceLineOf(paths, *table, static_cast<int>(drawing.sourceRow(f)));
    return line ? MessageName(line->fileName) + ':' + std::to_string(line->lineNumber)
                : MessageName(paths.geometry);
}

}  // namespace

int RunRender(const RenderArgs& args, std::FILE* out, std::FILE* err) {
    Remember(outputName, args.output);
    std::set_terminate(EndOnUncaughtException);
    const std::string labels = IsPlotFilePath(args.input)
                                   ? std::string()
                                   : ChosenLabels(args.input, args.labels, args.noLabels, err);
    // The files of sheets are known once they are planned (RunSheets compares them then).
    if (!CheckConversionFiles(args.input, labels,
                              args.sheet ? std::vector<std::string>() : std::vector{args.output},
                              err)) {
        return kExitUsage;
    }

    qInstallMessageHandler(QuietMessages);
    std::unique_ptr<QGuiApplication> application = OffscreenApplication();
    ConvertObserver failures(args.input, err);
    LoadedDrawing loaded;
    try {
        loaded = LoadDrawing(args.input, labels, failures);
    } catch (const InputReadError& e) {
        return InputReadProblem(err, e);
    } catch (const Error& e) {
        PrintProblem(err, args.input, Utf8FromCp1254(e.message()));
        return kExitUsage;
    } catch (const std::exception& e) {
        // Memory running out is a failure, never a picture of part of the drawing.
        PrintProblem(err, args.input, Utf8FromCp1254(MessageOf(e)));
        return kExitFailed;
    }
    // The tables are not needed to draw; their memory goes before the picture's is taken.
    loaded.workspace.reset();
    const Drawing& drawing = loaded.drawing;
    ReportMissingSymbols(args.input, drawing, err);
    const RenderFilter filter = RenderFilter::LayersAsSwitched(drawing, args.allLayers);
    auto temporaryChanged = [](const std::string& temporary) {
        Remember(temporaryName, temporary);
    };
    if (args.sheet) {
        if (const std::optional<uint32_t> far = FeatureBeyondSheets(drawing)) {
            const ImportPaths paths{args.input, labels,
                                    labels.empty() ? std::string() : CompanionFileBeside(labels)};
            std::fprintf(err,
                         "plotaktar-cli: render: coordinates beyond ±100,000 km cannot be drawn "
                         "on sheets (%s)\n",
                         PlaceOf(drawing, *far, paths).c_str());
            return kExitUsage;
        }
        return RunSheets(args, labels, drawing, filter, temporaryChanged, out, err);
    }
    // Fitted to what is drawn, the labels' texts with the geometry, so that none is cut.
    const ViewTransform view =
        ViewTransform::fit(DrawnExtent(drawing, filter), args.width, args.height, args.width / 50);
    std::string problem;
    try {
        problem = SavePicture(drawing, view, filter, args.output, temporaryChanged);
    } catch (const std::exception& e) {
        problem = Utf8FromCp1254(MessageOf(e));
    }
    if (!problem.empty()) {
        PrintProblem(err, args.output, problem);
        return kExitFailed;
    }
    if (drawing.size() == 0) {
        PrintProblem(err, args.input, "empty drawing");
    }
    std::string summary = args.input + ": " + std::to_string(drawing.size()) + " features";
    if (drawing.counts().unreadable > 0) {
        summary += ", " + std::to_string(drawing.counts().unreadable) +
                   " left out (a coordinate that is not a number)";
    }
    if (drawing.counts().skippedLines > 0) {
        summary += ", " + std::to_string(drawing.counts().skippedLines) +
                   " lines skipped (no record of a plot file)";
    }
    summary += " -> " + args.output + "\n";
    std::fwrite(summary.data(), 1, summary.size(), out);
    return kExitOk;
}

}  // namespace plotaktar::cli
