#include "win/string_grid.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "model/copy_text.h"
#include "win/win_text.h"
#include "win/window_object.h"

namespace plotaktar::win {

namespace {

constexpr wchar_t kClassName[] = L"PlotaktarStringGrid";
// Texts longer than this are drawn cut (they would not fit any column), and tooltips show
// at most the longer length.
constexpr size_t kMaxDrawnChars = 1000;
constexpr size_t kMaxTipChars = 4000;
// How near a border the pointer must be to size a column or row.
constexpr int kBorderGrip = 3;
constexpr int kWheelRows = 3;

int Scaled(int designed, double scale) {
    return static_cast<int>(std::lround(designed * scale));
}

}  // namespace

void StringGrid::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
}

StringGrid::StringGrid(HWND parent, const Table& table, form::GridSizing sizing, HFONT font,
                       double scale, std::function<void(const std::exception&)> failed)
    : table_(table),
      sizing_(sizing),
      font_(font),
      scale_(scale),
      failed_(std::move(failed)),
      defaultWidth_(Scaled(form::kDefaultColumnWidth, scale)),
      defaultHeight_(Scaled(form::kDefaultRowHeight, scale)),
      padding_(Scaled(form::kCellPadding, scale)) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    window_ = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"",
                              WS_CHILD | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | WS_CLIPSIBLINGS, 0,
                              0, 0, 0, parent, nullptr, instance, this);
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scaled(600, scale));
    refresh();
}

StringGrid::~StringGrid() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK StringGrid::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* grid = WindowObject<StringGrid>(window, message, lParam);
    if (grid == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // No exception may cross the system's code: memory running out while the grid paints
    // or copies is shown in the error box (a paint is left undone; the next one tries again).
    try {
        return grid->handleMessage(message, wParam, lParam);
    } catch (const std::exception& failure) {
        if (message == WM_PAINT) {
            ValidateRect(window, nullptr);
        } else if (grid->failed_) {
            grid->failed_(failure);
        }
        return 0;
    }
}

void StringGrid::refresh() {
    if (table_.changeCount() == seenChanges_) {
        return;
    }
    seenChanges_ = table_.changeCount();
    rows_ = std::max(1, table_.rowCount());
    cols_ = std::max(1, table_.colCount());
    if (static_cast<size_t>(cols_) > colWidths_.size()) {
        colWidths_.resize(static_cast<size_t>(cols_), defaultWidth_);
    }
    if (sizing_ == form::GridSizing::RowsAndColumns &&
        static_cast<size_t>(rows_) > rowHeights_.size()) {
        rowHeights_.resize(static_cast<size_t>(rows_), defaultHeight_);
    }
    anchor_ = {std::min(anchor_.col, std::max(1, cols_ - 1)),
               std::min(anchor_.row, std::max(1, rows_ - 1))};
    cursor_ = {std::min(cursor_.col, std::max(1, cols_ - 1)),
               std::min(cursor_.row, std::max(1, rows_ - 1))};
    topRow_ = std::clamp(topRow_, 1, lastTopRow());
    leftCol_ = std::clamp(leftCol_, 1, lastLeftCol());
    tipCell_ = {-1, -1};
    updateScrollBars();
    InvalidateRect(window_, nullptr, FALSE);
}

int StringGrid::colWidth(int col) const {
    return static_cast<size_t>(col) < colWidths_.size() ? colWidths_[static_cast<size_t>(col)]
                                                        : defaultWidth_;
}

int StringGrid::rowHeight(int row) const {
    return static_cast<size_t>(row) < rowHeights_.size() ? rowHeights_[static_cast<size_t>(row)]
                                                         : defaultHeight_;
}

int StringGrid::clientWidth() const {
    RECT r;
    GetClientRect(window_, &r);
    return r.right;
}

int StringGrid::clientHeight() const {
    RECT r;
    GetClientRect(window_, &r);
    return r.bottom;
}

