#include "render/text_places.h"

#include <algorithm>
#include <cmath>

namespace plotaktar {

namespace {

// Cells farther than this from the origin are all the last: a box there is out of any picture.
constexpr double kMostCell = 1 << 30;

int64_t CellOf(double value, double cell) {
    const double c = std::floor(value / cell);
    return static_cast<int64_t>(std::clamp(c, -kMostCell, kMostCell));
}

}  // namespace

TextPlaces::TextPlaces(double cap) : cap_(cap), cell_(std::max(4 * cap, 1e-9)) {}

template <typename Visit>
void TextPlaces::forCells(const QRectF& box, Visit&& visit) const {
    const int64_t x0 = CellOf(box.left(), cell_), x1 = CellOf(box.right(), cell_);
    const int64_t y0 = CellOf(box.top(), cell_), y1 = CellOf(box.bottom(), cell_);
    // A text longer than many cells is kept in its first few: numbers are short.
    for (int64_t y = y0; y <= std::min(y1, y0 + 8); ++y) {
        for (int64_t x = x0; x <= std::min(x1, x0 + 64); ++x) {
            visit((static_cast<uint64_t>(static_cast<uint32_t>(y)) << 32) |
                  static_cast<uint32_t>(x));
        }
    }
}

void TextPlaces::take(const QRectF& box) {
    if (!std::isfinite(box.left()) || !std::isfinite(box.top()) || !std::isfinite(box.width())) {
        return;
    }
    forCells(box, [&](uint64_t key) { cells_[key].push_back(box); });
}

bool TextPlaces::covers(const QRectF& box) const {
    // Boxes that only touch do not cover each other.
    const QRectF inner = box.adjusted(cap_ * 0.05, cap_ * 0.05, -cap_ * 0.05, -cap_ * 0.05);
    bool covered = false;
    forCells(box, [&](uint64_t key) {
        if (covered) {
            return;
        }
        if (const auto found = cells_.find(key); found != cells_.end()) {
            for (const QRectF& other : found->second) {
                // A text of the same box at the same place is the same text drawn again (a
                // comparison draws a change over the drawing): it goes over itself.
                if (other.intersects(inner) && other != box) {
                    covered = true;
                    return;
                }
            }
        }
    });
    return covered;
}

QPointF TextPlaces::beside(QPointF at, double across, double up, double width) {
    const QPointF places[] = {
        {at.x() + across, at.y() - up},
        {at.x() + across, at.y() + up + cap_},
        {at.x() - across - width, at.y() - up},
        {at.x() - across - width, at.y() + up + cap_},
    };
    QPointF chosen = places[0];
    for (const QPointF& place : places) {
        if (!covers(QRectF(place.x(), place.y() - cap_, width, cap_))) {
            chosen = place;
            break;
        }
    }
    take(QRectF(chosen.x(), chosen.y() - cap_, width, cap_));
    return chosen;
}

}  // namespace plotaktar
