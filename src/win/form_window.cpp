#include "win/form_window.h"

#include <commctrl.h>

#include <cmath>
#include <optional>
#include <string>

#include "import/import_command.h"
#include "model/errors.h"
#include "model/form_design.h"
#include "plotfile/save_command.h"
#include "ui/spare_button.h"
#include "win/win_text.h"
#include "win/window_object.h"

namespace plotaktar::win {

namespace {

constexpr wchar_t kFormClass[] = L"TForm1";
constexpr wchar_t kPanelClass[] = L"TPanel";
constexpr int kOpenButtonId = 101;
constexpr int kSaveButtonId = 102;
constexpr int kSpareButtonId = 103;
// The program's icon in its resources.
constexpr int kIconId = 1;

}  // namespace

TForm1::TForm1(HINSTANCE instance) : instance_(instance) {
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
    WNDCLASSEXW formClass{};
    formClass.cbSize = sizeof(formClass);
    formClass.lpfnWndProc = WindowProc;
    formClass.hInstance = instance;
    formClass.hIcon = icon;
    formClass.hIconSm = icon;
    formClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    formClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    formClass.lpszClassName = kFormClass;
    RegisterClassExW(&formClass);
    WNDCLASSEXW panelClass{};
    panelClass.cbSize = sizeof(panelClass);
    panelClass.lpfnWndProc = PanelProc;
    panelClass.hInstance = instance;
    panelClass.hCursor = formClass.hCursor;
    panelClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    panelClass.lpszClassName = kPanelClass;
    RegisterClassExW(&panelClass);
    StringGrid::RegisterWindowClass(instance);

    // The designed pixels are at 96 dpi; the program is aware of the system's dpi (its
    // manifest says so), so every size is scaled once by it.
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    scale_ = dpi / 96.0;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW logFont = metrics.lfMessageFont;
    logFont.lfHeight = -MulDiv(form::kFontPoints, dpi, 72);
    font_ = CreateFontIndirectW(&logFont);

    // The designed client size, at the designed place where the screen has room; otherwise
    // moved, and made smaller only if it must, so that all of it is on the screen.
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT outer{0, 0, scaled(form::kClientWidth), scaled(form::kClientHeight)};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    form::Rect place{scaled(form::kLeft), scaled(form::kTop), outer.right - outer.left,
                     outer.bottom - outer.top};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromPoint({place.left, place.top}, MONITOR_DEFAULTTOPRIMARY),
                        &monitor)) {
        const RECT& work = monitor.rcWork;
        place = form::FitOnScreen(
            place, {work.left, work.top, work.right - work.left, work.bottom - work.top});
    }
    window_ =
        CreateWindowExW(0, kFormClass, WideFromUtf8(form::kCaption).c_str(), style, place.left,
                        place.top, place.width, place.height, nullptr, nullptr, instance, this);
    createControls();
    // The Session wrote the header rows as it was created; show them.
    refreshTables();
    layout();
    showPage(form::kFrontPage);
}