int StringGrid::fullRowsInView() const {
    int room = clientHeight() - rowHeight(0);
    int count = 0;
    for (int row = topRow_; row < rows_ && room >= rowHeight(row); ++row) {
        room -= rowHeight(row);
        ++count;
    }
    return std::max(1, count);
}

int StringGrid::fullColsInView() const {
    int room = clientWidth() - colWidth(0);
    int count = 0;
    for (int col = leftCol_; col < cols_ && room >= colWidth(col); ++col) {
        room -= colWidth(col);
        ++count;
    }
    return std::max(1, count);
}

int StringGrid::lastTopRow() const {
    // The last rows fill the view from the bottom up.
    int room = clientHeight() - rowHeight(0);
    int row = rows_ - 1;
    while (row > 1 && room - rowHeight(row) >= rowHeight(row - 1)) {
        room -= rowHeight(row);
        --row;
    }
    return std::max(1, row);
}

int StringGrid::lastLeftCol() const {
    int room = clientWidth() - colWidth(0);
    int col = cols_ - 1;
    while (col > 1 && room - colWidth(col) >= colWidth(col - 1)) {
        room -= colWidth(col);
        --col;
    }
    return std::max(1, col);
}

int StringGrid::colLeft(int col) const {
    if (col == 0) {
        return 0;
    }
    int x = colWidth(0);
    for (int c = leftCol_; c < col; ++c) {
        x += colWidth(c);
    }
    return x;
}

int StringGrid::rowTop(int row) const {
    if (row == 0) {
        return 0;
    }
    int y = rowHeight(0);
    for (int r = topRow_; r < row; ++r) {
        y += rowHeight(r);
    }
    return y;
}

int StringGrid::colAtX(int x) const {
    if (x < 0) {
        return -1;
    }
    if (x < colWidth(0)) {
        return 0;
    }
    int right = colWidth(0);
    for (int col = leftCol_; col < cols_; ++col) {
        right += colWidth(col);
        if (x < right) {
            return col;
        }
    }
    return -1;
}

int StringGrid::rowAtY(int y) const {
    if (y < 0) {
        return -1;
    }
    if (y < rowHeight(0)) {
        return 0;
    }
    const int height = clientHeight();
    int bottom = rowHeight(0);
    for (int row = topRow_; row < rows_ && bottom <= height; ++row) {
        bottom += rowHeight(row);
        if (y < bottom) {
            return row;
        }
    }
    return -1;
}

int StringGrid::columnBorderAt(int x, int y) const {
    if (sizing_ == form::GridSizing::None || y >= rowHeight(0)) {
        return -1;
    }
    const int width = clientWidth();
    int right = colWidth(0);
    if (std::abs(x - right) <= kBorderGrip) {
        return 0;
    }
    for (int col = leftCol_; col < cols_ && right - kBorderGrip <= width; ++col) {
        right += colWidth(col);
        if (std::abs(x - right) <= kBorderGrip) {
            return col;
        }
    }
    return -1;
}

int StringGrid::rowBorderAt(int x, int y) const {
    if (sizing_ != form::GridSizing::RowsAndColumns || x >= colWidth(0)) {
        return -1;
    }
    const int height = clientHeight();
    int bottom = rowHeight(0);
    if (std::abs(y - bottom) <= kBorderGrip) {
        return 0;
    }
    for (int row = topRow_; row < rows_ && bottom - kBorderGrip <= height; ++row) {
        bottom += rowHeight(row);
        if (std::abs(y - bottom) <= kBorderGrip) {
            return row;
        }
    }
    return -1;
}

