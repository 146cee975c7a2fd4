#include "cli/session_ui.h"
#include "cli/commands.h"
#include "ui/ui_texts.h"

#include "model/cp1254.h"
#include "model/message_text.h"
#include "model/text.h"

namespace plotaktar::cli {

void PrintLine(std::FILE* out, std::string_view prefix, std::string_view text) {
    std::string line(prefix);
    line += EscapedText(Utf8FromCp1254(text));  // a message may quote a cell
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), out);
}

std::string PathList(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        text += text.empty() ? "" : ", ";
        text += MessageName(path);
    }
    return text;
}

void PrintWarning(std::FILE* err, const FileWarning& warning) {
    std::string line = MessageName(warning.fileName) + ": warning: ";
    switch (warning.warning) {
        case ImportWarning::NoCarriageReturns:
            line += "no carriage returns; line feeds do not end lines, so the file was read as ";
            line += IntToStr(static_cast<int64_t>(warning.lineCount));
            line += warning.lineCount == 1 ? " line" : " lines";
            line += " (convert it with unix2dos)";
            break;
        case ImportWarning::NotText:
            line += "not a text drawing file";
            break;
        case ImportWarning::NoRecords:
            line += "no records found";
            break;
        case ImportWarning::GeometryCannotBeOpened:
            line += "cannot be opened (" + warning.openFailure.cause + "); nothing read";
            break;
        case ImportWarning::LabelsCannotBeOpened:
            line += "cannot be opened (" + warning.openFailure.cause + "); no labels read";
            break;
        case ImportWarning::LooksLikeUtf8:
            line += "looks like UTF-8; the files must be windows-1254";
            break;
        case ImportWarning::SeveralCompanions:
            line += IntToStr(static_cast<int64_t>(warning.matches.size())) +
                    " files differ from this name only in case (" + PathList(warning.matches) +
                    "); none read";
            break;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), err);
}

void SessionUi::showMessage(std::string_view text) {
    PrintLine(out_, "mesaj: ", text);
}

void SessionUi::showWarnings(const std::vector<FileWarning>& shown) {
    std::fflush(out_);
    for (const FileWarning& w : shown) {
        PrintWarning(err_, w);
    }
}

void SessionUi::showError(std::string_view message) {
    PrintLine(out_, "hata: ", ErrorBoxText(message));
}

void ConvertObserver::recordFailed(std::string_view word, uint64_t lineNumber) {
    // The file's name and the record's word as any message of export or check shows them.
    const std::string line = MessageName(geometryName_) + ":" +
                             IntToStr(static_cast<int64_t>(lineNumber)) + ": " +
                             EscapedText(Utf8FromCp1254(word)) + "\n";
    std::fwrite(line.data(), 1, line.size(), err_);
}

void ConvertObserver::importWarning(const FileWarning& warning) {
    PrintWarning(err_, warning);
}

}  // namespace plotaktar::cli
