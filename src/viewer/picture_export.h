#pragma once

#include <QString>

class QWidget;

namespace plotaktar::viewer {

class DrawingCanvas;
struct DrawingFiles;

// Asks for a picture file (PNG, SVG or PDF; the extension of the chosen filter is added to a
// name without one) and writes the canvas's view, or with `wholeDrawing` the whole drawing, to
// it all or nothing, with the canvas's layers and kinds. The main file of the drawing's `files`
// names the picture at first; none of its files is written over (WritesOverDrawing). A failure
// is told in a message box over `parent`. Returns the path written, or the empty text when
// nothing was.
QString ExportPicture(QWidget* parent, const DrawingCanvas& canvas, const DrawingFiles& files,
                      bool wholeDrawing);

}  // namespace plotaktar::viewer