TForm1::~TForm1() {
    // The grids read the Session's tables: they go first.
    for (auto& grid : grids_) {
        grid.reset();
    }
    ui_.reset();
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

int TForm1::scaled(int designed) const {
    return static_cast<int>(std::lround(designed * scale_));
}

void TForm1::show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

void TForm1::createControls() {
    const auto setFont = [this](HWND control) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    };
    // The panel draws its caption centred behind the buttons.
    Panel1 = CreateWindowExW(0, kPanelClass, WideFromUtf8(form::kPanelCaption).c_str(),
                             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                             window_, nullptr, instance_, nullptr);
    setFont(Panel1);
    const auto button = [&](const form::Button& design, int id) {
        const form::Rect& r = design.rect;
        HWND control =
            CreateWindowExW(0, L"BUTTON", WideFromUtf8(design.caption).c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, scaled(r.left),
                            scaled(r.top), scaled(r.width), scaled(r.height), Panel1,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
        setFont(control);
        return control;
    };
    BitBtn1 = button(form::kOpenButton, kOpenButtonId);
    SpeedButton1 = button(form::kSaveButton, kSaveButtonId);
    SpeedButton2 = button(form::kSpareButton, kSpareButtonId);

    PageControl1 = CreateWindowExW(0, WC_TABCONTROLW, L"",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, 0, 0,
                                   window_, nullptr, instance_, nullptr);
    setFont(PageControl1);
    for (size_t i = 0; i < form::kPageOrder.size(); ++i) {
        const TableEntry& page = TableOf(form::kPageOrder[i]);
        std::wstring caption = WideFromUtf8(page.caption);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageW(PageControl1, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        const int number = TableNumber(page.id);
        grids_[static_cast<size_t>(number - 1)] = std::make_unique<StringGrid>(
            window_, session_.workspace.table(page.id), form::SizingOf(page.shape), font_, scale_,
            [this](const std::exception& failure) { ui_->showErrorBox(MessageOf(failure)); });
    }
    ui_ = std::make_unique<WindowUserInterface>(window_, font_, [this] { refreshTables(); });
}

void TForm1::layout() {
    RECT client;
    GetClientRect(window_, &client);
    const int panelHeight = scaled(form::kPanelHeight);
    MoveWindow(Panel1, 0, 0, client.right, panelHeight, TRUE);
    MoveWindow(PageControl1, 0, panelHeight, client.right, client.bottom - panelHeight, TRUE);
    RECT pageArea{0, 0, client.right, client.bottom - panelHeight};
    SendMessageW(PageControl1, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&pageArea));
    for (auto& grid : grids_) {
        SetWindowPos(grid->handle(), HWND_TOP, pageArea.left, pageArea.top + panelHeight,
                     pageArea.right - pageArea.left, pageArea.bottom - pageArea.top,
                     SWP_NOACTIVATE);
    }
}

void TForm1::showPage(int index) {
    if (index < 0 || static_cast<size_t>(index) >= form::kPageOrder.size()) {
        return;
    }
    SendMessageW(PageControl1, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    const TableId shown = form::kPageOrder[static_cast<size_t>(index)];
    for (TableId table : form::kPageOrder) {
        ShowWindow(grid(table).handle(), table == shown ? SW_SHOW : SW_HIDE);
    }
    page_ = index;
    fitPageOnScreen();
}

void TForm1::fitPageOnScreen() {
    if (page_ < 0) {
        return;
    }
    const TableEntry& page = TableOf(form::kPageOrder[static_cast<size_t>(page_)]);
    bool& pending = fitPending_[static_cast<size_t>(TableNumber(page.id) - 1)];
    if (pending && form::SizingOf(page.shape) != form::GridSizing::None) {
        pending = false;
        grid(page.id).fitColumnsToRowsInView();
    }
}

void TForm1::refreshTables() {
    for (auto& grid : grids_) {
        if (grid) {
            grid->refresh();
        }
    }
}

void TForm1::runCommand(const std::function<void(Session&, UserInterface&)>& command) {
    // A click that waited in the queue while a command ran starts nothing inside it.
    if (commandRunning_) {
        return;
    }
    commandRunning_ = true;
    std::optional<std::string> failure;
    ui_->beginCommand();
    try {
        command(session_, *ui_);
    } catch (const std::exception& error) {
        failure = MessageOf(error);
    } catch (...) {
        failure = "Unknown error";
    }
    ui_->endCommand();
    // What the command did before a failure stays, so the grids show it either way.
    refreshTables();
    if (failure) {
        ui_->showErrorBox(*failure);
    }
    commandRunning_ = false;
}

void TForm1::BitBtn1Click() {
    runCommand(plotaktar::RunOpenCommand);
    // Coordinates readable at once: the page on screen now, every other page when it is shown.
    fitPending_.fill(true);
    fitPageOnScreen();
}

void TForm1::SpeedButton1Click() {
    runCommand(plotaktar::RunSaveCommand);
}

void TForm1::SpeedButton2Click() {
    RunSpareButtonCommand();
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = WindowObject<TForm1>(window, message, lParam);
    if (form == nullptr || form->PageControl1 == nullptr) {
        if (message == WM_DESTROY) {
            PostQuitMessage(0);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // No exception may cross the system's code: what a command does not catch itself (memory
    // running out while a page is shown) is shown in the error box.
    try {
        return form->handleMessage(message, wParam, lParam);
    } catch (const std::exception& failure) {
        form->ui_->showErrorBox(MessageOf(failure));
        return 0;
    }
}

LRESULT CALLBACK TForm1::PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // The buttons are the panel's; the form handles their clicks.
            return SendMessageW(GetParent(window), message, wParam, lParam);
        case WM_SETFONT:
            SetWindowLongPtrW(window, GWLP_USERDATA, static_cast<LONG_PTR>(wParam));
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT area;
            GetClientRect(window, &area);
            DrawEdge(dc, &area, BDR_RAISEDINNER, BF_RECT);
            wchar_t caption[64];
            const int length = GetWindowTextW(window, caption, 64);
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HFONT>(GetWindowLongPtrW(window, GWLP_USERDATA)));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            DrawTextW(dc, caption, length, &area,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(dc, old);
            EndPaint(window, &ps);
            return 0;
        }
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT TForm1::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                switch (LOWORD(wParam)) {
                    case kOpenButtonId:
                        BitBtn1Click();
                        return 0;
                    case kSaveButtonId:
                        SpeedButton1Click();
                        return 0;
                    case kSpareButtonId:
                        SpeedButton2Click();
                        return 0;
                    default:
                        break;
                }
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == PageControl1 && header->code == TCN_SELCHANGE) {
                showPage(static_cast<int>(SendMessageW(PageControl1, TCM_GETCURSEL, 0, 0)));
                return 0;
            }
            break;
        }
        case StringGrid::kShowNextPageMessage: {
            const int count = static_cast<int>(form::kPageOrder.size());
            const auto step = static_cast<int>(static_cast<INT_PTR>(wParam));
            showPage(((page_ + step) % count + count) % count);
            SetFocus(grid(form::kPageOrder[static_cast<size_t>(page_)]).handle());
            return 0;
        }
        case WM_SIZE:
            layout();
            return 0;
        case WM_SETFOCUS:
            if (page_ >= 0) {
                SetFocus(grid(form::kPageOrder[static_cast<size_t>(page_)]).handle());
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace plotaktar::win
