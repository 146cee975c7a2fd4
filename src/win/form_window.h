#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>

#include "model/session.h"
#include "win/string_grid.h"
#include "win/window_user_interface.h"

namespace plotaktar::win {

// The program's one window on Windows, as designed and as the Linux window shows it: Panel1
// with the open and save buttons above the page control's thirteen pages, each showing one
// working table of the window's Session in a StringGrid. Its names are the designed window's
// (TForm1, BitBtn1Click, SpeedButton1Click, StringGrid1 to StringGrid13 by table number); the
// form's design is read from model/form_design.h, as the Linux window reads it.
class TForm1 {
  public:
    explicit TForm1(HINSTANCE instance);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    HWND handle() const { return window_; }
    void show(int showCommand);

    void BitBtn1Click();
    void SpeedButton1Click();
    void SpeedButton2Click();

  private:
    template <class Object>
    friend Object* WindowObject(HWND window, UINT message, LPARAM lParam);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    int scaled(int designed) const;
    void createControls();
    void layout();
    void showPage(int index);
    void refreshTables();
    void fitPageOnScreen();
    // Runs a command on the Session; a failure it lets through ends it and is shown in the
    // error box; the program goes on. The grids show what the command did either way.
    void runCommand(const std::function<void(Session&, UserInterface&)>& command);
    StringGrid& grid(TableId table) { return *grids_[static_cast<size_t>(TableNumber(table) - 1)]; }

    HINSTANCE instance_;
    HWND window_ = nullptr;
    double scale_ = 1.0;
    HFONT font_ = nullptr;
    Session session_;
    std::unique_ptr<WindowUserInterface> ui_;

    HWND Panel1 = nullptr;
    HWND BitBtn1 = nullptr;
    HWND SpeedButton1 = nullptr;
    HWND SpeedButton2 = nullptr;
    HWND PageControl1 = nullptr;
    std::array<std::unique_ptr<StringGrid>, kTableCount> grids_;  // by table number - 1
    std::array<bool, kTableCount> fitPending_{};  // an import came after the page's last fit
    int page_ = -1;
    bool commandRunning_ = false;
};

}  // namespace plotaktar::win
