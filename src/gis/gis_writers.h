#pragma once

// The exchange formats through GDAL: GeoPackage, Shapefile, GeoJSON and KML.

#include <memory>
#include <string_view>

#include "exchange/exchange_writer.h"

namespace plotaktar {

// A writer of a format that carries its system: its positions always placed through PROJ.
class GisExchangeWriter : public ExchangeWriter {
  protected:
    std::unique_ptr<CoordinateStep> coordinateStep(const ExportSettings& settings,
                                                   int targetEpsg) const override;
};

const ExchangeWriter& GeoPackageExchangeWriter();
const ExchangeWriter& ShapefileExchangeWriter();
const ExchangeWriter& GeoJsonExchangeWriter();
const ExchangeWriter& KmlExchangeWriter();

// The writer of any exchange format by its descriptor's name ("dxf", "gpkg", "shp", "geojson",
// "kml"); null for any other.
const ExchangeWriter* GisExchangeWriterFor(std::string_view formatName);

}  // namespace plotaktar
