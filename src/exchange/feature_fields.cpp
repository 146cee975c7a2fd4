#include "exchange/feature_fields.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exchange/layer_style.h"
#include "model/aci_palette.h"
#include "model/cp1254.h"

namespace plotaktar {

const std::vector<ExportField>& FieldsOf(ExportKind kind) {
    using enum FieldType;
    static const std::vector<ExportField> kFields[kExportKinds] = {
        {{"kind", Text}, {"number", Text}, {"z", Real}, {"layer", Text}, {"layer_no", Text}},
        {{"kind", Text},
         {"from", Text},
         {"to", Text},
         {"z1", Real},
         {"z2", Real},
         {"layer", Text},
         {"layer_no", Text}},
        {{"kind", Text},
         {"ada", Text},
         {"parsel", Text},
         {"alan", Text},
         {"alan_sayi", Real},
         {"alan_m2", Real},
         {"layer", Text},
         {"layer_no", Text}},
        {{"kind", Text},
         {"text", Text},
         {"font", Text},
         {"height", Real},
         {"width", Real},
         {"angle", Real},
         {"italic", Integer},
         {"centred", Integer},
         {"layer", Text},
         {"layer_no", Text},
         {"OGR_STYLE", Text}},
        {{"kind", Text},
         {"symbol", Text},
         {"point", Text},
         {"point_name", Text},
         {"sx", Real},
         {"sy", Real},
         {"angle", Real},
         {"layer", Text},
         {"layer_no", Text}},
    };
    return kFields[static_cast<int>(kind)];
}

namespace {

std::string_view KindName(Kind kind) {
    for (const FeatureKindEntry& entry : kFeatureKindRows) {
        if (entry.kind == kind) {
            return entry.name;
        }
    }
    return "Sembol";
}

// A text of the OGR style language in double quotes.
std::string StyleQuoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// A layer's pen in the OGR style language: its ACI colour (7 black, as on white paper) and width.
std::string LayerStyleOf(ExportKind kind, const ExportLayer& layer) {
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%06X",
                  static_cast<unsigned>(AciRgbOnWhite(layer.colour) & 0xFFFFFF));
    const std::string pen =
        "PEN(c:" + std::string(colour) + ",w:" + Number(LayerPenMm(layer)) + "mm)";
    switch (kind) {
        case ExportKind::Line:
            return pen;
        case ExportKind::Parcel:
            return "BRUSH(fc:#00000000);" + pen;
        case ExportKind::Label:
            return std::string();
        default:
            return "SYMBOL(id:\"ogr-sym-3\",c:" + std::string(colour) + ")";
    }
}

// A feature read from an import's tables, not from a plot file. A plot file carries no line
// ends' point numbers, declared areas, layer numbers, nor a label's font, width, italic and
// centring: their fields stay null, as a field of nothing is, not an empty text or a zero.
bool FromTables(const FeatureSource& source) {
    return source.table.has_value();
}

}  // namespace

FeatureRecord& FeatureRecords::start(ExportKind kind, FeatureSource source,
                                     std::string_view kindName, const LayerOf& layer) {
    record_.kind = kind;
    record_.source = source;
    record_.values.assign(FieldsOf(kind).size(), FieldValue());
    record_.shape.clear();
    record_.style.clear();
    record_.layerStyle = layer.layer != nullptr ? LayerStyleOf(kind, *layer.layer) : std::string();
    setUtf8("kind", std::string(kindName));
    setText("layer", layer.layer != nullptr ? layer.layer->name : std::string_view());
    // A plot file names a record's layer, but has no layer numbers.
    if (FromTables(source)) {
        setText("layer_no", layer.cell);
    }
    return record_;
}

FieldValue& FeatureRecords::value(const char* field) {
    const std::vector<ExportField>& fields = FieldsOf(record_.kind);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (std::strcmp(fields[i].name, field) == 0) {
            record_.values[i].null = false;
            return record_.values[i];
        }
    }
    // The table and the filling below are written together; a name not in it is a slip.
    std::abort();
}

void FeatureRecords::setText(const char* field, std::string_view cp1254) {
    value(field).text = Utf8FromCp1254(cp1254);
}

void FeatureRecords::setUtf8(const char* field, std::string text) {
    value(field).text = std::move(text);
}

void FeatureRecords::setReal(const char* field, double real) {
    value(field).real = real;
}

void FeatureRecords::setInteger(const char* field, int64_t integer) {
    value(field).integer = integer;
}

void FeatureRecords::point(const PointFeature& f) {
    FeatureRecord& r = start(ExportKind::Point, f.source, KindName(f.kind), f.layer);
    setText("number", f.number);
    if (f.at.z) {
        setReal("z", *f.at.z);
    }
    r.shape.push_back(f.at);
    record(r);
}

void FeatureRecords::line(const LineFeature& f) {
    FeatureRecord& r = start(ExportKind::Line, f.source, KindName(Kind::Hat), f.layer);
    if (FromTables(f.source)) {
        setText("from", f.from);
        setText("to", f.to);
    }
    if (f.a.z) {
        setReal("z1", *f.a.z);
    }
    if (f.b.z) {
        setReal("z2", *f.b.z);
    }
    r.shape = {f.a, f.b};
    record(r);
}

void FeatureRecords::parcel(const ParcelFeature& f) {
    FeatureRecord& r = start(ExportKind::Parcel, f.source, KindName(Kind::Parsel), f.layer);
    setText("ada", f.block);
    setText("parsel", f.parcel);
    if (FromTables(f.source)) {
        setText("alan", f.area);
    }
    if (f.areaNumber) {
        setReal("alan_sayi", *f.areaNumber);
    }
    setReal("alan_m2", f.cornerArea);
    r.shape.assign(f.corners.begin(), f.corners.end());
    record(r);
}

void FeatureRecords::label(const LabelFeature& f) {
    FeatureRecord& r = start(ExportKind::Label, f.source, KindName(Kind::Yazi), f.layer);
    const std::string text = Utf8FromCp1254(f.text);
    const std::string font = Utf8FromCp1254(f.font);
    setUtf8("text", text);
    setReal("height", f.height);
    setReal("angle", f.rotation);
    if (FromTables(f.source)) {
        setUtf8("font", font);
        setReal("width", f.widthFactor);
        setInteger("italic", f.italic ? 1 : 0);
        setInteger("centred", f.centred ? 1 : 0);
    }
    // The label as QGIS and GDAL's readers show it: height in ground units, angle in degrees
    // counter-clockwise, anchored at its left baseline or centre.
    r.style = "LABEL(t:" + StyleQuoted(text) + ",s:" + Number(f.height) +
              "g,a:" + Number(f.rotation) + ",p:" + (f.centred ? "5" : "10");
    if (!font.empty()) {
        r.style += ",f:" + StyleQuoted(font);
    }
    if (f.widthFactor != 1) {
        r.style += ",w:" + Number(f.widthFactor * 100);
    }
    if (f.italic) {
        r.style += ",it:1";
    }
    r.style += ")";
    setUtf8("OGR_STYLE", r.style);
    r.shape.push_back(f.at);
    record(r);
}

void FeatureRecords::symbol(const SymbolFeature& f) {
    FeatureRecord& r = start(ExportKind::Symbol, f.source, "Sembol", f.layer);
    setText("symbol", f.symbol);
    setText("point", f.point);
    setText("point_name", f.pointName);
    setReal("sx", f.scaleX);
    setReal("sy", f.scaleY);
    setReal("angle", f.rotation);
    r.shape.push_back(f.at);
    record(r);
}

}  // namespace plotaktar
