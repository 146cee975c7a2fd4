// The module plotaktar-view-gis: the viewer's way to the GIS writers (see gis_module.h).

#include "viewer/gis_module.h"

#include "gis/gis_writers.h"
#include "gis/reprojection.h"

extern "C" __attribute__((visibility("default"))) const plotaktar::viewer::GisModule*
plotaktar_view_gis_module() {
    static const plotaktar::viewer::GisModule module{plotaktar::GisExchangeWriterFor,
                                                     plotaktar::ProjCoordinateStep};
    return &module;
}
