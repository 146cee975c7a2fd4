#include "render/svg_stream.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>
#include <charconv>
#include <cmath>
#include <string>

namespace plotaktar {

namespace {

// Pieces handed to the sink: large enough that its writes are few.
constexpr size_t kPieceBytes = 64 * 1024;

}  // namespace

class SvgStreamEngine : public QPaintEngine {
  public:
    SvgStreamEngine(int width, int height, std::function<void(std::string_view)> sink,
                    bool millimetres)
        : QPaintEngine(QPaintEngine::AllFeatures),
          width_(width),
          height_(height),
          millimetres_(millimetres),
          decimals_(millimetres ? 3 : 2),
          sink_(std::move(sink)) {}

    bool begin(QPaintDevice*) override {
        out_ =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"";
        const char* unit = millimetres_ ? "mm" : "";
        out_ += " width=\"" + std::to_string(width_) + unit + "\" height=\"" +
                std::to_string(height_) + unit + "\" viewBox=\"0 0 " + std::to_string(width_) +
                ' ' + std::to_string(height_) + "\">\n<title>plotaktar</title>\n";
        return true;
    }
    bool end() override {
        closeClip();
        out_ += "</svg>\n";
        flush();
        return true;
    }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& newState) override {
        const QPaintEngine::DirtyFlags dirty = newState.state();
        if (dirty & DirtyPen) {
            pen_ = newState.pen();
        }
        if (dirty & DirtyBrush) {
            brush_ = newState.brush();
        }
        if (dirty & DirtyTransform) {
            transform_ = newState.transform();
        }
        // A clip becomes a group of the elements painted under it. The clip is taken as it is
        // given, in the surface's units: the painters set it with no transform.
        if (dirty & DirtyClipPath) {
            if (newState.clipOperation() == Qt::NoClip) {
                closeClip();
            } else {
                openClip(newState.clipPath());
            }
        } else if (dirty & DirtyClipRegion) {
            if (newState.clipOperation() == Qt::NoClip) {
                closeClip();
            } else {
                QPainterPath path;
                path.addRegion(newState.clipRegion());
                openClip(path);
            }
        }
        if ((dirty & DirtyClipEnabled) && !newState.isClipEnabled()) {
            closeClip();
        }
    }

