#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

namespace plotaktar {

// Where a window whose client area wants `client` (screen coordinates) goes, given the window
// manager's `frame` around it, so that the window and its frame lie in `available`: `client`
// itself when it fits; otherwise moved just far enough, and made smaller only where the window
// is larger than the area. Returns the client area's new geometry.
QRect FitOnScreen(const QRect& client, const QMargins& frame, const QRect& available);

// Keeps a top-level window that is being shown for the first time on its screen: its place and
// size as asked for before the show are fitted at once with an assumed frame, and again with
// the window manager's own frame, wherever the window manager put it, during the first second.
// Call from the first showEvent.
void FitOnScreenWhenShown(QWidget& window);

}  // namespace plotaktar