void StringGrid::updateScrollBars() {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    // Scrolled a whole row or column at a time: the range is that of the first row (column)
    // in view, the page the rows wholly in view.
    info.nMin = 1;
    info.nMax = std::max(1, rows_ - 1);
    info.nPage = static_cast<UINT>(rows_ > 1 ? fullRowsInView() : 2);
    info.nPos = topRow_;
    SetScrollInfo(window_, SB_VERT, &info, TRUE);
    info.nMax = std::max(1, cols_ - 1);
    info.nPage = static_cast<UINT>(cols_ > 1 ? fullColsInView() : 2);
    info.nPos = leftCol_;
    SetScrollInfo(window_, SB_HORZ, &info, TRUE);
}

void StringGrid::scrollTo(int topRow, int leftCol) {
    topRow = std::clamp(topRow, 1, lastTopRow());
    leftCol = std::clamp(leftCol, 1, lastLeftCol());
    if (topRow == topRow_ && leftCol == leftCol_) {
        return;
    }
    topRow_ = topRow;
    leftCol_ = leftCol;
    updateScrollBars();
    InvalidateRect(window_, nullptr, FALSE);
}

void StringGrid::onScroll(int bar, int request) {
    const bool vertical = bar == SB_VERT;
    const int position = vertical ? topRow_ : leftCol_;
    const int page = vertical ? fullRowsInView() : fullColsInView();
    int target = position;
    switch (request) {
        case SB_LINEUP:
            target = position - 1;
            break;
        case SB_LINEDOWN:
            target = position + 1;
            break;
        case SB_PAGEUP:
            target = position - page;
            break;
        case SB_PAGEDOWN:
            target = position + page;
            break;
        case SB_TOP:
            target = 1;
            break;
        case SB_BOTTOM:
            target = vertical ? rows_ : cols_;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The 32-bit position, not the message's 16 bits: a page has a million rows.
            SCROLLINFO info{};
            info.cbSize = sizeof(info);
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(window_, bar, &info);
            target = info.nTrackPos;
            break;
        }
        default:
            return;
    }
    if (vertical) {
        scrollTo(target, leftCol_);
    } else {
        scrollTo(topRow_, target);
    }
}

void StringGrid::moveCursor(Cell to, bool extend) {
    if (rows_ < 2 || cols_ < 2) {
        return;
    }
    to.col = std::clamp(to.col, 1, cols_ - 1);
    to.row = std::clamp(to.row, 1, rows_ - 1);
    cursor_ = to;
    if (!extend) {
        anchor_ = to;
    }
    // Brought into view, whole where it fits.
    int top = topRow_;
    if (to.row < top) {
        top = to.row;
    } else if (to.row >= top + fullRowsInView()) {
        top = to.row - fullRowsInView() + 1;
        // Rows of different heights: one at a time until the cursor's row is whole.
        while (top < to.row && rowTop(to.row) + rowHeight(to.row) > clientHeight()) {
            ++top;
        }
    }
    int left = leftCol_;
    if (to.col < left) {
        left = to.col;
    } else {
        while (left < to.col) {
            int x = colWidth(0);
            for (int c = left; c <= to.col; ++c) {
                x += colWidth(c);
            }
            if (x <= clientWidth()) {
                break;
            }
            ++left;
        }
    }
    const int oldTop = topRow_;
    const int oldLeft = leftCol_;
    scrollTo(top, left);
    if (oldTop == topRow_ && oldLeft == leftCol_) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

void StringGrid::onKey(WPARAM key) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    Cell to = cursor_;
    // Ctrl+Tab and Ctrl+Page Down show the next page, with Shift or Page Up the one before,
    // as in the system's tabbed windows: the page control does it.
    if (control && (key == VK_TAB || key == VK_PRIOR || key == VK_NEXT)) {
        const int step = key == VK_TAB ? (shift ? -1 : 1) : (key == VK_NEXT ? 1 : -1);
        SendMessageW(GetParent(window_), kShowNextPageMessage, static_cast<WPARAM>(step), 0);
        return;
    }
    switch (key) {
        case 'C':
        case VK_INSERT:
            if (control) {
                copySelection();
            }
            return;
        case VK_UP:
            --to.row;
            break;
        case VK_DOWN:
            ++to.row;
            break;
        case VK_LEFT:
            --to.col;
            break;
        case VK_RIGHT:
            ++to.col;
            break;
        case VK_PRIOR:
            to.row -= fullRowsInView();
            break;
        case VK_NEXT:
            to.row += fullRowsInView();
            break;
        case VK_HOME:
            to.col = 1;
            if (control) {
                to.row = 1;
            }
            break;
        case VK_END:
            to.col = cols_ - 1;
            if (control) {
                to.row = rows_ - 1;
            }
            break;
        default:
            return;
    }
    moveCursor(to, shift);
}

