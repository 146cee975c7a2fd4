// KML for people (Google Earth, phones), written by a writer of our own: a style a drawing
// layer (its pen's colour and width, its points' icons in its colour, labels as texts without
// a pin), a folder a kind with a folder a layer inside it (switched-off layers' folders not
// shown on opening), every placemark named and described in Turkish. The coordinates are WGS 84
// longitude and latitude, each written as the shortest text that reads back as the same double.
//
// A kind's placemarks wait until the kind ends, so that they can be written layer by layer: in
// memory a chunk a layer, the rest in a temporary file, so that a big drawing's placemarks are
// never all held at once.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "exchange/layer_style.h"
#include "exchange/xml_text.h"
#include "gis/gis_writers.h"
#include "gis/reprojection.h"
#include "gis/spooled_groups.h"
#include "model/aci_palette.h"
#include "model/cp1254.h"
#include "model/file_name_text.h"
#include "platform/replacing_file.h"

namespace plotaktar {

namespace {

// Google Earth's own icons: a point's mark and a triangulation point's.
constexpr std::string_view kCircleIcon =
    "https://maps.google.com/mapfiles/kml/shapes/placemark_circle.png";
constexpr std::string_view kTriangleIcon =
    "https://maps.google.com/mapfiles/kml/shapes/triangle.png";
// A screen's pixels a millimetre of pen.
constexpr double kPixelsPerMm = 96.0 / 25.4;

std::string Number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// KML's colour: aabbggrr in hex.
std::string KmlColour(uint32_t rgb) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text = "ff";
    for (int shift : {0, 8, 16}) {
        const unsigned byte = rgb >> shift & 0xff;
        text += kHex[byte >> 4];
        text += kHex[byte & 0xf];
    }
    return text;
}

std::string Text(std::string_view cp1254) {
    return XmlEscaped(Utf8FromCp1254(cp1254));
}

// A placemark's description: its attributes as a small table, in Turkish.
class Description {
  public:
    Description& add(std::string_view name, std::string_view utf8) {
        html_ += "<tr><td>" + std::string(name) + "</td><td>" + XmlEscaped(utf8) + "</td></tr>";
        return *this;
    }
    Description& cell(std::string_view name, std::string_view cp1254) {
        return add(name, Utf8FromCp1254(cp1254));
    }
    Description& number(std::string_view name, double value) { return add(name, Number(value)); }
    Description& layer(const LayerOf& layer) {
        cell("Tabaka", layer.layer != nullptr ? layer.layer->name : std::string_view());
        return cell("Tabaka No", layer.cell);
    }
    // As the element's text: the table's markup escaped once more.
    std::string text() const { return XmlEscaped("<table>" + html_ + "</table>"); }

  private:
    std::string html_;
};

class KmlDocument final : public FeatureSink {
  public:
    // `name`: the document's, windows-1254.
    KmlDocument(platform::ReplacingFile& file, ExportFeatures& features, std::string_view name)
        : file_(file), features_(features), groups_(features.layers().size() + 1) {
        out_ =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n<name>" +
            Text(name) + "</name>\n";
        for (size_t i = 0; i <= features.layers().size(); ++i) {
            styles(i);
        }
    }

