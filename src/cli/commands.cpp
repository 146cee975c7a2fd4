#include "cli/commands.h"
#include "ui/ui_texts.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>

#include "cli/session_ui.h"
#include "cli/state_dump.h"
#include "import/import_command.h"
#include "import/import_files.h"
#include "import/source_lines.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "model/message_text.h"
#include "model/messages.h"
#include "model/session.h"
#include "model/text.h"
#include "platform/files.h"
#include "platform/replacing_file.h"
#include "plotfile/plot_file.h"
#include "plotfile/save_command.h"

namespace plotaktar::cli {

std::string MessageName(std::string_view file) {
    return EscapedText(FileNameText(file));
}

void PrintProblem(std::FILE* err, std::string_view file, std::string_view cause) {
    std::string line = "plotaktar-cli: ";
    line += MessageName(file);
    line += ": ";
    line += EscapedText(cause);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), err);
}

int InputReadProblem(std::FILE* err, const InputReadError& failure) {
    PrintProblem(err, failure.path(), failure.cause());
    return kExitUsage;
}

void AddDrawingInputs(RunFiles& files, const std::string& geometry, const std::string& labels) {
    files.addInput(geometry);
    if (!labels.empty()) {
        files.addInput(labels);
        files.addInput(CompanionFileBeside(labels));
    }
}

bool NoOutputIsInput(const RunFiles& files, std::FILE* err) {
    const std::optional<OutputIsInput> clash = files.outputThatIsInput();
    if (!clash) {
        return true;
    }
    PrintProblem(err, clash->output,
                 clash->input == clash->output
                     ? std::string("is an input file of this conversion; not overwritten")
                     : "is an input file of this conversion (" + MessageName(clash->input) +
                           "); not overwritten");
    return false;
}

bool CheckConversionFiles(const std::string& input, const std::string& labels,
                          const std::vector<std::string>& outputs, std::FILE* err) {
    std::vector<std::string> inputs = {input};
    if (!labels.empty()) {
        inputs.push_back(labels);
    }
    for (const std::string& file : inputs) {
        if (std::string cause = platform::UnreadableCause(file); !cause.empty()) {
            PrintProblem(err, file, cause);
            return false;
        }
    }
    RunFiles files;
    AddDrawingInputs(files, input, labels);
    files.addOutputs(outputs);
    return NoOutputIsInput(files, err);
}

bool CheckConversionFiles(const std::string& input, const std::string& labels,
                          const std::string& output, std::FILE* err) {
    return CheckConversionFiles(input, labels, std::vector<std::string>{output}, err);
}

namespace {

// The records of each kind that the import handled (failed ones included): the rows of its
// table, when its flag says the import had that kind at all. `total` receives their sum.
std::string RecordCounts(const Workspace& workspace, uint64_t& total) {
    std::string text;
    total = 0;
    for (const KindEntry& kind : kKinds) {
        const int count =
            Loaded(workspace.flags, kind.kind) ? workspace.table(kind.table).rowCount() - 1 : 0;
        if (!text.empty()) {
            text += ", ";
        }
        text += kind.countName;
        text += ' ';
        text += IntToStr(count);
        total += static_cast<uint64_t>(count);
    }
    return text;
}

// Runs one command as the window's event loop would: an exception that escapes it is what the
// general error handler shows. Returns that message (windows-1254), or nothing.
template <typename Command>
std::optional<std::string> RunHandled(Command command) {
    try {
        command();
    } catch (const std::exception& e) {
        return MessageOf(e);
    }
    return std::nullopt;
}

// The line after an export error that stopped at a cell: where the cell is, and the input line
// it came from, found by reading the input again now (a successful convert keeps no line
// numbers). "FILE:LINE: the cell stopping the export: PAGE, row R, column "HEADER"".
void PrintStoppingCell(std::FILE* err, const ImportPaths& paths, const CellPlace& cell) {
    std::string line;
    if (std::optional<SourceLine> source = SourceLineOf(paths, cell.table, cell.row)) {
        line = MessageName(source->fileName) + ":" +
               IntToStr(static_cast<int64_t>(source->lineNumber));
    } else {
        line = "plotaktar-cli: " + MessageName(paths.geometry);
    }
    line += ": the cell stopping the export: ";
    line += TableOf(cell.table).caption;
    line += ", row " + IntToStr(cell.row) + ", column \"";
    const std::vector<std::string>& headers = HeaderTexts(cell.table);
    if (static_cast<size_t>(cell.column) < headers.size()) {
        line += Utf8FromCp1254(headers[static_cast<size_t>(cell.column)]);
    } else {
        line += IntToStr(cell.column);
    }
    line += "\"\n";
    std::fwrite(line.data(), 1, line.size(), err);
}

// Written as every output is, through a temporary renamed over the old file once complete:
// a dump that fails leaves the old one as it was.
bool WriteDump(const Workspace& workspace, const std::string& path, std::FILE* err) {
    try {
        platform::ReplacingFile file(path);
        WriteStateJson(workspace, [&file](std::string_view bytes) {
            file.write(bytes);
            return true;
        });
        file.commit();
    } catch (const FileError& e) {
        // The system's code is a Win32 one on Windows: said as every write failure says it.
        PrintProblem(err, path, platform::WriteFailureCause(e.errorNumber(), path));
        return false;
    }
    return true;
}

// A dump is written over none of the open drawing's files, as a save is not.
bool DumpIsNoInput(const Session& session, const std::string& path, std::FILE* err) {
    RunFiles files;
    for (const std::string& input : session.importedFiles) {
        files.addExistingInput(input);
    }
    files.addOutput(path);
    if (files.outputThatIsInput()) {
        PrintProblem(err, path, "is an input file of the open drawing; not overwritten");
        return false;
    }
    return true;
}

}  // namespace

