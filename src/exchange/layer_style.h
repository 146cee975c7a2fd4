#pragma once

// The QGIS style of an exported layer (a QML document), so that QGIS draws a GeoPackage's or a
// Shapefile set's features as the viewer draws them on opening: a category a drawing layer in
// its colour, line type and pen, switched-off layers unchecked; point markers by kind with
// their numbers; labels as texts at their height and angle; parcels as outlines named
// "ada/parsel"; symbols scaled and turned at their point.

#include <span>
#include <string>

#include "exchange/export_features.h"
#include "model/export_kinds.h"

namespace plotaktar {

// The QML of `kind`'s layer over the declared `layers` (ExportFeatures::layers()). Valid XML
// whatever the layers' names hold (UTF-8 of windows-1254, any bytes).
std::string LayerStyleQml(ExportKind kind, std::span<const ExportLayer> layers);

// The pen of a layer in millimetres: its "kalınlık", or the thinnest of the usual pens.
double LayerPenMm(const ExportLayer& layer);

}  // namespace plotaktar
