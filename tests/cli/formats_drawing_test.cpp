// The drawing written from docs/formats.md alone (tests/data/formats), with every record kind:
// converted to the plot file the page describes, exported to DXF and GeoPackage and read back by
// ezdxf and ogrinfo, and checked without a finding.

#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

std::string Drawing(std::string_view name) {
    return std::string(PLOTAKTAR_TESTDATA_DIR) + "/formats/" + std::string(name);
}

constexpr const char* kFeatures =
    "20 features (points 8, lines 3, parcels 2, labels 5, symbols 2), 0 left out";

TEST(FormatsDrawing, ConvertsEveryKindToThePlotRecordsThePageDescribes) {
    TempDir dir;
    CliResult r = RunCli({"convert", Drawing("yenikoy.gplt"), "-o", "y.plt"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("yenikoy.gplt: nir 2, pol 2, nok 4, tab 9, hat 3, sem 2, par 2, "
                                 "bin 1, sev 1, yazı 5 -> y.plt"));
    EXPECT_THAT(r.err, Not(ContainsRegex("\\.gplt:[0-9]"))) << "no record failed";
    EXPECT_EQ(ReadFile(dir.file("y.plt")), ReadFile(Drawing("yenikoy.plt")));
}

TEST(FormatsDrawing, ExportsToDxfWithTheLayersPensAnglesAndCornersOfThePage) {
    TempDir dir;
    CliResult r = RunCli({"export", Drawing("yenikoy.gplt"), "-o", "y.dxf"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr(std::string("y.dxf: ") + kFeatures));
    const std::string facts = Shell("/usr/bin/python3 " + std::string(PLOTAKTAR_CLI_DATA_DIR) +
                                    "/dxf_facts.py " + dir.file("y.dxf") + " 2>&1");
    EXPECT_THAT(facts, HasSubstr("audit errors 0\n"));
    // "Açık/kapalı" 0 switches a layer off; "çizgi Tipi" 1, 2, 3; "kalınlık" in millimetres;
    // a layer record of six fields is named "Tabaka" and its number.
    for (const char* layer :
         {"layer PARSEL 1 CONTINUOUS 35\n", "layer YOL -2 DASHED 25\n", "layer ŞEV 30 DOT 13\n",
          "layer DETAY 8 DASHDOT 13\n", "layer Tabaka9 4 CONTINUOUS 13\n"}) {
        EXPECT_THAT(facts, HasSubstr(layer));
    }
    // Points X before Y, lines Y before X, corners Y then X: all at the same places.
    EXPECT_THAT(facts, HasSubstr("INSERT POLIGON POLİGON 513100.000 4513000.000 100.800 "
                                 "NUMARA=P.301 Z=100.80\n"));
    EXPECT_THAT(facts, HasSubstr("LINE BİNA 513060.000 4513060.000 100.400 513020.000 "
                                 "4513060.000 100.500\n"));
    EXPECT_THAT(facts, HasSubstr("LWPOLYLINE PARSEL closed=True 513050.000,4513000.000 "
                                 "513110.000,4513000.000 513110.000,4513040.000 "
                                 "513050.000,4513040.000\n"));
    // Angles in grads clockwise from north (100 reads west to east), "En" / "Boy" the width.
    EXPECT_THAT(facts, HasSubstr("TEXT BİNA [BİNA 3 KAT] 513040.000 4513055.000 h=1.5 r=45.00 "
                                 "w=1.00\n"));
    EXPECT_THAT(facts, HasSubstr("TEXT YAZI [PAFTA 7 - YENİKÖY] 513010.000 4513090.000 h=3 "
                                 "r=0.00 w=0.80\n"));
    // A symbol stands at the traverse point its raw number names.
    EXPECT_THAT(facts, HasSubstr("INSERT SEMBOL_5 Tabaka9 513100.000 4513000.000 100.800"));
}

TEST(FormatsDrawing, ExportsToGeoPackageWithTheParcelsDeclaredAndComputedAreas) {
    TempDir dir;
    CliResult r = RunCli({"export", Drawing("yenikoy.gplt"), "-o", "y.gpkg"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr(std::string("y.gpkg: ") + kFeatures));
    const std::string counts = Shell("ogrinfo -ro -so -al " + dir.file("y.gpkg") +
                                     " | grep -E 'Layer name|Feature Count'");
    EXPECT_EQ(counts,
              "Layer name: noktalar\nFeature Count: 8\nLayer name: hatlar\nFeature Count: 3\n"
              "Layer name: parseller\nFeature Count: 2\nLayer name: yazilar\nFeature Count: 5\n"
              "Layer name: semboller\nFeature Count: 2\n"
              // QGIS's table of the layers' default styles, one a layer.
              "Layer name: layer_styles\nFeature Count: 5\n");
    const std::string parcels =
        Shell("ogrinfo -ro -q " + dir.file("y.gpkg") +
              " -sql \"SELECT ada || '/' || parsel || ' ' || alan || ' ' || alan_m2 || ' ' || "
              "layer AS p FROM parseller\" | grep 'p (String)'");
    EXPECT_EQ(parcels,
              "  p (String) = 201/7 2000.00 2000.0 PARSEL\n"
              "  p (String) = 201/8 2400.00 2400.0 PARSEL\n");
}

TEST(FormatsDrawing, ChecksWithoutAFinding) {
    TempDir dir;
    CliResult r = RunCli({"check", Drawing("yenikoy.gplt")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr("0 errors, 0 warnings"));
}

}  // namespace
}  // namespace plotaktar::testing
