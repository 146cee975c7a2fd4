#include "render/pdf_face.h"

// Qt's PDF engine keeps its page content and its fonts to itself. A sheet's map face, megabytes
// of lines and hundreds of thousands of texts a page, is written here as the page's operators
// on another thread and handed to the engine whole, and its texts use the engine's own font
// object, so that the PDF embeds one font as before and its texts are found by a search. This
// reads the engine's state through Qt's private headers of the Qt it is built with.
#include <QtGui/private/qfixed_p.h>
#include <QtGui/private/qfontsubset_p.h>
#include <QtGui/private/qpdf_p.h>
#include <QtGui/private/qrawfont_p.h>

#include <QIODevice>
#include <QPaintEngine>
#include <algorithm>
#include <cmath>
#include <new>
#include <string_view>

#include "render/text_run.h"

// Qt's PDF engine adds a glyph to a font of its own this way; its library keeps the function to
// itself, and the font's constructor, which is in its header, calls it.
qsizetype QFontSubset::addGlyph(uint index) {
    qsizetype at = glyph_indices.indexOf(index);
    if (at < 0) {
        at = glyph_indices.size();
        glyph_indices.append(index);
    }
    return at;
}

namespace plotaktar {

namespace {

// The engine's state behind a QPaintEngine, which only the engine's own class may name.
struct EngineState : QPaintEngine {
    static QPdfEnginePrivate* Of(QPaintEngine* engine) {
        return static_cast<QPdfEnginePrivate*>((engine->*(&EngineState::d_ptr)).data());
    }
};

// A page's content stream keeps its device and whether it must be sought to its end before
// the next write to itself; an explicit instantiation may name them, and hands them out here.
template <typename Tag, typename Tag::Type member>
struct Reach {
    friend typename Tag::Type MemberOf(Tag) { return member; }
};
struct StreamDevice {
    using Type = QIODevice* QPdf::ByteStream::*;
    friend Type MemberOf(StreamDevice);
};
struct StreamDirty {
    using Type = bool QPdf::ByteStream::*;
    friend Type MemberOf(StreamDirty);
};
template struct Reach<StreamDevice, &QPdf::ByteStream::dev>;
template struct Reach<StreamDirty, &QPdf::ByteStream::handleDirty>;

QPdfEnginePrivate* PdfEngineOf(QPainter& painter) {
    QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Pdf) {
        return nullptr;
    }
    return EngineState::Of(engine);
}

// `value` as a PDF number with at most `decimals` decimals, none of them trailing zeros, and a
// space after it: whatever the locale, and without a library call for each of the millions of
// numbers a page holds.
void AppendNumber(std::string& out, double value, int decimals) {
    // A page is at most a few hundred thousand units across: anything else is no coordinate.
    if (!std::isfinite(value) || std::fabs(value) > 1e9) {
        value = 0;
    }
    static constexpr double kPowers[] = {1,      10,      100,      1000,      10000,
                                         100000, 1000000, 10000000, 100000000, 1000000000};
    decimals = std::clamp(decimals, 0, 9);
    const double power = kPowers[decimals];
    long long scaled = std::llround(value * power);
    char buffer[32];
    char* end = buffer + sizeof buffer;
    char* at = end;
    *--at = ' ';
    const bool negative = scaled < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(scaled)
                                            : static_cast<unsigned long long>(scaled);
    int digits = decimals;
    // The decimals, without their trailing zeros.
    bool any = false;
    for (; digits > 0; --digits) {
        const int digit = static_cast<int>(magnitude % 10);
        magnitude /= 10;
        if (digit != 0 || any) {
            *--at = static_cast<char>('0' + digit);
            any = true;
        }
    }
    if (any) {
        *--at = '.';
    }
    do {
        *--at = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (negative) {
        *--at = '-';
    }
    out.append(at, static_cast<size_t>(end - at));
}

}  // namespace

std::unique_ptr<PdfFaceFont> PdfFaceFont::Prepare(QPainter& painter, const QRawFont& font,
                                                  const QRawFont& sameFace,
                                                  const std::array<bool, 256>& bytes) {
    QPdfEnginePrivate* pdf = PdfEngineOf(painter);
    if (pdf == nullptr || !pdf->embedFonts || !font.isValid() || !sameFace.isValid()) {
        return nullptr;
    }
    QFontEngine* engine = QRawFontPrivate::get(font)->fontEngine;
    QFontEngine* other = QRawFontPrivate::get(sameFace)->fontEngine;
    if (engine == nullptr || other == nullptr) {
        return nullptr;
    }
    // The same test as the engine's own: a font it would draw as outlines stays with it.
    const QFontEngine::FaceId face = engine->faceId();
    if (face.filename.isEmpty() || (engine->fsType & 0x200) != 0 || engine->fsType == 2 ||
        !(other->faceId() == face)) {
        return nullptr;
    }
    QFontSubset* subset = pdf->fonts.value(face, nullptr);
    if (subset == nullptr) {
        subset = new QFontSubset(engine, pdf->requestObject());
        pdf->fonts.insert(face, subset);
    }

    auto made = std::unique_ptr<PdfFaceFont>(new PdfFaceFont);
    made->objectId_ = subset->object_id;
    made->resource_ = "/F" + std::to_string(subset->object_id);
    char all[256];
    for (int b = 0; b < 256; ++b) {
        all[b] = static_cast<char>(b);
    }
    const QString chars = DrawnText(std::string_view(all, sizeof all));
    const QList<quint32> glyphs = font.glyphIndexesForString(chars);
    if (glyphs.size() != 256) {
        return nullptr;
    }
    QList<quint32> used;
    for (size_t b = 0; b < 256; ++b) {
        if (bytes[b]) {
            used.append(glyphs[static_cast<qsizetype>(b)]);
            made->glyphOfChar_[chars[static_cast<qsizetype>(b)].unicode()] =
                glyphs[static_cast<qsizetype>(b)];
        }
    }
    // The widths the PDF will give the glyphs, as the engine computes them when it embeds the
    // font: each glyph's advance in the font's design units, in thousandths of its em.
    const double emSquare = engine->properties().emSquare.toReal();
    if (!(emSquare > 0)) {
        return nullptr;
    }
    const quint32 most = used.isEmpty() ? 0 : *std::max_element(used.begin(), used.end());
    made->subset_.assign(most + 1, kNone);
    made->widths_.assign(most + 1, 0);
    for (const quint32 glyph : used) {
        const qsizetype at = subset->addGlyph(glyph);
        if (at >= kNone) {
            return nullptr;
        }
        made->subset_[glyph] = static_cast<quint16>(at);
        QPainterPath outline;
        glyph_metrics_t metrics;
        engine->getUnscaledGlyph(glyph, &outline, &metrics);
        made->widths_[glyph] =
            static_cast<int>(std::lround(metrics.xoff.toReal() * 1000 / emSquare));
    }
    return made;
}

std::array<bool, 256> BytesOfTexts(const Drawing& drawing) {
    std::array<bool, 256> bytes{};
    for (size_t f = 0; f < drawing.size(); ++f) {
        for (const char c : drawing.text(f)) {
            bytes[static_cast<unsigned char>(c)] = true;
        }
    }
    return bytes;
}

PdfContentWriter::PdfContentWriter(const PdfFaceFont& font) : font_(font) {}

void PdfContentWriter::save() {
    saved_.push_back(transform_);
}

void PdfContentWriter::restore() {
    if (!saved_.empty()) {
        transform_ = saved_.back();
        saved_.pop_back();
    }
}

void PdfContentWriter::number(double value, int decimals) {
    AppendNumber(out_, value, decimals);
}

void PdfContentWriter::rgb(const QColor& colour) {
    number(colour.redF(), 4);
    number(colour.greenF(), 4);
    number(colour.blueF(), 4);
}

void PdfContentWriter::point(QPointF p) {
    if (!transform_.isIdentity()) {
        p = transform_.map(p);
    }
    number(p.x());
    number(p.y());
}

void PdfContentWriter::strokeState() {
    // A pen's width follows the painter's scale, as the engine's does.
    double width = pen_.widthF();
    if (!transform_.isIdentity()) {
        width *= std::sqrt(std::fabs(transform_.determinant()));
    }
    if (strokeWritten_ && writtenWidth_ == width && writtenPen_ == pen_) {
        return;
    }
    rgb(pen_.color());
    out_ += "RG ";
    number(width);
    out_ += "w ";
    out_ += pen_.capStyle() == Qt::SquareCap  ? "2 J "
            : pen_.capStyle() == Qt::RoundCap ? "1 J "
                                              : "0 J ";
    switch (pen_.joinStyle()) {
        case Qt::MiterJoin:
        case Qt::SvgMiterJoin:
            number(std::max(1.0, pen_.miterLimit()));
            out_ += "M 0 j ";
            break;
        case Qt::RoundJoin:
            out_ += "1 j ";
            break;
        default:
            out_ += "2 j ";
            break;
    }
    // Dashes in pen widths, as QPen has them; a pen of no width measures them in units.
    const double unit = width < 0.001 ? 1 : width;
    out_ += '[';
    for (const qreal dash : pen_.dashPattern()) {
        number(std::max(dash * unit, 0.0001), 4);
    }
    out_ += ']';
    number(pen_.dashOffset() * unit, 4);
    out_ += "d\n";
    strokeWritten_ = true;
    writtenPen_ = pen_;
    writtenWidth_ = width;
}

void PdfContentWriter::fillColour(const QColor& colour) {
    if (fillWritten_ && writtenFill_ == colour.rgba()) {
        return;
    }
    rgb(colour);
    out_ += "rg\n";
    fillWritten_ = true;
    writtenFill_ = colour.rgba();
}

void PdfContentWriter::pathOf(const QPainterPath& path) {
    // As the engine writes a path: a subpath that ends where it began is closed.
    int start = -1;
    const int count = path.elementCount();
    auto closes = [&](int last) {
        return start >= 0 && path.elementAt(start).x == path.elementAt(last).x &&
               path.elementAt(start).y == path.elementAt(last).y;
    };
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        switch (e.type) {
            case QPainterPath::MoveToElement:
                if (i > 0 && closes(i - 1)) {
                    out_ += "h\n";
                }
                point(e);
                out_ += "m\n";
                start = i;
                break;
            case QPainterPath::LineToElement:
                point(e);
                out_ += "l\n";
                break;
            case QPainterPath::CurveToElement:
                if (i + 2 < count) {
                    point(e);
                    point(path.elementAt(i + 1));
                    point(path.elementAt(i + 2));
                    out_ += "c\n";
                }
                i += 2;
                break;
            case QPainterPath::CurveToDataElement:
                break;
        }
    }
    if (count > 0 && closes(count - 1)) {
        out_ += "h\n";
    }
}

