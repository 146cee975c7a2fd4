// The survey model over tables filled from fuzzed lines, or over fuzzed bytes read as a plot
// file. The first byte chooses: odd, the rest is a plot file; even, each line fills a row:
// its first character the table ('n', 'p', 'd' points, 'l' layers, 'h' lines, 'y' labels,
// 's' symbols, 'a' parcels, 'c' a corner of the last parcel), its blank-separated words the
// cells from column 1. Invariants: an element is unread exactly when one of the cells it needs
// is not a number (a symbol also when its point is missing), with that cell quoted; a readable
// element's numbers are finite; a parcel's corners never outnumber its corner count; every
// source gives its record's fields; the counts are the elements visited.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "drawing/survey_model.h"
#include "model/text.h"

namespace {

using namespace plotaktar;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool Read(const NumberCell& cell) {
    double value = 0;
    const bool parsed = ParseCoordinate(cell.text, value);
    Check(parsed == cell.value.has_value(), "a number cell has a value exactly when it parses");
    Check(!cell.value || std::isfinite(*cell.value), "values are finite");
    return parsed;
}

void CheckUnread(const std::optional<Unread>& unread, bool allRead) {
    Check(unread.has_value() != allRead, "unread exactly when a needed cell is no number");
    if (unread) {
        Check(!UnreadReason(*unread).empty(), "an unread element has a reason");
    }
}

class Visitor : public SurveyVisitor {
  public:
    explicit Visitor(const SurveyModel& model) : model_(model) {}
    uint64_t seen[kKindCount] = {};

    bool point(const SurveyPoint& e) override {
        const bool y = Read(e.y), x = Read(e.x);
        Read(e.z);
        CheckUnread(e.unread, y && x);
        return done(e.kind, e.source);
    }
    bool line(const SurveyLine& e) override {
        const bool read[] = {Read(e.y1), Read(e.x1), Read(e.y2), Read(e.x2)};
        const bool all = read[0] && read[1] && read[2] && read[3];
        CheckUnread(e.unread, all);
        return done(Kind::Hat, e.source);
    }
    bool parcel(const SurveyParcel& e) override {
        if (!model_.fromPlotFile()) {
            Check(e.cornerCount || e.unread, "a parcel without a count is unread");
            Check(!e.cornerCount ||
                      e.corners.size() <= static_cast<size_t>(std::max(0, *e.cornerCount)),
                  "no more corners than counted");
        }
        for (const SurveyCorner& c : e.corners) {
            Check(std::isfinite(c.east) && std::isfinite(c.north), "corners are finite");
        }
        (void)e.title();
        return done(Kind::Parsel, e.source);
    }
    bool label(const SurveyLabel& e) override {
        const bool read[] = {Read(e.y), Read(e.x), Read(e.height), Read(e.angle)};
        const bool all = read[0] && read[1] && read[2] && read[3];
        CheckUnread(e.unread, all);
        Check(WidthUnread(e).has_value() == (!Read(e.width) && !e.width.text.empty()),
              "a given width that is no number is said");
        return done(Kind::Yazi, e.source);
    }
    bool symbol(const SurveySymbol& e) override {
        const bool read[] = {Read(e.y), Read(e.x), Read(e.scaleX), Read(e.scaleY), Read(e.angle)};
        const bool all = e.pointRow && read[0] && read[1] && read[2] && read[3] && read[4];
        CheckUnread(e.unread, all);
        return done(Kind::Sembol, e.source);
    }

  private:
    bool done(Kind kind, const ElementSource& source) {
        ++seen[static_cast<int>(kind)];
        Check(source.row >= 1, "a source has its row or line");
        Check(source.table.has_value() != model_.fromPlotFile(), "a source names its table");
        Check(!model_.recordFields(source).empty() || model_.fromPlotFile(),
              "a row has its fields");
        return true;
    }
    const SurveyModel& model_;
};

void CheckModel(SurveyModel& model) {
    Visitor visitor(model);
    Check(model.visit(visitor), "a visit runs to its end");
    for (Kind kind : {Kind::Nirengi, Kind::Poligon, Kind::Nokta, Kind::Hat, Kind::Parsel,
                      Kind::Yazi, Kind::Sembol}) {
        Check(model.count(kind) == visitor.seen[static_cast<int>(kind)],
              "the counts are the elements visited");
    }
    for (const SurveyLayer* layer : model.declaredLayers()) {
        Check(layer->declared, "declared layers are declared");
    }
}

Kind KindOfLetter(char c) {
    switch (c) {
        case 'n':
            return Kind::Nirengi;
        case 'p':
            return Kind::Poligon;
        case 'd':
            return Kind::Nokta;
        case 'l':
            return Kind::Tabaka;
        case 'h':
            return Kind::Hat;
        case 'y':
            return Kind::Yazi;
        case 's':
            return Kind::Sembol;
        default:
            return Kind::Parsel;
    }
}

void FillTables(Workspace& ws, std::string_view text) {
    int parcel = 0;
    int corner = 0;
    int lines = 0;
    while (!text.empty() && ++lines < 2000) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty()) {
            continue;
        }
        const char letter = line[0];
        line.remove_prefix(1);
        std::vector<std::string_view> words;
        while (!line.empty() && words.size() < 12) {
            const size_t blank = line.find(' ');
            words.push_back(line.substr(0, blank));
            line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        }
        if (letter == 'c') {
            if (parcel > 0) {
                ws.table(TableId::ParcelCorners)
                    .setCell(parcel, ++corner, words.empty() ? "" : words[0]);
            }
            continue;
        }
        const Kind kind = KindOfLetter(letter);
        if (kind == Kind::Tabaka) {
            const std::optional<int32_t> row = words.empty() ? std::nullopt : TryStrToInt(words[0]);
            if (row && *row >= 1 && *row <= kLayerRows) {
                for (size_t f = 1; f < words.size() && f <= static_cast<size_t>(kLayerFields);
                     ++f) {
                    ws.layerTable.setField(*row, static_cast<int>(f), words[f]);
                }
            }
            RaiseFlag(ws.flags, kind);
            continue;
        }
        Table& table = ws.table(KindOf(kind).table);
        const int row = table.rowCount();
        table.setRowCount(row + 1);
        for (size_t w = 0; w < words.size(); ++w) {
            table.setCell(static_cast<int>(w) + 1, row, words[w]);
        }
        if (kind == Kind::Parsel) {
            parcel = row;
            corner = 0;
        }
        RaiseFlag(ws.flags, kind);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1) != 0) {
        SurveyModel model(rest);
        CheckModel(model);
        return 0;
    }
    Workspace ws;
    for (int t = 1; t <= kTableCount; ++t) {
        ws.grid(t).setRowCount(1);
    }
    FillTables(ws, rest);
    SurveyModel model(ws);
    CheckModel(model);
    return 0;
}
