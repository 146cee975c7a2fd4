#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "model/form_design.h"
#include "model/table.h"

namespace plotaktar::win {

// One page's table as an owner-drawn virtual grid: a window of its own class that draws only
// the cells in view, reading them from the working table when it paints, so that a page of a
// million rows opens at once. Row 0 (the headers) and column 0 (the row numbers) stay fixed;
// lines between all cells; one rectangular range selected by mouse or keys; columns sized by
// dragging a border in row 0 or fitted by double-clicking it, rows likewise in column 0 where
// the page allows; no editing. A cell too long for its column ends in "…" and shows whole in a
// tooltip; Ctrl+C copies the selected range as tab-separated lines.
//
// The grid reads the table's counts only in refresh(): a command changes the table behind the
// grid's back, and the window refreshes the grids before each box and after each command.
class StringGrid {
  public:
    // Sent to the grid's parent for Ctrl+Tab and the like: wParam is the step (+1 the next
    // page, -1 the one before), as a signed number.
    static constexpr UINT kShowNextPageMessage = WM_APP + 1;

    // Registers the window class; once, before the first grid is made.
    static void RegisterWindowClass(HINSTANCE instance);

    // A hidden child of `parent`; `scale` turns the designed pixels into the screen's
    // (dpi / 96). `failed` shows a failure of the copy (memory running out).
    StringGrid(HWND parent, const Table& table, form::GridSizing sizing, HFONT font, double scale,
               std::function<void(const std::exception&)> failed);
    ~StringGrid();
    StringGrid(const StringGrid&) = delete;
    StringGrid& operator=(const StringGrid&) = delete;

    HWND handle() const { return window_; }

    // Takes the table's counts when it changed since the grid last looked, and repaints.
    void refresh();

    // Widens each column from the first in view (at most kMostColumnsFitted) so that the rows
    // in view show its texts whole, no wider than the grid; never narrower than designed.
    void fitColumnsToRowsInView();

    // The selected range as text on the clipboard: selectionText(), in UTF-16.
    void copySelection();
    // The selected range's cells as tab-separated lines ended by CR LF (RangeCopyText).
    std::wstring selectionText() const;

    int rowCount() const { return rows_; }
    int topRow() const { return topRow_; }

  private:
    template <class Object>
    friend Object* WindowObject(HWND window, UINT message, LPARAM lParam);
    struct Cell {
        int col;
        int row;
    };
    enum class Drag { None, Selecting, SizingColumn, SizingRow };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void paint(HDC dc, const RECT& area);
    int colWidth(int col) const;
    int rowHeight(int row) const;
    int clientWidth() const;
    int clientHeight() const;
    // The rows and columns wholly in view after the fixed ones, at least 1.
    int fullRowsInView() const;
    int fullColsInView() const;
    int lastTopRow() const;
    int lastLeftCol() const;
    // The cell under a client point; -1 for a coordinate beyond the last row or column.
    int colAtX(int x) const;
    int rowAtY(int y) const;
    int colLeft(int col) const;  // for a column in view (or column 0)
    int rowTop(int row) const;
    // The column whose right border lies under x in row 0, or row whose bottom border lies
    // under y in column 0; -1 where none may be sized there.
    int columnBorderAt(int x, int y) const;
    int rowBorderAt(int x, int y) const;

    void updateScrollBars();
    void scrollTo(int topRow, int leftCol);
    void onScroll(int bar, int request);
    void moveCursor(Cell to, bool extend);
    void onKey(WPARAM key);
    void onMouseDown(int x, int y, bool extend);
    void onMouseMove(int x, int y);
    void onDoubleClick(int x, int y);
    int textWidth(HDC dc, int col, int row) const;
    int fittedWidth(int col, bool withHeader) const;
    std::wstring displayText(int col, int row, size_t maxChars) const;
    void updateTooltip(int x, int y);

    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    const Table& table_;
    form::GridSizing sizing_;
    HFONT font_;
    double scale_;
    std::function<void(const std::exception&)> failed_;

    int rows_ = 1;
    int cols_ = 1;
    uint64_t seenChanges_ = ~uint64_t{0};
    int defaultWidth_;
    int defaultHeight_;
    int padding_;
    std::vector<int> colWidths_;   // grows with the table; columns keep their widths
    std::vector<int> rowHeights_;  // only where rows may be sized
    int topRow_ = 1;
    int leftCol_ = 1;
    Cell anchor_{1, 1};
    Cell cursor_{1, 1};

    Drag drag_ = Drag::None;
    int dragIndex_ = 0;
    int dragOrigin_ = 0;
    int dragStartSize_ = 0;

    Cell tipCell_{-1, -1};
    std::wstring tipText_;
};

}  // namespace plotaktar::win
