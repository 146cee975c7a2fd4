#include "app/screen_fit.h"

#include <algorithm>

namespace plotaktar::app {

QRect FitOnScreen(const QRect& client, const QMargins& frame, const QRect& available) {
    QRect outer = client.marginsAdded(frame);
    outer.setWidth(std::min(outer.width(), available.width()));
    outer.setHeight(std::min(outer.height(), available.height()));
    // Moved by as little as brings its far edge in, then its near edge.
    outer.moveRight(std::min(outer.right(), available.right()));
    outer.moveBottom(std::min(outer.bottom(), available.bottom()));
    outer.moveLeft(std::max(outer.left(), available.left()));
    outer.moveTop(std::max(outer.top(), available.top()));
    return outer.marginsRemoved(frame);
}

}  // namespace plotaktar::app
