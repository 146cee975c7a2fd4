// plotaktar-cli export end to end: the sample written to every exchange format and read back
// by independent readers (ezdxf, ogrinfo, cs2cs), and the bad inputs that must lose nothing.

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

std::string Sample(std::string_view name) {
    return std::string(PLOTAKTAR_SAMPLES_DIR) + "/" + std::string(name);
}

std::set<std::string> Listing(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        names.insert(fs::relative(entry.path(), dir.path()).generic_string());
    }
    return names;
}

// The last line of a text.
std::string LastLine(const std::string& text) {
    const size_t end = text.empty() || text.back() != '\n' ? text.size() : text.size() - 1;
    const size_t start = text.rfind('\n', end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start + 1));
}

constexpr const char* kSampleSummary =
    "37 features (points 15, lines 5, parcels 3, labels 11, symbols 3), 0 left out";

TEST(Export, SampleDxfPassesTheAuditAndHoldsEveryFeatureWhereItWas) {
    TempDir dir;
    CliResult r = RunCli({"export", Sample("pafta12.gplt"), "-o", "p.dxf"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LastLine(r.err), std::string("p.dxf: ") + kSampleSummary);
    EXPECT_THAT(r.err, HasSubstr("p.dxf: no coordinate system given (--crs)"));

    const std::string facts = Shell("/usr/bin/python3 " + std::string(PLOTAKTAR_CLI_DATA_DIR) +
                                    "/dxf_facts.py " + dir.file("p.dxf") + " 2>&1");
    EXPECT_THAT(facts, HasSubstr("audit errors 0\n"));
    EXPECT_THAT(facts, HasSubstr("version AC1018 cp1254 units 6\n"));
    // Layers: Turkish names intact, "Renk" as the colour, a switched-off layer negated, the
    // line type by the shared table, the thickness as line weight.
    EXPECT_THAT(facts, HasSubstr("layer NİRENGİ 1 CONTINUOUS 18\n"));
    EXPECT_THAT(facts, HasSubstr("layer ŞEV 30 DOT 18\n"));
    EXPECT_THAT(facts, HasSubstr("layer ESKİ_SINIR -9 DASHDOT 13\n"));
    // Points: a block per kind with number and height as attributes, at Y, X, Z.
    EXPECT_THAT(facts, HasSubstr("INSERT NIRENGI NİRENGİ 512345.670 4512345.670 123.450 "
                                 "NUMARA=N.12 Z=123.45\n"));
    EXPECT_THAT(facts, HasSubstr("INSERT POLIGON POLİGON 512289.400 4512401.120 118.020 "
                                 "NUMARA=P.1001 Z=118.02\n"));
    EXPECT_THAT(facts, HasSubstr("INSERT NOKTA AĞAÇ 512285.180 4512366.050 119.690 "
                                 "NUMARA=2511 Z=119.69\n"));
    // Lines in 3D, parcels closed with their corners, their "ada/parsel" text.
    EXPECT_THAT(facts, HasSubstr("LINE YOL_KENARI 512301.450 4512360.120 119.800 512318.020 "
                                 "4512372.480 119.950\n"));
    EXPECT_THAT(facts, HasSubstr("LWPOLYLINE PARSEL closed=True 512338.200,4512351.770 "
                                 "512369.410,4512360.080 512381.950,4512338.620 "
                                 "512362.300,4512318.150 512345.050,4512322.400\n"));
    EXPECT_THAT(facts, HasSubstr("TEXT PARSEL [105/13] "));
    // Labels: text, height, rotation 90 - 0.9 * Açı, width En/Boy.
    EXPECT_THAT(facts, HasSubstr("TEXT YAZI [ADA 105] 512340.000 4512350.000 h=2.5 r=0.00 "
                                 "w=1.00\n"));
    EXPECT_THAT(facts, HasSubstr("TEXT YAZI [PAFTA 12 - GÖLBAŞI] 512290.100 4512301.750 h=3 "
                                 "r=-11.16 w=1.00\n"));
    EXPECT_THAT(facts, HasSubstr("[Şehit Öğretmen İlhan Sokağı]"));
    EXPECT_THAT(facts, HasSubstr("TEXT YAZI [Çeşme Sokağı] 512388.450 4512352.100 h=2 r=0.00 "
                                 "w=0.80\n"));
    // Symbols: the block of their number at their point.
    EXPECT_THAT(facts, HasSubstr("INSERT SEMBOL_5 POLİGON 512289.400 4512401.120 118.020"));

    // GDAL's own reader takes the code page too.
    EXPECT_THAT(Shell("ogrinfo -ro -al -q " + dir.file("p.dxf") + " 2>&1"),
                HasSubstr("Layer (String) = NİRENGİ"));
}

TEST(Export, GisFormatsCarryTheCoordinateSystemAndLandWhereCs2csPutsThem) {
    TempDir dir;
    for (const char* name : {"p.gpkg", "p.shp", "p.geojson", "p.kml"}) {
        CliResult r =
            RunCli({"export", Sample("pafta12.gplt"), "-o", name, "--crs", "TM30"}, dir.path());
        ASSERT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(LastLine(r.err), std::string(name) + ": " + kSampleSummary);
    }
    const std::string gpkg = Shell("ogrinfo -ro -so " + dir.file("p.gpkg") + " noktalar 2>&1");
    EXPECT_THAT(gpkg, HasSubstr("Feature Count: 15"));
    EXPECT_THAT(gpkg, HasSubstr("ID[\"EPSG\",5254]"));
    const std::string parcels =
        Shell("ogrinfo -ro -al -q " + dir.file("p.gpkg") + " parseller 2>&1");
    EXPECT_THAT(parcels, HasSubstr("alan (String) = 986.75"));
    EXPECT_THAT(parcels, HasSubstr("POLYGON ((512338.2 4512351.77,"));

    for (const char* kind : {"noktalar", "hatlar", "parseller", "yazilar", "semboller"}) {
        for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"}) {
            EXPECT_TRUE(fs::exists(dir.path() / (std::string("p-") + kind + ext))) << kind << ext;
        }
    }
    EXPECT_EQ(ReadFile(dir.file("p-yazilar.cpg")), "UTF-8");
    EXPECT_THAT(Shell("ogrinfo -ro -al -q " + dir.file("p-yazilar.shp") + " 2>&1"),
                HasSubstr("text (String) = Şehit Öğretmen İlhan Sokağı"));

    // Triangulation point N.12 in the KML, against cs2cs from EPSG:5254 (northing first there).
    std::istringstream cs2cs(
        Shell("echo 4512345.67 512345.67 | cs2cs -f %.10f EPSG:5254 EPSG:4326"));
    double latitude = 0, longitude = 0;
    cs2cs >> latitude >> longitude;
    const std::string kml = ReadFile(dir.file("p.kml"));
    const size_t n12 = kml.find("<name>N.12</name>");
    ASSERT_NE(n12, std::string::npos);
    const size_t at = kml.find("<coordinates>", n12) + std::string("<coordinates>").size();
    double kmlLongitude = 0, kmlLatitude = 0;
    ASSERT_EQ(std::sscanf(kml.c_str() + at, "%lf,%lf", &kmlLongitude, &kmlLatitude), 2);
    EXPECT_NEAR(kmlLongitude, longitude, 1e-7);
    EXPECT_NEAR(kmlLatitude, latitude, 1e-7);
    EXPECT_NEAR(longitude, 30.146, 0.01);  // the drawing lies east of 30°E, not at the origin

    // --to: from ED50 to TUREF, a change of datum, as cs2cs does it.
    CliResult to = RunCli({"export", Sample("pafta12.gplt"), "-o", "to.gpkg", "--crs", "ED50-TM30",
                           "--to", "EPSG:5254"},
                          dir.path());
    ASSERT_EQ(to.status, 0) << to.err;
    std::istringstream shifted(
        Shell("echo 4512345.67 512345.67 | cs2cs -f %.4f EPSG:2320 EPSG:5254"));
    double north = 0, east = 0;
    shifted >> north >> east;
    const std::string moved = Shell("ogrinfo -ro -al -q -where \"number='N.12'\" " +
                                    dir.file("to.gpkg") + " noktalar 2>&1");
    double gotEast = 0, gotNorth = 0;
    const size_t point = moved.find("POINT (");
    ASSERT_NE(point, std::string::npos) << moved;
    ASSERT_EQ(std::sscanf(moved.c_str() + point, "POINT (%lf %lf)", &gotEast, &gotNorth), 2);
    EXPECT_NEAR(gotEast, east, 1e-3);
    EXPECT_NEAR(gotNorth, north, 1e-3);
    EXPECT_GT(std::fabs(gotNorth - 4512345.67), 50);  // the datums differ by far more

    const std::string geojson = ReadFile(dir.file("p.geojson"));
    EXPECT_THAT(geojson, HasSubstr("\"kind\": \"Yazı\""));
    EXPECT_THAT(geojson, HasSubstr("\"number\": \"N.12\""));
}

