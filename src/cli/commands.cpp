#include "cli/commands.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>

#include "cli/input_check.h"
#include "cli/scripted_ui.h"
#include "cli/state_dump.h"
#include "export/export_command.h"
#include "import/import_command.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/session.h"
#include "model/text.h"

namespace plotaktar::cli {

namespace {

void PrintProblem(std::FILE* err, std::string_view file, std::string_view cause) {
    std::string line = "plotaktar-cli: ";
    line += file;
    line += ": ";
    line += cause;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), err);
}

// The records of each kind that the import handled (failed ones included): the rows of its
// table, when its flag says the import had that kind at all.
std::string RecordCounts(const Workspace& workspace) {
    struct Kind {
        const char* name;
        int grid;
        std::string SectionFlags::*flag;
    };
    static const Kind kinds[] = {
        {"nir", 1, &SectionFlags::FlagNirengi}, {"pol", 2, &SectionFlags::FlagPoligon},
        {"nok", 3, &SectionFlags::FlagNokta},   {"tab", 4, &SectionFlags::FlagTabaka},
        {"hat", 5, &SectionFlags::FlagHat},     {"sem", 7, &SectionFlags::FlagSembol},
        {"par", 8, &SectionFlags::FlagParsel},  {"bin", 9, &SectionFlags::FlagBina},
        {"sev", 10, &SectionFlags::FlagSev},    {"yazı", 6, &SectionFlags::FlagYazi},
    };
    std::string text;
    for (const Kind& kind : kinds) {
        int count =
            workspace.flags.*kind.flag == "1" ? workspace.grid(kind.grid).rowCount() - 1 : 0;
        if (!text.empty()) {
            text += ", ";
        }
        text += kind.name;
        text += ' ';
        text += IntToStr(count);
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

bool WriteDump(const Workspace& workspace, const std::string& path, std::FILE* err) {
    std::FILE* file = platform::OpenForWriting(path);
    if (file == nullptr) {
        PrintProblem(err, path, std::strerror(errno));
        return false;
    }
    bool written = WriteStateJson(workspace, file);
    int writeError = written ? 0 : errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        writeError = errno;
    }
    if (!written) {
        PrintProblem(err, path, writeError != 0 ? std::strerror(writeError) : "write failed");
    }
    return written;
}

}  // namespace

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
    std::vector<std::string> inputs = {args.geometry};
    if (!args.labels.empty()) {
        inputs.push_back(args.labels);
    }
    for (const std::string& input : inputs) {
        if (std::string cause = UnreadableCause(input); !cause.empty()) {
            PrintProblem(err, input, cause);
            return kExitUsage;
        }
    }
    std::string output =
        WithDefaultExtension(args.output.value_or(DefaultOutputName(args.geometry)));
    if (!args.labels.empty()) {
        inputs.push_back(CompanionFileName(args.labels));
    }
    for (const std::string& input : inputs) {
        if (output == input || SameExistingFile(output, input)) {
            PrintProblem(err, output, "is an input file of this conversion; not overwritten");
            return kExitUsage;
        }
    }

    Session session;
    ConvertUi ui(args.geometry, err);
    ui.answerOpen(args.geometry, args.labels);
    if (auto error = RunHandled([&] { BitBtn1Click(session, ui); })) {
        PrintProblem(err, args.geometry, Utf8FromCp1254(ErrorBoxText(*error)));
        return kExitFailed;
    }
    ui.answerSave(output);
    if (auto error = RunHandled([&] { SpeedButton1Click(session, ui); })) {
        PrintProblem(err, output, Utf8FromCp1254(ErrorBoxText(*error)));
        return kExitFailed;
    }
    std::string summary =
        args.geometry + ": " + RecordCounts(session.workspace) + " -> " + output + "\n";
    std::fwrite(summary.data(), 1, summary.size(), out);
    return kExitOk;
}

int RunSession(const std::vector<Step>& steps, std::FILE* out, std::FILE* err) {
    Session session;
    SessionUi ui(out);
    int status = kExitOk;
    for (const Step& step : steps) {
        std::optional<std::string> error;
        switch (step.kind) {
            case Step::Kind::Open:
                ui.answerOpen(step.first, step.second);
                error = RunHandled([&] { BitBtn1Click(session, ui); });
                break;
            case Step::Kind::Save:
                ui.answerSave(step.first);
                error = RunHandled([&] { SpeedButton1Click(session, ui); });
                break;
            case Step::Kind::Dump:
                std::fflush(out);
                if (!WriteDump(session.workspace, *step.first, err)) {
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