void StringGrid::onMouseDown(int x, int y, bool extend) {
    SetFocus(window_);
    if (const int col = columnBorderAt(x, y); col >= 0) {
        drag_ = Drag::SizingColumn;
        dragIndex_ = col;
        dragOrigin_ = x;
        dragStartSize_ = colWidth(col);
    } else if (const int row = rowBorderAt(x, y); row >= 0) {
        drag_ = Drag::SizingRow;
        dragIndex_ = row;
        dragOrigin_ = y;
        dragStartSize_ = rowHeight(row);
    } else {
        const int cellCol = colAtX(x);
        const int cellRow = rowAtY(y);
        if (cellCol < 0 || cellRow < 0) {
            return;
        }
        // A click in the fixed row or column starts at the first cell beside it.
        moveCursor({std::max(cellCol, 1), std::max(cellRow, 1)}, extend);
        drag_ = Drag::Selecting;
    }
    SetCapture(window_);
}

void StringGrid::onMouseMove(int x, int y) {
    switch (drag_) {
        case Drag::SizingColumn:
            colWidths_[static_cast<size_t>(dragIndex_)] =
                std::max(1, dragStartSize_ + x - dragOrigin_);
            updateScrollBars();
            InvalidateRect(window_, nullptr, FALSE);
            return;
        case Drag::SizingRow:
            rowHeights_[static_cast<size_t>(dragIndex_)] =
                std::max(1, dragStartSize_ + y - dragOrigin_);
            updateScrollBars();
            InvalidateRect(window_, nullptr, FALSE);
            return;
        case Drag::Selecting: {
            // Beyond the edges the view scrolls on towards the pointer.
            int col = colAtX(std::clamp(x, colWidth(0), clientWidth() - 1));
            int row = rowAtY(std::clamp(y, rowHeight(0), clientHeight() - 1));
            if (col < 0) {
                col = cols_ - 1;
            }
            if (row < 0) {
                row = rows_ - 1;
            }
            if (x < colWidth(0)) {
                col = leftCol_ - 1;
            } else if (x >= clientWidth()) {
                ++col;
            }
            if (y < rowHeight(0)) {
                row = topRow_ - 1;
            } else if (y >= clientHeight()) {
                ++row;
            }
            moveCursor({col, row}, true);
            return;
        }
        case Drag::None:
            break;
    }
    updateTooltip(x, y);
}

void StringGrid::onDoubleClick(int x, int y) {
    if (const int col = columnBorderAt(x, y); col >= 0) {
        colWidths_[static_cast<size_t>(col)] = fittedWidth(col, true);
        updateScrollBars();
        InvalidateRect(window_, nullptr, FALSE);
    } else if (const int row = rowBorderAt(x, y); row >= 0) {
        rowHeights_[static_cast<size_t>(row)] = defaultHeight_;
        updateScrollBars();
        InvalidateRect(window_, nullptr, FALSE);
    }
}

std::wstring StringGrid::displayText(int col, int row, size_t maxChars) const {
    return WideFromCp1254(table_.cell(col, row), maxChars);
}

