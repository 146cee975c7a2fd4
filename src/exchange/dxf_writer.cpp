// DXF, written by a writer of our own: AutoCAD 2004 (AC1018) with code page ANSI_1254, so that
// the windows-1254 bytes of names and labels go into the file unchanged and every CAD program
// reads the Turkish letters back; metres ($INSUNITS 6); the drawing's layers with their colour,
// line type and line weight; a block with attributes for each kind of point, so that CAD users
// can list point numbers and heights.

#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string>
#include <unordered_map>

#include "exchange/dxf_names.h"
#include "exchange/dxf_number.h"
#include "exchange/exchange_writer.h"
#include "model/cp1254.h"
#include "model/text.h"
#include "platform/replacing_file.h"

namespace plotaktar {

namespace {

constexpr std::string_view kModelSpace = "*Model_Space";
constexpr std::string_view kPaperSpace = "*Paper_Space";
constexpr std::string_view kApplication = "PLOTAKTAR";  // the XDATA of lines and parcels
constexpr std::string_view kNumberTag = "NUMARA";
constexpr std::string_view kHeightTag = "Z";
// The layer of the point numbers written as texts (--point-numbers text or both).
constexpr std::string_view kNumberLayer = "NOKTA_NO";
// Sizes in metres, for a sheet of 1:1000 (a millimetre on paper is a metre).
constexpr double kMarkerSize = 1.0;
constexpr double kAttributeHeight = 1.0;
constexpr double kParcelTextHeight = 2.0;
constexpr double kItalicAngle = 15.0;
// What a CAD program takes as a line weight, in hundredths of a millimetre.
constexpr int kLineWeights[] = {0,  5,  9,  13, 15, 18,  20,  25,  30,  35,  40,  50,
                                53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
constexpr int kLineWeightByLayer = -1;
constexpr int kLineWeightDefault = -3;

// The point kinds' blocks, drawn like the viewer's markers.
struct PointBlock {
    Kind kind;
    std::string_view name;
};
constexpr PointBlock kPointBlocks[] = {
    {Kind::Nirengi, "NIRENGI"}, {Kind::Poligon, "POLIGON"}, {Kind::Nokta, "NOKTA"}};

int LineWeightOf(const std::optional<double>& millimetres) {
    if (!millimetres || *millimetres < 0) {
        return kLineWeightDefault;
    }
    const double hundredths = *millimetres * 100;
    for (int weight : kLineWeights) {
        if (weight >= hundredths - 0.5) {
            return weight;
        }
    }
    return kLineWeights[std::size(kLineWeights) - 1];
}

constexpr std::string_view kSymbolBlockPrefix = "SEMBOL_";
constexpr std::string_view kStandardStyle = "Standard";

class DxfOut {
  public:
    explicit DxfOut(platform::ReplacingFile& file) : file_(file) { buffer_.reserve(kChunk + 4096); }

    void tag(int code, std::string_view value) {
        code_(code);
        // A line end inside a value would end the value; control characters are written in the
        // caret notation of DXF ("^J" for a line feed).
        for (char c : value) {
            if (static_cast<unsigned char>(c) < 32) {
                buffer_ += '^';
                buffer_ += static_cast<char>(c + 64);
            } else {
                buffer_ += c;
            }
        }
        end();
    }
    void tag(int code, double value) {
        // A reader stops at "inf" in a real-valued group: such a file is never written.
        if (!std::isfinite(value)) {
            throw Error("a value of group " + std::to_string(code) +
                        " is too large for a DXF file");
        }
        code_(code);
        buffer_ += DxfNumber(value, DxfNumberForm::RoundTrip).text();
        end();
    }
    void integer(int code, long long value) {
        code_(code);
        buffer_ += std::to_string(value);
        end();
    }
    void handle(int code, uint64_t value) {
        code_(code);
        char text[20];
        auto [end, ec] = std::to_chars(text, text + sizeof text, value, 16);
        for (char* p = text; p != end; ++p) {
            buffer_ += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        }
        this->end();
    }
    void point(int code, double x, double y, double z) {
        tag(code, x);
        tag(code + 10, y);
        tag(code + 20, z);
    }
    void finish() {
        file_.write(buffer_);
        buffer_.clear();
    }

  private:
    static constexpr size_t kChunk = 1 << 20;
    void code_(int code) {
        if (code < 10) {
            buffer_ += "  ";
        } else if (code < 100) {
            buffer_ += ' ';
        }
        buffer_ += std::to_string(code);
        buffer_ += "\r\n";
    }
    void end() {
        buffer_ += "\r\n";
        if (buffer_.size() >= kChunk) {
            file_.write(buffer_);
            buffer_.clear();
        }
    }
    platform::ReplacingFile& file_;
    std::string buffer_;
};

// One DXF file being written: the sink of the features, between the tables and blocks written
// before them and the objects after.
class DxfDocument final : public FeatureSink {
  public:
    DxfDocument(DxfOut& out, const CoordinateStep& systems, ExportFeatures& features,
                PointNumbers pointNumbers)
        : out_(out),
          systems_(systems),
          features_(features),
          numberAttribute_(pointNumbers != PointNumbers::Text),
          numberText_(pointNumbers != PointNumbers::Attrib) {}

  private:
    DxfOut& out_;
    const CoordinateStep& systems_;
    ExportFeatures& features_;
    bool numberAttribute_;                 // a point's number as its block's attribute
    bool numberText_;                      // and as a TEXT beside it on kNumberLayer
    std::vector<std::string> layerNames_;  // by ExportLayer index: the DXF layer's name
    // By the font and the symbol number as the drawing has them: the style's and block's name.
    std::unordered_map<std::string_view, std::string> styleNames_;
    std::unordered_map<std::string_view, std::string> blockNames_;
    // Names a suffix kept apart, told once the features' walk has noted its own.
    std::vector<FeatureNote> nameNotes_;
    uint64_t next_ = 0x20;     // the next handle
    uint64_t modelSpace_ = 0;  // the block record of model space, owner of the entities
    static constexpr uint64_t kModelLayout = 0x10, kPaperLayout = 0x11;
    static constexpr uint64_t kRoot = 0x12, kGroups = 0x13, kLayouts = 0x14;

    uint64_t take() { return next_++; }

    void header(std::string_view name, int code, std::string_view value) {
        DxfOut& out = out_;
        out.tag(9, name);
        out.tag(code, value);
    }

    void tableHead(std::string_view name, uint64_t handle, int count) {
        DxfOut& out = out_;
        out.tag(0, "TABLE");
        out.tag(2, name);
        out.handle(5, handle);
        out.handle(330, 0);
        out.tag(100, "AcDbSymbolTable");
        out.integer(70, count);
    }

    void recordHead(std::string_view type, std::string_view subclass, uint64_t table) {
        DxfOut& out = out_;
        out.tag(0, type);
        out.handle(type == "DIMSTYLE" ? 105 : 5, take());
        out.handle(330, table);
        out.tag(100, "AcDbSymbolTableRecord");
        out.tag(100, subclass);
    }

    void entityHead(std::string_view type, uint64_t owner, std::string_view layer) {
        DxfOut& out = out_;
        out.tag(0, type);
        out.handle(5, take());
        out.handle(330, owner);
        out.tag(100, "AcDbEntity");
        out.tag(8, layer);
    }

    const std::string& layerName(const LayerOf& layer) const {
        static const std::string kNoLayer = "0";
        if (layer.layer == nullptr) {
            return kNoLayer;
        }
        const std::vector<ExportLayer>& layers = features_.layers();
        return layerNames_[static_cast<size_t>(layer.layer - layers.data())];
    }

    // The extent and the view of the active viewport.
    struct View {
        Position low, high, centre;
        double height = 0;
    };
    static constexpr double kViewAspect = 1.6;

    // The view of `low` to `high`, when every value of it is finite.
    static std::optional<View> ViewOf(const Position& low, const Position& high) {
        View view{low, high, {}, 0};
        const double width = std::max(high.east - low.east, 1.0);
        const double height = std::max(high.north - low.north, 1.0);
        view.centre.east = low.east / 2 + high.east / 2;
        view.centre.north = low.north / 2 + high.north / 2;
        view.height = 1.1 * std::max(height, width / kViewAspect);
        for (double value : {low.east, low.north, high.east, high.north, view.centre.east,
                             view.centre.north, view.height}) {
            if (!std::isfinite(value)) {
                return std::nullopt;
            }
        }
        return view;
    }

    // The drawing's extent in the written system, or an empty drawing's (0,0 to 100,100) when
    // it has none there or when a value of its view is too large for a double; the latter is
    // said.
    View viewOfExtent() {
        const Position emptyLow, emptyHigh{100, 100, std::nullopt};
        std::optional<std::pair<Position, Position>> box = features_.extent();
        if (!box) {
            return *ViewOf(emptyLow, emptyHigh);
        }
        Position low = box->first, high = box->second;
        if (!systems_.apply(low) || !systems_.apply(high)) {
            // A corner of the box has no place in the written system (a point the walk will
            // leave out, for one): the box of the positions that have one, each placed.
            box = features_.extent(true);
            if (!box) {
                return *ViewOf(emptyLow, emptyHigh);
            }
            low = box->first;
            high = box->second;
        }
        if (std::optional<View> view = ViewOf(low, high)) {
            return *view;
        }
        features_.addWarning("the drawing's extent is too large for a view; none written");
        return *ViewOf(emptyLow, emptyHigh);
    }

    // The name `table` writes for `name`; a suffix added is noted against `source`.
    std::string written(DxfNameTable& table, std::string_view what, std::string_view name,
                        FeatureSource source) {
        const DxfNameTable::Written w = table.add(name);
        if (w.renamed) {
            nameNotes_.push_back({source, false,
                                  std::string(what) + " '" + Utf8FromCp1254(QuotedCell(name)) +
                                      "' written as '" + Utf8FromCp1254(QuotedCell(w.name)) + "'"});
        }
        return w.name;
    }

  public:
    // The header, tables and blocks, up to the start of the entities.
    void writeHead() {
        DxfOut& out = out_;
        // Every declared layer is a layer of the file with its own pen, under a name of its own.
        // The numbers' layer, when written, keeps its name: a drawing layer of that name is
        // renamed.
        DxfNameTable layerTable = numberText_ ? DxfNameTable{"0", kNumberLayer} : DxfNameTable{"0"};
        for (const ExportLayer& layer : features_.layers()) {
            layerNames_.push_back(written(layerTable, "layer", layer.name,
                                          {KindOf(Kind::Tabaka).table, layer.number}));
        }
        const std::vector<ExportFeatures::FirstUse> fonts = features_.fonts();
        const std::vector<ExportFeatures::FirstUse> symbols = features_.symbolNumbers();
        // Every feature takes at most five handles (an insert, two attributes, its end, its
        // number's text); the tables and blocks fewer than 1000 and a few per layer, style and
        // symbol block.
        const uint64_t seed = 0x100 + 64 + 5 * features_.rowCount() +
                              4 * features_.layers().size() + 2 * fonts.size() +
                              16 * symbols.size();

        out.tag(0, "SECTION");
        out.tag(2, "HEADER");
        header("$ACADVER", 1, "AC1018");
        header("$DWGCODEPAGE", 3, "ANSI_1254");
        out.tag(9, "$HANDSEED");
        out.handle(5, seed);
        out.tag(9, "$INSUNITS");
        out.integer(70, 6);
        // What a CAD program shows first: the drawing's extent.
        const View view = viewOfExtent();
        const Position& low = view.low;
        const Position& high = view.high;
        out.tag(9, "$EXTMIN");
        out.point(10, low.east, low.north, 0);
        out.tag(9, "$EXTMAX");
        out.point(10, high.east, high.north, 0);
        out.tag(9, "$MEASUREMENT");
        out.integer(70, 1);
        out.tag(9, "$LTSCALE");
        out.tag(40, 1.0);
        out.tag(0, "ENDSEC");
        out.tag(0, "SECTION");
        out.tag(2, "CLASSES");
        out.tag(0, "ENDSEC");

        out.tag(0, "SECTION");
        out.tag(2, "TABLES");
        uint64_t table = take();
        tableHead("VPORT", table, 1);
        recordHead("VPORT", "AcDbViewportTableRecord", table);
        out.tag(2, "*ACTIVE");
        out.integer(70, 0);
        out.point(10, 0, 0, 0);
        out.tag(11, 1.0);
        out.tag(21, 1.0);
        out.tag(12, view.centre.east);
        out.tag(22, view.centre.north);
        out.tag(40, view.height);
        out.tag(41, kViewAspect);
        out.tag(0, "ENDTAB");

        table = take();
        tableHead("LTYPE", table, static_cast<int>(kLineTypes.size()) + 2);
        for (std::string_view name : {"ByBlock", "ByLayer"}) {
            recordHead("LTYPE", "AcDbLinetypeTableRecord", table);
            out.tag(2, name);
            out.integer(70, 0);
            out.tag(3, "");
            out.integer(72, 65);
            out.integer(73, 0);
            out.tag(40, 0.0);
        }
        for (const LineTypeEntry& type : kLineTypes) {
            recordHead("LTYPE", "AcDbLinetypeTableRecord", table);
            out.tag(2, type.dxfName);
            out.integer(70, 0);
            out.tag(3, "");
            out.integer(72, 65);
            out.integer(73, static_cast<int>(type.pattern.size()));
            double length = 0;
            for (double piece : type.pattern) {
                length += piece;
            }
            out.tag(40, length);
            // Dashes and dots are positive, gaps negative; on paper in millimetres, so in
            // metres on a sheet of 1:1000.
            for (size_t i = 0; i < type.pattern.size(); ++i) {
                out.tag(49, i % 2 == 0 ? type.pattern[i] : -type.pattern[i]);
                out.integer(74, 0);
            }
        }
        out.tag(0, "ENDTAB");

        table = take();
        tableHead("LAYER", table, static_cast<int>(layerNames_.size()) + (numberText_ ? 2 : 1));
        for (std::string_view name : {std::string_view("0"), kNumberLayer}) {
            if (name == kNumberLayer && !numberText_) {
                break;
            }
            recordHead("LAYER", "AcDbLayerTableRecord", table);
            out.tag(2, name);
            out.integer(70, 0);
            out.integer(62, 7);
            out.tag(6, LineTypeOf(LineType::Continuous).dxfName);
            out.integer(370, kLineWeightDefault);
        }
        for (size_t i = 0; i < layerNames_.size(); ++i) {
            const ExportLayer& layer = features_.layers()[i];
            recordHead("LAYER", "AcDbLayerTableRecord", table);
            out.tag(2, layerNames_[i]);
            out.integer(70, 0);
            // A layer switched off has its colour negated.
            out.integer(62, layer.on ? layer.colour : -layer.colour);
            out.tag(6, LineTypeOf(layer.lineType).dxfName);
            out.integer(370, LineWeightOf(layer.thickness));
        }
        out.tag(0, "ENDTAB");

        table = take();
        DxfNameTable styleTable{kStandardStyle};
        std::vector<std::pair<std::string, std::string>> styles;  // the name and the font file
        for (const ExportFeatures::FirstUse& font : fonts) {
            styles.emplace_back(written(styleTable, "style", font.text, font.source),
                                CleanDxfName(font.text));
            styleNames_.emplace(font.text, styles.back().first);
        }
        tableHead("STYLE", table, static_cast<int>(styles.size()) + 1);
        auto style = [&](std::string_view name, std::string_view file) {
            recordHead("STYLE", "AcDbTextStyleTableRecord", table);
            out.tag(2, name);
            out.integer(70, 0);
            out.tag(40, 0.0);
            out.tag(41, 1.0);
            out.tag(50, 0.0);
            out.integer(71, 0);
            out.tag(42, 2.5);
            out.tag(3, file);
            out.tag(4, "");
        };
        style(kStandardStyle, "txt");
        for (const auto& [name, file] : styles) {
            style(name, file);
        }
        out.tag(0, "ENDTAB");

        for (std::string_view name : {"VIEW", "UCS"}) {
            tableHead(name, take(), 0);
            out.tag(0, "ENDTAB");
        }
        table = take();
        tableHead("APPID", table, 2);
        for (std::string_view name : {std::string_view("ACAD"), kApplication}) {
            recordHead("APPID", "AcDbRegAppTableRecord", table);
            out.tag(2, name);
            out.integer(70, 0);
        }
        out.tag(0, "ENDTAB");
        table = take();
        tableHead("DIMSTYLE", table, 1);
        out.tag(100, "AcDbDimStyleTable");
        out.integer(71, 0);
        recordHead("DIMSTYLE", "AcDbDimStyleTableRecord", table);
        out.tag(2, "Standard");
        out.integer(70, 0);
        out.tag(0, "ENDTAB");

        // The block records: model and paper space, the point kinds' blocks, the symbols'.
        std::vector<std::string> blocks;
        for (const PointBlock& block : kPointBlocks) {
            blocks.emplace_back(block.name);
        }
        DxfNameTable blockTable{kModelSpace, kPaperSpace};
        for (const std::string& name : blocks) {
            blockTable.add(name);
        }
        for (const ExportFeatures::FirstUse& symbol : symbols) {
            blocks.push_back(written(blockTable, "block",
                                     std::string(kSymbolBlockPrefix) + std::string(symbol.text),
                                     symbol.source));
            blockNames_.emplace(symbol.text, blocks.back());
        }
        table = take();
        tableHead("BLOCK_RECORD", table, static_cast<int>(blocks.size()) + 2);
        std::vector<uint64_t> records;
        for (std::string_view name : {kModelSpace, kPaperSpace}) {
            records.push_back(next_);
            recordHead("BLOCK_RECORD", "AcDbBlockTableRecord", table);
            out.tag(2, name);
            out.handle(340, name == kModelSpace ? kModelLayout : kPaperLayout);
            out.integer(70, 0);
            out.integer(280, 1);
            out.integer(281, 0);
        }
        modelSpace_ = records[0];
        for (const std::string& name : blocks) {
            records.push_back(next_);
            recordHead("BLOCK_RECORD", "AcDbBlockTableRecord", table);
            out.tag(2, name);
            out.handle(340, 0);
            out.integer(70, 0);
            out.integer(280, 1);
            out.integer(281, 0);
        }
        out.tag(0, "ENDTAB");
        out.tag(0, "ENDSEC");

        out.tag(0, "SECTION");
        out.tag(2, "BLOCKS");
        for (size_t i = 0; i < 2; ++i) {
            std::string_view name = i == 0 ? kModelSpace : kPaperSpace;
            blockBegin(name, records[i], 0);
            blockEnd(records[i]);
        }
        for (size_t i = 0; i < std::size(kPointBlocks); ++i) {
            const uint64_t record = records[2 + i];
            blockBegin(kPointBlocks[i].name, record, 2);
            pointMarker(kPointBlocks[i].kind, record);
            attributeDefinition(kNumberTag, "Nokta No", record, 0);
            attributeDefinition(kHeightTag, "Z", record, 1);
            blockEnd(record);
        }
        for (size_t i = 2 + std::size(kPointBlocks); i < records.size(); ++i) {
            // What a symbol looks like is not in the drawing: a circle with a cross stands for
            // it, at its point, scaled and turned as the symbol is.
            blockBegin(blocks[i - 2], records[i], 0);
            circle(records[i], 0, 0, 0.5);
            segment(records[i], -0.5, 0, 0.5, 0);
            segment(records[i], 0, -0.5, 0, 0.5);
            blockEnd(records[i]);
        }
        out.tag(0, "ENDSEC");
        out.tag(0, "SECTION");
        out.tag(2, "ENTITIES");
        next_ = std::max<uint64_t>(next_, 0x100);
    }

    void blockBegin(std::string_view name, uint64_t record, int flags) {
        DxfOut& out = out_;
        entityHead("BLOCK", record, "0");
        out.tag(100, "AcDbBlockBegin");
        out.tag(2, name);
        out.integer(70, flags);
        out.point(10, 0, 0, 0);
        out.tag(3, name);
        out.tag(1, "");
    }
    void blockEnd(uint64_t record) {
        entityHead("ENDBLK", record, "0");
        out_.tag(100, "AcDbBlockEnd");
    }
    void circle(uint64_t owner, double x, double y, double radius) {
        DxfOut& out = out_;
        entityHead("CIRCLE", owner, "0");
        out.tag(100, "AcDbCircle");
        out.point(10, x, y, 0);
        out.tag(40, radius);
    }
    void segment(uint64_t owner, double x1, double y1, double x2, double y2) {
        DxfOut& out = out_;
        entityHead("LINE", owner, "0");
        out.tag(100, "AcDbLine");
        out.point(10, x1, y1, 0);
        out.point(11, x2, y2, 0);
    }
    void pointMarker(Kind kind, uint64_t owner) {
        DxfOut& out = out_;
        Marker marker = Marker::Dot;
        for (const FeatureKindEntry& entry : kFeatureKindRows) {
            if (entry.kind == kind) {
                marker = entry.marker;
            }
        }
        switch (marker) {
            case Marker::Triangle: {
                entityHead("LWPOLYLINE", owner, "0");
                out.tag(100, "AcDbPolyline");
                out.integer(90, 3);
                out.integer(70, 1);
                for (int k = 0; k < 3; ++k) {
                    const double a = (90 + 120 * k) * std::numbers::pi / 180;
                    out.tag(10, kMarkerSize * std::cos(a));
                    out.tag(20, kMarkerSize * std::sin(a));
                }
                break;
            }
            case Marker::Circle:
                circle(owner, 0, 0, 0.75 * kMarkerSize);
                break;
            default:
                circle(owner, 0, 0, 0.15 * kMarkerSize);
                break;
        }
    }
    void attributeDefinition(std::string_view tag, std::string_view prompt, uint64_t owner,
                             int place) {
        DxfOut& out = out_;
        entityHead("ATTDEF", owner, "0");
        out.tag(100, "AcDbText");
        out.point(10, 1.2 * kMarkerSize, place == 0 ? 0.2 : -1.2 * kAttributeHeight, 0);
        out.tag(40, kAttributeHeight);
        out.tag(1, "");
        out.tag(100, "AcDbAttributeDefinition");
        out.tag(3, prompt);
        out.tag(2, tag);
        out.integer(70, 0);
    }

    void xdata(std::initializer_list<std::string_view> values) {
        DxfOut& out = out_;
        out.tag(1001, kApplication);
        for (std::string_view value : values) {
            out.tag(1000, value.substr(0, 255));
        }
    }

    // FeatureSink
    void point(const PointFeature& f) override {
        DxfOut& out = out_;
        const Position& at = f.at;
        const std::string& layer = layerName(f.layer);
        const uint64_t insert = next_;
        std::string_view block = "NOKTA";
        for (const PointBlock& b : kPointBlocks) {
            if (b.kind == f.kind) {
                block = b.name;
            }
        }
        entityHead("INSERT", modelSpace_, layer);
        out.tag(100, "AcDbBlockReference");
        out.integer(66, 1);
        out.tag(2, block);
        out.point(10, at.east, at.north, at.z.value_or(0));
        const std::string_view values[2] = {f.number, f.zText};
        const std::string_view tags[2] = {kNumberTag, kHeightTag};
        for (int i = numberAttribute_ ? 0 : 1; i < 2; ++i) {
            entityHead("ATTRIB", insert, layer);
            out.tag(100, "AcDbText");
            out.point(10, at.east + 1.2 * kMarkerSize,
                      at.north + (i == 0 ? 0.2 : -1.2 * kAttributeHeight), at.z.value_or(0));
            out.tag(40, kAttributeHeight);
            out.tag(1, values[i]);
            out.tag(100, "AcDbAttribute");
            out.tag(2, tags[i]);
            out.integer(70, 0);
        }
        entityHead("SEQEND", insert, layer);
        if (numberText_) {
            // Where the number's attribute stands.
            const Position beside{at.east + 1.2 * kMarkerSize, at.north + 0.2, at.z};
            text(kNumberLayer, beside, kAttributeHeight, f.number, 0, 1, false, false,
                 kStandardStyle);
        }
    }
    void line(const LineFeature& f) override {
        DxfOut& out = out_;
        const Position &a = f.a, &b = f.b;
        entityHead("LINE", modelSpace_, layerName(f.layer));
        out.tag(100, "AcDbLine");
        out.point(10, a.east, a.north, a.z.value_or(0));
        out.point(11, b.east, b.north, b.z.value_or(0));
        xdata({f.from, f.to});
    }
    void parcel(const ParcelFeature& f) override {
        DxfOut& out = out_;
        const std::string& layer = layerName(f.layer);
        entityHead("LWPOLYLINE", modelSpace_, layer);
        out.tag(100, "AcDbPolyline");
        out.integer(90, static_cast<long long>(f.corners.size()));
        out.integer(70, 1);
        for (const Position& corner : f.corners) {
            out.tag(10, corner.east);
            out.tag(20, corner.north);
        }
        const DxfNumber area(f.cornerArea, DxfNumberForm::Decimals2);
        xdata({f.block, f.parcel, f.area, area.text()});
        std::string title(f.block);
        title += '/';
        title += f.parcel;
        text(layer, f.inside, kParcelTextHeight, title, 0, 1, false, true, "Standard");
    }
    void label(const LabelFeature& f) override {
        const auto found = styleNames_.find(f.font);
        const std::string_view style =
            found == styleNames_.end() ? kStandardStyle : std::string_view(found->second);
        text(layerName(f.layer), f.at, f.height, f.text, f.rotation, f.widthFactor, f.italic,
             f.centred, style);
    }
    void symbol(const SymbolFeature& f) override {
        DxfOut& out = out_;
        const Position& at = f.at;
        entityHead("INSERT", modelSpace_, layerName(f.layer));
        out.tag(100, "AcDbBlockReference");
        const auto block = blockNames_.find(Trim(f.symbol));
        out.tag(2, block != blockNames_.end()
                       ? block->second
                       : std::string(kSymbolBlockPrefix) + CleanDxfName(f.symbol));
        out.point(10, at.east, at.north, at.z.value_or(0));
        out.tag(41, f.scaleX);
        out.tag(42, f.scaleY);
        out.tag(43, 1.0);
        out.tag(50, f.rotation);
    }

    void text(std::string_view layer, const Position& at, double height, std::string_view value,
              double rotation, double width, bool italic, bool centred, std::string_view style) {
        DxfOut& out = out_;
        entityHead("TEXT", modelSpace_, layer);
        out.tag(100, "AcDbText");
        out.point(10, at.east, at.north, 0);
        out.tag(40, height);
        out.tag(1, value);
        out.tag(50, rotation);
        out.tag(41, width);
        out.tag(51, italic ? kItalicAngle : 0.0);
        out.tag(7, style);
        if (centred) {
            out.integer(72, 1);
            out.point(11, at.east, at.north, 0);
        }
        out.tag(100, "AcDbText");
        if (centred) {
            out.integer(73, 2);
        }
    }

    // The end of the entities and the objects: the layouts CAD programs expect.
    void writeTail() {
        for (FeatureNote& note : nameNotes_) {
            features_.addNote(std::move(note));
        }
        nameNotes_.clear();
        DxfOut& out = out_;
        out.tag(0, "ENDSEC");
        out.tag(0, "SECTION");
        out.tag(2, "OBJECTS");
        const uint64_t root = kRoot, groups = kGroups, layouts = kLayouts;
        out.tag(0, "DICTIONARY");
        out.handle(5, root);
        out.handle(330, 0);
        out.tag(100, "AcDbDictionary");
        out.integer(281, 1);
        out.tag(3, "ACAD_GROUP");
        out.handle(350, groups);
        out.tag(3, "ACAD_LAYOUT");
        out.handle(350, layouts);
        out.tag(0, "DICTIONARY");
        out.handle(5, groups);
        out.handle(330, root);
        out.tag(100, "AcDbDictionary");
        out.integer(281, 1);
        out.tag(0, "DICTIONARY");
        out.handle(5, layouts);
        out.handle(330, root);
        out.tag(100, "AcDbDictionary");
        out.integer(281, 1);
        out.tag(3, "Layout1");
        out.handle(350, kPaperLayout);
        out.tag(3, "Model");
        out.handle(350, kModelLayout);
        layout("Model", kModelLayout, layouts, modelSpace_, 0);
        layout("Layout1", kPaperLayout, layouts, modelSpace_ + 1, 1);
        out.tag(0, "ENDSEC");
        out.tag(0, "EOF");
    }

    void layout(std::string_view name, uint64_t handle, uint64_t owner, uint64_t record,
                int order) {
        DxfOut& out = out_;
        out.tag(0, "LAYOUT");
        out.handle(5, handle);
        out.handle(330, owner);
        out.tag(100, "AcDbPlotSettings");
        out.tag(1, "");
        out.tag(2, "none_device");
        out.tag(4, "");
        out.tag(6, "");
        for (int code = 40; code <= 49; ++code) {
            out.tag(code, 0.0);
        }
        out.tag(140, 0.0);
        out.tag(141, 0.0);
        out.tag(142, 1.0);
        out.tag(143, 1.0);
        out.integer(70, 688);
        out.integer(72, 1);
        out.integer(73, 0);
        out.integer(74, 5);
        out.tag(7, "");
        out.integer(75, 16);
        out.integer(76, 0);
        out.integer(77, 2);
        out.integer(78, 300);
        out.tag(147, 1.0);
        out.tag(148, 0.0);
        out.tag(149, 0.0);
        out.tag(100, "AcDbLayout");
        out.tag(1, name);
        out.integer(70, 1);
        out.integer(71, order);
        out.tag(10, 0.0);
        out.tag(20, 0.0);
        out.tag(11, 420.0);
        out.tag(21, 297.0);
        out.point(12, 0, 0, 0);
        out.point(14, 0, 0, 0);
        out.point(15, 0, 0, 0);
        out.tag(146, 0.0);
        out.point(13, 0, 0, 0);
        out.point(16, 1, 0, 0);
        out.point(17, 0, 1, 0);
        out.integer(76, 0);
        out.handle(330, record);
    }
};

class DxfWriter final : public ExchangeWriter {
  public:
    const OutputFormatInfo& format() const override { return *OutputFormatNamed("dxf"); }

  protected:
    std::vector<std::string> writeFeatures(
        ExportFeatures& features, const CoordinateStep& systems, const ExportSettings& settings,
        const std::string& path, const std::function<bool(uint64_t)>& progress) const override {
        platform::ReplacingFile file(path);
        DxfOut out(file);
        DxfDocument document(out, systems, features, settings.pointNumbers);
        document.writeHead();
        if (!features.visit(document, progress)) {
            throw ExportCancelled();
        }
        document.writeTail();
        out.finish();
        // The last moment to cancel: after it the target is replaced.
        if (!progress(features.rowCount())) {
            throw ExportCancelled();
        }
        file.commit();
        return {file.targetPath()};
    }
};

}  // namespace

const ExchangeWriter& DxfExchangeWriter() {
    static const DxfWriter writer;
    return writer;
}

}  // namespace plotaktar
