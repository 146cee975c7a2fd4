#include "viewer/change_overlay.h"

#include <QPainter>
#include <QPolygonF>
#include <cmath>

namespace plotaktar::viewer {

namespace {

void PaintShape(QPainter& painter, const ViewTransform& view, const compare::Change& change,
                const compare::ChangeSide& side, const QColor& colour) {
    if (side.shape.empty()) {
        return;
    }
    QPen pen(colour, 2);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (change.element == compare::Element::Parcel || change.element == compare::Element::Line) {
        size_t start = 0;
        for (size_t k = 0; k <= side.rings.size(); ++k) {
            const size_t end = k < side.rings.size() ? side.rings[k] : side.shape.size();
            QPolygonF polygon;
            for (size_t i = start; i < end; ++i) {
                polygon << view.toScreen(side.shape[i]);
            }
            if (change.element == compare::Element::Parcel) {
                painter.drawPolygon(polygon);
            } else {
                painter.drawPolyline(polygon);
            }
            start = end;
        }
        return;
    }
    painter.drawEllipse(view.toScreen(side.shape[0]), 6, 6);
}

void PaintArrow(QPainter& painter, QPointF from, QPointF to) {
    QPen pen(kMovedColour, 2);
    pen.setCosmetic(true);
    painter.setPen(pen);
    const double length = std::hypot(to.x() - from.x(), to.y() - from.y());
    if (length < 4) {
        // Shorter than the arrow's head: a square marks where it is.
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(to - QPointF(6, 6), QSizeF(12, 12)));
        return;
    }
    painter.drawLine(from, to);
    const double ux = (to.x() - from.x()) / length, uy = (to.y() - from.y()) / length;
    const double head = std::min(10.0, length / 2);
    for (double side : {-0.45, 0.45}) {
        const double c = std::cos(side), s = std::sin(side);
        painter.drawLine(to, to - QPointF(head * (ux * c - uy * s), head * (uy * c + ux * s)));
    }
}

}  // namespace

Bounds ChangeBounds(const compare::Change& change) {
    Bounds box;
    for (const compare::ChangeSide* side : {&change.old, &change.now}) {
        for (const Vertex& v : side->shape) {
            box.add(v.east, v.north);
        }
    }
    return box;
}

size_t PaintChanges(QPainter& painter, const ViewTransform& view,
                    const compare::Comparison& comparison, size_t most) {
    const Bounds area = view.visibleArea();
    painter.setRenderHint(QPainter::Antialiasing);
    size_t painted = 0;
    for (const compare::Change& change : comparison.changes) {
        if (painted == most) {
            break;
        }
        const Bounds box = ChangeBounds(change);
        if (box.empty() || box.maxEast < area.minEast || box.minEast > area.maxEast ||
            box.maxNorth < area.minNorth || box.minNorth > area.maxNorth) {
            continue;
        }
        switch (change.look) {
            case compare::Look::Removed:
                PaintShape(painter, view, change, change.old, kRemovedColour);
                break;
            case compare::Look::Added:
                PaintShape(painter, view, change, change.now, kAddedColour);
                break;
            case compare::Look::Moved:
                if (!change.old.shape.empty() && !change.now.shape.empty()) {
                    PaintShape(painter, view, change, change.old, kRemovedColour);
                    PaintArrow(painter, view.toScreen(compare::ShapeCentre(change.old.shape)),
                               view.toScreen(compare::ShapeCentre(change.now.shape)));
                }
                break;
            case compare::Look::Changed:
                // A parcel divided or merged: what went red, what came green.
                if (change.code == "parcel-divided" || change.code == "parcel-merged") {
                    PaintShape(painter, view, change, change.old, kRemovedColour);
                    PaintShape(painter, view, change, change.now, kAddedColour);
                }
                break;
        }
        ++painted;
    }
    return painted;
}

}  // namespace plotaktar::viewer