int StringGrid::textWidth(HDC dc, int col, int row) const {
    const std::wstring text = displayText(col, row, kMaxDrawnChars);
    if (text.empty()) {
        return 0;
    }
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int StringGrid::fittedWidth(int col, bool withHeader) const {
    HDC dc = GetDC(window_);
    HGDIOBJ old = SelectObject(dc, font_);
    int widest = 0;
    const int height = clientHeight();
    int y = rowHeight(0);
    for (int row = topRow_; row < rows_ && y < height; ++row) {
        widest = std::max(widest, textWidth(dc, col, row));
        y += rowHeight(row);
    }
    if (withHeader || col == 0) {
        widest = std::max(widest, textWidth(dc, col, 0));
    }
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
    const int fitted = widest + 2 * padding_ + 1;
    return std::max(defaultWidth_, std::min(fitted, std::max(clientWidth(), defaultWidth_)));
}

void StringGrid::fitColumnsToRowsInView() {
    const int first = leftCol_;
    for (int col = first; col < cols_ && col < first + form::kMostColumnsFitted; ++col) {
        colWidths_[static_cast<size_t>(col)] = fittedWidth(col, false);
    }
    updateScrollBars();
    InvalidateRect(window_, nullptr, FALSE);
}

std::wstring StringGrid::selectionText() const {
    if (rows_ < 2 || cols_ < 2) {
        return {};
    }
    return WideFromCp1254(RangeCopyText(
        table_, std::min(anchor_.col, cursor_.col), std::min(anchor_.row, cursor_.row),
        std::max(anchor_.col, cursor_.col), std::max(anchor_.row, cursor_.row), "\r\n"));
}

void StringGrid::copySelection() {
    if (rows_ < 2 || cols_ < 2) {
        return;
    }
    try {
        const std::wstring text = selectionText();
        const size_t size = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
        if (memory == nullptr) {
            throw std::bad_alloc();
        }
        void* target = GlobalLock(memory);
        std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(target));
        GlobalUnlock(memory);
        if (!OpenClipboard(window_)) {
            GlobalFree(memory);
            return;
        }
        EmptyClipboard();
        if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
            GlobalFree(memory);
        }
        CloseClipboard();
    } catch (const std::exception& failure) {
        if (failed_) {
            failed_(failure);
        }
    }
}

void StringGrid::updateTooltip(int x, int y) {
    const Cell cell{colAtX(x), rowAtY(y)};
    if (cell.col == tipCell_.col && cell.row == tipCell_.row) {
        return;
    }
    tipCell_ = cell;
    SendMessageW(tooltip_, TTM_POP, 0, 0);
}

