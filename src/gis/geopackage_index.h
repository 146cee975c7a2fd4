#pragma once

// The spatial indexes of a GeoPackage, built in bulk once its features are written.
//
// GDAL fills a GeoPackage's R-tree one feature at a time, which for a million features takes
// several times as long as writing them. Here the features' boxes are read back, packed into
// full nodes in Sort-Tile-Recursive order and written in SQLite's own R-tree layout, so that
// the file is indexed exactly as GDAL indexes it: the same R*Tree table, the same boxes (SQLite's
// float rounding, outward), the same triggers that keep it up to date and the same
// gpkg_extensions row.

#include <string>

namespace plotaktar {

// Adds the spatial index of every geometry column (gpkg_geometry_columns) of the GeoPackage at
// `path`, which no one else has open and which was written without them, one transaction per
// layer. Empty and null geometries are left out, as GDAL leaves them out. Throws FileError
// for a full disk or a failing read or write, std::bad_alloc when memory runs out and Error
// for anything else SQLite refuses; the file is then unfit for use.
void AddGeoPackageSpatialIndexes(const std::string& path);

}  // namespace plotaktar
