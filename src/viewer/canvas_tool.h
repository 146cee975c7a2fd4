#pragma once

class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace plotaktar::viewer {

class DrawingCanvas;

// What the mouse and keys do on the canvas: one class per tool (pan and pick, measure, ...).
// The canvas hands its events to the active tool and lets it paint over the picture; the wheel
// zooms and the cursor's position is reported whatever the tool. A tool changes the view and
// the selection through the canvas it is given.
class CanvasTool {
  public:
    virtual ~CanvasTool() = default;

    // The tool becomes the canvas's active one, or stops being it (its cursor and any work in
    // hand are put away).
    virtual void activate(DrawingCanvas&) {}
    virtual void deactivate(DrawingCanvas&) {}

    virtual void mousePress(DrawingCanvas&, QMouseEvent&) {}
    virtual void mouseMove(DrawingCanvas&, QMouseEvent&) {}
    virtual void mouseRelease(DrawingCanvas&, QMouseEvent&) {}
    // Returns true when the tool used the key.
    virtual bool keyPress(DrawingCanvas&, QKeyEvent&) { return false; }

    // Paints over the picture and the selection, in widget coordinates.
    virtual void paint(DrawingCanvas&, QPainter&) {}
    // Another drawing (or a reload) is on the canvas: what the tool held of the old one goes.
    virtual void drawingChanged(DrawingCanvas&) {}
};

}  // namespace plotaktar::viewer
