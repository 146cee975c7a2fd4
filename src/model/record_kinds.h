#pragma once

// The one table of the program's tables and record kinds: for each table its page caption,
// header texts and starting column count; for each kind its record code, table, named columns,
// flag, failure word and what the drawing makes of it. The import, the export, the drawing, the
// viewer, the window and the renderer read these rows; a new record kind is one row here plus
// its reader.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace plotaktar {

// The thirteen working tables, numbered as the window numbers its grids (1 to 13). The
// building and slope corner tables are shown but nothing fills them.
enum class TableId {
    TriangulationPoints = 1,
    TraversePoints,
    DetailPoints,
    Layers,
    Lines,
    Labels,
    Symbols,
    Parcels,
    Buildings,
    Slopes,
    ParcelCorners,
    BuildingCorners,
    SlopeCorners,
};

constexpr int kTableCount = 13;

// The table's number, 1 to 13: its place in the workspace and the window's grid number.
constexpr int TableNumber(TableId table) {
    return static_cast<int>(table);
}

// Named columns of a table; -1 where the table has no such column. Column 0 of every record
// table is its running row number ("Sıra No"), of the layer table the layer number.
struct Columns {
    int number = -1;  // a point's number, the first point of a line, a building's or slope's
    int x = -1;       // northing
    int y = -1;       // easting
    int z = -1;
    int endNumber = -1;  // a line's second point
    int endX = -1;
    int endY = -1;
    int endZ = -1;
    int layer = -1;  // the layer number a record names
    int text = -1;
    int font = -1;
    int height = -1;  // a label's "Boy"
    int width = -1;   // a label's "En"
    int angle = -1;   // grads clockwise from grid north
    int italic = -1;
    int centred = -1;
    int symbol = -1;
    int scaleX = -1;
    int scaleY = -1;
    int block = -1;   // "Ada No"
    int parcel = -1;  // "Parsel No"
    int area = -1;
    int cornerCount = -1;
    // The layer table's own columns.
    int onOff = -1;
    int name = -1;
    int colour = -1;
    int lineType = -1;
    int thickness = -1;
};

// How a table's rows are laid out, for those that show it.
enum class TableShape {
    Records,        // one record a row, under a header row
    CornerColumns,  // one column a parcel row, its corners down the column, title in row 0
    Unfilled,       // nothing fills it
};

struct TableEntry {
    TableId id;
    std::string_view caption;                   // the page's caption (UTF-8)
    std::span<const std::string_view> headers;  // row 0 (UTF-8); none for the corner tables
    int startColumns;                           // the column count of a new table
    TableShape shape;
    Columns columns;
};

namespace table_rows {
inline constexpr std::string_view kPointHeaders[] = {"Sıra No", "Nokta No", "X",
                                                     "Y",       "Z",        "Tabaka No"};
inline constexpr std::string_view kLayerHeaders[] = {
    "Tabaka No", "Açık/kapalı", "Tabaka Adı", "Renk", "çizgi Tipi", "balastro", "kalınlık"};
inline constexpr std::string_view kLineHeaders[] = {"Sıra No",   "ilk nokta", "y", "x", "z",
                                                    "son nokta", "y",         "x", "z", "tabaka"};
inline constexpr std::string_view kLabelHeaders[] = {
    "Sıra No", "Font", "x", "y", "Boy", "En", "Açı", "Tabaka No", "İtalik", "Merkezi", "Yazı"};
inline constexpr std::string_view kSymbolHeaders[] = {"Sıra No", "Nokta No", "Sembol No", "Sx",
                                                      "Sy",      "Açı",      "Tabaka No"};
inline constexpr std::string_view kParcelHeaders[] = {"Sıra No", "Ada No",    "Parsel No",
                                                      "Alan",    "Tabaka No", "Köse Sayısı"};
inline constexpr std::string_view kBuildingHeaders[] = {
    "Sıra No", "Bina no", "Tarama Aralığı", "Tarama Açısı", "Kat Adeti", "Alan", "Tabaka No"};
inline constexpr std::string_view kSlopeHeaders[] = {"Sıra No",        "Şev No", "Şev Tipi", " ",
                                                     "Tarama Aralığı", "Alan",   "Tabaka No"};

inline constexpr Columns kPointColumns{.number = 1, .x = 2, .y = 3, .z = 4, .layer = 5};
}  // namespace table_rows