// Whether a pen or brush draws at all in the PDF: a solid opaque colour is what is written
// here; anything else (none of the map's own) is left to the painter.
static bool Opaque(const QBrush& brush) {
    return brush.style() == Qt::SolidPattern && brush.color().alpha() == 255;
}

void PdfContentWriter::paintPath(bool oddEven) {
    const bool stroke = pen_.style() != Qt::NoPen;
    const bool fill = brush_.style() != Qt::NoBrush;
    if (fill) {
        fillColour(brush_.color());
    }
    if (stroke && fill) {
        out_ += oddEven ? "B*\n" : "B\n";
    } else if (stroke) {
        out_ += "S\n";
    } else {
        out_ += oddEven ? "f*\n" : "f\n";
    }
}

bool PdfContentWriter::beginStrokes(int count) {
    if (count <= 0 || pen_.style() == Qt::NoPen) {
        return false;
    }
    if (!Opaque(pen_.brush())) {
        complete_ = false;
        return false;
    }
    strokeState();
    return true;
}

void PdfContentWriter::segment(QPointF from, QPointF to) {
    point(from);
    out_ += "m ";
    point(to);
    out_ += "l\n";
}

void PdfContentWriter::drawLines(const QLineF* lines, int count) {
    if (beginStrokes(count)) {
        for (int i = 0; i < count; ++i) {
            segment(lines[i].p1(), lines[i].p2());
        }
        out_ += "S\n";
    }
}

