#include "cli/scripted_ui.h"

#include "model/cp1254.h"
#include "model/text.h"

namespace plotaktar::cli {

void ScriptedUi::answerOpen(std::optional<std::string> geometry,
                            std::optional<std::string> labels) {
    openAnswers_[0] = std::move(geometry);
    openAnswers_[1] = std::move(labels);
}

void ScriptedUi::answerSave(std::optional<std::string> output) {
    saveAnswer_ = std::move(output);
}

bool ScriptedUi::runOpenDialog(OpenDialogId dialog, std::string_view, OpenDialogState& state) {
    std::optional<std::string>& answer = openAnswers_[dialog == OpenDialogId::OpenDialog1 ? 0 : 1];
    if (!answer) {
        return false;
    }
    state.fileName = std::move(*answer);
    answer.reset();
    return true;
}

bool ScriptedUi::runSaveDialog(std::string_view, std::string& fileName) {
    if (!saveAnswer_) {
        return false;
    }
    fileName = std::move(*saveAnswer_);
    saveAnswer_.reset();
    return true;
}

void PrintLine(std::FILE* out, std::string_view prefix, std::string_view text) {
    std::string line(prefix);
    line += Utf8FromCp1254(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), out);
}

void SessionUi::showMessage(std::string_view text) {
    PrintLine(out_, "mesaj: ", text);
}

void SessionUi::showError(std::string_view message) {
    PrintLine(out_, "hata: ", ErrorBoxText(message));
}

void ConvertUi::showMessage(std::string_view text) {
    static const std::string opened = Cp1254FromUtf8("dosya açıldı");
    static const std::string saved = Cp1254FromUtf8("kayıt bitti");
    if (text == opened || text == saved) {
        return;
    }
    PrintLine(err_, geometryName_ + ": ", text);
}

void ConvertUi::recordFailed(std::string_view word, uint64_t lineNumber) {
    ++failedRecords_;
    PrintLine(err_, geometryName_ + ":" + IntToStr(static_cast<int64_t>(lineNumber)) + ": ", word);
}

}  // namespace plotaktar::cli
