// The viewer's GIS writers live in a module it loads when it first exports: the module gives
// every exchange format's writer and PROJ's coordinate step to a process that links no GDAL,
// its errors reach the caller as the program's own, and plotaktar-view itself needs no GDAL.

#include <dlfcn.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "import/import_files.h"
#include "model/crs_names.h"
#include "platform/error.h"
#include "test_support.h"
#include "viewer/gis_module.h"

namespace plotaktar::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const viewer::GisModule& Module() {
    static const viewer::GisModule* module = [] {
        void* handle = dlopen(PLOTAKTAR_VIEW_GIS_MODULE, RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(handle, nullptr) << dlerror();
        auto entry =
            handle
                ? reinterpret_cast<viewer::GisModuleEntry>(dlsym(handle, viewer::kGisModuleEntry))
                : nullptr;
        EXPECT_NE(entry, nullptr);
        return entry ? entry() : nullptr;
    }();
    if (module == nullptr) {
        throw std::runtime_error("the module could not be loaded");
    }
    return *module;
}

Workspace Sample() {
    const std::string samples = PLOTAKTAR_SAMPLES_DIR;
    Workspace workspace;
    ImportObserver quiet;
    ImportFiles(workspace,
                {samples + "/pafta12.gplt", samples + "/pafta12.yaz", samples + "/pafta12.yfn"},
                quiet);
    return workspace;
}

TEST(ViewerGisModule, WritesEveryExchangeFormatThroughProj) {
    const viewer::GisModule& gis = Module();
    const Workspace workspace = Sample();
    TempDir dir;
    for (const char* format : {"dxf", "gpkg", "shp", "geojson", "kml"}) {
        const ExchangeWriter* writer = gis.writerFor(format);
        ASSERT_NE(writer, nullptr) << format;
        ExportSettings settings;
        settings.sourceEpsg = *EpsgOfCrsText("TM30");
        settings.coordinates = gis.coordinates;
        const std::string target = dir.file(std::string("p.") + format);
        const ExportResult result = writer->exportWorkspace(workspace, settings, target);
        EXPECT_GT(result.counts.total(), 0u) << format;
    }
    EXPECT_EQ(gis.writerFor("plt"), nullptr);
    // GeoJSON is always in WGS 84: the positions went through PROJ, not handed on.
    EXPECT_THAT(Shell("ogrinfo -ro -so -al " + dir.file("p.geojson") + " 2>&1"),
                HasSubstr("Feature Count: 37"));
    EXPECT_THAT(Shell("ogrinfo -ro -al -q " + dir.file("p.geojson") + " 2>&1"),
                HasSubstr("POINT (30.1461758 40.7457224)"));
}

TEST(ViewerGisModule, ItsFailuresAreTheProgramsOwnErrors) {
    const viewer::GisModule& gis = Module();
    const Workspace workspace = Sample();
    TempDir dir;
    ExportSettings settings;
    settings.sourceEpsg = *EpsgOfCrsText("TM30");
    settings.coordinates = gis.coordinates;
    // Thrown inside the module, caught here by the types the viewer catches.
    EXPECT_THROW(
        gis.writerFor("gpkg")->exportWorkspace(workspace, settings, dir.file("missing/p.gpkg")),
        FileError);
    EXPECT_THROW(gis.coordinates(*EpsgOfCrsText("TM30"), 999999), Error);
    settings.progress = [](uint64_t, uint64_t) { return false; };
    EXPECT_THROW(
        gis.writerFor("geojson")->exportWorkspace(workspace, settings, dir.file("c.geojson")),
        ExportCancelled);
}

TEST(ViewerGisModule, TheViewerNeedsNoGdal) {
    EXPECT_THAT(
        Shell("readelf -d " PLOTAKTAR_VIEW " 2>&1"),
        AllOf(HasSubstr("libQt6Widgets"), Not(HasSubstr("libgdal")), Not(HasSubstr("libproj"))));
}

}  // namespace
}  // namespace plotaktar::testing
