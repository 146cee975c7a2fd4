#include "win/window_user_interface.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "model/dialog_filter.h"
#include "model/form_design.h"
#include "platform/wide_text_win32.h"
#include "ui/ui_texts.h"
#include "win/win_text.h"

namespace plotaktar::win {

namespace {

constexpr wchar_t kProgressClass[] = L"PlotaktarProgress";
constexpr uint64_t kRepaintIntervalMs = 50;
constexpr uint64_t kViewRefreshIntervalMs = 250;
constexpr int kProgressSteps = 1000;
// Room for a long path in the dialogs' name box.
constexpr size_t kFileNameChars = 32768;

// The progress window cannot be closed: a command cannot be abandoned half way.
LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The title every box carries: the program file's name as ApplicationTitle makes it.
std::wstring ApplicationTitleText() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::string utf8 = platform::Utf8FromWide(std::wstring_view(path.data(), path.size()));
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return WideFromUtf8(ApplicationTitle(utf8));
}

// The dialogs' filter: "description\0patterns\0...\0\0", patterns separated by ";".
std::wstring DialogFilter(std::string_view filter) {
    std::wstring text;
    for (const DialogFilterEntry& entry : ParseDialogFilter(filter)) {
        text += WideFromCp1254(entry.description);
        text += L'\0';
        std::wstring patterns;
        for (const std::string& pattern : entry.patterns) {
            if (!patterns.empty()) {
                patterns += L';';
            }
            patterns += WideFromCp1254(pattern);
        }
        // An entry needs a pattern to be listed at all; without one it lists every file.
        text += patterns.empty() ? L"*.*" : patterns;
        text += L'\0';
    }
    text += L'\0';
    return text;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

int Scaled(HWND window, int designed) {
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return MulDiv(designed, dpi, 96);
}

}  // namespace

WindowUserInterface::WindowUserInterface(HWND window, HFONT font,
                                         std::function<void()> refreshViews)
    : window_(window),
      font_(font),
      refreshViews_(std::move(refreshViews)),
      title_(ApplicationTitleText()) {
    WNDCLASSEXW progressClass{};
    progressClass.cbSize = sizeof(progressClass);
    progressClass.lpfnWndProc = ProgressProc;
    progressClass.hInstance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    progressClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    progressClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));  // IDC_WAIT
    progressClass.lpszClassName = kProgressClass;
    RegisterClassExW(&progressClass);
}

WindowUserInterface::~WindowUserInterface() {
    closeProgress();
}

bool WindowUserInterface::runFileDialog(bool save, const wchar_t* title, std::string_view filter,
                                        std::string& fileName, int* filterIndex) {
    prepareBox();
    std::vector<wchar_t> name(kFileNameChars, L'\0');
    const std::wstring given = WideFromUtf8(fileName);
    std::copy_n(given.begin(), std::min(given.size(), name.size() - 1), name.begin());
    const std::wstring filterText = DialogFilter(filter);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = filterText.c_str();
    dialog.nFilterIndex = filterIndex != nullptr ? static_cast<DWORD>(*filterIndex + 1) : 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrTitle = title;
    // A dialog without a name of its own opens where the user last confirmed a file (the
    // label file's dialog beside the geometry file just chosen).
    if (fileName.empty() && !lastFolder_.empty()) {
        dialog.lpstrInitialDir = lastFolder_.c_str();
    }
    // A typed name is accepted whether or not the file or its folder exists: the command
    // tells what it cannot read or write. No read-only box, no question before overwriting.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (save) {
        dialog.lpstrDefExt = L"plt";
    }
    const bool confirmed = save ? GetSaveFileNameW(&dialog) != 0 : GetOpenFileNameW(&dialog) != 0;
    if (confirmed) {
        const std::wstring chosen(name.data());
        fileName = platform::Utf8FromWide(chosen);
        if (filterIndex != nullptr) {
            *filterIndex = dialog.nFilterIndex > 0 ? static_cast<int>(dialog.nFilterIndex) - 1 : 0;
        }
        lastFolder_ = FolderOf(chosen);
    }
    // The command goes on at once: the window repaints where the dialog was.
    UpdateWindow(window_);
    workStart_ = 0;
    return confirmed;
}

bool WindowUserInterface::runOpenDialog(OpenDialogId dialog, std::string_view filter,
                                        OpenDialogState& state) {
    const std::wstring title = WideFromUtf8(form::OpenDialogTitle(dialog));
    std::string fileName = state.fileName;
    int filterIndex = state.filterIndex;
    if (!runFileDialog(false, title.c_str(), filter, fileName, &filterIndex)) {
        return false;
    }
    state.fileName = std::move(fileName);
    state.filterIndex = filterIndex;
    return true;
}

bool WindowUserInterface::runSaveDialog(std::string_view filter, std::string& fileName) {
    // The save dialog keeps the system's title.
    return runFileDialog(true, nullptr, filter, fileName, nullptr);
}

void WindowUserInterface::messageBox(const std::wstring& text, UINT icon) {
    prepareBox();
    MessageBoxW(window_, text.c_str(), title_.c_str(), MB_OK | MB_APPLMODAL | icon);
    workStart_ = 0;
}

