#pragma once

// The exchange formats through GDAL and PROJ, in a module of their own that the viewer loads the
// first time it exports: GDAL and the hundred libraries behind it take about 28 MiB of a
// process from the moment they are loaded, which a viewer that only shows drawings never pays.

#include <memory>
#include <string_view>

#include "exchange/exchange_writer.h"

namespace plotaktar::viewer {

// What the module offers: GisExchangeWriterFor and ProjCoordinateStep.
struct GisModule {
    const ExchangeWriter* (*writerFor)(std::string_view formatName);
    std::unique_ptr<CoordinateStep> (*coordinates)(int sourceEpsg, int targetEpsg);
};

// The name of the module's one exported function, which returns its GisModule.
inline constexpr char kGisModuleEntry[] = "plotaktar_view_gis_module";
using GisModuleEntry = const GisModule* (*)();

}  // namespace plotaktar::viewer
