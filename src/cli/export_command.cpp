// plotaktar-export's work: the import of the window's button, then the exchange writer of the
// format asked for.

#include "cli/export_command.h"

#include <exception>

#include "cli/commands.h"
#include "cli/session_ui.h"
#include "exchange/exchange_writer.h"
#include "exchange/note_lines.h"
#include "import/import_files.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "model/text.h"
#include "platform/files.h"

namespace plotaktar::cli {

namespace {

void PrintText(std::FILE* err, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), err);
}

std::string Summary(const std::string& output, const ExportCounts& counts) {
    std::string line = output + ": " + std::to_string(counts.total()) + " features (";
    for (const ExportKindEntry& kind : kExportKindRows) {
        if (kind.kind != ExportKind::Point) {
            line += ", ";
        }
        line += std::string(kind.countName) + " " +
                std::to_string(counts.written[static_cast<int>(kind.kind)]);
    }
    return line + "), " + std::to_string(counts.leftOut) + " left out\n";
}

}  // namespace

int RunExport(const ExportArgs& args, std::FILE* err) {
    const std::string labels = ChosenLabels(args.geometry, args.labels, args.noLabels, err);
    if (!CheckConversionFiles(args.geometry, labels, args.output, err)) {
        return kExitUsage;
    }
    const ExchangeWriter* writer = ExchangeWriterFor(args.format);
    if (writer == nullptr) {
        PrintProblem(err, args.output, "no writer of the format " + args.format);
        return kExitUsage;
    }
    try {
        // A coordinate system PROJ does not know is a usage error, found before the import.
        const Reprojection systems(args.crs, args.to);
    } catch (const Error& e) {
        PrintProblem(err, args.output, Utf8FromCp1254(e.message()));
        return kExitUsage;
    }
    const ImportPaths paths{args.geometry, labels,
                            labels.empty() ? std::string() : CompanionFileBeside(labels)};
    ExportSettings settings;
    settings.sourceEpsg = args.crs;
    settings.targetEpsg = args.to;
    ExportResult result;
    try {
        Workspace workspace;
        ConvertObserver observer(args.geometry, err);
        ImportFiles(workspace, paths, observer);
        result = writer->exportWorkspace(workspace, settings, args.output);
    } catch (const FileError& e) {
        PrintProblem(err, args.output,
                     Utf8FromCp1254(e.message()) + " (" +
                         platform::WriteFailureCause(e.errorNumber(), args.output) + ")");
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
        std::string where = lines[i]
                                ? lines[i]->fileName + ":" + std::to_string(lines[i]->lineNumber)
                                : args.geometry;
        PrintText(err, where + ": " + note.what + "\n");
    }
    if (result.writtenEpsg == 0) {
        PrintText(err,
                  args.output + ": no coordinate system given (--crs), so the file carries none\n");
    }
    PrintText(err, Summary(args.output, result.counts));
    return kExitOk;
}

}  // namespace plotaktar::cli
