#include "exchange/layer_style.h"

#include <cstdio>
#include <optional>
#include <set>
#include <vector>

#include "exchange/xml_text.h"
#include "model/aci_palette.h"
#include "model/cp1254.h"
#include "model/line_types.h"

namespace plotaktar {

namespace {

// The thinnest of the usual pens, the viewer's for a layer without a "kalınlık".
constexpr double kDefaultPenMm = 0.13;
// A point's marker and a symbol's square before its Sx and Sy, in millimetres, as the viewer.
constexpr double kMarkerMm = 2.0;
constexpr double kDotMm = 0.5;
// Point numbers, symbol numbers and parcel names, in points.
constexpr double kNamePoints = 7;

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// QGIS's colour text: "R,G,B,A".
std::string Colour(uint32_t rgb, int alpha = 255) {
    return std::to_string(rgb >> 16 & 0xff) + "," + std::to_string(rgb >> 8 & 0xff) + "," +
           std::to_string(rgb & 0xff) + "," + std::to_string(alpha);
}

// A text in a QGIS expression: single quotes doubled, backslashes doubled.
std::string ExpressionText(std::string_view utf8) {
    std::string out = "'";
    for (char c : utf8) {
        if (c == '\'' || c == '\\') {
            out += c;
        }
        out += c;
    }
    return out + "'";
}

// The layer name as the categories see it: the field, or where a name holds a character no
// XML document can carry, the field with those characters as U+FFFD, as the QML writes them.
std::string CategoryAttribute(std::span<const ExportLayer> layers) {
    for (const ExportLayer& layer : layers) {
        if (HasXmlForbidden(layer.name)) {
            return R"(regexp_replace("layer", '[\\x{1}-\\x{8}\\x{b}\\x{c}\\x{e}-\\x{1f}]', )"
                   R"(char(65533)))";
        }
    }
    return "layer";
}

class Qml {
  public:
    std::string text;

    void open(std::string_view element, std::string_view attributes = {}) {
        text += "<" + std::string(element);
        if (!attributes.empty()) {
            text += " " + std::string(attributes);
        }
        text += ">\n";
    }
    void close(std::string_view element) { text += "</" + std::string(element) + ">\n"; }
    void empty(std::string_view element, std::string_view attributes) {
        text += "<" + std::string(element) + " " + std::string(attributes) + "/>\n";
    }
    void option(std::string_view name, std::string_view value) {
        text += R"(<Option type="QString" name=")" + std::string(name) + R"(" value=")" +
                XmlEscaped(value) + "\"/>\n";
    }

    // Properties computed from an expression each: (QGIS's key, expression).
    using Defined = std::span<const std::pair<std::string_view, std::string>>;
    void dataDefined(Defined properties, std::string_view element = "data_defined_properties") {
        open(element);
        open("Option", R"(type="Map")");
        option("name", "");
        open("Option", R"(type="Map" name="properties")");
        for (const auto& [key, expression] : properties) {
            open("Option", R"(type="Map" name=")" + std::string(key) + "\"");
            empty("Option", R"(type="bool" name="active" value="true")");
            option("expression", expression);
            empty("Option", R"(type="int" name="type" value="3")");
            close("Option");
        }
        close("Option");
        option("type", "collection");
        close("Option");
        close(element);
    }

    void symbolLayer(std::string_view className,
                     std::span<const std::pair<std::string_view, std::string>> options,
                     Defined defined = {}) {
        open("layer",
             R"(class=")" + std::string(className) + R"(" pass="0" locked="0" enabled="1")");
        open("Option", R"(type="Map")");
        for (const auto& [name, value] : options) {
            option(name, value);
        }
        close("Option");
        dataDefined(defined);
        close("layer");
    }
};

using Options = std::vector<std::pair<std::string_view, std::string>>;

// A layer's line: its colour, pen and line type. QGIS draws a dash of 0 not at all: a dot is
// one pen long, as the viewer draws it.
Options LineOptions(const ExportLayer& layer, uint32_t rgb) {
    const double pen = LayerPenMm(layer);
    std::string dashes;
    for (double mm : LineTypeOf(layer.lineType).pattern) {
        dashes += (dashes.empty() ? "" : ";") + Number(mm == 0 ? pen : mm);
    }
    return {{"line_color", Colour(rgb)},
            {"line_width", Number(pen)},
            {"line_width_unit", "MM"},
            {"line_style", "solid"},
            {"capstyle", "flat"},
            {"joinstyle", "miter"},
            {"use_custom_dash", dashes.empty() ? "0" : "1"},
            {"customdash", dashes.empty() ? "5;2" : dashes},
            {"customdash_unit", "MM"}};
}