// Row 0 of a record table holds its headers; column 0 its running row numbers ("Sıra No").
inline constexpr int kHeaderRow = 0;
inline constexpr int kRowNumberColumn = 0;

// Indexed by TableNumber - 1.
inline constexpr std::array<TableEntry, kTableCount> kTables = {{
    {TableId::TriangulationPoints, "Nirengi", table_rows::kPointHeaders, 6, TableShape::Records,
     table_rows::kPointColumns},
    {TableId::TraversePoints, "poligon", table_rows::kPointHeaders, 6, TableShape::Records,
     table_rows::kPointColumns},
    {TableId::DetailPoints, "Nokta", table_rows::kPointHeaders, 6, TableShape::Records,
     table_rows::kPointColumns},
    {TableId::Layers,
     "Tabaka",
     table_rows::kLayerHeaders,
     7,
     TableShape::Records,
     {.number = 0, .onOff = 1, .name = 2, .colour = 3, .lineType = 4, .thickness = 6}},
    {TableId::Lines,
     "Hat",
     table_rows::kLineHeaders,
     10,
     TableShape::Records,
     {.number = 1,
      .x = 3,
      .y = 2,
      .z = 4,
      .endNumber = 5,
      .endX = 7,
      .endY = 6,
      .endZ = 8,
      .layer = 9}},
    {TableId::Labels,
     "Yazı",
     table_rows::kLabelHeaders,
     11,
     TableShape::Records,
     {.x = 2,
      .y = 3,
      .layer = 7,
      .text = 10,
      .font = 1,
      .height = 4,
      .width = 5,
      .angle = 6,
      .italic = 8,
      .centred = 9}},
    {TableId::Symbols,
     "Sembol",
     table_rows::kSymbolHeaders,
     7,
     TableShape::Records,
     {.number = 1, .layer = 6, .angle = 5, .symbol = 2, .scaleX = 3, .scaleY = 4}},
    {TableId::Parcels,
     "Ada Parsel",
     table_rows::kParcelHeaders,
     6,
     TableShape::Records,
     {.layer = 4, .block = 1, .parcel = 2, .area = 3, .cornerCount = 5}},
    {TableId::Buildings,
     "Bina",
     table_rows::kBuildingHeaders,
     7,
     TableShape::Records,
     {.number = 1, .layer = 6, .area = 5}},
    {TableId::Slopes,
     "Şev",
     table_rows::kSlopeHeaders,
     7,
     TableShape::Records,
     {.number = 1, .layer = 6, .area = 5}},
    {TableId::ParcelCorners, "Ada Parsel Köşe", {}, 9, TableShape::CornerColumns, {}},
    {TableId::BuildingCorners, "bina köşe", {}, 5, TableShape::Unfilled, {}},
    {TableId::SlopeCorners, "şev köşe", {}, 5, TableShape::Unfilled, {}},
}};

constexpr const TableEntry& TableOf(TableId table) {
    return kTables[static_cast<size_t>(TableNumber(table) - 1)];
}

// The corner table of the parcels: column j holds the corners of parcel row j, row 0 its
// "ada/parsel" title, rows 1 to n its corners, column 0 the corner numbers.
inline constexpr int kCornerTitleRow = 0;
inline constexpr int kCornerNumberColumn = 0;

// LayerTable keeps the seven values of a layer record as fields 1 to 7 (a column's field is
// the column plus one) and the usage mark as field 8.
constexpr int LayerField(int layerColumn) {
    return layerColumn + 1;
}
inline constexpr int kLayerUsedField = 8;

constexpr int kKindCount = 10;  // the rows of kKinds, one a Kind

