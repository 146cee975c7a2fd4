#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "model/user_interface.h"

namespace plotaktar::cli {

// The user of a headless click: the dialogs take the answers queued for the next command (a
// path to confirm, or nothing to cancel); a dialog without an answer is cancelled. What
// becomes of message boxes is up to the subclass.
class ScriptedUi : public UserInterface {
  public:
    void answerOpen(std::optional<std::string> geometry, std::optional<std::string> labels);
    void answerSave(std::optional<std::string> output);

    bool runOpenDialog(OpenDialogId dialog, std::string_view filter,
                       OpenDialogState& state) override;
    bool runSaveDialog(std::string_view filter, std::string& fileName) override;

  private:
    std::optional<std::string> openAnswers_[2];
    std::optional<std::string> saveAnswer_;
};

// `run`: every message box becomes a line "mesaj: TEXT" on `out`, in UTF-8, as it is shown.
class SessionUi : public ScriptedUi {
  public:
    explicit SessionUi(std::FILE* out) : out_(out) {}
    void showMessage(std::string_view text) override;

    // The general error handler's box: "hata: TEXT" with the full-stop rule applied.
    void showError(std::string_view message);

  private:
    std::FILE* out_;
};

// `convert`: a failing record becomes "FILE:LINE: WORD" on `err`; the closing messages of the
// commands are not printed (the summary line replaces them), any other message goes to `err`.
class ConvertUi : public ScriptedUi {
  public:
    ConvertUi(std::string geometryName, std::FILE* err)
        : geometryName_(std::move(geometryName)), err_(err) {}
    void showMessage(std::string_view text) override;
    void recordFailed(std::string_view word, uint64_t lineNumber) override;

    uint64_t failedRecords() const { return failedRecords_; }

  private:
    std::string geometryName_;
    std::FILE* err_;
    uint64_t failedRecords_ = 0;
};

// Writes "PREFIX" + TEXT (windows-1254, decoded to UTF-8) + line feed, TEXT unescaped.
void PrintLine(std::FILE* out, std::string_view prefix, std::string_view text);

}  // namespace plotaktar::cli
