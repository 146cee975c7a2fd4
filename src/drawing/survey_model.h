#pragma once

// The drawing's survey elements, read on demand from the tables of an import or from the bytes of
// a plot file: points, lines, parcels, labels, symbols and layers, each with its numbers parsed,
// its cells as views into the tables or the bytes (never copies), and where it came from. It is
// the one place that turns a cell into a number or finds the point a number names, and the one
// place that says what could not be read; the drawing, the record panel, the exports and the
// check read a drawing through it.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "drawing/drawing.h"
#include "model/line_types.h"
#include "model/point_names.h"
#include "model/record_kinds.h"
#include "model/workspace.h"

namespace plotaktar {

// Where an element came from: a table's data row, or a line of a plot file.
struct ElementSource {
    std::optional<TableId> table;  // nothing for a plot file
    uint32_t row = 0;              // the data row (from 1), or the plot file's line (from 1)
    uint64_t offset = 0;           // a plot file's: where that line begins in its bytes
};

// A number cell as written, with its value when it reads as a decimal number.
struct NumberCell {
    std::string_view text;
    std::optional<double> value;
};

// The first thing of an element that could not be read, in the order an element needs them.
struct Unread {
    enum class Why : uint8_t {
        NotANumber,    // `field` (a column's name, or "corner N Y") holds `cell`
        NoSuchPoint,   // a symbol's point number names no point of the drawing
        NoCornerLine,  // a plot file's parcel without the corner line after it
    };
    Why why = Why::NotANumber;
    std::string_view field;  // "Y", "X", "Boy", "Açı", "En", "Sx", "corner count"... (UTF-8)
    int column = -1;         // the cell's table column; -1 for a plot file or a corner
    int corner = 0;          // the corner (from 1) a corner's field belongs to; 0 for others
    std::string_view cell;
};

// The reason, in the words `export` and `render` print after "left out: " and the element's
// name: "Y '45a' is not a number", "corner 3 X '' is not a number" (UTF-8; a cell quoted as
// messages quote it).
std::string UnreadReason(const Unread& unread);

// The name a reason gives a number column of a kind's table: the column's header (UTF-8),
// but "Y" and "X" for both ends of a line, as the reader names them.
std::string_view NumberFieldName(Kind kind, int column);

// A cell quoted for a message: "'" + at most 100 characters of it (UTF-8) + "'".
std::string QuotedForMessage(std::string_view cell);

struct SurveyLayer {
    int number = 0;             // the LayerTable row; 0 for a plot file's layer
    std::string_view name;      // windows-1254
    std::optional<int> colour;  // "Renk" when it is 1 to 255
    LineType lineType = LineType::Continuous;
    std::optional<double> thickness;  // "kalınlık" in millimetres when it reads as a number
    bool on = true;                   // "Açık/kapalı" is not 0
    bool declared = false;            // a layer record filled its row (or a plot file's "TA")
    bool used = false;                // a record of the last import names it
};

// The layer a record names, by its layer cell.
struct LayerRef {
    std::string_view cell;               // as written: a number, or a plot file's layer name
    const SurveyLayer* layer = nullptr;  // the layer row or "TA" it names; null when none
    bool integer = false;                // a workspace's cell reads as an integer (in range or not)
};

struct SurveyPoint {
    ElementSource source;
    Kind kind = Kind::Nokta;  // Nirengi, Poligon or Nokta
    std::string_view number;  // as its table shows it ("N.12")
    NumberCell y, x, z;       // Y (east), X (north), Z
    LayerRef layer;
    std::optional<Unread> unread;
};

struct SurveyLine {
    ElementSource source;
    std::string_view from, to;  // the ends' point numbers; empty for a plot file
    NumberCell y1, x1, z1, y2, x2, z2;
    LayerRef layer;
    std::optional<Unread> unread;
};

struct SurveyCorner {
    std::string_view cell;  // the corner cell, or the plot file's corner piece
    double east = 0, north = 0;
    std::optional<double> z;
};

struct SurveyParcel {
    ElementSource source;
    std::string_view block, parcel;  // "Ada No", "Parsel No"; a plot file's split at its '/'
    std::string_view name;           // a plot file's "ada/parsel" as written; empty otherwise
    NumberCell area;  // the declared "Alan" (its value read without blanks around it); empty
                      // for a plot file
    std::string_view cornerCountCell;
    std::optional<int32_t> cornerCount;
    std::span<const SurveyCorner> corners;  // in order; valid during the visit only
    // Every corner cell the corner table holds for it, empty ones too, in order (nothing for a
    // plot file); valid during the visit only.
    std::span<const std::string_view> cornerCells;
    LayerRef layer;
    std::optional<Unread> unread;

