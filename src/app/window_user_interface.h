#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <functional>

#include "model/user_interface.h"

class QFileDialog;
class QMessageBox;
class QWidget;

namespace plotaktar::app {

// The window's side of the commands' dialogs and messages: OpenDialog1, OpenDialog2 and
// SaveDialog1 as Qt file dialogs owned by the window, modal message boxes captioned with the
// application title, and a progress dialog for long imports. Before every box the progress
// dialog closes and the window's views are brought up to date, so that the user reads the
// box in front of what the command has written so far.
class WindowUserInterface : public UserInterface {
  public:
    // The dialogs become children of `window` and live as long as it.
    explicit WindowUserInterface(QWidget* window);

    bool runOpenDialog(OpenDialogId dialog, std::string_view filter,
                       OpenDialogState& state) override;
    bool runSaveDialog(std::string_view filter, std::string& fileName) override;
    void showMessage(std::string_view text) override;
    // One warning box, a line for each warning.
    void showWarnings(const std::vector<FileWarning>& warnings) override;
    void importProgress(std::string_view fileName, uint64_t done, uint64_t total) override;
    bool paintsTablesWhenTold() const override { return true; }
    void exportProgress(std::string_view fileName, uint64_t written) override;

    // The window calls these around every command: a command starts with no progress shown
    // and ends with the progress dialog, if any, closed.
    void beginCommand();
    void endCommand();

    // What brings the window's views up to date; run before every box.
    void setRefreshViews(std::function<void()> refresh) { refreshViews_ = std::move(refresh); }
    // Closes the progress dialog and refreshes the views; every box of a command comes after.
    void prepareBox();

    QFileDialog* openDialog(OpenDialogId dialog) const;
    QFileDialog* saveDialog() const { return saveDialog1_; }
    QProgressDialog* progressDialog() const { return progress_; }

    // How long an import runs before its progress is shown.
    static constexpr int kProgressDelayMs = 500;

  private:
    // The user's time in a dialog is no import work: the progress clock starts again after it.
    void userReturned() { workClock_.invalidate(); }

    // Runs a dialog, then hides what of it could stay painted over the window while the
    // command goes on (the name completion's popup) and lets the window repaint.
    bool execFileDialog(QFileDialog& dialog);
    // The folder of a file the user confirmed, where a dialog without a name of its own opens.
    void noteConfirmed(const QString& path);
    void openInLastFolder(QFileDialog& dialog);

    QWidget* window_;
    std::function<void()> refreshViews_;
    QString lastFolder_;
    QFileDialog* openDialog1_;
    QFileDialog* openDialog2_;
    QFileDialog* saveDialog1_;
    QPointer<QProgressDialog> progress_;
    QElapsedTimer workClock_;
    QElapsedTimer repaintClock_;
    QElapsedTimer viewClock_;
};

}  // namespace plotaktar::app