    void drawLines(const QLineF* lines, int count) override {
        if (!hasPen()) {
            return;
        }
        out_ += "<path d=\"";
        for (int i = 0; i < count; ++i) {
            move(lines[i].p1());
            line(lines[i].p2());
            maybeFlush();
        }
        out_ += '"';
        stroke();
        out_ += " fill=\"none\"/>\n";
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QLineF line(lines[i]);
            drawLines(&line, 1);
        }
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count <= 0) {
            return;
        }
        out_ += "<path d=\"";
        move(points[0]);
        for (int i = 1; i < count; ++i) {
            line(points[i]);
            maybeFlush();
        }
        out_ += mode == PolylineMode ? "\"" : "Z\"";
        if (hasPen()) {
            stroke();
        } else {
            out_ += " stroke=\"none\"";
        }
        fill(mode != PolylineMode);
        out_ += "/>\n";
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i) {
            polygon << QPointF(points[i]);
        }
        drawPolygon(polygon.constData(), count, mode);
    }

    // A point is a square of the pen's width about it, as a square-capped pen paints it.
    void drawPoints(const QPointF* points, int count) override {
        if (!hasPen() || count <= 0) {
            return;
        }
        const double side = pen_.widthF() > 0 ? pen_.widthF() : 1.0;
        out_ += "<path d=\"";
        for (int i = 0; i < count; ++i) {
            move(points[i] - QPointF(side / 2, side / 2));
            out_ += 'h';
            number(side);
            out_ += 'v';
            number(side);
            out_ += 'h';
            number(-side);
            out_ += 'z';
            maybeFlush();
        }
        out_ += "\" fill=\"";
        colour(pen_.color());
        out_ += "\"/>\n";
    }
    void drawPoints(const QPoint* points, int count) override {
        for (int i = 0; i < count; ++i) {
            const QPointF point(points[i]);
            drawPoints(&point, 1);
        }
    }

    void drawEllipse(const QRectF& r) override {
        const QPointF c = transform_.map(r.center());
        out_ += "<ellipse cx=\"";
        number(c.x());
        out_ += "\" cy=\"";
        number(c.y());
        out_ += "\" rx=\"";
        number(r.width() / 2 * scaleOf());
        out_ += "\" ry=\"";
        number(r.height() / 2 * scaleOf());
        out_ += '"';
        if (hasPen()) {
            stroke();
        }
        fill(true);
        out_ += "/>\n";
    }

    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            const QPointF corners[4] = {rects[i].topLeft(), rects[i].topRight(),
                                        rects[i].bottomRight(), rects[i].bottomLeft()};
            drawPolygon(corners, 4, OddEvenMode);
        }
    }

    void drawPath(const QPainterPath& path) override {
        for (const QPolygonF& polygon : path.toSubpathPolygons()) {
            drawPolygon(polygon.constData(), static_cast<int>(polygon.size()),
                        polygon.isClosed() ? OddEvenMode : PolylineMode);
        }
    }

    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        const QString text = item.text();
        if (text.isEmpty()) {
            return;
        }
        const QFont font = item.font();
        out_ += "<text x=\"";
        number(at.x());
        out_ += "\" y=\"";
        number(at.y());
        out_ += "\" font-family=\"";
        escape(font.family());
        out_ += "\" font-size=\"";
        number(font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF());
        out_ += "\" fill=\"";
        colour(pen_.color());
        out_ += '"';
        if (!transform_.isIdentity()) {
            out_ += " transform=\"matrix(";
            // The turn and scale to a millionth: a sheet's texts are a large font scaled down.
            for (double v :
                 {transform_.m11(), transform_.m12(), transform_.m21(), transform_.m22()}) {
                number(v, 6);
                out_ += ' ';
            }
            for (double v : {transform_.dx(), transform_.dy()}) {
                number(v);
                out_ += ' ';
            }
            out_.back() = ')';
            out_ += '"';
        }
        out_ += " xml:space=\"preserve\">";
        escape(text);
        out_ += "</text>\n";
        maybeFlush();
    }

    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

  private:
    void openClip(const QPainterPath& path) {
        closeClip();
        const std::string id = "clip" + std::to_string(++clips_);
        out_ += "<clipPath id=\"" + id + "\"><path d=\"";
        const QTransform saved = transform_;
        transform_.reset();
        for (const QPolygonF& polygon : path.toSubpathPolygons()) {
            for (qsizetype i = 0; i < polygon.size(); ++i) {
                i == 0 ? move(polygon[i]) : line(polygon[i]);
            }
            out_ += 'Z';
        }
        transform_ = saved;
        out_ += "\"/></clipPath>\n<g clip-path=\"url(#" + id + ")\">\n";
        clipOpen_ = true;
    }
    void closeClip() {
        if (clipOpen_) {
            out_ += "</g>\n";
            clipOpen_ = false;
        }
    }
    bool hasPen() const { return pen_.style() != Qt::NoPen; }
    double scaleOf() const { return std::sqrt(std::fabs(transform_.determinant())); }

    void number(double value) { number(value, decimals_); }
    void number(double value, int decimals) {
        if (!std::isfinite(value)) {
            value = 0;
        }
        char buffer[400];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                       std::chars_format::fixed, decimals);
        if (ec != std::errc()) {
            out_ += '0';
            return;
        }
        // Two decimals are a hundredth of a pixel, three a thousandth of a millimetre; their
        // trailing zeros say nothing.
        while (end[-1] == '0') {
            --end;
        }
        if (end[-1] == '.') {
            --end;
        }
        std::string_view text(buffer, static_cast<size_t>(end - buffer));
        out_ += text == "-0" ? std::string_view("0") : text;
    }
    void move(QPointF p) {
        p = transform_.map(p);
        out_ += 'M';
        number(p.x());
        out_ += ' ';
        number(p.y());
    }
    void line(QPointF p) {
        p = transform_.map(p);
        out_ += 'L';
        number(p.x());
        out_ += ' ';
        number(p.y());
    }
    void colour(const QColor& c) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", c.red(), c.green(), c.blue());
        out_ += buffer;
    }
    void stroke() {
        out_ += " stroke=\"";
        colour(pen_.color());
        out_ += "\" stroke-width=\"";
        const double width =
            (pen_.widthF() > 0 ? pen_.widthF() : 1.0) * (pen_.isCosmetic() ? 1.0 : scaleOf());
        number(width);
        out_ += '"';
        if (pen_.style() != Qt::SolidLine) {
            // Qt's dashes are in pen widths.
            out_ += " stroke-dasharray=\"";
            for (qreal dash : pen_.dashPattern()) {
                number(dash * width);
                out_ += ' ';
            }
            out_.back() = '"';
        }
    }
    void fill(bool closed) {
        if (!closed || brush_.style() == Qt::NoBrush) {
            out_ += " fill=\"none\"";
            return;
        }
        out_ += " fill=\"";
        colour(brush_.color());
        out_ += '"';
    }
    // The text of an element: the markup characters as entities; control characters, which
    // XML may not hold, and lone surrogates as U+FFFD; the rest as UTF-8.
    void escape(const QString& text) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            char32_t code = c;
            if (c == '&') {
                out_ += "&amp;";
                continue;
            }
            if (c == '<') {
                out_ += "&lt;";
                continue;
            }
            if (c == '>') {
                out_ += "&gt;";
                continue;
            }
            if (c == '"') {
                out_ += "&quot;";
                continue;
            }
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                code = QChar::surrogateToUcs4(c, text[++i].unicode());
            } else if (c < 0x20 || QChar::isSurrogate(c) || c == 0xfffe || c == 0xffff) {
                code = 0xfffd;
            }
            if (code < 0x80) {
                out_ += static_cast<char>(code);
            } else if (code < 0x800) {
                out_ += static_cast<char>(0xc0 | (code >> 6));
                out_ += static_cast<char>(0x80 | (code & 0x3f));
            } else if (code < 0x10000) {
                out_ += static_cast<char>(0xe0 | (code >> 12));
                out_ += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
                out_ += static_cast<char>(0x80 | (code & 0x3f));
            } else {
                out_ += static_cast<char>(0xf0 | (code >> 18));
                out_ += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
                out_ += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
                out_ += static_cast<char>(0x80 | (code & 0x3f));
            }
        }
    }
    void maybeFlush() {
        if (out_.size() >= kPieceBytes) {
            flush();
        }
    }
    void flush() {
        sink_(out_);
        out_.clear();
    }

    int width_;
    int height_;
    bool millimetres_;
    int decimals_;
    std::function<void(std::string_view)> sink_;
    std::string out_;
    int clips_ = 0;
    bool clipOpen_ = false;
    QPen pen_;
    QBrush brush_;
    QTransform transform_;
};

SvgStream::SvgStream(int width, int height, std::function<void(std::string_view)> sink,
                     bool millimetres)
    : width_(width),
      height_(height),
      millimetres_(millimetres),
      engine_(std::make_unique<SvgStreamEngine>(width, height, std::move(sink), millimetres)) {}

SvgStream::~SvgStream() = default;

QPaintEngine* SvgStream::paintEngine() const {
    return engine_.get();
}

int SvgStream::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
            return width_;
        case PdmHeight:
            return height_;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return millimetres_ ? 25 : 96;
        case PdmWidthMM:
            return millimetres_ ? width_ : static_cast<int>(std::lround(width_ * 25.4 / 96));
        case PdmHeightMM:
            return millimetres_ ? height_ : static_cast<int>(std::lround(height_ * 25.4 / 96));
        case PdmNumColors:
            return 0xffffff;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

}  // namespace plotaktar
