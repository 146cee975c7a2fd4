#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include "model/user_interface.h"

class QFileDialog;
class QWidget;

namespace plotaktar::app {

// The window's side of the commands' dialogs and messages: OpenDialog1, OpenDialog2 and
// SaveDialog1 as Qt file dialogs owned by the window, modal message boxes captioned with the
// application title, and a progress dialog for long imports.
class WindowUserInterface : public UserInterface {
  public:
    // The dialogs become children of `window` and live as long as it.
    explicit WindowUserInterface(QWidget* window);

    bool runOpenDialog(OpenDialogId dialog, std::string_view filter,
                       OpenDialogState& state) override;
    bool runSaveDialog(std::string_view filter, std::string& fileName) override;
    void showMessage(std::string_view text) override;
    void importProgress(std::string_view fileName, uint64_t done, uint64_t total) override;
    void exportProgress(std::string_view fileName, uint64_t written) override;

    // The window calls these around every command: a command starts with no progress shown
    // and ends with the progress dialog, if any, closed.
    void beginCommand();
    void endCommand();

    QFileDialog* openDialog(OpenDialogId dialog) const;
    QFileDialog* saveDialog() const { return saveDialog1_; }
    QProgressDialog* progressDialog() const { return progress_; }

    // How long an import runs before its progress is shown.
    static constexpr int kProgressDelayMs = 500;

  private:
    // The user's time in a dialog is no import work: the progress clock starts again after it.
    void userReturned() { workClock_.invalidate(); }

    QWidget* window_;
    QFileDialog* openDialog1_;
    QFileDialog* openDialog2_;
    QFileDialog* saveDialog1_;
    QPointer<QProgressDialog> progress_;
    QElapsedTimer workClock_;
    QElapsedTimer repaintClock_;
};

}  // namespace plotaktar::app
