#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/user_interface.h"

namespace plotaktar {

// A user who answers the dialogs from a script: each dialog run takes the next answer queued
// for it (a path to confirm, or nothing to cancel); a dialog with no answer left is cancelled,
// or, for a strict user, throws std::logic_error (the script expected no such dialog).
// Message boxes, failing records and import warnings are recorded in order, the warnings apart.
// plotaktar-cli's `run` replays sessions with it (printing instead of recording), and the tests,
// the benchmark and the fuzzers click the commands with it.
class ScriptedUi : public UserInterface {
  public:
    explicit ScriptedUi(bool strict = false) : strict_(strict) {}

    // Queues the answers of one import click.
    void answerOpen(std::optional<std::string> geometry, std::optional<std::string> labels);
    // Queues the answer of one save click.
    void answerSave(std::optional<std::string> output);

    bool runOpenDialog(OpenDialogId dialog, std::string_view filter,
                       OpenDialogState& state) override;
    bool runSaveDialog(std::string_view filter, std::string& fileName) override;
    void showMessage(std::string_view text) override { messages.emplace_back(text); }
    // Records the failure, then shows the word as the window does.
    void recordFailed(std::string_view word, uint64_t lineNumber) override;
    // Records the warnings apart from the message boxes.
    void showWarnings(const std::vector<FileWarning>& shown) override;

    std::deque<std::optional<std::string>> geometryAnswers;
    std::deque<std::optional<std::string>> labelAnswers;
    std::deque<std::optional<std::string>> saveAnswers;

    std::vector<std::string> messages;
    std::vector<std::string> filters;                        // of every dialog run, in order
    std::vector<std::pair<std::string, uint64_t>> failures;  // word and geometry line
    std::vector<FileWarning> warnings;

  private:
    bool answer(std::deque<std::optional<std::string>>& answers, std::string& target) const;

    bool strict_;
};

}  // namespace plotaktar
