#pragma once

#include <QColor>
#include <cstddef>

#include "compare/change.h"
#include "render/view_transform.h"

class QPainter;

namespace plotaktar::viewer {

// The colours of a comparison over the drawing: what went red, what came green, what moved an
// arrow from its old place to its new.
inline const QColor kRemovedColour(220, 0, 0);
inline const QColor kAddedColour(0, 170, 0);
inline const QColor kMovedColour(0, 60, 220);

// Paints over the drawing on screen the changes whose shapes `view` touches, at most `most` of
// them, so that a revision of many changes still pans smoothly. Returns how many it painted.
size_t PaintChanges(QPainter& painter, const ViewTransform& view,
                    const compare::Comparison& comparison, size_t most);

// The box of a change's shapes on both sides; empty for a change without a place.
Bounds ChangeBounds(const compare::Change& change);

}  // namespace plotaktar::viewer
