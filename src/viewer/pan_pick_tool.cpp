#include "viewer/pan_pick_tool.h"

#include <QMouseEvent>

#include "viewer/drawing_canvas.h"

namespace plotaktar::viewer {

namespace {

// A press that moves less than this is a click, not a drag.
constexpr int kClickSlop = 4;

}  // namespace

void PanPickTool::deactivate(DrawingCanvas& canvas) {
    if (dragging_) {
        canvas.unsetCursor();
    }
    pressed_ = dragging_ = false;
}

void PanPickTool::mousePress(DrawingCanvas&, QMouseEvent& event) {
    if (event.button() == Qt::LeftButton) {
        pressed_ = true;
        dragging_ = false;
        pressPosition_ = lastPosition_ = event.position().toPoint();
    }
}

void PanPickTool::mouseMove(DrawingCanvas& canvas, QMouseEvent& event) {
    const QPoint position = event.position().toPoint();
    if (!pressed_ || (!dragging_ && (position - pressPosition_).manhattanLength() < kClickSlop)) {
        return;
    }
    if (!dragging_) {
        dragging_ = true;
        canvas.setCursor(Qt::ClosedHandCursor);
    }
    canvas.panBy(position - lastPosition_);
    lastPosition_ = position;
}

void PanPickTool::mouseRelease(DrawingCanvas& canvas, QMouseEvent& event) {
    if (event.button() != Qt::LeftButton || !pressed_) {
        return;
    }
    pressed_ = false;
    if (dragging_) {
        dragging_ = false;
        canvas.unsetCursor();
        return;
    }
    canvas.pick(canvas.featureAt(event.position()));
}

}  // namespace plotaktar::viewer
