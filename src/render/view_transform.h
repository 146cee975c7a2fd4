#pragma once

#include <QPointF>
#include <QRectF>
#include <algorithm>

#include "drawing/drawing.h"

namespace plotaktar {

// Where the drawing lies on a surface of width x height pixels: the drawing position at the
// surface's centre and the pixels per drawing unit. Y (easting) runs to the right, X
// (northing) upwards.
struct ViewTransform {
    // Pixels per drawing unit: a million at most; at least so few that a drawing reaching to
    // the ends of a double still fits.
    static constexpr double kMinScale = 1e-310;
    static constexpr double kMaxScale = 1e6;

    double centerEast = 0;
    double centerNorth = 0;
    double scale = 1;
    int width = 0;
    int height = 0;

    QPointF toScreen(double east, double north) const {
        return {(east - centerEast) * scale + width / 2.0,
                height / 2.0 - (north - centerNorth) * scale};
    }
    QPointF toScreen(const Vertex& v) const { return toScreen(v.east, v.north); }
    Vertex toDrawing(QPointF p) const {
        return {centerEast + (p.x() - width / 2.0) / scale,
                centerNorth - (p.y() - height / 2.0) / scale};
    }
    // The part of the drawing the surface shows.
    Bounds visibleArea() const {
        Bounds b;
        b.add(centerEast - width / 2.0 / scale, centerNorth - height / 2.0 / scale);
        b.add(centerEast + width / 2.0 / scale, centerNorth + height / 2.0 / scale);
        return b;
    }
    // Zooms by `factor` keeping the drawing position under the surface point `anchor` there,
    // up to kMaxScale, and out to a millionth of a pixel a drawing unit (or the present scale,
    // when a drawing of vast extent was fitted below that).
    void zoomAbout(QPointF anchor, double factor) {
        const Vertex fixed = toDrawing(anchor);
        scale = std::clamp(scale * factor, std::min(1e-6, scale), kMaxScale);
        centerEast = fixed.east - (anchor.x() - width / 2.0) / scale;
        centerNorth = fixed.north + (anchor.y() - height / 2.0) / scale;
    }

    // The view that shows all of `extent` on the surface with `margin` pixels around it; an
    // empty extent gives a view of the origin at scale 1.
    static ViewTransform fit(const Bounds& extent, int width, int height, int margin = 20);
};

}  // namespace plotaktar
