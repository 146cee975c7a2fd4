// What the receiving office sees on opening an export: the QGIS styles inside a GeoPackage and
// beside each Shapefile set, KML's styles, folders and names, DXF's point numbers as texts.
// Read back by independent readers (SQLite, ElementTree, ezdxf and its colour palette, ogrinfo)
// through gis_styles_facts.py, which reads the drawing's layers from the geometry file itself.

#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kKinds[] = {"noktalar", "hatlar", "parseller", "yazilar", "semboller"};

std::string Facts(const std::string& arguments) {
    return Shell("/usr/bin/python3 " + std::string(PLOTAKTAR_CLI_SOURCE_DIR) +
                 "/gis_styles_facts.py " + arguments + " 2>&1");
}

// The hostile drawing of gis_styles_facts.py, written into `dir`.
std::string HostileDrawing(const TempDir& dir) {
    Facts("hostile " + dir.path().string());
    return dir.file("hostile.gplt");
}

void Export(const TempDir& dir, const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {"export"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const CliResult r = RunCli(all, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
}

// Each layer's default style draws every drawing layer in its ACI colour (7 black), switched-off
// layers unchecked, with labels where the kind has them.
void ExpectStyled(const std::string& facts, const std::string& drawn) {
    for (const char* kind : kKinds) {
        EXPECT_THAT(facts, HasSubstr(std::string("qml ") + kind + " renderer categorizedSymbol\n"));
        EXPECT_THAT(facts, HasSubstr(std::string("qml ") + kind + " categories " + drawn + " ok\n"))
            << facts;
    }
    EXPECT_THAT(facts, HasSubstr("qml yazilar labels 1\n"));
    EXPECT_THAT(facts, HasSubstr("qml noktalar labels 1\n"));
    EXPECT_THAT(facts, Not(HasSubstr("unparsable")));
}

TEST(GisStyles, AGeoPackageCarriesOneDefaultStyleALayerAndSaysItHasNoSystem) {
    TempDir dir;
    Export(dir, {Sample("pafta12.gplt"), "-o", "p.gpkg"});
    const std::string facts = Facts("gpkg " + dir.file("p.gpkg") + " " + Sample("pafta12.gplt"));
    EXPECT_THAT(facts, HasSubstr("contents layer_styles attributes\n"));
    for (const char* kind : kKinds) {
        EXPECT_THAT(facts, HasSubstr(std::string("styles ") + kind + " 1 default 1 column geom\n"));
        // "Undefined Cartesian SRS": metres QGIS does not take for degrees.
        EXPECT_THAT(facts, HasSubstr(std::string("srs_id ") + kind + " -1\n"));
    }
    ExpectStyled(facts, "10");

    // Named, the system is the layers' own.
    Export(dir, {Sample("pafta12.gplt"), "-o", "tm.gpkg", "--crs", "TM30"});
    EXPECT_THAT(Facts("gpkg " + dir.file("tm.gpkg") + " " + Sample("pafta12.gplt")),
                HasSubstr("srs_id noktalar 5254\n"));
}

TEST(GisStyles, TheAreaAsANumberAndTheNameOfASymbolsPointStandBesideTheirTexts) {
    TempDir dir;
    dir.write("a.gplt",
              "tab 1 1 SINIR 1 0 1 0.25\r\n"
              "nir 41 4512000.00 512000.00 100 1\r\n"
              "nok 2 4512010.00 512000.00 100 1\r\n"
              "nok 3 4512010.00 512010.00 100 1\r\n"
              "par 105 12 1250.40 1\r\n105 12 1 512000.00 4512000.00 100\r\n"
              "105 12 2 512000.00 4512010.00 100\r\n105 12 3 512010.00 4512010.00 100\r\n"
              "par 105 13 yok 1\r\n105 13 1 512000.00 4512000.00 100\r\n"
              "105 13 2 512000.00 4512010.00 100\r\n105 13 3 512010.00 4512010.00 100\r\n"
              "sem 41 31 1.00 1.00 0 1\r\n");
    Export(dir, {dir.file("a.gplt"), "--no-labels", "-o", "a.gpkg"});
    const std::string parcels = Shell("ogrinfo -ro -al -q " + dir.file("a.gpkg") + " parseller");
    EXPECT_THAT(parcels, HasSubstr("alan (String) = 1250.40"));
    EXPECT_THAT(parcels, HasSubstr("alan_sayi (Real) = 1250.4\n"));
    EXPECT_THAT(parcels, HasSubstr("alan (String) = yok"));
    EXPECT_THAT(parcels, HasSubstr("alan_sayi (Real) = (null)"));
    const std::string symbols = Shell("ogrinfo -ro -al -q " + dir.file("a.gpkg") + " semboller");
    EXPECT_THAT(symbols, HasSubstr("point (String) = 41\n"));
    EXPECT_THAT(symbols, HasSubstr("point_name (String) = N.41\n"));
}

TEST(GisStyles, EachShapefileSetHasItsStyleBesideIt) {
    TempDir dir;
    Export(dir, {Sample("pafta12.gplt"), "-o", "p.shp"});
    std::string facts;
    for (const char* kind : kKinds) {
        const std::string qml = dir.file(std::string("p-") + kind + ".qml");
        ASSERT_TRUE(fs::exists(qml)) << kind;
        facts += Facts("qml " + qml + " " + kind + " " + Sample("pafta12.gplt"));
    }
    ExpectStyled(facts, "10");
}

// The styles' files are part of the set: never an input, and written with it.
TEST(GisStyles, AStyleBesideASetIsNoInputOfItsExport) {
    TempDir dir;
    const std::string labels = dir.write("p-yazilar.qml", "old");
    const CliResult r =
        RunCli({"export", Sample("pafta12.gplt"), labels, "-o", "p.shp"}, dir.path());
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(ReadFile(labels), "old");
    EXPECT_FALSE(fs::exists(dir.file("p-noktalar.shp")));
}

TEST(GisStyles, StylesForHostileLayerNamesAreValidXmlWithEveryLayersColour) {
    TempDir dir;
    const std::string drawing = HostileDrawing(dir);
    Export(dir, {drawing, "-o", "h.gpkg"});
    Export(dir, {drawing, "-o", "h.shp"});
    // Nine layers: special characters, control bytes, a tab, 10,000 letters, names equal but
    // for case, one switched off.
    ExpectStyled(Facts("gpkg " + dir.file("h.gpkg") + " " + drawing), "9");
    for (const char* kind : kKinds) {
        const std::string qml = dir.file(std::string("h-") + kind + ".qml");
        EXPECT_THAT(Shell("xmllint --noout '" + qml + "' 2>&1 && echo valid"), HasSubstr("valid"));
        EXPECT_THAT(Facts("qml " + qml + " " + kind + " " + drawing),
                    HasSubstr(std::string("qml ") + kind + " categories 9 ok"));
    }
}

TEST(GisStyles, KmlNamesAndStylesEveryPlacemarkInAFolderPerLayer) {
    TempDir dir;
    Export(dir, {Sample("pafta12.gplt"), "-o", "p.kml", "--crs", "TM30"});
    const std::string facts = Facts("kml " + dir.file("p.kml") + " " + Sample("pafta12.gplt"));
    EXPECT_THAT(facts, HasSubstr("kinds noktalar hatlar parseller yazilar semboller\n"));
    EXPECT_THAT(facts, HasSubstr("placemarks 37 unnamed 0 unstyled 0 undescribed 0\n"));
    EXPECT_THAT(facts, Not(HasSubstr("is no layer")));
    EXPECT_THAT(facts, Not(HasSubstr(" wrong")));
    EXPECT_THAT(facts, HasSubstr("folder noktalar/NİRENGİ shown ok\n"));
    EXPECT_THAT(facts, HasSubstr("folder parseller/PARSEL shown ok\n"));
    EXPECT_THAT(facts, HasSubstr("name N.12 #tabaka-0-nirengi\n"));
    EXPECT_THAT(facts, HasSubstr("name 2501–2502 #"));
    EXPECT_THAT(facts, HasSubstr("name 105/12 #"));
    EXPECT_THAT(facts, HasSubstr("name PAFTA 12 - GÖLBAŞI #"));
    // GDAL reads every placemark back, a layer a folder.
    const std::string read = Shell("ogrinfo -ro -al -q " + dir.file("p.kml") + " 2>&1");
    size_t placemarks = 0;
    for (size_t at = read.find("OGRFeature("); at != std::string::npos;
         at = read.find("OGRFeature(", at + 1)) {
        ++placemarks;
    }
    EXPECT_EQ(placemarks, 37u) << read;
    EXPECT_THAT(read, HasSubstr("Name (String) = 105/12"));

    // A switched-off layer's folder is not shown on opening; hostile names stay valid XML.
    const std::string drawing = HostileDrawing(dir);
    Export(dir, {drawing, "-o", "h.kml", "--crs", "TM30"});
    const std::string hostile = Facts("kml " + dir.file("h.kml") + " " + drawing);
    EXPECT_THAT(hostile, HasSubstr("folder noktalar/KAPALI hidden ok\n"));
    EXPECT_THAT(hostile, HasSubstr("placemarks 27 unnamed 0 unstyled 0 undescribed 0\n"));
    EXPECT_THAT(hostile, Not(HasSubstr(" wrong")));
    EXPECT_THAT(hostile, Not(HasSubstr("is no layer")));
}

TEST(GisStyles, DxfPointNumbersAsTextsBesideTheirPoints) {
    TempDir dir;
    const std::string sample = Sample("pafta12.gplt");
    Export(dir, {sample, "-o", "text.dxf", "--point-numbers", "text"});
    Export(dir, {sample, "-o", "both.dxf", "--point-numbers=both"});
    Export(dir, {sample, "-o", "attrib.dxf"});
    const std::string text = Facts("dxf " + dir.file("text.dxf"));
    EXPECT_THAT(text, HasSubstr("number texts 15 beside their point 15\n"));
    EXPECT_THAT(text, HasSubstr("number attributes 0\n"));
    EXPECT_THAT(text, HasSubstr("text N.12\n"));
    EXPECT_THAT(text, HasSubstr("text P.1001\n"));
    EXPECT_THAT(text, HasSubstr("text 2501\n"));
    const std::string both = Facts("dxf " + dir.file("both.dxf"));
    EXPECT_THAT(both, HasSubstr("number texts 15 beside their point 15\n"));
    EXPECT_THAT(both, HasSubstr("number attributes 15\n"));
    const std::string attrib = Facts("dxf " + dir.file("attrib.dxf"));
    EXPECT_THAT(attrib, HasSubstr("number texts 0 "));
    EXPECT_THAT(attrib, HasSubstr("layer NOKTA_NO no\n"));
    EXPECT_THAT(Shell("ezdxf audit " + dir.file("both.dxf") + " 2>&1"),
                HasSubstr("No errors found"));

    // A drawing layer of that name keeps its features apart from the numbers.
    dir.write("n.gplt", "tab 1 1 NOKTA_NO 1 0 1 0.25\r\nnok 7 4512000.00 512000.00 100 1\r\n");
    Export(dir, {dir.file("n.gplt"), "-o", "n.dxf", "--point-numbers", "text"});
    EXPECT_THAT(Shell("ogrinfo -ro -al -q " + dir.file("n.dxf") + " 2>&1"),
                HasSubstr("Layer (String) = NOKTA_NO~2"));

    for (const auto& [arguments, message] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"export", sample, "-o", "x.dxf", "--point-numbers", "none"},
              "--point-numbers 'none' is none of attrib, text, both"},
             {{"export", sample, "-o", "x.gpkg", "--point-numbers", "text"},
              "--point-numbers is for DXF output only"}}) {
        const CliResult r = RunCli(arguments, dir.path());
        EXPECT_EQ(r.status, 2);
        EXPECT_THAT(r.err, HasSubstr(message));
        EXPECT_FALSE(fs::exists(dir.file("x.dxf")));
    }
}

}  // namespace
}  // namespace plotaktar::testing
