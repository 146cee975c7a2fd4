#include "render/recorded_picture.h"

#include <QPolygonF>
#include <utility>

namespace plotaktar {

void RecordedPicture::paint(QPainter& painter) const {
    const QTransform origin = painter.transform();
    for (const auto& step : steps_) {
        step(painter, origin);
    }
}

void RecordedPicture::paintOnce(QPainter& painter) {
    const QTransform origin = painter.transform();
    for (auto& step : steps_) {
        step(painter, origin);
        step = nullptr;
    }
    steps_.clear();
}

void PictureRecorder::save() {
    saved_.push_back(transform_);
    steps_.push_back([](QPainter& p, const QTransform&) { p.save(); });
}

void PictureRecorder::restore() {
    if (!saved_.empty()) {
        transform_ = saved_.back();
        saved_.pop_back();
    }
    steps_.push_back([](QPainter& p, const QTransform&) { p.restore(); });
}

void PictureRecorder::setBrush(const QBrush& brush) {
    steps_.push_back([brush](QPainter& p, const QTransform&) { p.setBrush(brush); });
}

void PictureRecorder::setPen(const QPen& pen) {
    steps_.push_back([pen](QPainter& p, const QTransform&) { p.setPen(pen); });
}

void PictureRecorder::setFont(const QFont& font) {
    steps_.push_back([font](QPainter& p, const QTransform&) { p.setFont(font); });
}

void PictureRecorder::setRenderHint(QPainter::RenderHint hint, bool on) {
    steps_.push_back([hint, on](QPainter& p, const QTransform&) { p.setRenderHint(hint, on); });
}

void PictureRecorder::translate(QPointF offset) {
    transform_.translate(offset.x(), offset.y());
    steps_.push_back([offset](QPainter& p, const QTransform&) { p.translate(offset); });
}

void PictureRecorder::rotate(qreal degrees) {
    transform_.rotate(degrees);
    steps_.push_back([degrees](QPainter& p, const QTransform&) { p.rotate(degrees); });
}

void PictureRecorder::scale(qreal sx, qreal sy) {
    transform_.scale(sx, sy);
    steps_.push_back([sx, sy](QPainter& p, const QTransform&) { p.scale(sx, sy); });
}

void PictureRecorder::setTransform(const QTransform& transform) {
    transform_ = transform;
    steps_.push_back(
        [transform](QPainter& p, const QTransform& origin) { p.setTransform(transform * origin); });
}

void PictureRecorder::drawLines(const QLineF* lines, int count) {
    steps_.push_back(
        [copy = std::vector<QLineF>(lines, lines + count)](QPainter& p, const QTransform&) {
            p.drawLines(copy.data(), static_cast<int>(copy.size()));
        });
}

void PictureRecorder::drawPoints(const QPointF* points, int count) {
    steps_.push_back(
        [copy = std::vector<QPointF>(points, points + count)](QPainter& p, const QTransform&) {
            p.drawPoints(copy.data(), static_cast<int>(copy.size()));
        });
}

void PictureRecorder::drawPolygon(const QPointF* points, int count) {
    steps_.push_back(
        [copy = std::vector<QPointF>(points, points + count)](QPainter& p, const QTransform&) {
            p.drawPolygon(copy.data(), static_cast<int>(copy.size()));
        });
}

void PictureRecorder::drawEllipse(QPointF centre, qreal rx, qreal ry) {
    steps_.push_back(
        [centre, rx, ry](QPainter& p, const QTransform&) { p.drawEllipse(centre, rx, ry); });
}

void PictureRecorder::drawPath(const QPainterPath& path) {
    steps_.push_back([path](QPainter& p, const QTransform&) { p.drawPath(path); });
}

void PictureRecorder::drawText(QPointF at, const QString& text) {
    steps_.push_back([at, text](QPainter& p, const QTransform&) { p.drawText(at, text); });
}

void PictureRecorder::drawGlyphRun(QPointF at, const QGlyphRun& run) {
    steps_.push_back([at, run](QPainter& p, const QTransform&) { p.drawGlyphRun(at, run); });
}

}  // namespace plotaktar
