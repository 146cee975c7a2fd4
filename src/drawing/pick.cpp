#include "drawing/pick.h"

#include <cmath>
#include <numbers>

namespace plotaktar {

namespace {

double SegmentDistance(Vertex p, Vertex a, Vertex b) {
    const double dx = b.east - a.east, dy = b.north - a.north;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.east - a.east) * dx + (p.north - a.north) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.east - (a.east + t * dx), p.north - (a.north + t * dy));
}

bool Inside(Vertex p, std::span<const Vertex> polygon) {
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Vertex& a = polygon[i];
        const Vertex& b = polygon[j];
        if ((a.north > p.north) != (b.north > p.north) &&
            p.east < (b.east - a.east) * (p.north - a.north) / (b.north - a.north) + a.east) {
            inside = !inside;
        }
    }
    return inside;
}

// How far `p` lies from the feature, with the parcel's inside counted as almost the tolerance
// so that anything drawn on top of it wins.
double Distance(const Drawing& drawing, uint32_t f, Vertex p, double tolerance) {
    const auto v = drawing.vertices(f);
    switch (ShapeOf(drawing.kind(f))) {
        case Shape::None:
        case Shape::Layer:
            break;
        case Shape::Point:
        case Shape::Symbol:
            // Points and symbols are small targets: they win over anything else equally near.
            return std::hypot(p.east - v[0].east, p.north - v[0].north) * 0.5;
        case Shape::Line:
            return SegmentDistance(p, v[0], v[1]);
        case Shape::Polygon: {
            double nearest = INFINITY;
            for (size_t i = 0; i < v.size(); ++i) {
                nearest = std::min(nearest, SegmentDistance(p, v[i], v[(i + 1) % v.size()]));
            }
            return v.size() >= 3 && Inside(p, v) ? std::min(nearest, tolerance * 0.95) : nearest;
        }
        case Shape::Text: {
            // The text's box in its own direction: from the anchor along the reading
            // direction, one height high.
            const double h = std::fabs(drawing.height(f));
            const double length = h * 0.6 * static_cast<double>(drawing.text(f).size());
            const double turn =
                drawing.angle(f) * std::numbers::pi / 200.0;  // grads from north, clockwise
            const double ae = std::sin(turn), an = std::cos(turn);
            const double de = p.east - v[0].east, dn = p.north - v[0].north;
            const double along = de * ae + dn * an;
            const double across = de * an - dn * ae;  // positive to the right of the text
            const double outAlong = std::max({0.0, -along, along - length});
            const double outAcross = std::max({0.0, across, -across - h});
            return std::hypot(outAlong, outAcross);
        }
    }
    return INFINITY;
}

}  // namespace

std::optional<uint32_t> PickFeature(const Drawing& drawing, Vertex at, double tolerance,
                                    const std::function<bool(uint32_t)>& shows) {
    Bounds area;
    area.add(at.east - tolerance, at.north - tolerance);
    area.add(at.east + tolerance, at.north + tolerance);
    std::optional<uint32_t> best;
    double bestDistance = tolerance;
    drawing.grid().query(area, [&](uint32_t f) {
        if (shows(f)) {
            const double d = Distance(drawing, f, at, tolerance);
            if (d <= bestDistance) {
                bestDistance = d;
                best = f;
            }
        }
        return true;
    });
    return best;
}

double ShoelaceArea(std::span<const Vertex> corners) {
    if (corners.size() < 3) {
        return 0;
    }
    // About the first corner, so that survey coordinates in the millions lose no digits.
    const Vertex o = corners[0];
    double twice = 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Vertex& a = corners[i];
        const Vertex& b = corners[(i + 1) % corners.size()];
        twice += (a.east - o.east) * (b.north - o.north) - (b.east - o.east) * (a.north - o.north);
    }
    return std::fabs(twice) / 2;
}

}  // namespace plotaktar
