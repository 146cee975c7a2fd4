#include "testing/scripted_ui.h"

#include <stdexcept>

namespace plotaktar {

bool ScriptedUi::answer(std::deque<std::optional<std::string>>& answers,
                        std::string& target) const {
    if (answers.empty()) {
        if (strict_) {
            throw std::logic_error("dialog run without a scripted answer");
        }
        return false;
    }
    std::optional<std::string> answer = std::move(answers.front());
    answers.pop_front();
    if (!answer) {
        return false;
    }
    target = std::move(*answer);
    return true;
}

void ScriptedUi::answerOpen(std::optional<std::string> geometry,
                            std::optional<std::string> labels) {
    geometryAnswers.push_back(std::move(geometry));
    labelAnswers.push_back(std::move(labels));
}

void ScriptedUi::answerSave(std::optional<std::string> output) {
    saveAnswers.push_back(std::move(output));
}

bool ScriptedUi::runOpenDialog(OpenDialogId dialog, std::string_view filter,
                               OpenDialogState& state) {
    filters.emplace_back(filter);
    return answer(dialog == OpenDialogId::Geometry ? geometryAnswers : labelAnswers,
                  state.fileName);
}

bool ScriptedUi::runSaveDialog(std::string_view filter, std::string& fileName) {
    filters.emplace_back(filter);
    return answer(saveAnswers, fileName);
}

void ScriptedUi::recordFailed(std::string_view word, uint64_t lineNumber) {
    failures.emplace_back(std::string(word), lineNumber);
    showMessage(word);
}

void ScriptedUi::showWarnings(const std::vector<FileWarning>& shown) {
    warnings.insert(warnings.end(), shown.begin(), shown.end());
}

}  // namespace plotaktar