void PdfContentWriter::drawPoints(const QPointF* points, int count) {
    // A point is the pen drawn along a thousandth of a unit, as the engine draws it.
    if (beginStrokes(count)) {
        for (int i = 0; i < count; ++i) {
            segment(points[i], points[i] + QPointF(0, 0.001));
        }
        out_ += "S\n";
    }
}

void PdfContentWriter::drawPolygon(const QPointF* points, int count) {
    if (count <= 0) {
        return;
    }
    QPainterPath path;
    path.moveTo(points[0]);
    for (int i = 1; i < count; ++i) {
        path.lineTo(points[i]);
    }
    path.closeSubpath();
    drawPath(path);
}

void PdfContentWriter::drawEllipse(QPointF centre, qreal rx, qreal ry) {
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    drawPath(path);
}

void PdfContentWriter::drawPath(const QPainterPath& path) {
    const bool stroke = pen_.style() != Qt::NoPen;
    const bool fill = brush_.style() != Qt::NoBrush;
    if (path.isEmpty() || (!stroke && !fill)) {
        return;
    }
    if ((stroke && !Opaque(pen_.brush())) || (fill && !Opaque(brush_))) {
        complete_ = false;
        return;
    }
    if (stroke) {
        strokeState();
    }
    pathOf(path);
    paintPath(path.fillRule() == Qt::OddEvenFill);
}

void PdfContentWriter::beginText(double size) {
    fillColour(pen_.color());
    out_ += "BT ";
    out_ += font_.resource();
    out_ += ' ';
    number(size);
    out_ += "Tf\n";
    usesFont_ = true;
}

