#pragma once

// The default QGIS style of each layer of a GeoPackage, in the `layer_styles` table QGIS reads
// on opening a layer (and writes when a user saves a style into the file).

#include <span>

#include "exchange/export_features.h"

class GDALDataset;

namespace plotaktar {

// Adds the `layer_styles` table (an attributes table of gpkg_contents) to `dataset`, a
// GeoPackage being written with a layer a kind, with one default style a kind's layer
// (LayerStyleQml). Throws Error naming what GDAL refused.
void AddGeoPackageStyles(GDALDataset& dataset, std::span<const ExportLayer> layers);

}  // namespace plotaktar
