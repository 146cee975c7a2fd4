// `plotaktar-cli render ... --scale N|auto`: the drawing as sheets at a map scale.

#include <QDate>
#include <QFileInfo>
#include <cstdio>

#include "cli/commands.h"
#include "cli/render_command.h"
#include "model/cp1254.h"
#include "model/crs_names.h"
#include "model/errors.h"
#include "platform/files.h"
#include "platform/large_pages.h"
#include "render/sheet_file.h"

namespace plotaktar::cli {

namespace {

Orientation OrientationOf(int option) {
    return option == 1   ? Orientation::Landscape
           : option == 2 ? Orientation::Portrait
                         : Orientation::Auto;
}

QString CrsText(int epsg) {
    if (epsg == 0) {
        return {};
    }
    const std::string_view name = CrsShortName(epsg);
    const QString code = QStringLiteral("EPSG:%1").arg(epsg);
    return name.empty() ? code
                        : QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
                              QStringLiteral(" (") + code + ')';
}

}  // namespace

int RunSheets(const RenderArgs& args, const std::string& labels, const Drawing& drawing,
              const RenderFilter& filter,
              const std::function<void(const std::string&)>& temporaryChanged, std::FILE* out,
              std::FILE* err) {
    if (drawing.size() == 0) {
        PrintProblem(err, args.input, "empty drawing: there is nothing to put on a sheet");
        return kExitUsage;
    }
    const Paper paper = *PaperNamed(args.paper);
    const Orientation orientation = OrientationOf(args.orientation);
    int scale = args.scale;
    if (scale == 0) {
        scale = AutoScale(drawing.extent(), paper, orientation);
        std::fprintf(err, "plotaktar-cli: --scale auto: 1/%d\n", scale);
    }
    const std::optional<SheetPlan> plan =
        PlanDrawingSheets(drawing, filter, scale, paper, orientation);
    if (!plan) {
        PrintProblem(err, args.input,
                     "at 1/" + std::to_string(scale) + " on " + std::string(paper.name) +
                         " the drawing needs more than " +
                         std::to_string(static_cast<int>(kMostSheets)) + " sheets");
        return kExitUsage;
    }
    if (plan->sheets.empty()) {
        PrintProblem(err, args.input,
                     "nothing to draw: every layer with features is switched off "
                     "(--all-layers draws them)");
        return kExitUsage;
    }
    PictureFormat format = PictureFormat::Pdf;
    PictureFormatOf(QString::fromStdString(args.output), format);
    SheetTexts texts;
    texts.title = args.title.empty()
                      ? QFileInfo(QString::fromLocal8Bit(args.input.c_str())).fileName()
                      : QString::fromLocal8Bit(args.title.c_str());
    texts.sheetName = QString::fromLocal8Bit(args.sheetName.c_str());
    texts.crs = CrsText(args.epsg);
    texts.date = QDate::currentDate();
    const std::vector<std::string> names = SheetFileNames(args.output, format, plan->pageCount());
    if (const std::string refusal = SheetTargetRefusal(args.output, format, plan->pageCount());
        !refusal.empty()) {
        PrintProblem(err, args.output, refusal);
        return kExitUsage;
    }
    RunFiles files;
    AddDrawingInputs(files, args.input, labels);
    files.addOutputs(names);
    if (!NoOutputIsInput(files, err)) {
        return kExitUsage;
    }
    std::string problem;
    std::string failedFile = args.output;
    try {
        // Each page's buffers (its content, written, deflated and copied) are megabytes taken
        // and freed again page after page: the heap keeps them for the next page.
        platform::KeepFreedBuffers();
        WriteSheets(drawing, *plan, texts, filter, format, args.dpi, args.output, temporaryChanged);
    } catch (const FileError& e) {
        // A page's own file is named; the pages are put in place all or none.
        failedFile = e.file.empty() ? args.output : e.file;
        problem =
            platform::WriteFailureText(Utf8FromCp1254(e.message()), e.errorNumber(), failedFile);
    } catch (const std::exception& e) {
        problem = Utf8FromCp1254(MessageOf(e));
    }
    if (!problem.empty()) {
        PrintProblem(err, failedFile, problem);
        return kExitFailed;
    }
    if (names.size() > 1) {
        std::string pages = names.front() + " (the index)";
        for (size_t i = 1; i < names.size(); ++i) {
            pages += ", " + names[i];
        }
        std::fprintf(err, "plotaktar-cli: %s: a file a page: %s\n", args.output.c_str(),
                     pages.c_str());
    }
    std::string summary = args.input + ": " + std::to_string(drawing.size()) + " features at 1/" +
                          std::to_string(scale) + " on " + std::string(paper.name) +
                          (plan->landscape ? " landscape" : " portrait") + ", " +
                          std::to_string(plan->sheets.size()) + " sheet" +
                          (plan->sheets.size() == 1 ? "" : "s");
    for (const std::string& name : names) {
        summary += (&name == &names.front() ? " -> " : ", ") + name;
    }
    summary += '\n';
    std::fwrite(summary.data(), 1, summary.size(), out);
    return kExitOk;
}

}  // namespace plotaktar::cli
