#pragma once

#include <QColor>
#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

#include "drawing/drawing.h"
#include "render/view_transform.h"

class QPainter;

namespace plotaktar {

// What to leave out of a picture: layers by index, kinds by FeatureKind, point numbers.
struct RenderFilter {
    std::vector<bool> hiddenLayers;
    bool hiddenKinds[kFeatureKinds] = {};
    bool pointNumbers = true;

    bool shows(const Drawing& drawing, size_t feature) const {
        uint16_t layer = drawing.layer(feature);
        return !hiddenKinds[static_cast<int>(drawing.kind(feature))] &&
               (layer >= hiddenLayers.size() || !hiddenLayers[layer]);
    }
};

// Features drawn, and those in view left out because they would be smaller than a pixel or
// their text too small to read.
struct RenderStats {
    uint64_t drawn = 0;
    uint64_t leftOut = 0;
    bool cancelled = false;
};

// The colour of a layer: its "Renk" number 1 to 7 from the CAD palette (7 is `foreground`),
// otherwise a colour derived from its name, the same on every run.
QColor LayerColour(const DrawingLayer& layer, QColor foreground = Qt::black);

// Paints the features that `view` touches onto `painter` (whose surface is view.width x
// view.height), without filling the background. Returns early, with `cancelled` set, as soon
// as `cancel` becomes true.
RenderStats RenderDrawing(QPainter& painter, const Drawing& drawing, const ViewTransform& view,
                          const RenderFilter& filter = {},
                          const std::atomic<bool>* cancel = nullptr);

}  // namespace plotaktar