void PdfContentWriter::placeText(const QTransform& matrix) {
    // The glyphs stand upright in a picture whose y runs down. A text scaled to almost nothing
    // keeps its scale's digits, as the engine's would: a matrix of zeros places nothing.
    const QTransform m = matrix * transform_;
    const double largest =
        std::max({std::fabs(m.m11()), std::fabs(m.m12()), std::fabs(m.m21()), std::fabs(m.m22())});
    const int decimals = largest >= 0.01 ? 5 : 9;
    number(m.m11(), decimals);
    number(m.m12(), decimals);
    number(m.m21(), decimals);
    number(m.m22(), decimals);
    number(m.dx());
    number(m.dy());
    out_ += "Tm ";
}

static void Hex4(std::string& out, int glyph) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[(glyph >> 12) & 15];
    out += kDigits[(glyph >> 8) & 15];
    out += kDigits[(glyph >> 4) & 15];
    out += kDigits[glyph & 15];
}

void PdfContentWriter::drawText(QPointF at, const QString& text) {
    if (text.isEmpty() || pen_.style() == Qt::NoPen) {
        return;
    }
    if (!Opaque(pen_.brush())) {
        complete_ = false;
        return;
    }
    std::string glyphs;
    for (const QChar c : text) {
        const int glyph = font_.glyphOf(c);
        const int inFont = glyph < 0 ? -1 : font_.subsetGlyph(static_cast<quint32>(glyph));
        if (inFont < 0) {
            complete_ = false;
            return;
        }
        Hex4(glyphs, inFont);
    }
    beginText(fontPixels_);
    placeText(QTransform(1, 0, 0, -1, at.x(), at.y()));
    out_ += '<';
    out_ += glyphs;
    out_ += "> Tj ET\n";
}

void PdfContentWriter::drawTextRun(TextRun& run) {
    QList<quint32> glyphs;
    QList<QPointF> positions;
    run.takeGlyphs(glyphs, positions);
    if (glyphs.isEmpty() || pen_.style() == Qt::NoPen) {
        return;
    }
    if (!Opaque(pen_.brush())) {
        complete_ = false;
        return;
    }
    const double size = run.height();
    beginText(size);
    // A text's glyphs follow one another by the font's widths; where a glyph stands elsewhere
    // (its advance in the run rounded, or the next text begun) the string moves it there, and
    // a text on another line or far away starts a string of its own.
    bool open = false;
    QPointF last;
    int lastWidth = 0;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        const int glyph = font_.subsetGlyph(glyphs[i]);
        if (glyph < 0) {
            complete_ = false;
            out_ += open ? ">] TJ ET\n" : "ET\n";
            return;
        }
        const QPointF at = positions[i];
        // The move in thousandths of the font's size that the string makes beyond the width.
        const double move = lastWidth - (at.x() - last.x()) * 1000 / size;
        if (!open || at.y() != last.y() || !(std::fabs(move) <= 1000)) {
            if (open) {
                out_ += ">] TJ\n";
            }
            placeText(QTransform(1, 0, 0, -1, at.x(), at.y()));
            out_ += "[<";
            open = true;
        } else if (const double adjust = std::round(move * 10) / 10; adjust != 0) {
            out_ += "> ";
            number(adjust, 1);
            out_ += '<';
        }
        Hex4(out_, glyph);
        last = at;
        lastWidth = font_.width(glyphs[i]);
    }
    out_ += ">] TJ ET\n";
}

bool AppendPdfContent(QPainter& painter, const QRectF& clip, QPointF origin,
                      const std::string& content, const PdfFaceFont* font) {
    QPdfEnginePrivate* pdf = PdfEngineOf(painter);
    if (pdf == nullptr || pdf->currentPage == nullptr) {
        return false;
    }
    // The painter's state written out (the clip, no transform), by drawing nothing with it: the
    // content goes where the engine's next drawing would.
    painter.save();
    painter.resetTransform();
    painter.setClipRect(clip);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    const QRectF nothing;
    painter.drawRects(&nothing, 1);
    QPdfPage* page = pdf->currentPage;
    const bool ready = !(page->*MemberOf(StreamDirty{}));
    if (ready) {
        QIODevice* device = page->*MemberOf(StreamDevice{});
        std::string place = "q\n1 0 0 1 ";
        AppendNumber(place, origin.x(), 4);
        AppendNumber(place, origin.y(), 4);
        place += "cm\n";
        // The page's content is held in memory: a write that fails is memory that ran out.
        for (const std::string_view piece :
             {std::string_view(place), std::string_view(content), std::string_view("Q\n")}) {
            if (device->write(piece.data(), static_cast<qint64>(piece.size())) !=
                static_cast<qint64>(piece.size())) {
                painter.restore();
                throw std::bad_alloc();
            }
        }
        if (font != nullptr && !page->fonts.contains(font->objectId())) {
            page->fonts.append(font->objectId());
        }
    }
    painter.restore();
    return ready;
}

}  // namespace plotaktar