    // "ada/parsel", as the drawing names it.
    std::string title() const;
};

// A corner cell read: its position, or which of its Y and X are not numbers.
struct CornerReading {
    std::optional<SurveyCorner> corner;
    std::optional<Unread> y, x;
};
// Reads corner `corner` (from 1) of a parcel from its cell ("Y X [Z ...]").
CornerReading ReadCorner(std::string_view cell, int corner);

struct SurveyLabel {
    ElementSource source;
    std::string_view text, font;            // font empty for a plot file
    NumberCell y, x, height, width, angle;  // "Boy", "En", "Açı" (grads clockwise from north)
    bool italic = false, centred = false;   // "İtalik", "Merkezi" are 1
    LayerRef layer;
    // What placing it needs: y, x, "Boy", "Açı" ("En" is read, and needed by none but the
    // exports, which give it its own reason through WidthUnread()).
    std::optional<Unread> unread;
};

// A label's "En" when it is given but is not a number; nothing otherwise.
std::optional<Unread> WidthUnread(const SurveyLabel& label);

struct SurveySymbol {
    ElementSource source;
    std::string_view symbol;       // "Sembol No"
    std::string_view point;        // the point number as written
    std::string_view pointNumber;  // the stored number of the point it names ("N.41")
    std::optional<PointRef> pointRow;
    NumberCell y, x, z;  // the point's
    NumberCell scaleX, scaleY, angle;
    LayerRef layer;
    std::optional<Unread> unread;
};

// A building's or slope's row: the drawing reads no geometry of it, only its layer.
struct SurveyRecord {
    ElementSource source;
    Kind kind = Kind::Bina;
    LayerRef layer;
};

// Receives elements one at a time, readable or not (`unread` says); the views stay valid while
// the model and what it reads are. Returning false stops the visit.
class SurveyVisitor {
  public:
    virtual ~SurveyVisitor() = default;
    virtual bool point(const SurveyPoint&) { return true; }
    virtual bool line(const SurveyLine&) { return true; }
    virtual bool parcel(const SurveyParcel&) { return true; }
    virtual bool label(const SurveyLabel&) { return true; }
    virtual bool symbol(const SurveySymbol&) { return true; }
    virtual bool record(const SurveyRecord&) { return true; }
    // Whether it reads the number cells beyond an element's position (its Y and X, a parcel's
    // corners): heights, a declared area, a label's size and angle, a symbol's scales, and a
    // symbol's point. A visitor that reads none of them gets those cells' texts alone, their
    // values empty, and symbols without their point (no point looked up, nothing unread), which
    // spares reading a large drawing's every number.
    virtual bool readsOtherNumbers() const { return true; }
};

// One field of an element's record: its name (windows-1254) and its text.
struct RecordField {
    std::string name;
    std::string value;
};

// The reader. Over a workspace it reads the kinds the last import loaded (their flags are "1");
// over a plot file's bytes, its "TA", "PN", "YA", "LX" and "L2" records (a point number's "N." or
// "P." telling triangulation and traverse points), which carry no line-end names, declared
// areas, symbols, buildings, slopes, layer numbers or pens, nor a label's font, width, italic
// and centring: those stay empty. What it reads must not change while the model is in use.
class SurveyModel {
  public:
    explicit SurveyModel(const Workspace& workspace);
    explicit SurveyModel(std::string_view plotBytes);
    ~SurveyModel();
    SurveyModel(const SurveyModel&) = delete;
    SurveyModel& operator=(const SurveyModel&) = delete;

