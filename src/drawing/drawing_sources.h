#pragma once

#include <string>
#include <string_view>

#include "drawing/drawing.h"
#include "model/workspace.h"

namespace plotaktar {

// The drawing of what the last import loaded: the kinds whose flag is "1", in the order the
// plot file writes them (triangulation, traverse points, labels, detail points, lines,
// parcels), each feature on the layer its layer number names in LayerTable. A feature with a
// coordinate that is not a number is left out and counted; symbols, buildings and slopes are
// only counted. Never throws on bad cells.
Drawing DrawingFromWorkspace(const Workspace& workspace);

// The drawing of a plot file's bytes: "TA" lines declare layers, "PN", "YA", "LX" and "L2"
// (with the corner line after it) give features; other lines are counted and skipped (empty ones
// only skipped). A point number beginning "N." or "P." marks a triangulation or traverse point.
// Fills Drawing::lineOffsets with where each feature's line begins.
Drawing DrawingFromPlotBytes(std::string_view bytes);

}  // namespace plotaktar