    void point(const PointFeature& f) override {
        startKind(ExportKind::Point);
        const std::string_view kind = f.kind == Kind::Nirengi   ? "Nirengi"
                                      : f.kind == Kind::Poligon ? "Poligon"
                                                                : "Nokta";
        Description about;
        about.add("Tür", kind).cell("Nokta No", f.number).cell("Z", f.zText).layer(f.layer);
        placemark(f.layer, f.kind == Kind::Nirengi ? "-nirengi" : "", Text(f.number), about,
                  "<Point><coordinates>" + At(f.at) + "</coordinates></Point>");
    }
    void line(const LineFeature& f) override {
        startKind(ExportKind::Line);
        Description about;
        about.cell("Başlangıç", f.from).cell("Bitiş", f.to).layer(f.layer);
        placemark(
            f.layer, "", Text(f.from) + "\xE2\x80\x93" + Text(f.to), about,
            "<LineString><coordinates>" + At(f.a) + " " + At(f.b) + "</coordinates></LineString>");
    }
    void parcel(const ParcelFeature& f) override {
        startKind(ExportKind::Parcel);
        Description about;
        about.cell("Ada", f.block).cell("Parsel", f.parcel).cell("Alan", f.area);
        about.number("Köşelerin alanı (m²)", f.cornerArea).layer(f.layer);
        std::string ring;
        for (const Position& corner : f.corners) {
            ring += At(corner) + " ";
        }
        if (!f.corners.empty()) {
            ring += At(f.corners.front());
        }
        placemark(f.layer, "", Text(f.block) + "/" + Text(f.parcel), about,
                  "<Polygon><outerBoundaryIs><LinearRing><coordinates>" + ring +
                      "</coordinates></LinearRing></outerBoundaryIs></Polygon>");
    }
    void label(const LabelFeature& f) override {
        startKind(ExportKind::Label);
        Description about;
        about.cell("Yazı", f.text).cell("Yazı tipi", f.font).number("Boy", f.height);
        about.number("En/Boy", f.widthFactor).number("Açı (derece)", f.rotation);
        about.add("Eğik", f.italic ? "evet" : "hayır").add("Ortalı", f.centred ? "evet" : "hayır");
        about.layer(f.layer);
        placemark(f.layer, "-yazi", Text(f.text), about,
                  "<Point><coordinates>" + At(f.at) + "</coordinates></Point>");
    }
    void symbol(const SymbolFeature& f) override {
        startKind(ExportKind::Symbol);
        Description about;
        about.cell("Sembol No", f.symbol).cell("Nokta", f.point).cell("Nokta adı", f.pointName);
        about.number("Sx", f.scaleX).number("Sy", f.scaleY).number("Açı (derece)", f.rotation);
        about.layer(f.layer);
        placemark(f.layer, "", Text(f.symbol), about,
                  "<Point><coordinates>" + At(f.at) + "</coordinates></Point>");
    }

    // Writes the kinds not written yet (each a folder, empty where the drawing has none of it)
    // and the document's end.
    void finish() {
        startKind(std::nullopt);
        out_ += "</Document>\n</kml>\n";
        file_.write(out_);
        out_.clear();
    }

  private:
    static std::string At(const Position& p) { return Number(p.east) + "," + Number(p.north); }

    // The index of a feature's layer among the groups: a declared layer's, or the last for
    // features on no layer.
    size_t groupOf(const LayerOf& layer) const {
        return layer.layer != nullptr ? static_cast<size_t>(layer.layer - features_.layers().data())
                                      : features_.layers().size();
    }
    static std::string StyleId(size_t group) { return "tabaka-" + std::to_string(group); }

    void styles(size_t group) {
        const std::vector<ExportLayer>& layers = features_.layers();
        static const ExportLayer kNoLayer;
        const ExportLayer& layer = group < layers.size() ? layers[group] : kNoLayer;
        const std::string colour = KmlColour(AciRgbOnWhite(layer.colour));
        const std::string width =
            Number(std::max(1.0, std::round(LayerPenMm(layer) * kPixelsPerMm * 10) / 10));
        const std::string lines = "<LineStyle><color>" + colour + "</color><width>" + width +
                                  "</width></LineStyle><PolyStyle><fill>0</fill>"
                                  "<outline>1</outline></PolyStyle>";
        const std::string id = StyleId(group);
        auto icon = [&](std::string_view href) {
            return "<IconStyle><color>" + colour + "</color><scale>0.6</scale><Icon><href>" +
                   std::string(href) + "</href></Icon></IconStyle>";
        };
        out_ += "<Style id=\"" + id + "\">" + icon(kCircleIcon) + lines + "</Style>\n";
        out_ += "<Style id=\"" + id + "-nirengi\">" + icon(kTriangleIcon) + lines + "</Style>\n";
        // A label is its text: no pin.
        out_ += "<Style id=\"" + id +
                "-yazi\"><IconStyle><scale>0</scale></IconStyle><LabelStyle><color>" + colour +
                "</color></LabelStyle></Style>\n";
        flushIfFull();
    }