// The ten markers that tell the export which kinds the last import loaded; "0" or "1", empty
// before the first import. The members are named as the window's flags; read them through
// Loaded() and write them through raise().
struct SectionFlags {
    std::string FlagNirengi;
    std::string FlagPoligon;
    std::string FlagNokta;
    std::string FlagTabaka;
    std::string FlagHat;
    std::string FlagSembol;
    std::string FlagParsel;
    std::string FlagBina;
    std::string FlagSev;
    std::string FlagYazi;

    // Sets a flag to "1"; a flag already "1" is left alone, as most records find it.
    static void raise(std::string& flag) {
        if (flag.size() != 1 || flag[0] != '1') {
            flag = "1";
        }
    }
    void setAll(std::string_view text);
    // The flags with their names, in the order of the kinds.
    std::array<std::pair<std::string_view, const std::string*>, kKindCount> named() const;
};

// What a record kind's rows are: layer declarations, features of a shape, or rows the drawing
// only counts (None). A symbol stands at the point its record names.
enum class Shape : uint8_t { None, Layer, Point, Line, Polygon, Text, Symbol };

// How a point kind is marked in a picture.
enum class Marker : uint8_t { None, Triangle, Circle, Dot };

// The kinds of features a drawing holds, in the order of the rows of kFeatureKinds.
enum class FeatureKind : uint8_t { Triangulation, Traverse, Detail, Line, Parcel, Label, Symbol };
constexpr int kFeatureKinds = 7;

// The kinds of data an import loads: the nine geometry record kinds in the order the import
// offers a line to their readers, then the text labels of the two label files. Each has one
// running count per import and one member of SectionFlags.
enum class Kind { Nirengi, Poligon, Nokta, Tabaka, Hat, Sembol, Parsel, Bina, Sev, Yazi };

struct KindEntry {
    Kind kind;
    std::string_view code;  // characters 1 to 3 of a geometry record; empty for the labels
    TableId table;          // the table its rows go to
    int fields;             // values a record carries
    std::string SectionFlags::*flag;
    std::string_view flagName;     // the flag's name, as the state dump writes it
    std::string_view message;      // the reader's one-word failure message (windows-1254)
    std::string_view countName;    // its name in plotaktar-cli's summary (UTF-8)
    std::string_view pointPrefix;  // written before an integer point number
    int plotSection;               // its place among the plot file's sections; 0: not written
    Shape shape;                   // what the drawing makes of a row
};

// Indexed by Kind.
inline constexpr std::array<KindEntry, kKindCount> kKinds = {{
    {Kind::Nirengi, "nir", TableId::TriangulationPoints, 5, &SectionFlags::FlagNirengi,
     "FlagNirengi", "nirengi", "nir", "N.", 2, Shape::Point},
    {Kind::Poligon, "pol", TableId::TraversePoints, 5, &SectionFlags::FlagPoligon, "FlagPoligon",
     "poligon", "pol", "P.", 3, Shape::Point},
    {Kind::Nokta, "nok", TableId::DetailPoints, 5, &SectionFlags::FlagNokta, "FlagNokta", "nokta",
     "nok", "", 5, Shape::Point},
    {Kind::Tabaka, "tab", TableId::Layers, 7, &SectionFlags::FlagTabaka, "FlagTabaka", "tabaka",
     "tab", "", 1, Shape::Layer},
    {Kind::Hat, "hat", TableId::Lines, 9, &SectionFlags::FlagHat, "FlagHat", "hat", "hat", "", 6,
     Shape::Line},
    {Kind::Sembol, "sem", TableId::Symbols, 6, &SectionFlags::FlagSembol, "FlagSembol", "sembol",
     "sem", "", 0, Shape::Symbol},
    {Kind::Parsel, "par", TableId::Parcels, 4, &SectionFlags::FlagParsel, "FlagParsel", "parsel",
     "par", "", 7, Shape::Polygon},
    {Kind::Bina, "bin", TableId::Buildings, 6, &SectionFlags::FlagBina, "FlagBina", "bina", "bin",
     "", 0, Shape::None},
    {Kind::Sev, "sev", TableId::Slopes, 6, &SectionFlags::FlagSev, "FlagSev",
     "\xFE"
     "ev",  // şev
     "sev", "", 0, Shape::None},
    {Kind::Yazi, "", TableId::Labels, 10, &SectionFlags::FlagYazi, "FlagYazi", "", "yazı", "", 4,
     Shape::Text},  // read silently
}};

