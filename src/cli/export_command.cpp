// plotaktar-export's work: the import of the window's button, then the exchange writer of the
// format asked for.

#include "cli/export_command.h"

#include <exception>

#include "cli/commands.h"
#include "cli/session_ui.h"
#include "drawing/drawing_loader.h"
#include "exchange/note_lines.h"
#include "import/import_files.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/export_kinds.h"
#include "model/file_names.h"
#include "model/message_text.h"
#include "model/output_files.h"
#include "model/text.h"
#include "platform/files.h"

namespace plotaktar::cli {

namespace {

void PrintText(std::FILE* err, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), err);
}

// "FILE: N features (points P, ...), K left out". A Shapefile writes a set a kind, not FILE: the
// line names them ("p-*.shp: 5 sets, ...") and the sets that hold no feature.
std::string Summary(const ExportArgs& args, const ExportCounts& counts) {
    const OutputFormatInfo* format = OutputFormatNamed(args.format);
    const bool sets = format != nullptr && !format->setExtensions.empty();
    std::string line;
    if (sets) {
        ExportKindEntry every = kExportKindRows[0];
        every.layerName = "*";
        line = MessageName(ShapefileSetPath(args.output, every)) + ": " +
               std::to_string(kExportKinds) + " sets, ";
    } else {
        line = MessageName(args.output) + ": ";
    }
    line += std::to_string(counts.total()) + " features (";
    std::vector<std::string_view> empty;
    for (const ExportKindEntry& kind : kExportKindRows) {
        if (kind.kind != ExportKind::Point) {
            line += ", ";
        }
        const uint64_t written = counts.written[static_cast<int>(kind.kind)];
        line += std::string(kind.countName) + " " + std::to_string(written);
        if (written == 0) {
            empty.push_back(kind.countName);
        }
    }
    line += "), " + std::to_string(counts.leftOut) + " left out";
    if (sets && !empty.empty()) {
        line += empty.size() == 1 ? "; the set of " : "; the sets of ";
        for (size_t i = 0; i < empty.size(); ++i) {
            line += i == 0 ? "" : i + 1 == empty.size() ? " and " : ", ";
            line += empty[i];
        }
        line += empty.size() == 1 ? " holds no feature" : " hold no feature";
    }
    return line + "\n";
}

}  // namespace

int RunExport(const ExportArgs& args, std::FILE* err) {
    try {
        // A coordinate system PROJ does not know, or of a kind that cannot be used, is a usage
        // error, found before any file is opened.
        (void)ExportCoordinates()(args.crs, args.to);
    } catch (const Error& e) {
        if (args.systemsOnly) {
            PrintText(err, "plotaktar-cli: " + EscapedText(Utf8FromCp1254(e.message())) + "\n");
        } else {
            PrintProblem(err, args.output, Utf8FromCp1254(e.message()));
        }
        return kExitUsage;
    }
    if (args.systemsOnly) {
        return kExitOk;
    }
    // A plot file is read as it is: it has no label file.
    const bool plotFile = IsPlotFilePath(args.geometry);
    const std::string labels =
        plotFile ? std::string() : ChosenLabels(args.geometry, args.labels, args.noLabels, err);
    const ExchangeWriter* writer = ExportWriterFor(args.format);
    const OutputFormatInfo* format = OutputFormatNamed(args.format);
    if (writer == nullptr || format == nullptr) {
        PrintProblem(err, args.output, "no writer of the format " + args.format);
        return kExitUsage;
    }
    // Every file of the output, a Shapefile's sets included, is compared with the inputs.
    if (!CheckConversionFiles(args.geometry, labels, FilesWritten(*format, args.output), err)) {
        return kExitUsage;
    }
    // A device, a pipe or a socket cannot take a format of several files or a temporary.
    if (const std::string refusal = writer->targetRefusal(args.output); !refusal.empty()) {
        PrintProblem(err, args.output, refusal);
        return kExitUsage;
    }
    if (writer->fixedTarget() != 0 && args.to != 0 && args.to != writer->fixedTarget()) {
        PrintText(err, MessageName(args.output) + ": --to EPSG:" + std::to_string(args.to) +
                           " is not used: " + std::string(writer->format().description) +
                           " is always in WGS 84 longitude and latitude (EPSG:" +
                           std::to_string(writer->fixedTarget()) + ")\n");
    }
    const ImportPaths paths{args.geometry, labels,
                            labels.empty() ? std::string() : CompanionFileBeside(labels)};
    ExportSettings settings;
    settings.sourceEpsg = args.crs;
    settings.targetEpsg = args.to;
    settings.pointNumbers = args.pointNumbers;
    settings.coordinates = ExportCoordinates();
    ExportResult result;
    try {
        if (plotFile) {
            SharedBytes bytes;
            std::optional<SurveyModel> model;
            // A plot file that cannot be read, or is none, is named as render names it.
            try {
                bytes = ReadPlotFile(args.geometry);
                model.emplace(bytes->view());
                const SurveyModel::PlotLineCounts counts = model->plotLineCounts();
                CheckPlotRecords(counts.records, counts.skipped);
            } catch (const InputReadError& e) {
                return InputReadProblem(err, e);
            } catch (const Error& e) {
                PrintProblem(err, args.geometry, Utf8FromCp1254(e.message()));
                return kExitUsage;
            }
            result = writer->exportModel(*model, settings, args.output);
        } else {
            Workspace workspace;
            ConvertObserver observer(args.geometry, err);
            ImportFiles(workspace, paths, observer);
            result = writer->exportWorkspace(workspace, settings, args.output);
        }
    } catch (const InputReadError& e) {
        return InputReadProblem(err, e);
    } catch (const FileError& e) {
        PrintProblem(
            err, args.output,
            platform::WriteFailureText(Utf8FromCp1254(e.message()), e.errorNumber(), args.output));
        return kExitFailed;
    } catch (const Error& e) {
        PrintProblem(err, args.output, Utf8FromCp1254(e.message()));
        return kExitFailed;
    } catch (const std::exception& e) {
        // Memory running out is a failure, never a file of part of the drawing.
        PrintProblem(err, args.output, Utf8FromCp1254(MessageOf(e)));
        return kExitFailed;
    }
    const std::vector<std::optional<SourceLine>> lines = NoteLines(paths, result.notes);
    for (size_t i = 0; i < result.notes.size(); ++i) {
        const FeatureNote& note = result.notes[i];
        std::string where =
            lines[i] ? MessageName(lines[i]->fileName) + ":" + std::to_string(lines[i]->lineNumber)
                     : MessageName(args.geometry);
        PrintText(err, where + ": " + EscapedText(note.what) + "\n");
    }
    for (const std::string& warning : result.warnings) {
        PrintText(err, MessageName(args.geometry) + ": warning: " + EscapedText(warning) + "\n");
    }
    if (result.writtenEpsg == 0) {
        PrintText(err, MessageName(args.output) +
                           ": no coordinate system given (--crs), so the file carries none\n");
    }
    PrintText(err, Summary(args, result.counts));
    return kExitOk;
}

}  // namespace plotaktar::cli
