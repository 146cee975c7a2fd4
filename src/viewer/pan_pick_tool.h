#pragma once

#include <QPoint>

#include "viewer/canvas_tool.h"

namespace plotaktar::viewer {

// The canvas's first tool: a drag moves the drawing with the mouse, a click (a press that moves
// less than a few pixels) picks the feature under the cursor.
class PanPickTool : public CanvasTool {
  public:
    void deactivate(DrawingCanvas& canvas) override;
    void mousePress(DrawingCanvas& canvas, QMouseEvent& event) override;
    void mouseMove(DrawingCanvas& canvas, QMouseEvent& event) override;
    void mouseRelease(DrawingCanvas& canvas, QMouseEvent& event) override;

  private:
    QPoint pressPosition_;
    QPoint lastPosition_;
    bool dragging_ = false;
    bool pressed_ = false;
};

}  // namespace plotaktar::viewer
