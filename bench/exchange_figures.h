#pragma once

#include <string>
#include <vector>

#include "bench_support.h"
#include "process_runner.h"

namespace plotaktar::bench {

// plotaktar-cli export of a drawing to DXF and to GeoPackage, and ogr2ogr writing the same
// features from CSV files (made from the GeoPackage beforehand, untimed) to the same formats.
// `gpkgIndex` is the part of the GeoPackage's time that its spatial indexes take: built again
// in this process, on the exported file with them taken out.
struct ExchangeFigures {
    Timing dxf, gpkg, gpkgIndex, ogrDxf, ogrGpkg;
    double dxfPeakMiB = 0, gpkgPeakMiB = 0;
    std::vector<std::string> notes;
};

ExchangeFigures MeasureExchange(const Drawing& drawing, ProcessRunner& runner,
                                const std::string& cli, const ScratchDir& scratch, int runs);

}  // namespace plotaktar::bench
