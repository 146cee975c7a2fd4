// `plotaktar-cli render`: the viewer's picture of a whole drawing, without a display.

#include "cli/render_command.h"

#include <QGuiApplication>
#include <exception>
#include <memory>

#include "cli/commands.h"
#include "cli/scripted_ui.h"
#include "drawing/drawing_loader.h"
#include "model/cp1254.h"
#include "model/errors.h"
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

}  // namespace

int RunRender(const RenderArgs& args, std::FILE* out, std::FILE* err) {
    const std::string labels = IsPlotFilePath(args.input)
                                   ? std::string()
                                   : ChosenLabels(args.input, args.labels, args.noLabels, err);
    if (!CheckConversionFiles(args.input, labels, args.output, err)) {
        return kExitUsage;
    }

    qInstallMessageHandler(QuietMessages);
    std::unique_ptr<QGuiApplication> application = OffscreenApplication();
    ConvertObserver failures(args.input, err);
    LoadedDrawing loaded;
    try {
        loaded = LoadDrawing(args.input, labels, failures);
    } catch (const Error& e) {
        PrintProblem(err, args.input, Utf8FromCp1254(e.message()));
        return kExitUsage;
    } catch (const std::exception& e) {
        // Memory running out is a failure, never a picture of part of the drawing.
        PrintProblem(err, args.input, Utf8FromCp1254(MessageOf(e)));
        return kExitFailed;
    }
    const Drawing& drawing = loaded.drawing;
    const ViewTransform view =
        ViewTransform::fit(drawing.extent(), args.width, args.height, args.width / 50);
    std::string problem;
    try {
        problem = SavePicture(drawing, view, RenderFilter(), args.output);
    } catch (const std::exception& e) {
        problem = Utf8FromCp1254(MessageOf(e));
    }
    if (!problem.empty()) {
        PrintProblem(err, args.output, problem);
        return kExitFailed;
    }
    std::string summary = args.input + ": " + std::to_string(drawing.size()) + " features";
    if (drawing.counts().unreadable > 0) {
        summary += ", " + std::to_string(drawing.counts().unreadable) +
                   " left out (a coordinate that is not a number)";
    }
    summary += " -> " + args.output + "\n";
    std::fwrite(summary.data(), 1, summary.size(), out);
    return kExitOk;
}

}  // namespace plotaktar::cli