constexpr const KindEntry& KindOf(Kind kind) {
    return kKinds[static_cast<size_t>(kind)];
}

// The named columns of a kind's table.
constexpr const Columns& ColumnsOf(Kind kind) {
    return TableOf(KindOf(kind).table).columns;
}

// True when the last import loaded that kind: its flag is exactly "1". The export writes, and
// the drawing shows, only such kinds.
inline bool Loaded(const SectionFlags& flags, Kind kind) {
    const std::string& flag = flags.*KindOf(kind).flag;
    return flag.size() == 1 && flag[0] == '1';
}

// Raises the flag of a kind (see SectionFlags::raise).
inline void RaiseFlag(SectionFlags& flags, Kind kind) {
    SectionFlags::raise(flags.*KindOf(kind).flag);
}

// The features a drawing holds: the kind whose rows give them, their name in the viewer
// (UTF-8) and how a picture marks a point.
struct FeatureKindEntry {
    FeatureKind feature;
    Kind kind;
    std::string_view name;
    Marker marker;
};

// Indexed by FeatureKind.
inline constexpr std::array<FeatureKindEntry, kFeatureKinds> kFeatureKindRows = {{
    {FeatureKind::Triangulation, Kind::Nirengi, "Nirengi", Marker::Triangle},
    {FeatureKind::Traverse, Kind::Poligon, "Poligon", Marker::Circle},
    {FeatureKind::Detail, Kind::Nokta, "Nokta", Marker::Dot},
    {FeatureKind::Line, Kind::Hat, "Hat", Marker::None},
    {FeatureKind::Parcel, Kind::Parsel, "Ada Parsel", Marker::None},
    {FeatureKind::Label, Kind::Yazi, "Yazı", Marker::None},
    {FeatureKind::Symbol, Kind::Sembol, "Sembol", Marker::None},
}};

constexpr const FeatureKindEntry& FeatureKindOf(FeatureKind feature) {
    return kFeatureKindRows[static_cast<size_t>(feature)];
}

// The shape of a feature kind's features.
constexpr Shape ShapeOf(FeatureKind feature) {
    return KindOf(FeatureKindOf(feature).kind).shape;
}

// The kinds the plot file writes, in the order of its sections.
constexpr std::array<Kind, kKindCount> PlotOrder() {
    std::array<Kind, kKindCount> order{};
    size_t n = 0;
    for (int section = 1; section <= kKindCount; ++section) {
        for (const KindEntry& entry : kKinds) {
            if (entry.plotSection == section) {
                order[n++] = entry.kind;
            }
        }
    }
    for (const KindEntry& entry : kKinds) {
        if (entry.plotSection == 0) {
            order[n++] = entry.kind;
        }
    }
    return order;
}
inline constexpr std::array<Kind, kKindCount> kPlotOrder = PlotOrder();

// The rows agree with their enums.
constexpr bool RowsInOrder() {
    for (size_t i = 0; i < kTables.size(); ++i) {
        if (TableNumber(kTables[i].id) != static_cast<int>(i) + 1) {
            return false;
        }
    }
    for (size_t i = 0; i < kKinds.size(); ++i) {
        if (static_cast<size_t>(kKinds[i].kind) != i) {
            return false;
        }
    }
    for (size_t i = 0; i < kFeatureKindRows.size(); ++i) {
        if (static_cast<size_t>(kFeatureKindRows[i].feature) != i) {
            return false;
        }
    }
    return true;
}
static_assert(RowsInOrder(), "the rows of the kinds table follow their enums");

}  // namespace plotaktar