// The symbol of the features of one layer (null: of those on no declared layer).
void Symbol(Qml& qml, ExportKind kind, const ExportLayer* layer, int index) {
    static const ExportLayer kNoLayer;
    const ExportLayer& of = layer != nullptr ? *layer : kNoLayer;
    const uint32_t rgb = AciRgbOnWhite(of.colour);
    const std::string pen = Number(LayerPenMm(of));
    const char* type = kind == ExportKind::Line     ? "line"
                       : kind == ExportKind::Parcel ? "fill"
                                                    : "marker";
    qml.open("symbol", std::string(R"(type=")") + type + R"(" name=")" + std::to_string(index) +
                           R"(" alpha="1" clip_to_extent="1" force_rhr="0")");
    qml.dataDefined({});
    switch (kind) {
        case ExportKind::Point: {
            // Triangulation points a triangle, traverse points a circle, detail points a dot.
            const std::pair<std::string_view, std::string> defined[] = {
                {"name", R"(CASE WHEN "kind" = 'Nirengi' THEN 'triangle' ELSE 'circle' END)"},
                {"size", R"(CASE WHEN "kind" = 'Nokta' THEN )" + Number(kDotMm) + " ELSE " +
                             Number(kMarkerMm) + " END"},
                {"fillColor", R"(CASE WHEN "kind" = 'Nokta' THEN ')" + Colour(rgb) + "' ELSE '" +
                                  Colour(rgb, 0) + "' END"}};
            qml.symbolLayer("SimpleMarker",
                            Options{{"name", "circle"},
                                    {"color", Colour(rgb)},
                                    {"outline_color", Colour(rgb)},
                                    {"outline_style", "solid"},
                                    {"outline_width", pen},
                                    {"outline_width_unit", "MM"},
                                    {"size", Number(kMarkerMm)},
                                    {"size_unit", "MM"}},
                            defined);
            break;
        }
        case ExportKind::Line:
            qml.symbolLayer("SimpleLine", LineOptions(of, rgb));
            break;
        case ExportKind::Parcel:
            // An outline only: a parcel is not filled.
            qml.symbolLayer("SimpleLine", LineOptions(of, rgb));
            break;
        case ExportKind::Label:
            // The text is the label; its point is not drawn.
            qml.symbolLayer("SimpleMarker", Options{{"name", "circle"},
                                                    {"color", Colour(rgb, 0)},
                                                    {"outline_style", "no"},
                                                    {"size", "0"}});
            break;
        case ExportKind::Symbol: {
            // A square scaled by Sx and Sy and turned by its angle (counter-clockwise; QGIS
            // turns clockwise).
            const std::pair<std::string_view, std::string> defined[] = {
                {"width", Number(kMarkerMm) + R"( * abs(coalesce("sx", 1)))"},
                {"height", Number(kMarkerMm) + R"( * abs(coalesce("sy", 1)))"},
                {"angle", R"(-coalesce("angle", 0))"}};
            qml.symbolLayer("EllipseMarker",
                            Options{{"symbol_name", "rectangle"},
                                    {"color", Colour(rgb, 0)},
                                    {"outline_color", Colour(rgb)},
                                    {"outline_style", "solid"},
                                    {"outline_width", pen},
                                    {"outline_width_unit", "MM"},
                                    {"symbol_width", Number(kMarkerMm)},
                                    {"symbol_width_unit", "MM"},
                                    {"symbol_height", Number(kMarkerMm)},
                                    {"symbol_height_unit", "MM"}},
                            defined);
            break;
        }
    }
    qml.close("symbol");
}

// The labels' colour: each layer's, black on no layer.
std::string ColourByLayer(std::span<const ExportLayer> layers, const std::string& attribute) {
    std::string expression;
    std::set<std::string> named;
    for (const ExportLayer& layer : layers) {
        const std::string name = Utf8FromCp1254(layer.name);
        if (AciRgbOnWhite(layer.colour) == 0 || !named.insert(name).second) {
            continue;
        }
        expression += " WHEN " + (attribute == "layer" ? "\"layer\"" : attribute) + " = " +
                      ExpressionText(XmlFit(name)) + " THEN '" +
                      Colour(AciRgbOnWhite(layer.colour)) + "'";
    }
    return expression.empty() ? "'0,0,0,255'" : "CASE" + expression + " ELSE '0,0,0,255' END";
}

// What a layer's features are labelled with, and how.
struct Labelling {
    std::string text;  // a field, or an expression
    bool expression = false;
    int placement = 1;  // QGIS's: 1 over the point (a polygon's: inside it)
    int quadrant = 4;   // 4 centred on the point, 2 above on its right
    double offsetMm = 0;
    std::vector<std::pair<std::string_view, std::string>> defined;
};

std::optional<Labelling> LabellingOf(ExportKind kind, std::span<const ExportLayer> layers,
                                     const std::string& attribute) {
    Labelling labelling;
    switch (kind) {
        case ExportKind::Point:
            labelling.text = "number";
            labelling.quadrant = 2;
            labelling.offsetMm = 1;
            break;
        case ExportKind::Line:
            return std::nullopt;
        case ExportKind::Parcel:
            labelling.text = R"("ada" || '/' || "parsel")";
            labelling.expression = true;
            break;
        case ExportKind::Label:
            // At the label's point, its left baseline or its centre, at its height in ground
            // units, turned by its angle: counter-clockwise in the field, clockwise in QGIS.
            labelling.text = "text";
            labelling.defined = {
                {"Size", R"(abs("height"))"},
                {"Family", R"("font")"},
                {"Italic", R"("italic" = 1)"},
                {"LabelRotation", R"(-"angle")"},
                {"PositionX", "$x"},
                {"PositionY", "$y"},
                {"Hali", R"(CASE WHEN "centred" = 1 THEN 'Center' ELSE 'Left' END)"},
                {"Vali", R"(CASE WHEN "centred" = 1 THEN 'Half' ELSE 'Base' END)"}};
            break;
        case ExportKind::Symbol:
            labelling.text = "symbol";
            labelling.quadrant = 2;
            labelling.offsetMm = kMarkerMm / 2;
            break;
    }
    labelling.defined.emplace_back("Color", ColourByLayer(layers, attribute));
    return labelling;
}

