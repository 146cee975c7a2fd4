#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "model/user_interface.h"

namespace plotaktar::win {

// The window's side of the commands' dialogs and messages on Windows: OpenDialog1,
// OpenDialog2 and SaveDialog1 as the system's file dialogs, modal message boxes captioned with
// the application title, and a progress window for long commands. Before every box the
// progress window closes and the window's grids are brought up to date, so that the user
// reads the box in front of what the command has written so far.
class WindowUserInterface : public UserInterface {
  public:
    // `refreshViews` brings the window's grids up to date; `font` is the window's.
    WindowUserInterface(HWND window, HFONT font, std::function<void()> refreshViews);
    ~WindowUserInterface() override;
    WindowUserInterface(const WindowUserInterface&) = delete;
    WindowUserInterface& operator=(const WindowUserInterface&) = delete;

    bool runOpenDialog(OpenDialogId dialog, std::string_view filter,
                       OpenDialogState& state) override;
    bool runSaveDialog(std::string_view filter, std::string& fileName) override;
    void showMessage(std::string_view text) override;
    // One warning box, a line for each warning.
    void showWarnings(const std::vector<FileWarning>& warnings) override;
    void importProgress(std::string_view fileName, uint64_t done, uint64_t total) override;
    bool paintsTablesWhenTold() const override { return true; }
    void exportProgress(std::string_view fileName, uint64_t written) override;

    // The window calls these around every command.
    void beginCommand();
    void endCommand();
    // The general error handler's box (windows-1254 message).
    void showErrorBox(std::string_view message);

    // How long a command runs before its progress is shown.
    static constexpr uint64_t kProgressDelayMs = 500;

  private:
    // Closes the progress window and refreshes the grids; every box comes after.
    void prepareBox();
    void messageBox(const std::wstring& text, UINT icon);
    bool runFileDialog(bool save, const wchar_t* title, std::string_view filter,
                       std::string& fileName, int* filterIndex);
    void closeProgress();
    // Lets the window and the progress window repaint; input waits.
    void repaint();

    HWND window_;
    HFONT font_;
    std::function<void()> refreshViews_;
    std::wstring title_;
    std::wstring lastFolder_;
    HWND progress_ = nullptr;
    HWND progressLabel_ = nullptr;
    HWND progressBar_ = nullptr;
    uint64_t workStart_ = 0;
    uint64_t lastRepaint_ = 0;
    uint64_t lastViewRefresh_ = 0;
};

}  // namespace plotaktar::win
