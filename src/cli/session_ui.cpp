#include "cli/session_ui.h"
#include "cli/commands.h"
#include "ui/ui_texts.h"

#include "model/cp1254.h"
#include "model/message_text.h"
#include "model/text.h"

namespace plotaktar::cli {

void PrintLine(std::FILE* out, std::string_view prefix, std::string_view text) {
    std::string line(prefix);
    line += Utf8FromCp1254(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), out);
}

void PrintWarning(std::FILE* err, std::string_view fileName, ImportWarning warning,
                  uint64_t lineCount) {
    std::string line = MessageName(fileName);
    switch (warning) {
        case ImportWarning::NoCarriageReturns:
            line +=
                ": warning: no carriage returns; line feeds do not end lines, so the file was "
                "read as ";
            line += IntToStr(static_cast<int64_t>(lineCount));
            line += lineCount == 1 ? " line" : " lines";
            line += " (convert it with unix2dos)\n";
            break;
        case ImportWarning::NotText:
            line += ": warning: not a text drawing file\n";
            break;
        case ImportWarning::NoRecords:
            line += ": warning: no records found\n";
            break;
    }
    std::fwrite(line.data(), 1, line.size(), err);
}

void SessionUi::showMessage(std::string_view text) {
    PrintLine(out_, "mesaj: ", text);
}

void SessionUi::showWarnings(const std::vector<FileWarning>& shown) {
    std::fflush(out_);
    for (const FileWarning& w : shown) {
        PrintWarning(err_, w.fileName, w.warning, w.lineCount);
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

void ConvertObserver::importWarning(std::string_view fileName, ImportWarning warning,
                                    uint64_t lineCount) {
    PrintWarning(err_, fileName, warning, lineCount);
}

}  // namespace plotaktar::cli
