#pragma once

#include <QMargins>
#include <QRect>

namespace plotaktar::app {

// Where a window whose client area wants `client` (screen coordinates) goes, given the window
// manager's `frame` around it, so that the window and its frame lie in `available`: `client`
// itself when it fits; otherwise moved just far enough, and made smaller only where the window
// is larger than the area. Returns the client area's new geometry.
QRect FitOnScreen(const QRect& client, const QMargins& frame, const QRect& available);

}  // namespace plotaktar::app
