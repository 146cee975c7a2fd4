#include "viewer/drawing_canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "drawing/pick.h"
#include "viewer/change_overlay.h"
#include "viewer/pan_pick_tool.h"

namespace plotaktar::viewer {

namespace {

// How long the view must stay still before a new picture is painted.
constexpr int kSettleMs = 80;
constexpr double kPickPixels = 6.0;

}  // namespace

DrawingCanvas::DrawingCanvas(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    pool_.setMaxThreadCount(1);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &DrawingCanvas::startRender);
    view_.width = width();
    view_.height = height();
    setTool(std::make_unique<PanPickTool>());
}

DrawingCanvas::~DrawingCanvas() {
    if (cancel_) {
        cancel_->store(true);
    }
    pool_.clear();
    pool_.waitForDone();
}

void DrawingCanvas::setDrawing(std::shared_ptr<const LoadedDrawing> drawing, bool keepView) {
    drawing_ = std::move(drawing);
    selected_.reset();
    tool_->drawingChanged(*this);
    if (drawing_) {
        // Layers are the drawing's own: a reload keeps the ones the user hid or showed, another
        // drawing starts with the layers its "Açık/kapalı" switches on shown, and so do layers
        // new to a reload.
        const std::vector<bool> switched =
            RenderFilter::LayersAsSwitched(drawing_->drawing).hiddenLayers;
        const size_t kept = keepView ? std::min(filter_.hiddenLayers.size(), switched.size()) : 0;
        std::vector<bool> hidden = switched;
        std::copy(filter_.hiddenLayers.begin(), filter_.hiddenLayers.begin() + kept,
                  hidden.begin());
        filter_.hiddenLayers = std::move(hidden);
    }
    if (!keepView) {
        fitAll();
    } else {
        viewMoved();
    }
    startRender();
}

void DrawingCanvas::setFilter(const RenderFilter& filter) {
    filter_ = filter;
    startRender();
}

void DrawingCanvas::setView(const ViewTransform& view) {
    view_ = view;
    view_.width = width();
    view_.height = height();
    viewMoved();
}

void DrawingCanvas::fitAll() {
    const Bounds extent = drawing_ ? drawing_->drawing.extent() : Bounds();
    view_ = ViewTransform::fit(extent, width(), height(), 40);
    viewMoved();
}

void DrawingCanvas::zoomBy(double factor) {
    view_.zoomAbout(QPointF(width() / 2.0, height() / 2.0), factor);
    viewMoved();
}

void DrawingCanvas::panBy(QPoint delta) {
    view_.centerEast -= delta.x() / view_.scale;
    view_.centerNorth += delta.y() / view_.scale;
    viewMoved();
}

void DrawingCanvas::setTool(std::unique_ptr<CanvasTool> tool) {
    if (tool_) {
        tool_->deactivate(*this);
    }
    tool_ = std::move(tool);
    tool_->activate(*this);
    update();
}

void DrawingCanvas::viewMoved() {
    pictureCurrent_ = false;
    update();
    settle_.start();
    emit viewChanged();
}

void DrawingCanvas::startRender() {
    settle_.stop();
    if (cancel_) {
        cancel_->store(true);
    }
    pool_.clear();
    const quint64 generation = ++generation_;
    if (!drawing_ || width() <= 0 || height() <= 0) {
        picture_ = QImage();
        stats_ = {};
        pictureCurrent_ = true;
        update();
        emit pictureReady();  // nothing to draw is a finished picture too
        return;
    }
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    cancel_ = cancel;
    std::shared_ptr<const LoadedDrawing> drawing = drawing_;
    const ViewTransform view = view_;
    const RenderFilter filter = filter_;
    pool_.start([this, generation, drawing, view, filter, cancel] {
        if (cancel->load()) {
            return;
        }
        QImage image(view.width, view.height, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) {
            return;
        }
        image.fill(Qt::white);
        QPainter painter(&image);
        const RenderStats stats =
            RenderDrawing(painter, drawing->drawing, view, filter, cancel.get());
        painter.end();
        if (stats.cancelled || cancel->load()) {
            return;
        }
        // The canvas waits for this thread before it goes, so `this` is alive here.
        QMetaObject::invokeMethod(
            this,
            [this, generation, image, view, stats] { pictureDone(generation, image, view, stats); },
            Qt::QueuedConnection);
    });
}

void DrawingCanvas::pictureDone(quint64 generation, const QImage& image, const ViewTransform& view,
                                const RenderStats& stats) {
    if (generation != generation_) {
        return;
    }
    picture_ = image;
    pictureView_ = view;
    stats_ = stats;
    pictureCurrent_ = true;
    update();
    emit pictureReady();
}

void DrawingCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const double ratio = view_.scale / pictureView_.scale;
    // The last picture, moved and scaled to where its drawing now lies; scaled beyond use, it
    // gives way to white until the new one is ready.
    const QPointF topLeft = view_.toScreen(pictureView_.toDrawing(QPointF(0, 0)));
    if (!picture_.isNull() && ratio < 64 && ratio > 1.0 / 64 && std::fabs(topLeft.x()) < 1e6 &&
        std::fabs(topLeft.y()) < 1e6) {
        painter.drawImage(
            QRectF(topLeft, QSizeF(picture_.width() * ratio, picture_.height() * ratio)), picture_);
    }
    if (changes_) {
        PaintChanges(painter, view_, *changes_, kMaxMarks);
    }
    paintMarks(painter);
    paintSelection(painter);
    painter.setRenderHint(QPainter::Antialiasing, false);
    tool_->paint(*this, painter);
}

void DrawingCanvas::paintSelection(QPainter& painter) const {
    if (!selected_ || !drawing_ || *selected_ >= drawing_->drawing.size()) {
        return;
    }
    const Drawing& drawing = drawing_->drawing;
    const auto vertices = drawing.vertices(*selected_);
    QPen pen(QColor(255, 120, 0), 3);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing);
    QPolygonF polygon;
    for (const Vertex& v : vertices) {
        polygon << view_.toScreen(v);
    }
    switch (drawing.kind(*selected_)) {
        case FeatureKind::Parcel:
            painter.drawPolygon(polygon);
            break;
        case FeatureKind::Line:
            painter.drawPolyline(polygon);
            break;
        default:
            painter.drawEllipse(polygon.value(0), 8, 8);
            break;
    }
}

void DrawingCanvas::setChanges(std::shared_ptr<const compare::Comparison> changes) {
    changes_ = std::move(changes);
    update();
}

void DrawingCanvas::setMarks(std::shared_ptr<const std::vector<FindingMark>> marks) {
    marks_ = std::move(marks);
    update();
}

void DrawingCanvas::paintMarks(QPainter& painter) const {
    if (!marks_ || marks_->empty()) {
        return;
    }
    const Bounds area = view_.visibleArea();
    QPen pen(Qt::white, 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // One mark a patch of the screen, an error's before a warning's.
    const int columns = width() / kMarkCell + 1;
    std::vector<uint8_t> taken(static_cast<size_t>(columns * (height() / kMarkCell + 1)), 0);
    size_t drawn = 0;
    for (const FindingMark& mark : *marks_) {
        if (mark.at.east < area.minEast || mark.at.east > area.maxEast ||
            mark.at.north < area.minNorth || mark.at.north > area.maxNorth) {
            continue;
        }
        const QPointF p = view_.toScreen(mark.at);
        const int cx = static_cast<int>(p.x()) / kMarkCell,
                  cy = static_cast<int>(p.y()) / kMarkCell;
        if (cx < 0 || cy < 0 || cx >= columns || cy > height() / kMarkCell) {
            continue;
        }
        uint8_t& cell = taken[static_cast<size_t>(cy * columns + cx)];
        if (cell == 2 || (cell == 1 && !mark.error)) {
            continue;
        }
        cell = mark.error ? 2 : 1;
        if (++drawn > kMaxMarks) {
            break;
        }
        painter.setBrush(mark.error ? QColor(220, 0, 0) : QColor(240, 150, 0));
        painter.drawPolygon(QPolygonF({p + QPointF(0, -7), p + QPointF(6, 4), p + QPointF(-6, 4)}));
    }
}

void DrawingCanvas::resizeEvent(QResizeEvent*) {
    view_.width = width();
    view_.height = height();
    viewMoved();
}

void DrawingCanvas::mousePressEvent(QMouseEvent* event) {
    tool_->mousePress(*this, *event);
}

void DrawingCanvas::mouseMoveEvent(QMouseEvent* event) {
    const Vertex at = view_.toDrawing(event->position());
    emit cursorMoved(at.east, at.north);
    tool_->mouseMove(*this, *event);
}

void DrawingCanvas::mouseReleaseEvent(QMouseEvent* event) {
    tool_->mouseRelease(*this, *event);
}

void DrawingCanvas::keyPressEvent(QKeyEvent* event) {
    if (!tool_->keyPress(*this, *event)) {
        QWidget::keyPressEvent(event);
    }
}

void DrawingCanvas::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0) {
        view_.zoomAbout(event->position(), std::pow(1.25, steps));
        viewMoved();
    }
    event->accept();
}

std::optional<uint32_t> DrawingCanvas::featureAt(QPointF position) const {
    if (!drawing_) {
        return std::nullopt;
    }
    const Drawing& drawing = drawing_->drawing;
    return PickFeature(drawing, view_.toDrawing(position), kPickPixels / view_.scale,
                       [&](uint32_t f) { return filter_.shows(drawing, f); });
}

void DrawingCanvas::select(std::optional<uint32_t> feature) {
    selected_ = feature;
    update();
}

void DrawingCanvas::pick(std::optional<uint32_t> feature) {
    select(feature);
    emit featureClicked(feature);
}

}  // namespace plotaktar::viewer
