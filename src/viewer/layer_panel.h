#pragma once

#include <QTreeWidget>
#include <cstdint>

namespace plotaktar::viewer {

class DrawingCanvas;

// The side panel of the canvas's drawing: its layers (with their colours) and kinds, each
// checked while shown, and the counts of what is not drawn. Checking an entry shows or hides
// it on the canvas.
class LayerPanel : public QTreeWidget {
    Q_OBJECT

  public:
    explicit LayerPanel(DrawingCanvas& canvas, QWidget* parent = nullptr);

    // Fills the panel for the drawing now on the canvas and its filter; `failedRecords` is the
    // count of records the import could not read.
    void fill(uint64_t failedRecords);

  private:
    void changed(QTreeWidgetItem* item);

    DrawingCanvas& canvas_;
    bool filling_ = false;
};

}  // namespace plotaktar::viewer
