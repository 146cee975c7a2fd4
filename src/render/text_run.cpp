#include "render/text_run.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>

#include "qt/cp1254_text.h"

namespace plotaktar {

QString DrawnText(std::string_view bytes) {
    QString text = FromCp1254(bytes);
    for (QChar& c : text) {
        if (c.unicode() < 0x20) {
            c = QChar(0xFFFD);
        }
    }
    return text;
}

TextRun::TextRun(const QFont& font, double height, bool whole)
    : font_(QRawFont::fromFont(font)), height_(height), whole_(whole) {
    font_.setPixelSize(height);
}

bool TextRun::Suits(const QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    return engine != nullptr && engine->type() == QPaintEngine::Pdf;
}

const std::array<TextRun::ByteGlyph, 256>& TextRun::byteGlyphs() const {
    if (!byteGlyphsMade_) {
        // A font maps characters to glyphs one by one (a raw font does no shaping) and its
        // advances are each glyph's own, so a byte's glyph is the same in any text.
        char bytes[256];
        for (int b = 0; b < 256; ++b) {
            bytes[b] = static_cast<char>(b);
        }
        const QString text = DrawnText(std::string_view(bytes, sizeof bytes));
        const QList<quint32> indexes = font_.glyphIndexesForString(text);
        const QList<QPointF> advances = font_.advancesForGlyphIndexes(indexes);
        if (indexes.size() == 256 && advances.size() == 256) {
            for (qsizetype b = 0; b < 256; ++b) {
                byteGlyphs_[static_cast<size_t>(b)] = {indexes[b], advances[b]};
            }
        }
        byteGlyphsMade_ = true;
    }
    return byteGlyphs_;
}

double TextRun::capHeight() const {
    if (capHeight_ < 0) {
        capHeight_ = font_.capHeight();
    }
    return capHeight_;
}

void TextRun::prepare() const {
    byteGlyphs();
    capHeight();
}

double TextRun::width(std::string_view drawingText) const {
    const std::array<ByteGlyph, 256>& glyphs = byteGlyphs();
    double width = 0;
    for (char c : drawingText) {
        width += glyphs[static_cast<unsigned char>(c)].advance.x();
    }
    return width;
}

double TextRun::width(const QString& text) const {
    double width = 0;
    for (const QPointF& advance :
         font_.advancesForGlyphIndexes(font_.glyphIndexesForString(text))) {
        width += advance.x();
    }
    return width;
}

void TextRun::add(QPointF at, std::string_view drawingText, bool centred) {
    const std::array<ByteGlyph, 256>& glyphs = byteGlyphs();
    if (centred) {
        at += QPointF(-width(drawingText) / 2, capHeight() / 2);
    }
    for (char c : drawingText) {
        const ByteGlyph& glyph = glyphs[static_cast<unsigned char>(c)];
        indexes_.append(glyph.index);
        positions_.append(whole_ ? QPointF(std::round(at.x()), std::round(at.y())) : at);
        at += glyph.advance;
    }
}

void TextRun::add(QPointF at, const QString& text, bool centred) {
    const QList<quint32> indexes = font_.glyphIndexesForString(text);
    const QList<QPointF> advances = font_.advancesForGlyphIndexes(indexes);
    if (centred) {
        double width = 0;
        for (const QPointF& advance : advances) {
            width += advance.x();
        }
        at += QPointF(-width / 2, capHeight() / 2);
    }
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        indexes_.append(indexes[i]);
        positions_.append(whole_ ? QPointF(std::round(at.x()), std::round(at.y())) : at);
        at += advances[i];
    }
}

QGlyphRun TextRun::take() {
    QGlyphRun run;
    run.setRawFont(font_);
    run.setGlyphIndexes(indexes_);
    run.setPositions(positions_);
    indexes_.clear();
    positions_.clear();
    return run;
}

void TextRun::takeGlyphs(QList<quint32>& indexes, QList<QPointF>& positions) {
    indexes.swap(indexes_);
    positions.swap(positions_);
    indexes_.clear();
    positions_.clear();
}

void TextRun::draw(QPainter& painter) {
    if (indexes_.isEmpty()) {
        return;
    }
    painter.drawGlyphRun(QPointF(0, 0), take());
}

}  // namespace plotaktar
