// The window's grid on Windows, driven by the messages the system sends it. Needs a display:
// tests/windows/test_window.sh runs it under Wine on its own (ctest has none).
#include <gtest/gtest.h>

#include <windows.h>

#include "model/table.h"
#include "win/string_grid.h"

namespace plotaktar::win {
namespace {

class StringGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        StringGrid::RegisterWindowClass(GetModuleHandleW(nullptr));
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    // A grid of the designed sizes (96 dpi) over `table`, 400 × 300 pixels inside its frame.
    std::unique_ptr<StringGrid> grid(const Table& table,
                                     form::GridSizing sizing = form::GridSizing::Columns) {
        auto made = std::make_unique<StringGrid>(
            parent_, table, sizing, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), 1.0,
            [](const std::exception& failure) { ADD_FAILURE() << failure.what(); });
        RECT frame{0, 0, 400, 300};
        AdjustWindowRectEx(&frame, GetWindowLongW(made->handle(), GWL_STYLE), FALSE,
                           GetWindowLongW(made->handle(), GWL_EXSTYLE));
        MoveWindow(made->handle(), 0, 0, frame.right - frame.left, frame.bottom - frame.top, FALSE);
        return made;
    }

    static void key(const StringGrid& g, WPARAM vk, bool control = false, bool shift = false) {
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_CONTROL] = control ? 0x80 : 0;
        state[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(state);
        SendMessageW(g.handle(), WM_KEYDOWN, vk, 0);
        state[VK_CONTROL] = state[VK_SHIFT] = 0;
        SetKeyboardState(state);
    }

    static void press(const StringGrid& g, int x, int y) {
        SendMessageW(g.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(g.handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    static SCROLLINFO vertical(const StringGrid& g) {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_ALL;
        GetScrollInfo(g.handle(), SB_VERT, &info);
        return info;
    }

    HWND parent_ = nullptr;
};

TEST_F(StringGridTest, AMillionRowsScrollToTheirEndAndBackByKeys) {
    Table table(3, 1'000'001);
    table.setCell(1, 1, "first");
    table.setCell(1, 1'000'000, "last");
    table.setCell(2, 1'000'000, "a\tb");  // a tab: quoted
    const auto g = grid(table);
    SCROLLINFO info = vertical(*g);
    EXPECT_EQ(info.nMax, 1'000'000);
    EXPECT_EQ(info.nPos, 1);

    key(*g, VK_END, true);
    EXPECT_EQ(g->selectionText(), L"\"a\tb\"\r\n");
    info = vertical(*g);
    // The last row wholly in view, at the bottom: the 32-bit position, not 16 bits of it.
    EXPECT_EQ(info.nPos + static_cast<int>(info.nPage) - 1, 1'000'000);
    key(*g, VK_HOME, false, true);
    EXPECT_EQ(g->selectionText(), L"last\t\"a\tb\"\r\n");

    key(*g, VK_HOME, true);
    EXPECT_EQ(g->selectionText(), L"first\r\n");
    EXPECT_EQ(vertical(*g).nPos, 1);
    // A page down and back up lands where it started.
    key(*g, VK_NEXT);
    EXPECT_GT(vertical(*g).nPos, 1);
    key(*g, VK_PRIOR);
    EXPECT_EQ(g->selectionText(), L"first\r\n");
}

TEST_F(StringGridTest, ShiftAndArrowsSelectARectangleCopiedInShapeAndDecoded) {
    Table table(4, 4);
    table.setCell(1, 1, "\xDD");  // windows-1254 "İ"
    table.setCell(2, 1, "b");
    table.setCell(1, 2, "c");
    table.setCell(2, 2, "\xFE");  // "ş"
    const auto g = grid(table);
    key(*g, VK_RIGHT, false, true);
    key(*g, VK_DOWN, false, true);
    EXPECT_EQ(g->selectionText(), L"\u0130\tb\r\nc\t\u015F\r\n");
    // The fixed row and column are never selected: up and left stop at the first cell.
    key(*g, VK_UP);
    key(*g, VK_UP);
    key(*g, VK_LEFT);
    key(*g, VK_LEFT);
    EXPECT_EQ(g->selectionText(), L"\u0130\r\n");
}

TEST_F(StringGridTest, TakesTheTablesCountsOnlyWhenRefreshed) {
    Table table(3, 5);
    const auto g = grid(table);
    EXPECT_EQ(vertical(*g).nMax, 4);
    table.setRowCount(200);
    table.setCell(1, 199, "new");
    EXPECT_EQ(vertical(*g).nMax, 4);
    g->refresh();
    EXPECT_EQ(vertical(*g).nMax, 199);
    key(*g, VK_END, true);
    EXPECT_EQ(g->selectionText(), L"\r\n");  // column 2 of the last row
    key(*g, VK_LEFT);
    EXPECT_EQ(g->selectionText(), L"new\r\n");
    // Shrunk behind the grid's back: the selection is brought inside at the refresh.
    table.setRowCount(3);
    g->refresh();
    EXPECT_EQ(vertical(*g).nMax, 2);
    table.setCell(1, 2, "kept");
    g->refresh();
    EXPECT_EQ(g->selectionText(), L"kept\r\n");
}

// Columns are 64 pixels wide as designed; which column a click at x lands in shows their
// widths: column 3 at x = 250 before any sizing.
TEST_F(StringGridTest, ColumnsSizeByDraggingOrFitByDoubleClickingABorderWhereThePageAllows) {
    Table table(5, 3);
    table.setCell(1, 1, "a value too long for a column of sixty-four pixels");
    table.setCell(3, 1, "third");
    table.setCell(1, 2, "x");
    {
        const auto fixed = grid(table, form::GridSizing::None);
        SendMessageW(fixed->handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(128, 5));
        SendMessageW(fixed->handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 5));
        SendMessageW(fixed->handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 5));
        press(*fixed, 250, 36);
        EXPECT_EQ(fixed->selectionText(), L"third\r\n");
    }
    const auto dragged = grid(table);
    SendMessageW(dragged->handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(128, 5));
    SendMessageW(dragged->handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 5));
    SendMessageW(dragged->handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 5));
    press(*dragged, 250, 36);
    EXPECT_EQ(dragged->selectionText(), L"a value too long for a column of sixty-four pixels\r\n");

    const auto fitted = grid(table);
    SendMessageW(fitted->handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(128, 5));
    press(*fitted, 250, 36);
    EXPECT_EQ(fitted->selectionText(), L"a value too long for a column of sixty-four pixels\r\n");
    // Fitting the columns in view after an import does the same, and never narrows one.
    const auto imported = grid(table);
    imported->fitColumnsToRowsInView();
    press(*imported, 250, 36);
    EXPECT_EQ(imported->selectionText(), L"a value too long for a column of sixty-four pixels\r\n");
    press(*imported, 30, 60);  // the fixed column: the first cell beside it
    EXPECT_EQ(imported->selectionText(), L"x\r\n");
}

}  // namespace
}  // namespace plotaktar::win
