// A GeoPackage's spatial indexes built in bulk are the indexes GDAL builds: SQLite finds them
// sound (integrity_check, rtreecheck), they hold the same boxes under the same fids with the
// same triggers and extension rows, OGR's spatial filters find the same features in them, and
// SQLite keeps them sound through later edits. gpkg_index_facts.py makes GDAL's copy and
// compares, with Python's sqlite3 and GDAL's own bindings.

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "exchange/exchange_writer.h"
#include "gis/geopackage_index.h"
#include "gis/gis_writers.h"
#include "import/import_files.h"
#include "model/crs_names.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// What gpkg_index_facts.py finds of `ours` against GDAL's index of the same features
// (`theirs`, or "-" for a copy of ours that GDAL indexes again).
std::string Facts(const TempDir& dir, const std::string& ours, const std::string& theirs,
                  int boxes) {
    return Shell("/usr/bin/python3 " + std::string(PLOTAKTAR_TEST_SCRIPTS) +
                 "/gpkg_index_facts.py " + ours + " " + theirs + " " + std::to_string(boxes) + " " +
                 dir.path().string() + " 2>&1");
}

// Every comparison the script makes came out equal.
void ExpectSameAsGdal(const std::string& facts, std::initializer_list<const char*> layers) {
    EXPECT_THAT(facts, HasSubstr("ours integrity ok\n"));
    EXPECT_THAT(facts, HasSubstr("edited integrity ok\n"));
    for (const char* layer : layers) {
        for (const char* when : {"ours", "edited"}) {
            EXPECT_THAT(facts, HasSubstr(std::string(when) + " rtreecheck " + layer + " ok\n"));
        }
    }
    EXPECT_THAT(facts, HasSubstr("schema same\n"));
    EXPECT_THAT(facts, HasSubstr("extensions same\n"));
    EXPECT_THAT(facts, HasSubstr("fast spatial filter True\n"));
    EXPECT_THAT(facts, HasSubstr(" different 0 "));
    EXPECT_THAT(facts, Not(HasSubstr("DIFFERENT")));
    EXPECT_THAT(facts, Not(HasSubstr("Error")));
}

// A drawing of 20,000 features over 4 km: 10,000 points (a third of them in a few dense
// blocks), 7,346 lines between them, 2,602 symbols on them (52 leaves of 50 and more: two
// nodes above them), 52 parcels (two leaves) and no labels (an empty layer).
std::string TwentyThousandFeatures() {
    std::mt19937 random(33);
    auto coordinate = [&](int64_t base, int span) {
        const int64_t cm = base * 100 + static_cast<int64_t>(random() % (span * 100u));
        return std::to_string(cm / 100) + "." + std::to_string(cm % 100 / 10) +
               std::to_string(cm % 10);
    };
    std::string gplt = "tab 1 1 DETAY 8 0 1 0.13\r\ntab 2 1 YOL 2 0 1 0.25\r\n";
    std::vector<std::pair<std::string, std::string>> points;  // easting, northing
    for (int i = 1; i <= 10000; ++i) {
        const bool dense = i % 3 == 0;
        const int64_t east = dense ? 500000 + 500 * (i % 4) : 500000;
        const int64_t north = dense ? 4500000 + 700 * (i % 5) : 4500000;
        points.emplace_back(coordinate(east, dense ? 20 : 4000),
                            coordinate(north, dense ? 20 : 4000));
        gplt += "nok " + std::to_string(i) + " " + points.back().second + " " +
                points.back().first + " 100.00 1\r\n";
    }
    for (int i = 0; i < 7346; ++i) {
        const size_t a = random() % points.size(), b = (a + 1 + random() % 50) % points.size();
        gplt += "hat " + std::to_string(a + 1) + " " + points[a].first + " " + points[a].second +
                " 100.00 " + std::to_string(b + 1) + " " + points[b].first + " " +
                points[b].second + " 100.00 2\r\n";
    }
    for (int i = 0; i < 2602; ++i) {
        gplt += "sem " + std::to_string(random() % 10000 + 1) + " 31 1.00 1.00 0 1\r\n";
    }
    for (int parcel = 1; parcel <= 52; ++parcel) {
        const std::string name = "101 " + std::to_string(parcel);
        gplt += "par " + name + " 400.00 1\r\n";
        const int64_t east = 500000 + 40 * parcel, north = 4501000 + 5 * (parcel % 7);
        const int64_t corners[4][2] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}};
        for (int c = 0; c < 4; ++c) {
            gplt += name + " " + std::to_string(c + 1) + " " +
                    std::to_string(east + corners[c][0]) + ".00 " +
                    std::to_string(north + corners[c][1]) + ".00 100.00\r\n";
        }
    }
    return gplt;
}