std::string ChosenLabels(const std::string& geometry, const std::string& labels, bool noLabels,
                         std::FILE* err, bool* noneBeside) {
    if (!labels.empty() || noLabels) {
        return labels;
    }
    std::vector<std::string> several;
    std::string beside = LabelFileBeside(geometry, &several);
    std::string line;
    if (!beside.empty()) {
        line = MessageName(beside) +
               ": labels taken from beside the geometry (--no-labels reads none)\n";
    } else if (!several.empty()) {
        line = SeveralLabelFilesText(geometry, several);
    } else if (noneBeside != nullptr) {
        *noneBeside = true;
    }
    std::fwrite(line.data(), 1, line.size(), err);
    return beside;
}

std::string SeveralLabelFilesText(const std::string& geometry,
                                  const std::vector<std::string>& several) {
    return MessageName(geometry) + ": warning: " + IntToStr(static_cast<int64_t>(several.size())) +
           " label files beside it differ only in case (" + PathList(several) + "); no labels\n";
}

std::string DefaultOutputName(std::string_view geometry) {
    size_t nameStart = geometry.find_last_of(platform::kPathSeparators);
    nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
    size_t dot = geometry.find_last_of('.');
    std::string name(geometry);
    if (dot != std::string_view::npos && dot > nameStart) {
        name.resize(dot);
    }
    return name + ".plt";
}

int RunConvert(const ConvertArgs& args, std::FILE* out, std::FILE* err) {
    // A device, a pipe or a directory named as the output is taken as it is: /dev/null must
    // not become /dev/null.plt beside it.
    const std::string output =
        args.output && platform::IsExistingNonRegularFile(*args.output)
            ? *args.output
            : WithDefaultExtension(args.output.value_or(DefaultOutputName(args.geometry)));
    bool noneBeside = false;
    const std::string labels =
        ChosenLabels(args.geometry, args.labels, args.noLabels, err, &noneBeside);
    if (!CheckConversionFiles(args.geometry, labels, output, err)) {
        return kExitUsage;
    }
    if (noneBeside) {
        const std::string line =
            MessageName(args.geometry) + ": no label file beside it; no labels\n";
        std::fwrite(line.data(), 1, line.size(), err);
    }

    // Nothing is read from the current folder for a name not given: without a label file no
    // companion either.
    const ImportPaths paths{args.geometry, labels,
                            labels.empty() ? std::string() : CompanionFileBeside(labels)};
    ConvertObserver observer(args.geometry, err);
    const Conversion done = ConvertFiles(paths, output, observer, err);
    if (done.status == kExitOk) {
        std::string summary = args.geometry + ": " + done.counts + " -> " + output + "\n";
        std::fwrite(summary.data(), 1, summary.size(), out);
    }
    return done.status;
}

Conversion ConvertFiles(const ImportPaths& paths, const std::string& output,
                        ImportObserver& observer, std::FILE* err,
                        std::unique_ptr<PlotFileOutput>* unplaced) {
    Conversion done;
    Session session;
    Workspace& workspace = session.workspace;
    try {
        ImportFiles(workspace, paths, observer);
    } catch (const InputReadError& e) {
        done.status = InputReadProblem(err, e);
        return done;
    } catch (const std::exception& e) {
        const std::string error = MessageOf(e);
        PrintProblem(err, paths.geometry, Utf8FromCp1254(ErrorBoxText(error)));
        done.outOfMemory = error == kOutOfMemoryMessage;
        return done;
    }
    std::optional<CellPlace> stoppedAt;
    int fileError = 0;
    if (auto error = RunHandled([&] {
            try {
                auto file = std::make_unique<PlotFileOutput>(output);
                WritePlotFile(workspace, *file);
                if (unplaced != nullptr) {
                    *unplaced = std::move(file);
                } else {
                    file->commit();
                }
            } catch (const FileError& e) {
                fileError = e.errorNumber();
                throw;
            } catch (const Error& e) {
                stoppedAt = e.cell;
                throw;
            }
        })) {
        PrintProblem(err, output, ExportProblem(*error, fileError, output));
        done.outOfMemory = *error == kOutOfMemoryMessage;
        if (stoppedAt) {
            workspace = Workspace();  // the tables' memory back before the files are read again
            PrintStoppingCell(err, paths, *stoppedAt);
        }
        return done;
    }
    done.status = kExitOk;
    done.counts = RecordCounts(workspace, done.records);
    return done;
}

std::string ExportProblem(const std::string& message, int fileError, const std::string& output) {
    // The window's fixed text, and what it means for this path.
    return fileError == 0 ? Utf8FromCp1254(ErrorBoxText(message))
                          : platform::WriteFailureText(Utf8FromCp1254(message), fileError, output);
}

int RunSession(const std::vector<Step>& steps, std::FILE* out, std::FILE* err) {
    Session session;
    SessionUi ui(out, err);
    int status = kExitOk;
    for (const Step& step : steps) {
        std::optional<std::string> error;
        switch (step.kind) {
            case Step::Kind::Open:
                ui.answerOpen(step.first, step.second);
                error = RunHandled([&] { RunOpenCommand(session, ui); });
                break;
            case Step::Kind::Save:
                ui.answerSave(step.first);
                error = RunHandled([&] { RunSaveCommand(session, ui); });
                break;
            case Step::Kind::Dump:
                std::fflush(out);
                if (!DumpIsNoInput(session, *step.first, err) ||
                    !WriteDump(session.workspace, *step.first, err)) {
                    status = kExitFailed;
                }
                break;
        }
        if (error) {
            ui.showError(*error);
            status = kExitFailed;
        }
    }
    return status;
}

}  // namespace plotaktar::cli
