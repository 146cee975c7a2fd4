#include "render/text_run.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>

namespace plotaktar {

TextRun::TextRun(const QFont& font, double height, bool whole)
    : font_(QRawFont::fromFont(font)), whole_(whole) {
    font_.setPixelSize(height);
}

bool TextRun::Suits(const QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    return engine != nullptr && engine->type() == QPaintEngine::Pdf;
}

double TextRun::width(const QString& text) const {
    double width = 0;
    for (const QPointF& advance :
         font_.advancesForGlyphIndexes(font_.glyphIndexesForString(text))) {
        width += advance.x();
    }
    return width;
}

void TextRun::add(QPointF at, const QString& text, bool centred) {
    const QList<quint32> indexes = font_.glyphIndexesForString(text);
    const QList<QPointF> advances = font_.advancesForGlyphIndexes(indexes);
    if (centred) {
        double width = 0;
        for (const QPointF& advance : advances) {
            width += advance.x();
        }
        at += QPointF(-width / 2, font_.capHeight() / 2);
    }
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        indexes_.append(indexes[i]);
        positions_.append(whole_ ? QPointF(std::round(at.x()), std::round(at.y())) : at);
        at += advances[i];
    }
}

void TextRun::draw(QPainter& painter) {
    if (indexes_.isEmpty()) {
        return;
    }
    QGlyphRun run;
    run.setRawFont(font_);
    run.setGlyphIndexes(indexes_);
    run.setPositions(positions_);
    painter.drawGlyphRun(QPointF(0, 0), run);
    indexes_.clear();
    positions_.clear();
}

}  // namespace plotaktar