void StringGrid::paint(HDC dc, const RECT& area) {
    const int width = area.right;
    const int height = area.bottom;
    HBRUSH windowBrush = GetSysColorBrush(COLOR_WINDOW);
    HBRUSH fixedBrush = GetSysColorBrush(COLOR_BTNFACE);
    HBRUSH selectedBrush = GetSysColorBrush(COLOR_HIGHLIGHT);
    FillRect(dc, &area, windowBrush);
    SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    HPEN linePen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ oldPen = SelectObject(dc, linePen);

    const int selLeft = std::min(anchor_.col, cursor_.col);
    const int selRight = std::max(anchor_.col, cursor_.col);
    const int selTop = std::min(anchor_.row, cursor_.row);
    const int selBottom = std::max(anchor_.row, cursor_.row);
    const bool haveCells = rows_ > 1 && cols_ > 1;

    // Columns and rows in view: the fixed one, then from the first scrolled into view.
    std::vector<int> cols{0};
    for (int col = leftCol_, x = colWidth(0); col < cols_ && x < width; x += colWidth(col), ++col) {
        cols.push_back(col);
    }
    std::vector<int> rows{0};
    for (int row = topRow_, y = rowHeight(0); row < rows_ && y < height;
         y += rowHeight(row), ++row) {
        rows.push_back(row);
    }
    int y = 0;
    for (int row : rows) {
        const int rowBottom = y + rowHeight(row);
        int x = 0;
        for (int col : cols) {
            const int colRight = x + colWidth(col);
            RECT cell{x, y, colRight - 1, rowBottom - 1};
            const bool fixed = row == 0 || col == 0;
            const bool selected = !fixed && haveCells && col >= selLeft && col <= selRight &&
                                  row >= selTop && row <= selBottom;
            if (fixed || selected) {
                FillRect(dc, &cell, fixed ? fixedBrush : selectedBrush);
            }
            SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            std::wstring text = displayText(col, row, kMaxDrawnChars);
            if (!text.empty()) {
                RECT textArea{cell.left + padding_, cell.top, cell.right - padding_, cell.bottom};
                DrawTextW(dc, text.data(), static_cast<int>(text.size()), &textArea,
                          DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
            }
            if (!fixed && GetFocus() == window_ && col == cursor_.col && row == cursor_.row) {
                DrawFocusRect(dc, &cell);
            }
            // The lines right of and below every cell.
            MoveToEx(dc, colRight - 1, y, nullptr);
            LineTo(dc, colRight - 1, rowBottom - 1);
            LineTo(dc, x - 1, rowBottom - 1);
            x = colRight;
        }
        y = rowBottom;
    }
    SelectObject(dc, oldPen);
    DeleteObject(linePen);
}

LRESULT StringGrid::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window_, &ps);
            RECT area;
            GetClientRect(window_, &area);
            // Drawn off screen and copied at once, so that scrolling does not flicker.
            HDC memoryDc = CreateCompatibleDC(dc);
            HBITMAP bitmap =
                CreateCompatibleBitmap(dc, std::max(1L, area.right), std::max(1L, area.bottom));
            HGDIOBJ oldBitmap = SelectObject(memoryDc, bitmap);
            paint(memoryDc, area);
            BitBlt(dc, 0, 0, area.right, area.bottom, memoryDc, 0, 0, SRCCOPY);
            SelectObject(memoryDc, oldBitmap);
            DeleteObject(bitmap);
            DeleteDC(memoryDc);
            EndPaint(window_, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            topRow_ = std::clamp(topRow_, 1, lastTopRow());
            leftCol_ = std::clamp(leftCol_, 1, lastLeftCol());
            updateScrollBars();
            InvalidateRect(window_, nullptr, FALSE);
            return 0;
        case WM_VSCROLL:
            onScroll(SB_VERT, LOWORD(wParam));
            return 0;
        case WM_HSCROLL:
            onScroll(SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL: {
            const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
            scrollTo(topRow_ - notches * kWheelRows, leftCol_);
            return 0;
        }
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
        case WM_KEYDOWN:
            onKey(wParam);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(window_, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            onMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), (wParam & MK_SHIFT) != 0);
            return 0;
        case WM_LBUTTONDBLCLK:
            onDoubleClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSEMOVE:
            onMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (drag_ != Drag::None) {
                drag_ = Drag::None;
                if (message == WM_LBUTTONUP) {
                    ReleaseCapture();
                }
            }
            return 0;
        case WM_SETCURSOR: {
            POINT point;
            GetCursorPos(&point);
            ScreenToClient(window_, &point);
            if (LOWORD(lParam) == HTCLIENT) {
                if (drag_ == Drag::SizingColumn || columnBorderAt(point.x, point.y) >= 0) {
                    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)));  // IDC_SIZEWE
                    return TRUE;
                }
                if (drag_ == Drag::SizingRow || rowBorderAt(point.x, point.y) >= 0) {
                    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32645)));  // IDC_SIZENS
                    return TRUE;
                }
            }
            break;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->hwndFrom == tooltip_ && header->code == TTN_GETDISPINFOW) {
                auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
                tipText_.clear();
                if (tipCell_.col >= 0 && tipCell_.row >= 0) {
                    tipText_ = displayText(tipCell_.col, tipCell_.row, kMaxTipChars);
                }
                info->lpszText = tipText_.data();
                return 0;
            }
            break;
        }
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace plotaktar::win
