#pragma once

// What the comparison reads of a drawing: its points, lines, parcels, labels, symbols,
// buildings, slopes and layers, each with the file and line it came from, read from a geometry
// file with its labels or from a plot file. The one place where the comparison meets the
// import's tables and the plot file's records; the matching sees only these elements.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/drawing.h"
#include "import/source_lines.h"
#include "model/import_observer.h"

namespace plotaktar::compare {

// Where an element came from: one of the drawing's files (an index into ComparedDrawing::files)
// and its line there, from 1.
struct Source {
    uint8_t file = 0;
    uint32_t line = 0;
};

// A text of the drawing (windows-1254), kept in one of the drawing's two pools of texts (the
// lines' when its start has ComparedDrawing::kLineTexts set).
struct TextRef {
    uint32_t start = 0;
    uint32_t size = 0;
};

struct ComparedPoint {
    FeatureKind kind = FeatureKind::Detail;
    TextRef number;  // "N.12", "P.1001", "2501"
    Vertex at;
    TextRef z;      // as written; compared as a number when both sides read as one
    TextRef layer;  // the layer's name
    Source source;
};

struct ComparedLine {
    TextRef from, to;  // the end points' numbers; empty from a plot file
    Vertex ends[2];
    TextRef z[2];
    TextRef layer;
    Source source;
};

struct ComparedParcel {
    TextRef block, parcel;                  // "Ada No", "Parsel No"
    TextRef area;                           // the declared "Alan"; empty from a plot file
    uint32_t firstCorner = 0, corners = 0;  // into ComparedDrawing::corners
    TextRef layer;
    Source source;
};

struct ComparedLabel {
    TextRef text;
    Vertex at;
    TextRef layer;
    Source source;
};

struct ComparedSymbol {
    TextRef point, symbol;  // "Nokta No", "Sembol No"
    TextRef scaleX, scaleY, angle;
    TextRef layer;
    Source source;
};

// A building or slope: its number and the rest of its record's fields, blank-separated.
struct ComparedRecord {
    TextRef number;
    TextRef fields;
    Source source;
};

struct ComparedLayer {
    TextRef name;
    int number = 0;    // the layer record's own number; 0 from a plot file
    bool used = true;  // a record names it, so that a plot file declares it
    // Its pen: "Renk" (0 when none), "çizgi Tipi", "kalınlık" (NaN when none), "Açık/kapalı".
    int colour = 0;
    int lineType = 0;
    double thickness = 0;
    bool on = true;
    Source source;
};

// A record that failed on import, or whose position cannot be read: the reader's word
// (windows-1254), what could not be read (UTF-8; empty for an import's failure) and its line.
struct FailedRecord {
    std::string word;
    Source source;
    std::string reason = {};
};

struct ComparedDrawing {
    // The files the sources name: the geometry file, the label file, the companion; or the
    // plot file alone.
    std::vector<std::string> files;
    bool fromPlotFile = false;
    std::vector<ComparedPoint> points;
    std::vector<ComparedLine> lines;
    std::vector<ComparedParcel> parcels;
    std::vector<Vertex> corners;
    std::vector<ComparedLabel> labels;
    std::vector<ComparedSymbol> symbols;
    std::vector<ComparedRecord> buildings, slopes;
    std::vector<ComparedLayer> layers;
    std::vector<FailedRecord> failed;

    std::string_view text(TextRef ref) const {
        const std::string& pool = ref.start & kLineTexts ? lineTexts : texts;
        return std::string_view(pool).substr(ref.start & ~kLineTexts, ref.size);
    }
    std::span<const Vertex> cornersOf(const ComparedParcel& parcel) const {
        return {corners.data() + parcel.firstCorner, parcel.corners};
    }
    // Keeps `text` in the first pool.
    TextRef keep(std::string_view text);

    std::string texts;
    // The texts of a workspace's lines, read apart from the others (a plot file's are in
    // `texts`).
    std::string lineTexts;
    // The bit of a TextRef's start that names lineTexts.
    static constexpr uint32_t kLineTexts = 0x80000000u;
};

// Reads a drawing for the comparison: a plot file (its name ends in ".plt", in any case), or a
// geometry file with `labels` and the companion beside it (an empty `labels` reads none).
// Failing records are kept as failed and passed to `observer` too. `numberedLines`, when given,
// gives the geometry file's lines numbered elsewhere (RowLines::readGeometry on another thread
// while this side is imported) and is called after the import; otherwise they are numbered on
// a second thread during it. Throws Error naming the cause when a file cannot be read or a plot
// file holds no record of one (LoadDrawing's rules).
ComparedDrawing ReadComparedDrawing(const std::string& geometryOrPlot, const std::string& labels,
                                    ImportObserver& observer,
                                    const std::function<RowLines()>& numberedLines = {});

// The same from a plot file's bytes, the sources naming `name`.
ComparedDrawing ComparedDrawingFromPlot(std::string_view bytes, const std::string& name);

}  // namespace plotaktar::compare
