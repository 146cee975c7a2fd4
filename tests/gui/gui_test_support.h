#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/user_interface.h"

namespace plotaktar::gui_testing {

// Runs `handler` on the next modal dialog of type Dialog once it is open, from the event loop
// that its exec() runs. The wait ends with `context` (the test's window). When `missed` is
// given and no such dialog appears in time while another modal widget is open, that one is
// closed so the test cannot hang, and `missed` is set.
template <class Dialog>
void WhenModal(QObject* context, std::function<void(Dialog*)> handler, bool* missed = nullptr,
               int attempts = 300) {
    QTimer::singleShot(10, context, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<Dialog*>(modal); dialog && dialog->isVisible()) {
            handler(dialog);
            return;
        }
        if (attempts > 0) {
            WhenModal<Dialog>(context, handler, missed, attempts - 1);
            return;
        }
        if (missed) {
            *missed = true;
            if (modal) {
                modal->close();
            }
        }
    });
}

// A scripted user for the window's commands: each dialog takes the next queued answer (a path
// to confirm, or nullopt to cancel); messages are recorded.
class ScriptedUi : public UserInterface {
  public:
    std::deque<std::optional<std::string>> openAnswers;  // OpenDialog1, OpenDialog2, ...
    std::deque<std::optional<std::string>> saveAnswers;
    std::vector<std::string> messages;

    bool runOpenDialog(OpenDialogId, std::string_view, OpenDialogState& state) override {
        std::optional<std::string> answer = take(openAnswers);
        if (!answer) {
            return false;
        }
        state.fileName = *answer;
        return true;
    }
    bool runSaveDialog(std::string_view, std::string& fileName) override {
        std::optional<std::string> answer = take(saveAnswers);
        if (!answer) {
            return false;
        }
        fileName = *answer;
        return true;
    }
    void showMessage(std::string_view text) override { messages.emplace_back(text); }

  private:
    static std::optional<std::string> take(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

}  // namespace plotaktar::gui_testing
