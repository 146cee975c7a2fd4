#pragma once

#include <QBrush>
#include <QFont>
#include <QGlyphRun>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QString>
#include <QTransform>
#include <functional>
#include <vector>

namespace plotaktar {

// The painting of a picture for a PDF, made on one thread and painted on another: a sheet's
// next page is prepared (its features found, its texts placed, its batches filled) while the
// PDF engine writes the page before it. Painted onto a painter, it does what the recording
// painter was told, in order, its transforms taken from where the painter stood.
class RecordedPicture {
  public:
    void paint(QPainter& painter) const;
    // The same, letting go of each step once it is painted: a page's recording is megabytes.
    void paintOnce(QPainter& painter);
    bool empty() const { return steps_.empty(); }

  private:
    friend class PictureRecorder;
    std::vector<std::function<void(QPainter&, const QTransform& origin)>> steps_;
};

// The part of QPainter's interface the picture painter uses, recorded into a RecordedPicture
// for a PDF's painter. It keeps track of the transform, as the painter would, from the identity
// at the start.
class PictureRecorder {
  public:
    explicit PictureRecorder(RecordedPicture& into) : steps_(into.steps_) {}

    void save();
    void restore();
    void setBrush(const QBrush& brush);
    void setPen(const QPen& pen);
    void setFont(const QFont& font);
    void setRenderHint(QPainter::RenderHint hint, bool on = true);
    void translate(QPointF offset);
    void rotate(qreal degrees);
    void scale(qreal sx, qreal sy);
    const QTransform& transform() const { return transform_; }
    void setTransform(const QTransform& transform);
    void drawLines(const QLineF* lines, int count);
    void drawPoints(const QPointF* points, int count);
    void drawPolygon(const QPointF* points, int count);
    void drawEllipse(QPointF centre, qreal rx, qreal ry);
    void drawPath(const QPainterPath& path);
    void drawText(QPointF at, const QString& text);
    void drawGlyphRun(QPointF at, const QGlyphRun& run);

  private:
    std::vector<std::function<void(QPainter&, const QTransform&)>>& steps_;
    QTransform transform_;
    std::vector<QTransform> saved_;
};

}  // namespace plotaktar
