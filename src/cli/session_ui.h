#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "testing/scripted_ui.h"

namespace plotaktar::cli {

// `run`: the dialogs take the step's answers; every message box becomes a line "mesaj: TEXT"
// on `out`, in UTF-8, as it is shown; import warnings go to `err`, so that `out` stays the
// record of the window's other boxes.
class SessionUi : public ScriptedUi {
  public:
    SessionUi(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}
    void showMessage(std::string_view text) override;
    // Shows the word as the window does, keeping no record of it.
    void recordFailed(std::string_view word, uint64_t lineNumber) override {
        UserInterface::recordFailed(word, lineNumber);
    }
    // Prints each warning as a line on `err`.
    void showWarnings(const std::vector<FileWarning>& shown) override;

    // The general error handler's box: "hata: TEXT" with the full-stop rule applied.
    void showError(std::string_view message);

  private:
    std::FILE* out_;
    std::FILE* err_;
};

// `convert`: a failing record becomes "FILE:LINE: WORD" on `err`, an import warning a line
// "FILE: warning: ..." on `err`.
class ConvertObserver : public ImportObserver {
  public:
    ConvertObserver(std::string geometryName, std::FILE* err)
        : geometryName_(std::move(geometryName)), err_(err) {}
    void recordFailed(std::string_view word, uint64_t lineNumber) override;
    void importWarning(const FileWarning& warning) override;

  private:
    std::string geometryName_;
    std::FILE* err_;
};

// Writes "PREFIX" + TEXT (windows-1254, decoded to UTF-8) + line feed, TEXT unescaped.
void PrintLine(std::FILE* out, std::string_view prefix, std::string_view text);

// Writes the line that tells the user of an import warning: "FILE: warning: ...".
void PrintWarning(std::FILE* err, const FileWarning& warning);

// Paths as a warning names them (each as MessageName gives it): "PATH, PATH".
std::string PathList(const std::vector<std::string>& paths);

}  // namespace plotaktar::cli