void Labels(Qml& qml, ExportKind kind, const Labelling& labelling) {
    const bool ground = kind == ExportKind::Label;
    qml.open("labeling", R"(type="simple")");
    qml.open("settings", R"(calloutType="simple")");
    qml.empty("text-style",
              "fieldName=\"" + XmlEscaped(labelling.text) + "\" isExpression=\"" +
                  (labelling.expression ? "1" : "0") +
                  R"(" fontFamily="DejaVu Sans" namedStyle="" fontWeight="50" fontItalic="0" )"
                  R"(fontSize=")" +
                  (ground ? std::string("1") : Number(kNamePoints)) + R"(" fontSizeUnit=")" +
                  (ground ? "MapUnit" : "Point") +
                  R"(" textColor="0,0,0,255" textOpacity="1" multilineHeight="1" )"
                  R"(allowHtml="0" capitalization="0")");
    qml.empty("placement", "placement=\"" + std::to_string(labelling.placement) +
                               "\" quadOffset=\"" + std::to_string(labelling.quadrant) +
                               "\" xOffset=\"" + Number(labelling.offsetMm) + "\" yOffset=\"" +
                               Number(-labelling.offsetMm) +
                               R"(" offsetUnits="MM" offsetType="0" dist="0" distUnits="MM" )"
                               R"(centroidInside="1" centroidWhole="0" fitInPolygonOnly="0" )"
                               R"(rotationAngle="0" preserveRotation="1" priority="5")");
    // Every label drawn where the drawing has it, overlapping or upside down.
    qml.empty("rendering",
              R"(drawLabels="1" displayAll="1" obstacle="0" upsidedownLabels="2" )"
              R"(labelPerPart="0" mergeLines="0" scaleVisibility="0" fontLimitPixelSize="0" )"
              R"(limitNumLabels="0" minFeatureSize="0" zIndex="0")");
    qml.dataDefined(labelling.defined, "dd_properties");
    qml.close("settings");
    qml.close("labeling");
}

}  // namespace

std::string LayerStyleQml(ExportKind kind, std::span<const ExportLayer> layers) {
    const std::string attribute = CategoryAttribute(layers);
    const std::optional<Labelling> labelling = LabellingOf(kind, layers, attribute);
    Qml qml;
    qml.text = "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n";
    qml.open("qgis", std::string(R"(version="3.22.0" styleCategories="Symbology|Labeling" )") +
                         R"(labelsEnabled=")" + (labelling ? "1" : "0") + "\"");
    qml.open("renderer-v2", R"(type="categorizedSymbol" attr=")" + XmlEscaped(attribute) +
                                R"(" symbollevels="0" enableorderby="0" forceraster="0" )"
                                R"(referencescale="-1")");
    // A category a layer name (the first of layers of the same name), and one for the
    // features on no declared layer, whose layer field is empty.
    std::vector<const ExportLayer*> categories;
    std::set<std::string> named;
    qml.open("categories");
    for (const ExportLayer& layer : layers) {
        const std::string name = XmlFit(Utf8FromCp1254(layer.name));
        if (name.empty() || !named.insert(name).second) {
            continue;
        }
        qml.empty("category", "symbol=\"" + std::to_string(categories.size()) + "\" value=\"" +
                                  XmlEscaped(name) + "\" label=\"" + XmlEscaped(name) +
                                  "\" render=\"" + (layer.on ? "true" : "false") + "\"");
        categories.push_back(&layer);
    }
    qml.empty("category", "symbol=\"" + std::to_string(categories.size()) +
                              R"(" value="" label="" render="true")");
    categories.push_back(nullptr);
    qml.close("categories");
    qml.open("symbols");
    for (size_t i = 0; i < categories.size(); ++i) {
        Symbol(qml, kind, categories[i], static_cast<int>(i));
    }
    qml.close("symbols");
    qml.close("renderer-v2");
    if (labelling) {
        Labels(qml, kind, *labelling);
    }
    qml.open("layerGeometryType");
    qml.text.pop_back();
    qml.text += kind == ExportKind::Line ? "1" : kind == ExportKind::Parcel ? "2" : "0";
    qml.close("layerGeometryType");
    qml.close("qgis");
    return qml.text;
}

double LayerPenMm(const ExportLayer& layer) {
    return layer.thickness && *layer.thickness > 0 ? *layer.thickness : kDefaultPenMm;
}

}  // namespace plotaktar