    void placemark(const LayerOf& layer, std::string_view styleVariant, const std::string& name,
                   const Description& about, const std::string& geometry) {
        const size_t group = groupOf(layer);
        // Every placemark has a name: a feature without one is called by its kind.
        const std::string shown =
            name.empty() ? std::string(kExportKindRows[static_cast<size_t>(*kind_)].layerName)
                         : name;
        // In the order KML's schema gives a feature's elements.
        groups_.append(group, "<Placemark><name>" + shown + "</name><description>" + about.text() +
                                  "</description><styleUrl>#" + StyleId(group) +
                                  std::string(styleVariant) + "</styleUrl>" + geometry +
                                  "</Placemark>\n");
    }

    // Closes the kind being collected, writing its folder layer by layer, and opens the kinds
    // up to `kind` (every kind's folder is written, in order).
    void startKind(std::optional<ExportKind> kind) {
        if (kind_ && kind == kind_) {
            return;
        }
        const int next = kind ? static_cast<int>(*kind) : kExportKinds;
        for (int k = kind_ ? static_cast<int>(*kind_) : -1; k < next; ++k) {
            if (k >= 0) {
                writeKind(kExportKindRows[k]);
            }
        }
        kind_ = kind;
    }

    void writeKind(const ExportKindEntry& kind) {
        const std::vector<ExportLayer>& layers = features_.layers();
        out_ += "<Folder><name>" + std::string(kind.layerName) + "</name>\n";
        for (size_t group = 0; group <= layers.size(); ++group) {
            if (groups_.empty(group)) {
                continue;
            }
            const bool declared = group < layers.size();
            out_ += "<Folder><name>" +
                    (declared ? Text(layers[group].name) : std::string("(tabakasız)")) + "</name>";
            if (declared && !layers[group].on) {
                out_ += "<visibility>0</visibility>";
            }
            out_ += "\n";
            file_.write(out_);
            out_.clear();
            groups_.drain(group, [this](std::string_view placemarks) { file_.write(placemarks); });
            out_ += "</Folder>\n";
        }
        groups_.clear();
        out_ += "</Folder>\n";
        flushIfFull();
    }

    void flushIfFull() {
        if (out_.size() >= kChunk) {
            file_.write(out_);
            out_.clear();
        }
    }

    static constexpr size_t kChunk = 1 << 20;
    platform::ReplacingFile& file_;
    ExportFeatures& features_;
    std::string out_;
    // The placemarks of the kind being collected, by layer (the last: on no layer).
    SpooledGroups groups_;
    std::optional<ExportKind> kind_;
};

class KmlWriter final : public GisExchangeWriter {
  public:
    const OutputFormatInfo& format() const override { return *OutputFormatNamed("kml"); }
    int fixedTarget() const override { return kWgs84; }

  protected:
    std::vector<std::string> writeFeatures(
        ExportFeatures& features, const CoordinateStep&, const ExportSettings&,
        const std::string& path, const std::function<bool(uint64_t)>& progress) const override {
        platform::ReplacingFile file(path);
        std::string name = FileNameInMessage(path);
        name = name.substr(0, name.rfind('.'));
        KmlDocument document(file, features, name);
        if (!features.visit(document, progress)) {
            throw ExportCancelled();
        }
        document.finish();
        // The last moment to cancel: after it the target is replaced.
        if (!progress(features.rowCount())) {
            throw ExportCancelled();
        }
        file.commit();
        return {file.targetPath()};
    }
};

}  // namespace

const ExchangeWriter& KmlExchangeWriter() {
    static const KmlWriter writer;
    return writer;
}

}  // namespace plotaktar