void WindowUserInterface::showMessage(std::string_view text) {
    messageBox(WideFromCp1254(text), 0);
}

void WindowUserInterface::showWarnings(const std::vector<FileWarning>& warnings) {
    std::wstring text;
    for (const FileWarning& warning : warnings) {
        const std::wstring path = WideFromUtf8(warning.fileName);
        const size_t separator = path.find_last_of(L"\\/");
        const std::wstring name =
            separator == std::wstring::npos ? path : path.substr(separator + 1);
        if (!text.empty()) {
            text += L'\n';
        }
        text += WideFromUtf8(WarningLine(warning, platform::Utf8FromWide(name)));
    }
    messageBox(text, MB_ICONWARNING);
}

void WindowUserInterface::showErrorBox(std::string_view message) {
    messageBox(WideFromCp1254(ErrorBoxText(message)), MB_ICONERROR);
}

void WindowUserInterface::prepareBox() {
    closeProgress();
    if (refreshViews_) {
        refreshViews_();
    }
    UpdateWindow(window_);
}

void WindowUserInterface::closeProgress() {
    if (progress_ != nullptr) {
        EnableWindow(window_, TRUE);
        DestroyWindow(progress_);
        progress_ = nullptr;
        progressLabel_ = nullptr;
        progressBar_ = nullptr;
    }
}

void WindowUserInterface::repaint() {
    MSG message;
    // Paint messages only: a click waits until the command is over, so no second command
    // starts inside this one.
    for (int i = 0; i < 64 && PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) {
        DispatchMessageW(&message);
    }
}

void WindowUserInterface::exportProgress(std::string_view fileName, uint64_t written) {
    // The size of the plot file is not known ahead: the bar shows that work goes on.
    importProgress(fileName, written, 0);
}

void WindowUserInterface::importProgress(std::string_view fileName, uint64_t done, uint64_t total) {
    const uint64_t now = GetTickCount64();
    if (workStart_ == 0) {
        workStart_ = now;
    }
    if (progress_ == nullptr) {
        if (now - workStart_ < kProgressDelayMs) {
            if (now - lastRepaint_ >= kRepaintIntervalMs) {
                lastRepaint_ = now;
                repaint();
            }
            return;
        }
        RECT frame;
        GetWindowRect(window_, &frame);
        const int width = Scaled(window_, 420);
        const int height = Scaled(window_, 130);
        const auto instance =
            reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
        progress_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kProgressClass, title_.c_str(),
                                    WS_POPUP | WS_CAPTION, (frame.left + frame.right - width) / 2,
                                    (frame.top + frame.bottom - height) / 2, width, height, window_,
                                    nullptr, instance, nullptr);
        const int margin = Scaled(window_, 12);
        RECT client;
        GetClientRect(progress_, &client);
        progressLabel_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, margin,
                                         margin, client.right - 2 * margin, Scaled(window_, 34),
                                         progress_, nullptr, instance, nullptr);
        progressBar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, margin,
                                       margin + Scaled(window_, 42), client.right - 2 * margin,
                                       Scaled(window_, 20), progress_, nullptr, instance, nullptr);
        SendMessageW(progressLabel_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        // Modal: the window takes no input while the progress is shown.
        EnableWindow(window_, FALSE);
        ShowWindow(progress_, SW_SHOWNORMAL);
        lastRepaint_ = 0;
    } else if (now - lastRepaint_ < kRepaintIntervalMs) {
        return;
    }
    lastRepaint_ = now;
    const std::wstring name = WideFromUtf8(fileName);
    wchar_t figures[64];
    if (total == 0) {
        std::swprintf(figures, 64, L"%.1f MB", static_cast<double>(done) / 1e6);
    } else {
        std::swprintf(figures, 64, L"%.1f / %.1f MB", static_cast<double>(done) / 1e6,
                      static_cast<double>(total) / 1e6);
    }
    SetWindowTextW(progressLabel_, (name + L"\n" + figures).c_str());
    if (total == 0) {
        SetWindowLongPtrW(progressBar_, GWL_STYLE,
                          GetWindowLongPtrW(progressBar_, GWL_STYLE) | PBS_MARQUEE);
        SendMessageW(progressBar_, PBM_SETMARQUEE, TRUE, 0);
    } else {
        SendMessageW(progressBar_, PBM_SETRANGE32, 0, kProgressSteps);
        SendMessageW(progressBar_, PBM_SETPOS,
                     static_cast<WPARAM>(std::min(done, total) * kProgressSteps / total), 0);
    }
    // Behind the progress the tables grow as they are read.
    if (now - lastViewRefresh_ >= kViewRefreshIntervalMs) {
        lastViewRefresh_ = now;
        if (refreshViews_) {
            refreshViews_();
        }
    }
    // The window is disabled, so this repaints it without letting a click start another
    // command.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void WindowUserInterface::beginCommand() {
    workStart_ = 0;
    lastRepaint_ = 0;
    lastViewRefresh_ = 0;
}

void WindowUserInterface::endCommand() {
    closeProgress();
    workStart_ = 0;
}

}  // namespace plotaktar::win
