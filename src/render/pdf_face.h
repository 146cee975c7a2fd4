#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "drawing/drawing.h"

namespace plotaktar {

class TextRun;

// The font of a sheet's map face as the PDF being painted embeds it: the PDF's own font object
// for it, made ready on the painting thread before any face is written, with every glyph the
// drawing's texts can need already in it. A face written on another thread then names the
// font's glyphs as the PDF does, without the PDF engine.
class PdfFaceFont {
  public:
    // The font of `font`'s face in the PDF `painter` paints, holding the glyphs of the bytes
    // `bytes` marks (as DrawnText shows them); `sameFace` (the same font at another size) must
    // be of that face too. Null where the painter is not a PDF's, or the face is one the PDF
    // would not embed, or the two differ: then the face is painted through the painter.
    static std::unique_ptr<PdfFaceFont> Prepare(QPainter& painter, const QRawFont& font,
                                                const QRawFont& sameFace,
                                                const std::array<bool, 256>& bytes);

    // The font's resource name on a page ("/F12").
    const std::string& resource() const { return resource_; }
    unsigned objectId() const { return objectId_; }
    // The glyph's number in the PDF's font, or -1 when it was not made ready.
    int subsetGlyph(quint32 glyph) const {
        return glyph < subset_.size() && subset_[glyph] != kNone ? subset_[glyph] : -1;
    }
    // How far the PDF moves past the glyph: its width in thousandths of the font's size.
    int width(quint32 glyph) const { return glyph < widths_.size() ? widths_[glyph] : 0; }
    // The glyph of a character of a drawing's text as DrawnText shows it; -1 for any other.
    int glyphOf(QChar c) const {
        const auto found = glyphOfChar_.find(c.unicode());
        return found == glyphOfChar_.end() ? -1 : static_cast<int>(found->second);
    }

  private:
    static constexpr quint16 kNone = 0xffff;
    unsigned objectId_ = 0;
    std::string resource_;
    std::vector<quint16> subset_;
    std::vector<int> widths_;
    std::unordered_map<char16_t, quint32> glyphOfChar_;
};

// The bytes that occur in the texts of a drawing's features (point numbers, parcel names,
// symbol numbers, labels).
std::array<bool, 256> BytesOfTexts(const Drawing& drawing);

// A picture written as a PDF page's content, on any thread: the part of QPainter's interface
// the picture painter uses, each call written as the PDF's operators. Coordinates are the
// painter's, y down, from where the face is placed; the transform starts as the identity.
// Texts are written in the face font's glyphs, each text as one string placed once.
class PdfContentWriter {
  public:
    explicit PdfContentWriter(const PdfFaceFont& font);

    void save();
    void restore();
    void setBrush(const QBrush& brush) { brush_ = brush; }
    void setPen(const QPen& pen) { pen_ = pen; }
    void setFont(const QFont& font) { fontPixels_ = font.pixelSize(); }
    void setRenderHint(QPainter::RenderHint, bool = true) {}
    void translate(QPointF offset) { transform_.translate(offset.x(), offset.y()); }
    void rotate(qreal degrees) { transform_.rotate(degrees); }
    void scale(qreal sx, qreal sy) { transform_.scale(sx, sy); }
    const QTransform& transform() const { return transform_; }
    void setTransform(const QTransform& transform) { transform_ = transform; }
    void drawLines(const QLineF* lines, int count);
    void drawPoints(const QPointF* points, int count);
    void drawPolygon(const QPointF* points, int count);
    void drawEllipse(QPointF centre, qreal rx, qreal ry);
    void drawPath(const QPainterPath& path);
    void drawText(QPointF at, const QString& text);
    // What was added to `run` (of the face font), drawn with the pen's colour; starts it afresh.
    void drawTextRun(TextRun& run);

    // Whether every text's glyphs were in the font: otherwise the face must be painted through
    // the painter, as a glyph the PDF's font lacks would be lost.
    bool complete() const { return complete_; }
    bool usesFont() const { return usesFont_; }
    // The page content written, letting go of it.
    std::string take() { return std::move(out_); }

  private:
    void number(double value, int decimals = 3);
    void rgb(const QColor& colour);
    void point(QPointF p);
    void strokeState();
    // Whether `count` strokes draw anything with the pen, its state written if so.
    bool beginStrokes(int count);
    void segment(QPointF from, QPointF to);
    void fillColour(const QColor& colour);
    void pathOf(const QPainterPath& path);
    void paintPath(bool closedFill);
    void beginText(double size);
    void placeText(const QTransform& matrix);

    const PdfFaceFont& font_;
    std::string out_;
    QTransform transform_;
    std::vector<QTransform> saved_;
    QPen pen_;
    QBrush brush_;
    int fontPixels_ = 12;
    // What was last written to the content, so that only changes are written again.
    bool strokeWritten_ = false;
    QPen writtenPen_;
    double writtenWidth_ = -1;
    bool fillWritten_ = false;
    QRgb writtenFill_ = 0;
    bool complete_ = true;
    bool usesFont_ = false;
};

// Puts `content` (written by a PdfContentWriter) on the page `painter` paints, a PDF's, clipped
// to `clip` and placed at `origin`, both in device units, as if it had been painted there with
// the painter. False, with nothing written, where the painter cannot take it.
bool AppendPdfContent(QPainter& painter, const QRectF& clip, QPointF origin,
                      const std::string& content, const PdfFaceFont* font);

}  // namespace plotaktar
