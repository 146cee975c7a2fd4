#include "qt/screen_fit.h"

#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "model/form_design.h"

namespace plotaktar {

namespace {

// The frame assumed until the window manager has put its own around the window.
constexpr QMargins kAssumedFrame(4, 30, 4, 4);
constexpr int kFrameWaitMs = 1000;
constexpr int kFrameWatchIntervalMs = 20;

// The window manager's frame around the client area; null while it is not known.
QMargins FrameMargins(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

// Fits the window from `openingPlace` (its frame's position and its client size) with its
// frame, or the assumed one while it has none.
void Fit(QWidget& window, const QRect& openingPlace) {
    QMargins frame = FrameMargins(window);
    if (frame.isNull()) {
        frame = kAssumedFrame;
    }
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    const QRect client(openingPlace.topLeft() + QPoint(frame.left(), frame.top()),
                       openingPlace.size());
    const QRect fitted = FitOnScreen(client, frame, screen->availableGeometry());
    if (fitted != window.geometry()) {
        window.resize(fitted.size());
        window.move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
    }
}

}  // namespace

QRect FitOnScreen(const QRect& client, const QMargins& frame, const QRect& available) {
    const QRect outer = client.marginsAdded(frame);
    const form::Rect fitted = form::FitOnScreen(
        {outer.left(), outer.top(), outer.width(), outer.height()},
        {available.left(), available.top(), available.width(), available.height()});
    return QRect(fitted.left, fitted.top, fitted.width, fitted.height).marginsRemoved(frame);
}

void FitOnScreenWhenShown(QWidget& window) {
    const QRect openingPlace(window.pos(), window.size());
    Fit(window, openingPlace);
    // The window manager puts its frame around the window a moment after it is shown, and may
    // place the window once more as it does (over the fit just made): for a while the window is
    // fitted again, with the real frame, wherever it does not lie as fitted.
    auto* frameWatch = new QTimer(&window);
    QObject::connect(frameWatch, &QTimer::timeout, &window,
                     [&window, frameWatch, openingPlace,
                      ticksLeft = kFrameWaitMs / kFrameWatchIntervalMs]() mutable {
                         if (!FrameMargins(window).isNull()) {
                             Fit(window, openingPlace);
                         }
                         if (--ticksLeft <= 0) {
                             frameWatch->deleteLater();
                         }
                     });
    frameWatch->start(kFrameWatchIntervalMs);
}

}  // namespace plotaktar
