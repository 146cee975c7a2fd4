#pragma once

// The designed window's form, in one place for both of its builds (Qt on Linux, Win32 on
// Windows): caption, place and client size, the panel and its buttons, the pages in tab order
// and which page is in front, the cells' designed size, the open dialogs' titles. Sizes are in
// pixels at 96 dpi. The pages' captions, headers and column counts are the table of tables'
// (record_kinds.h); the designed names come from form_names.h.

#include <array>
#include <string_view>

#include "model/record_kinds.h"
#include "model/user_interface.h"

namespace plotaktar::form {

struct Rect {
    int left;
    int top;
    int width;
    int height;
};

// The window: its caption (UTF-8), the outer window's opening place (frame included) and the
// client area's size. The form's font is the system's, at 8 points.
inline constexpr std::string_view kCaption = "EN BÜYÜK VOLDA";
inline constexpr int kLeft = 152;
inline constexpr int kTop = 267;
inline constexpr int kClientWidth = 1028;
inline constexpr int kClientHeight = 607;
inline constexpr int kFontPoints = 8;

// Panel1 spans the client area's width at its top, its caption centred behind the buttons;
// the page control fills the rest.
inline constexpr std::string_view kPanelName = "Panel1";
inline constexpr std::string_view kPanelCaption = "Panel1";
inline constexpr int kPanelHeight = 49;

// A button on the panel, its rectangle relative to the panel.
struct Button {
    std::string_view name;
    std::string_view caption;  // UTF-8
    Rect rect;
};

// Runs the open command.
inline constexpr Button kOpenButton{"BitBtn1", "AÇ", {16, 5, 49, 41}};
// Runs the save command.
inline constexpr Button kSaveButton{"SpeedButton1", "KAYDET", {80, 8, 57, 33}};
// Blank, at the panel's right end; clicking it does nothing the user can see.
inline constexpr Button kSpareButton{"SpeedButton2", "", {1000, 8, 25, 25}};

// The pages in tab order, by the table each shows. The tables' numbers do not follow the tab
// order: the layers sit on the tenth page, the lines on the fourth.
inline constexpr std::array<TableId, kTableCount> kPageOrder = {
    TableId::TriangulationPoints,
    TableId::TraversePoints,
    TableId::DetailPoints,
    TableId::Lines,
    TableId::Labels,
    TableId::Symbols,
    TableId::Parcels,
    TableId::Buildings,
    TableId::Slopes,
    TableId::Layers,
    TableId::ParcelCorners,
    TableId::BuildingCorners,
    TableId::SlopeCorners,
};

// The page in front when the window opens (0-based, in tab order): "Ada Parsel Köşe".
inline constexpr int kFrontPage = 10;

// Which borders of a page's table the user may drag (and double-click to fit).
enum class GridSizing { Columns, RowsAndColumns, None };

constexpr GridSizing SizingOf(TableShape shape) {
    switch (shape) {
        case TableShape::Records:
            return GridSizing::Columns;
        case TableShape::CornerColumns:
            return GridSizing::RowsAndColumns;
        case TableShape::Unfilled:
            break;
    }
    return GridSizing::None;
}

// Every cell, the fixed ones too, starts this wide and this high.
inline constexpr int kDefaultColumnWidth = 64;
inline constexpr int kDefaultRowHeight = 24;
// Room left of and right of a cell's text: small, so that a coordinate of ten characters fits
// the default column where the font allows.
inline constexpr int kCellPadding = 2;
// Fitting columns after an import, or by a double click, widens at most this many columns
// from the first in view (the corner table has one a parcel).
inline constexpr int kMostColumnsFitted = 200;

// Where a window whose outer rectangle (frame included) is `outer` goes on a screen whose
// available area is `available`: made smaller only where it must, then moved by as little as
// brings its far edges in, then its near edges.
constexpr Rect FitOnScreen(Rect outer, const Rect& available) {
    outer.width = outer.width < available.width ? outer.width : available.width;
    outer.height = outer.height < available.height ? outer.height : available.height;
    const int farLeft = available.left + available.width - outer.width;
    const int farTop = available.top + available.height - outer.height;
    outer.left = outer.left < farLeft ? outer.left : farLeft;
    outer.top = outer.top < farTop ? outer.top : farTop;
    outer.left = outer.left > available.left ? outer.left : available.left;
    outer.top = outer.top > available.top ? outer.top : available.top;
    return outer;
}

// The open dialogs' titles (UTF-8); the save dialog keeps the platform's title.
constexpr std::string_view OpenDialogTitle(OpenDialogId dialog) {
    return dialog == OpenDialogId::Geometry ? "Geometri dosyasını seçin (.gplt)"
                                            : "Yazı dosyasını seçin (.yaz)";
}

}  // namespace plotaktar::form