    bool fromPlotFile() const { return workspace_ == nullptr; }
    const Workspace* workspace() const { return workspace_; }

    // Hands the elements of `kinds` to the visitor: over a workspace kind after kind in that
    // order, over a plot file in the file's order. Returns false when the visitor stopped it.
    bool visit(SurveyVisitor& visitor, std::span<const Kind> kinds);
    // The same, in the plot file's order of kinds.
    bool visit(SurveyVisitor& visitor) { return visit(visitor, kPlotOrder); }
    // Hands the element of one data row of a workspace's table to the visitor, reading no other
    // row: nothing for a row beyond its table, a kind not loaded, or a plot file. Returns false
    // when the visitor stopped it. The point index stays for the next such call.
    bool visitRow(TableId table, int row, SurveyVisitor& visitor);
    // Hands the element of the plot-file record whose line begins at `source.offset` (its line
    // number `source.row`, as a visit gave them) to the visitor, reading no other record than
    // it (a parcel's corner line with it): nothing where no record's line begins, or for a
    // workspace. Returns false when the visitor stopped it.
    bool visitPlotRecord(const ElementSource& source, SurveyVisitor& visitor);

    // Elements of a kind: a loaded kind's data rows, or a plot file's records of it.
    uint64_t count(Kind kind) const;
    // A plot file's lines of a record this program writes (a parcel's corner line part of it),
    // and its other lines that are not empty; nothing for a workspace.
    struct PlotLineCounts {
        uint64_t records = 0;
        uint64_t skipped = 0;
    };
    PlotLineCounts plotLineCounts() const;

    // The declared layers, in the order of their rows or of the plot file's "TA" records.
    std::vector<const SurveyLayer*> declaredLayers() const;
    // The layer a record's layer cell names: a row of 1 to 150 (declared or not) or a plot
    // file's "TA" of that name; null when it names none.
    const SurveyLayer* layerOf(std::string_view cell) const;

    // Every field of the record an element came from: its row's cells under the table's
    // headers (a parcel's corner cells after them), or the fields of its plot-file line.
    std::vector<RecordField> recordFields(const ElementSource& source) const;

    // The points' index by number (workspace only), built on first use.
    const PointIndex& points() const;
    // Gives the index's memory back; the next use builds it again.
    void releasePoints() const { points_.reset(); }

  private:
    void readLayers();
    void readPlotLayers() const;
    bool visitTables(SurveyVisitor& visitor, std::span<const Kind> kinds);
    bool visitPlot(SurveyVisitor& visitor, std::span<const Kind> kinds);
    LayerRef layerRef(std::string_view cell) const;
    // A number cell beyond a position: read when the visitor reads such numbers.
    NumberCell otherNumber(std::string_view text) const;

    const Workspace* workspace_ = nullptr;
    std::string_view plotBytes_;
    // A workspace's 150 rows, or the plot file's "TA"s (read on first use).
    mutable std::vector<SurveyLayer> layers_;
    mutable std::unordered_map<std::string_view, size_t> plotLayerByName_;
    mutable bool plotLayersRead_ = false;
    mutable std::unique_ptr<PointIndex> points_;
    void countPlotLines() const;
    mutable std::optional<std::array<uint64_t, kKindCount>> plotCounts_;
    mutable PlotLineCounts plotLines_;
    std::vector<SurveyCorner> corners_;
    std::vector<std::string_view> cornerCells_;
    std::optional<int> onlyRow_;                   // the one row visitRow() reads
    std::optional<ElementSource> onlyPlotRecord_;  // the one record visitPlotRecord() reads
    bool otherNumbers_ = true;                     // the visiting visitor's readsOtherNumbers()
};

}  // namespace plotaktar
