#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <array>
#include <string_view>

class QPainter;

namespace plotaktar {

// The text a picture shows of a drawing's text (windows-1254 bytes): control characters, which
// no font draws and no XML document may hold (an SVG would not parse), stand as U+FFFD.
QString DrawnText(std::string_view bytes);

// Texts of one font, height and colour gathered into one drawing operation: a PDF gets one text
// object of placed glyphs instead of one object, with its own state and matrix, a text. The
// glyphs are the font's own, so the PDF embeds it and its texts are found by a search as
// before. Only a PDF takes them so (TextRun::Suits): an SVG writes texts as texts, and a
// picture's pixels stay as drawText makes them.
class TextRun {
  public:
    // `font` is written `height` painter units high (its pixel size), upright. With `whole`,
    // each glyph stands at a whole painter unit, which a PDF writes in a few digits: for
    // painters whose unit is fine enough (a PDF page's fiftieth of a millimetre, or a
    // hundredth of a scaled text's height).
    TextRun(const QFont& font, double height, bool whole = false);

    // Whether the painter's device writes gathered glyphs as it writes texts (a PDF).
    static bool Suits(const QPainter& painter);

    // Adds `text` with its baseline starting at `at`; centred, its middle at `at` along the
    // baseline and across the capitals.
    void add(QPointF at, const QString& text, bool centred = false);
    // The same for a drawing's text as DrawnText shows it, each of its bytes one glyph looked
    // up once for the run's font: a sheet writes a hundred thousand texts a page.
    void add(QPointF at, std::string_view drawingText, bool centred = false);
    // The width of `text`, in painter units.
    double width(const QString& text) const;
    double width(std::string_view drawingText) const;
    // The height of capitals and digits, in painter units.
    double capHeight() const;
    // Looks up what adding and measuring a drawing's texts needs, so that a copy does so
    // without the font: a font may be read only by the thread that loaded it.
    void prepare() const;
    bool empty() const { return indexes_.isEmpty(); }
    // Draws what was added with the painter's pen colour, and starts afresh.
    void draw(QPainter& painter);
    // What was added, as one glyph run to be drawn at the origin; starts afresh.
    QGlyphRun take();
    // What was added, its glyphs and where each stands; starts afresh.
    void takeGlyphs(QList<quint32>& indexes, QList<QPointF>& positions);
    // The size the run's font is written at, in painter units.
    double height() const { return height_; }
    const QRawFont& rawFont() const { return font_; }

  private:
    // A byte of a drawing's text as drawn: its glyph and how far it moves the pen.
    struct ByteGlyph {
        quint32 index = 0;
        QPointF advance;
    };
    const std::array<ByteGlyph, 256>& byteGlyphs() const;

    QRawFont font_;
    mutable std::array<ByteGlyph, 256> byteGlyphs_;
    mutable bool byteGlyphsMade_ = false;
    mutable double capHeight_ = -1;
    double height_;
    bool whole_;
    QList<quint32> indexes_;
    QList<QPointF> positions_;
};

}  // namespace plotaktar
