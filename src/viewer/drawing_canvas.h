#pragma once

#include <QImage>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "compare/change.h"
#include "drawing/drawing_loader.h"
#include "render/renderer.h"
#include "viewer/canvas_tool.h"
#include "viewer/drawing_check.h"

namespace plotaktar::viewer {

// The drawing on screen. Pictures are painted into an image on a worker thread; while the user
// pans and zooms the last finished image is shown moved and scaled, and a new one is started
// once the view has been still for a moment, cancelling the one under way. The mouse and keys
// go to the active tool (pan and pick unless another is set); the wheel zooms with any tool.
class DrawingCanvas : public QWidget {
    Q_OBJECT

  public:
    explicit DrawingCanvas(QWidget* parent = nullptr);
    ~DrawingCanvas() override;

    // Shows `drawing`; with `keepView` the view stays where it is, otherwise it fits the whole
    // drawing.
    void setDrawing(std::shared_ptr<const LoadedDrawing> drawing, bool keepView);
    const std::shared_ptr<const LoadedDrawing>& drawing() const { return drawing_; }

    void setFilter(const RenderFilter& filter);
    const RenderFilter& filter() const { return filter_; }
    const ViewTransform& view() const { return view_; }
    void setView(const ViewTransform& view);

    void fitAll();
    void zoomBy(double factor);  // about the centre
    // Moves the drawing on screen by `delta` pixels.
    void panBy(QPoint delta);

    // Makes `tool` the active tool; the one before it is deactivated and goes.
    void setTool(std::unique_ptr<CanvasTool> tool);
    CanvasTool& tool() { return *tool_; }

    // The feature under a widget position, if any.
    std::optional<uint32_t> featureAt(QPointF position) const;
    std::optional<uint32_t> selected() const { return selected_; }
    void select(std::optional<uint32_t> feature);
    // Selects `feature` as the user's pick and tells featureClicked.
    void pick(std::optional<uint32_t> feature);

    // Marks drawn over the picture where the check found something: red for errors, orange for
    // warnings; one a patch of kMarkCell pixels, and at most kMaxMarks, so that a drawing full
    // of findings still pans smoothly.
    void setMarks(std::shared_ptr<const std::vector<FindingMark>> marks);
    static constexpr size_t kMaxMarks = 3000;
    // The changes from an old revision to this drawing, over it (at most kMaxMarks in view):
    // removed red, added green, moved an arrow; none for null.
    void setChanges(std::shared_ptr<const compare::Comparison> changes);
    static constexpr int kMarkCell = 8;

    // True once the image on screen is a finished picture of the current view.
    bool pictureCurrent() const { return pictureCurrent_; }
    const RenderStats& stats() const { return stats_; }

  signals:
    void cursorMoved(double east, double north);
    void viewChanged();
    void pictureReady();
    void featureClicked(std::optional<uint32_t> feature);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void viewMoved();
    void startRender();
    void pictureDone(quint64 generation, const QImage& image, const ViewTransform& view,
                     const RenderStats& stats);
    void paintSelection(QPainter& painter) const;
    void paintMarks(QPainter& painter) const;

    std::shared_ptr<const LoadedDrawing> drawing_;
    RenderFilter filter_;
    ViewTransform view_;
    QImage picture_;
    ViewTransform pictureView_;
    bool pictureCurrent_ = false;
    RenderStats stats_;
    quint64 generation_ = 0;
    std::shared_ptr<std::atomic<bool>> cancel_;
    QThreadPool pool_;
    QTimer settle_;
    std::optional<uint32_t> selected_;
    std::shared_ptr<const std::vector<FindingMark>> marks_;
    std::shared_ptr<const compare::Comparison> changes_;
    std::unique_ptr<CanvasTool> tool_;
};

}  // namespace plotaktar::viewer
