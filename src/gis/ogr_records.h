#pragma once

// A feature record of the GIS formats as an OGR feature: for the writers through GDAL and for
// the read driver alike.

#include <ogr_feature.h>

#include "exchange/feature_fields.h"

namespace plotaktar {

OGRFieldType OgrTypeOf(FieldType type);
OGRwkbGeometryType OgrGeometryOf(ExportKind kind);

// Sets the fields of `record` on `feature` by name (a layer may have more fields, as a GeoJSON
// collection has every kind's), its geometry and its style.
void FillOgrFeature(OGRFeature& feature, const FeatureRecord& record);

}  // namespace plotaktar
