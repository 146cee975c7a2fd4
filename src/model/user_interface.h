#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/import_observer.h"

namespace plotaktar {

// The two open dialogs of the open command: the geometry file's and the label file's.
enum class OpenDialogId { Geometry, Labels };

// What an open dialog keeps between runs: the path last confirmed in it and the filter entry
// (0-based) selected then. Empty path and the first entry at start.
struct OpenDialogState {
    std::string fileName;
    int filterIndex = 0;
};

// The only way the commands talk to the user. The window implements it with real dialogs and
// message boxes, plotaktar-cli with its step arguments and printed lines, the tests with fakes.
// Texts are windows-1254 bytes; file names are the file system's bytes.
class UserInterface : public ImportObserver {
  public:
    virtual ~UserInterface() = default;

    // Runs an open dialog with `filter` ("description|pattern|description|pattern"), opened
    // with `state` filled in. On confirm `state` becomes the chosen path and filter entry and
    // the result is true; on cancel `state` is left as it was and the result is false.
    virtual bool runOpenDialog(OpenDialogId dialog, std::string_view filter,
                               OpenDialogState& state) = 0;

    // Runs the save dialog with `filter`; on confirm `fileName` receives the name as typed (the
    // command appends the default extension) and the result is true; on cancel false.
    virtual bool runSaveDialog(std::string_view filter, std::string& fileName) = 0;

    // A modal message box with one text and an OK button, captioned with the program's title.
    virtual void showMessage(std::string_view text) = 0;

    // The warnings about the input files of one import, all at once, before its closing
    // message; apart from the message boxes (the window shows one box of them, the CLI prints
    // them on standard error). Never called with none.
    virtual void showWarnings(const std::vector<FileWarning>& warnings) = 0;

    // A failing geometry record shows one message box with the reader's word.
    void recordFailed(std::string_view word, uint64_t lineNumber) override {
        (void)lineNumber;
        showMessage(word);
    }

    // Called now and then while the export writes `fileName`: `written` bytes so far.
    virtual void exportProgress(std::string_view fileName, uint64_t written) {
        (void)fileName;
        (void)written;
    }
};

}  // namespace plotaktar