// Bad records are named and counted and the rest is written; bad targets leave every file as
// it was and no temporary behind.
TEST(Export, BadInputIsNamedAndNothingIsLostOrHalfWritten) {
    TempDir dir;
    dir.write("bad.gplt",
              "tab 1 1 N\xDDRENG\xDD 1 0 1 0.18\r\n"
              "nir 12 4512345.67 512345.67 123.45 1\r\n"
              "nir 13 45123a5.67 512345.67 123.45 1\r\n"
              "nok 20 4512300 512300 10 8a\r\n"
              "nok 21 4512310 512310 10 7\r\n"
              "sem 99 31 1 1 0 1\r\n"
              "par 1 2 100.0 1\r\n"
              "1 2 1 512300 4512300 0\r\n"
              "1 2 2 512310 4512300 0\r\n"
              "par 1 3 100.0 1\r\n"
              "1 3 1 512300 4512300 0\r\n"
              "1 3 2 5123x0 4512300 0\r\n"
              "1 3 3 512310 4512310 0\r\n");
    // A label whose layer is no number.
    dir.write("bad.yaz", "4512350.00 512340.00 100 2.5 ETIKET   x\r\n");
    CliResult r = RunCli({"export", "bad.gplt", "-o", "bad.dxf"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:3: left out: point 'N.13': X '45123a5.67' is not a "
                                 "number\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:4: on no layer: layer '8a' is not a layer number\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:5: on no layer: layer '7' names no declared layer\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:6: left out: symbol '31' at '99': no point of that "
                                 "number in the drawing\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:7: left out: parcel '1'/'2': 2 corners, fewer than "
                                 "3\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:10: left out: parcel '1'/'3': corner 2 Y '5123x0' is "
                                 "not a number\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.yaz:1: on no layer: layer 'x' is not a layer number\n"));
    EXPECT_EQ(LastLine(r.err),
              "bad.dxf: 4 features (points 3, lines 0, parcels 0, labels 1, "
              "symbols 0), 4 left out");
    const std::string facts = Shell("/usr/bin/python3 " + std::string(PLOTAKTAR_CLI_DATA_DIR) +
                                    "/dxf_facts.py " + dir.file("bad.dxf") + " 2>&1");
    EXPECT_THAT(facts, HasSubstr("audit errors 0\n"));
    EXPECT_THAT(facts, HasSubstr("INSERT NIRENGI NİRENGİ 512345.670"));
    EXPECT_THAT(facts, HasSubstr("INSERT NOKTA 0 512300.000 4512300.000 10.000 NUMARA=20"));
    EXPECT_THAT(facts, HasSubstr("TEXT 0 [ETIKET]"));

    // Targets that cannot be written: each file as it was, nothing new beside it.
    dir.write("old.kml", "old");
    dir.write("old-noktalar.shp", "old");
    fs::create_directory(dir.path() / "folder.gpkg");
    const std::set<std::string> before = Listing(dir);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"-o", "old.kml"}, 2, "KML is always in WGS 84 longitude and latitude"},
        {{"-o", "x.geojson", "--crs", "TM31"}, 2, "--crs 'TM31' is no coordinate system"},
        {{"-o", "x.geojson", "--crs=TM31"}, 2, "--crs 'TM31' is no coordinate system"},
        {{"-o", "x.gpkg", "--to", "TM30"}, 2, "--to needs the drawing's coordinate system"},
        {{"-o", "x.gpkg", "--crs", "EPSG:999999"}, 2, "EPSG:999999 is not a coordinate system"},
        {{"-o", "x.txt"}, 2, "the output must end in .dxf, .gpkg, .shp, .geojson or .kml"},
        {{"-o", "none/x.gpkg"}, 1, "none/x.gpkg: Invalid filename (the folder none/ does not"},
        {{"-o", "none/x.shp"}, 1, "none/x.shp: Invalid filename (the folder none/ does not"},
        {{"-o", "none/x.dxf"}, 1, "none/x.dxf: Invalid filename (the folder none/ does not"},
        {{"-o", "folder.gpkg"}, 1, "folder.gpkg: File access denied"},
        {{"-o", "bad.gplt", "--format", "dxf"}, 2, "is an input file of this conversion"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"export", "bad.gplt"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliResult failed = RunCli(args, dir.path());
        EXPECT_EQ(failed.status, c.status) << c.err << "\n" << failed.err;
        EXPECT_THAT(failed.err, HasSubstr(c.err));
    }
    if (geteuid() != 0) {  // root writes files whatever their permissions
        chmod(dir.file("old-noktalar.shp").c_str(), 0444);
        CliResult locked = RunCli({"export", "bad.gplt", "-o", "old.shp"}, dir.path());
        EXPECT_EQ(locked.status, 1);
        EXPECT_THAT(locked.err, HasSubstr("File access denied"));
    }
    EXPECT_EQ(Listing(dir), before);
    EXPECT_EQ(ReadFile(dir.file("old.kml")), "old");
    EXPECT_EQ(ReadFile(dir.file("old-noktalar.shp")), "old");
}

}  // namespace
}  // namespace plotaktar::testing