TEST(GeoPackageIndex, TwentyThousandFeaturesIndexedAsGdalIndexesThem) {
    TempDir dir;
    Workspace workspace;
    ImportObserver quiet;
    ImportFiles(workspace, {dir.write("big.gplt", TwentyThousandFeatures()), "", ""}, quiet);
    ExportSettings settings;
    settings.sourceEpsg = *EpsgOfCrsText("TM30");
    const ExportResult result =
        GisExchangeWriterFor("gpkg")->exportWorkspace(workspace, settings, dir.file("big.gpkg"));
    ASSERT_EQ(result.counts.total(), 20000u);
    ASSERT_EQ(result.counts.leftOut, 0u);

    const std::string facts = Facts(dir, dir.file("big.gpkg"), "-", 10000);
    ExpectSameAsGdal(facts, {"noktalar", "hatlar", "parseller", "yazilar", "semboller"});
    EXPECT_THAT(facts, HasSubstr("ours boxes noktalar 10000 same\n"));
    EXPECT_THAT(facts, HasSubstr("ours boxes hatlar 7346 same\n"));
    EXPECT_THAT(facts, HasSubstr("ours boxes semboller 2602 same\n"));
    EXPECT_THAT(facts, HasSubstr("ours boxes parseller 52 same\n"));
    EXPECT_THAT(facts, HasSubstr("ours boxes yazilar 0 same\n"));
    EXPECT_THAT(facts, HasSubstr("filters 10000 boxes different 0 hits enough\n"));
}

// Geometries of every kind GDAL writes, beside ours: empty and null ones (left out), points
// without an envelope, Z and M, collections, holes, both signs and coordinates that have no
// float of their own (rounded outward as SQLite rounds them), against the same CSV that
// ogr2ogr indexes itself.
TEST(GeoPackageIndex, GeometriesOfEveryKindBoxedAsGdalBoxesThem) {
    TempDir dir;
    const std::string csv = dir.write("kinds.csv",
                                      "WKT,name\n"
                                      "\"POINT (1 2)\",a\n"
                                      "\"POINT EMPTY\",b\n"
                                      ",c\n"
                                      "\"POINT Z (-512345.671 4512345.673 10)\",d\n"
                                      "\"POINT M (0.1 -0.3 5)\",e\n"
                                      "\"POINT ZM (-1e-8 3.4e38 1 2)\",f\n"
                                      "\"LINESTRING (0.1 0.2,-3.7 4.9)\",g\n"
                                      "\"LINESTRING EMPTY\",h\n"
                                      "\"POLYGON ((0 0,10 0,10 10,0 0),(1 1,2 1,2 2,1 1))\",i\n"
                                      "\"MULTIPOINT ((7.7 -8.8),(-9.9 1.1))\",j\n"
                                      "\"GEOMETRYCOLLECTION (POINT (5 5),"
                                      "LINESTRING (-6.66 7,8 -9.123456789))\",k\n"
                                      "\"MULTIPOLYGON Z (((0 0 1,1 0 1,1 1 1,0 0 1)))\",l\n");
    const std::string ours = dir.file("ours.gpkg"), theirs = dir.file("gdal.gpkg");
    ASSERT_EQ(Shell("ogr2ogr -f GPKG -lco SPATIAL_INDEX=NO -nln kinds " + ours + " " + csv +
                    " 2>&1; ogr2ogr -f GPKG -nln kinds " + theirs + " " + csv + " 2>&1"),
              "");
    AddGeoPackageSpatialIndexes(ours);
    const std::string facts = Facts(dir, ours, theirs, 500);
    ExpectSameAsGdal(facts, {"kinds"});
    EXPECT_THAT(facts, HasSubstr("ours boxes kinds 9 same\n"));
}

// A file size limit (RLIMIT_FSIZE, SIGXFSZ ignored) in place of a full disk: the index cannot
// be written whole, and that is a failure, never a file passed off as indexed.
TEST(GeoPackageIndex, AFullDiskIsAFailureNamedAsSuch) {
    TempDir dir;
    std::string csv = "WKT,name\n";
    for (int i = 0; i < 20000; ++i) {
        csv += "\"POINT (" + std::to_string(500000 + i % 150) + " " +
               std::to_string(4500000 + i / 150) + ")\",p\n";
    }
    const std::string gpkg = dir.file("points.gpkg");
    ASSERT_EQ(Shell("ogr2ogr -f GPKG -lco SPATIAL_INDEX=NO " + gpkg + " " +
                    dir.write("points.csv", csv) + " 2>&1"),
              "");
    const auto size = static_cast<rlim_t>(std::filesystem::file_size(gpkg));
    std::optional<std::string> result = RunInChild(
        [&] {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{size + 65536, size + 65536};
            setrlimit(RLIMIT_FSIZE, &limit);
            try {
                AddGeoPackageSpatialIndexes(gpkg);
                return std::string("indexed");
            } catch (const FileError& e) {
                return e.message();
            }
        },
        false);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, "Disk full");
}

TEST(GeoPackageIndex, AFileThatIsNoGeoPackageIsRefusedWithSqlitesReason) {
    TempDir dir;
    const std::string text = dir.write("text.gpkg", std::string(4096, 'x'));
    try {
        AddGeoPackageSpatialIndexes(text);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_THAT(e.message(), HasSubstr("file is not a database"));
    }
}

}  // namespace
}  // namespace plotaktar::testing
