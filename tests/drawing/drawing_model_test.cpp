// The drawing model: what the sample's tables and its plot file give, cells that are not
// numbers, the spatial index against a plain scan, and picking.

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>

#include "drawing/drawing_loader.h"
#include "drawing/drawing_sources.h"
#include "drawing/pick.h"
#include "import/import_files.h"
#include "plotfile/plot_reader.h"
#include "plotfile/plot_writer.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

std::string Sample(std::string_view name) {
    return std::string(PLOTAKTAR_SAMPLES_DIR) + "/" + std::string(name);
}

Workspace ImportSample() {
    Workspace workspace;
    ImportObserver quiet;
    ImportFiles(workspace, {Sample("pafta12.gplt"), Sample("pafta12.yaz"), Sample("pafta12.yfn")},
                quiet);
    return workspace;
}

std::optional<size_t> FindText(const Drawing& drawing, std::string_view text) {
    for (size_t i = 0; i < drawing.size(); ++i) {
        if (drawing.text(i) == text) {
            return i;
        }
    }
    return std::nullopt;
}

TEST(DrawingModel, SampleTablesGiveEveryKindWithYEastAndXNorth) {
    Workspace workspace = ImportSample();
    Drawing drawing = DrawingFromWorkspace(workspace);

    EXPECT_EQ(drawing.kindCount(FeatureKind::Triangulation), 3u);
    EXPECT_EQ(drawing.kindCount(FeatureKind::Traverse), 4u);
    EXPECT_EQ(drawing.kindCount(FeatureKind::Detail), 8u);
    EXPECT_EQ(drawing.kindCount(FeatureKind::Line), 5u);
    EXPECT_EQ(drawing.kindCount(FeatureKind::Parcel), 3u);
    EXPECT_EQ(drawing.kindCount(FeatureKind::Label), 11u);
    EXPECT_EQ(drawing.kindCount(FeatureKind::Symbol), 3u);
    EXPECT_EQ(drawing.counts().symbols, 0u);
    EXPECT_EQ(drawing.counts().buildings, 2u);
    EXPECT_EQ(drawing.counts().slopes, 2u);
    EXPECT_EQ(drawing.counts().unreadable, 0u);

    // Points: column 2 "X" is the northing, column 3 "Y" the easting.
    auto n12 = FindText(drawing, "N.12");
    ASSERT_TRUE(n12);
    EXPECT_EQ(drawing.kind(*n12), FeatureKind::Triangulation);
    EXPECT_DOUBLE_EQ(drawing.vertices(*n12)[0].east, 512345.67);
    EXPECT_DOUBLE_EQ(drawing.vertices(*n12)[0].north, 4512345.67);
    EXPECT_EQ(drawing.layers()[drawing.layer(*n12)].name, W("NİRENGİ"));
    EXPECT_EQ(drawing.layers()[drawing.layer(*n12)].colour, 1);

    // Lines: "y" before "x", unlike the point tables.
    for (size_t i = 0; i < drawing.size(); ++i) {
        if (drawing.kind(i) == FeatureKind::Line && drawing.sourceRow(i) == 1) {
            EXPECT_DOUBLE_EQ(drawing.vertices(i)[0].east, 512301.45);
            EXPECT_DOUBLE_EQ(drawing.vertices(i)[1].north, 4512372.48);
        }
    }

    // Labels: "x" is the northing; height from "Boy", angle from "Açı".
    auto label = FindText(drawing, "ADA 105");
    ASSERT_TRUE(label);
    EXPECT_DOUBLE_EQ(drawing.vertices(*label)[0].north, 4512350.00);
    EXPECT_DOUBLE_EQ(drawing.vertices(*label)[0].east, 512340.00);
    EXPECT_FLOAT_EQ(drawing.height(*label), 2.5f);
    EXPECT_FLOAT_EQ(drawing.angle(*label), 100.0f);

    // Parcels: the corner cells' y and x, in order.
    auto parcel = FindText(drawing, "105/12");
    ASSERT_TRUE(parcel);
    ASSERT_EQ(drawing.vertices(*parcel).size(), 4u);
    EXPECT_DOUBLE_EQ(drawing.vertices(*parcel)[0].east, 512301.45);
    EXPECT_DOUBLE_EQ(drawing.vertices(*parcel)[0].north, 4512340.12);
}

// A layer's "Renk", "çizgi Tipi", "kalınlık" and "Açık/kapalı" become its pen; a symbol stands
// at the point its raw number names, the detail point before the traverse point "P." of the
// same number, and a symbol whose point is missing is left out and named.
TEST(DrawingModel, LayersCarryTheirPensAndSymbolsStandAtTheirPoint) {
    TempDir dir;
    const std::string geometry = dir.write("pens.gplt", CrLf({
                                                            "tab 1 0 KAPALI 30 2 1 0.35",
                                                            "tab 2 1 ACIK 7 1 1 0",
                                                            "tab 3 1 TUHAF 256 9 1 x",
                                                            "nok 5 100.0 200.0 0 1",
                                                            "nok 1001 300.0 400.0 0 2",
                                                            "pol 1001 500.0 600.0 0 2",
                                                            "pol 7 700.0 800.0 0 3",
                                                            "sem 1001 12 2.0 0.5 450 2",
                                                            "sem 7 13 1 1 0 3",
                                                            "sem 99 14 1 1 0 2",
                                                        }));
    Workspace workspace;
    ImportObserver quiet;
    ImportFiles(workspace, {geometry, "", ""}, quiet);
    Drawing drawing = DrawingFromWorkspace(workspace);

    ASSERT_EQ(drawing.layers().size(), 3u);
    const DrawingLayer& off = drawing.layers()[0];
    EXPECT_EQ(off.name, "KAPALI");
    EXPECT_EQ(off.colour, 30);
    EXPECT_EQ(off.lineType, LineType::Dotted);
    EXPECT_FLOAT_EQ(off.thickness, 0.35f);
    EXPECT_FALSE(off.on);
    const DrawingLayer& on = drawing.layers()[1];
    EXPECT_EQ(on.colour, 7);
    EXPECT_EQ(on.lineType, LineType::Dashed);
    EXPECT_EQ(on.thickness, 0.0f);
    EXPECT_TRUE(on.on);
    const DrawingLayer& odd = drawing.layers()[2];  // colour beyond 255, type 9, no thickness
    EXPECT_EQ(odd.colour, 0);
    EXPECT_EQ(odd.lineType, LineType::Continuous);
    EXPECT_EQ(odd.thickness, 0.0f);

    ASSERT_EQ(drawing.kindCount(FeatureKind::Symbol), 2u);
    std::vector<size_t> symbols;
    for (size_t i = 0; i < drawing.size(); ++i) {
        if (drawing.kind(i) == FeatureKind::Symbol) {
            symbols.push_back(i);
        }
    }
    const size_t first = symbols[0];
    EXPECT_EQ(drawing.text(first), "12");
    EXPECT_DOUBLE_EQ(drawing.vertices(first)[0].east, 400.0);  // the detail point 1001
    EXPECT_DOUBLE_EQ(drawing.vertices(first)[0].north, 300.0);
    EXPECT_FLOAT_EQ(drawing.scaleX(first), 2.0f);
    EXPECT_FLOAT_EQ(drawing.scaleY(first), 0.5f);
    EXPECT_FLOAT_EQ(drawing.angle(first), 50.0f);  // within one turn
    EXPECT_EQ(drawing.layers()[drawing.layer(first)].name, "ACIK");
    EXPECT_DOUBLE_EQ(drawing.vertices(symbols[1])[0].east, 800.0);  // P.7
    EXPECT_EQ(drawing.counts().symbols, 1u);
    EXPECT_EQ(drawing.counts().missingSymbolPoints, std::vector<std::string>{"99"});
}

TEST(DrawingModel, PlotFileOfTheSampleGivesTheSameFeatures) {
    Workspace workspace = ImportSample();
    Drawing fromTables = DrawingFromWorkspace(workspace);
    Drawing fromPlot = DrawingFromPlotBytes(PlotFileBytes(workspace));

    // The plot file carries no symbols; they come last in the tables' drawing.
    ASSERT_EQ(fromPlot.size(), fromTables.size() - fromTables.kindCount(FeatureKind::Symbol));
    EXPECT_EQ(fromPlot.counts().unreadable, 0u);
    EXPECT_EQ(fromPlot.counts().skippedLines, 0u);
    for (size_t i = 0; i < fromPlot.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(fromPlot.kind(i), fromTables.kind(i));
        EXPECT_EQ(fromPlot.text(i), fromTables.text(i));
        EXPECT_EQ(fromPlot.layers()[fromPlot.layer(i)].name,
                  fromTables.layers()[fromTables.layer(i)].name);
        EXPECT_EQ(fromPlot.height(i), fromTables.height(i));
        EXPECT_EQ(fromPlot.angle(i), fromTables.angle(i));
        auto a = fromPlot.vertices(i), b = fromTables.vertices(i);
        ASSERT_EQ(a.size(), b.size());
        for (size_t v = 0; v < a.size(); ++v) {
            EXPECT_EQ(a[v].east, b[v].east);
            EXPECT_EQ(a[v].north, b[v].north);
        }
    }
}

// The tables' corners are taken as values: a corner cell whose rest reads like the end of a
// corner's piece in the plot file adds no corner of its own, and every other record field the
// plot reader gives back is the cell the writer wrote.
TEST(DrawingModel, CornerValuesAndPlotRecordsComeBackAsTheCellsWereWritten) {
    TempDir dir;
    std::string geometry = dir.write("c.gplt", CrLf({
                                                   "tab 1 1 A 1 0 1 0.1",
                                                   "nir 12 4512345.67 512345.67 101.5 1",
                                                   "hat 1 5 6 7 2 8 9 10 1",
                                                   "par 10 1 100 1",
                                                   "10 1 1 5 6 0 0.000 0 0 7 8",
                                                   "10 1 2 7 8 0",
                                                   "10 1 3 9 5 0",
                                               }));
    Workspace workspace;
    ImportObserver quiet;
    ImportFiles(workspace, {geometry, "", ""}, quiet);
    Drawing drawing = DrawingFromWorkspace(workspace);
    ASSERT_EQ(drawing.kindCount(FeatureKind::Parcel), 1u);
    const std::optional<size_t> parcel = FindText(drawing, "10/1");
    ASSERT_TRUE(parcel);
    EXPECT_EQ(drawing.vertices(*parcel).size(), 3u);
    EXPECT_EQ(drawing.sourceTable(*parcel), TableId::Parcels);

    const std::string bytes = PlotFileBytes(workspace);
    plot::PlotLines lines(bytes);
    std::string_view line;
    int records = 0;
    while (lines.next(line)) {
        switch (plot::RecordTypeOf(line)) {
            case plot::RecordType::Layer:
                EXPECT_EQ(plot::ReadLayerRecord(line).name, "A");
                ++records;
                break;
            case plot::RecordType::Point: {
                const plot::PointRecord point = plot::ReadPointRecord(line);
                EXPECT_EQ(point.y, "512345.67");
                EXPECT_EQ(point.x, "4512345.67");
                EXPECT_EQ(point.z, "101.5");
                EXPECT_EQ(point.layer, "A");
                EXPECT_EQ(point.number, "N.12");
                ++records;
                break;
            }
            case plot::RecordType::Line: {
                const plot::LineRecord record = plot::ReadLineRecord(line);
                EXPECT_EQ(record.y1, "5");
                EXPECT_EQ(record.x1, "6");
                EXPECT_EQ(record.y2, "8");
                EXPECT_EQ(record.x2, "9");
                EXPECT_EQ(record.layer, "A");
                ++records;
                break;
            }
            case plot::RecordType::Parcel: {
                EXPECT_EQ(plot::ReadParcelRecord(line).name, "10/1");
                EXPECT_EQ(plot::ReadParcelRecord(line).layer, "A");
                ++records;
                break;
            }
            default:
                break;
        }
    }
    EXPECT_EQ(records, 4);
}

TEST(DrawingModel, CellsThatAreNotNumbersLeaveTheirFeatureOutAndAreCounted) {
    TempDir dir;
    std::string geometry = dir.write("bad.gplt", CrLf({
                                                     "tab 1 1 A 1 0 1 0.1",
                                                     "nok 1 4512345.67 512345.67 1 1",
                                                     "nok 2 45123x5.67 512345.67 1 1",
                                                     "nok 3 4512345.67 nan 1 1",
                                                     "hat 1 5 6 0 2 7 8 0 1",
                                                     "hat 1 5 6 0 2 - 8 0 1",
                                                     "par 10 1 100 1",
                                                     "10 1 1 5 6 0",
                                                     "10 1 2 zz 7 0",
                                                     "par 10 2 100 1",
                                                 }));
    Workspace workspace;
    ImportObserver quiet;
    ImportFiles(workspace, {geometry, "", ""}, quiet);
    // A corner count far beyond the stored corners is no endless walk.
    workspace.grid(8).setCell(5, 2, "2000000000");
    Drawing drawing = DrawingFromWorkspace(workspace);
    EXPECT_EQ(drawing.kindCount(FeatureKind::Detail), 1u);
    EXPECT_EQ(drawing.kindCount(FeatureKind::Line), 1u);
    EXPECT_EQ(drawing.kindCount(FeatureKind::Parcel), 0u);
    EXPECT_EQ(drawing.counts().unreadable, 5u);

    Drawing plot = DrawingFromPlotBytes(CrLf({
        "TA A -257 1 DUZ 1 0",
        "PN  && 1.5 2.5 A 0 0 7",
        "PN  && 1,5 2.5 A 0 0 8",
        "LX  && 1 2 3 A 0 A 0.00 0 0 0",
        "L2  && 0.0000000 0.0000000 1/2 19 0 A  0.00000000000000E+0000 0",
        "",
        "XX something else",
        "L2  && 0.0000000 0.0000000 1/3 19 0 A  0.00000000000000E+0000 0",
    }));
    EXPECT_EQ(plot.size(), 1u);
    EXPECT_EQ(plot.counts().unreadable, 4u);  // the comma, the line, both parcels
    EXPECT_EQ(plot.counts().skippedLines, 1u);
}

TEST(DrawingModel, CoordinatesAtTheEndsOfADoubleStillIndexAndPick) {
    const std::string huge(309, '9');  // about 1e309 written out: past a double, not a number
    double value = 0;
    EXPECT_FALSE(ParseCoordinate(huge, value));
    EXPECT_FALSE(ParseCoordinate("1e5", value));
    EXPECT_TRUE(ParseCoordinate("+12.50", value));
    EXPECT_EQ(value, 12.5);

    Drawing drawing;
    const uint16_t layer = drawing.layerIndex("L");
    const Vertex far[3] = {{1.7e308, -1.7e308}, {-1.7e308, 1.7e308}, {1, 1}};
    for (uint32_t i = 0; i < 3; ++i) {
        drawing.add(FeatureKind::Detail, layer, i, {&far[i], 1}, {});
    }
    drawing.finish();
    std::vector<uint32_t> found;
    Bounds near;
    near.add(0, 0);
    near.add(2, 2);
    drawing.grid().query(near, [&](uint32_t f) {
        found.push_back(f);
        return true;
    });
    EXPECT_NE(std::find(found.begin(), found.end(), 2u), found.end());
    EXPECT_EQ(PickFeature(drawing, {1, 1}, 0.5, [](uint32_t) { return true; }), 2u);
}

// Every cell reads as the general reader of decimals reads it, to the last bit: the short
// cells a survey writes, and those with too many digits, leading zeros, a point at either
// end, signs, blanks, exponents and other characters, which take the general way.
TEST(DrawingModel, CellsReadAsTheGeneralDecimalReaderReadsThem) {
    auto general = [](std::string_view text, double& value) {
        if (!text.empty() && text[0] == '+') {
            text.remove_prefix(1);
            if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
                return false;
            }
        }
        const char* end = text.data() + text.size();
        auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
        return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(value);
    };
    std::vector<std::string> cells = {"0",
                                      "-0",
                                      "-0.0",
                                      "5.",
                                      ".5",
                                      "-.5",
                                      "-",
                                      ".",
                                      "",
                                      "+",
                                      "+-1",
                                      "1e5",
                                      "1 ",
                                      " 1",
                                      "1.2.3",
                                      "0x1",
                                      "inf",
                                      "nan",
                                      "--1",
                                      "1-",
                                      "9007199254740993",
                                      "999999999999999",
                                      "9999999999999999",
                                      "0.000000000000001",
                                      "000000000000000012.5",
                                      "4512360.12",
                                      "-518906.08"};
    std::mt19937_64 random(7);
    const std::string digits = "0123456789";
    for (int i = 0; i < 20000; ++i) {
        std::string cell = random() % 4 == 0 ? "-" : (random() % 8 == 0 ? "+" : "");
        const size_t length = 1 + random() % 18;
        const size_t point = random() % (length + 2);
        for (size_t k = 0; k < length; ++k) {
            if (k == point) {
                cell += '.';
            }
            cell += digits[random() % 10];
        }
        cells.push_back(cell);
    }
    for (const std::string& cell : cells) {
        double value = 1234, expected = 1234;
        const bool read = ParseCoordinate(cell, value);
        ASSERT_EQ(read, general(cell, expected)) << "'" << cell << "'";
        if (read) {
            ASSERT_EQ(std::bit_cast<uint64_t>(value), std::bit_cast<uint64_t>(expected))
                << "'" << cell << "'";
        }
    }
}

TEST(DrawingModel, IndexFindsWhatAScanFindsAndPickTakesTheNearest) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> place(0, 1000), step(-20, 20);
    Drawing drawing;
    uint16_t layer = drawing.layerIndex("L");
    for (uint32_t i = 0; i < 3000; ++i) {
        Vertex v[2] = {{place(random), place(random)}, {}};
        v[1] = {v[0].east + step(random), v[0].north + step(random)};
        if (i % 500 == 0) {
            v[1] = {v[0].east + 900, v[0].north};  // long enough for the shared list
        }
        drawing.add(i % 2 ? FeatureKind::Line : FeatureKind::Detail, layer, i, {v, i % 2 ? 2u : 1u},
                    {});
    }
    drawing.finish();
    for (int q = 0; q < 50; ++q) {
        Bounds area;
        area.add(place(random), place(random));
        area.add(place(random), place(random));
        std::vector<uint32_t> found, expected;
        drawing.grid().query(area, [&](uint32_t f) {
            if (drawing.bounds(f).intersects(area)) {
                found.push_back(f);
            }
            return true;
        });
        for (uint32_t f = 0; f < drawing.size(); ++f) {
            if (drawing.bounds(f).intersects(area)) {
                expected.push_back(f);
            }
        }
        std::sort(found.begin(), found.end());
        ASSERT_EQ(found, expected);  // each once, none missed
    }

    auto all = [](uint32_t) { return true; };
    const Vertex p = drawing.vertices(10)[0];
    EXPECT_EQ(PickFeature(drawing, {p.east + 0.01, p.north}, 0.5, all), 10u);
    EXPECT_FALSE(PickFeature(drawing, {-500, -500}, 1, all));
    EXPECT_NE(PickFeature(drawing, p, 0.5, [](uint32_t f) { return f != 10; }),
              std::optional<uint32_t>(10));  // a hidden feature is not picked

    const Vertex square[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_DOUBLE_EQ(ShoelaceArea(square), 100.0);
    const Vertex far[3] = {{4512000, 512000}, {4512010, 512000}, {4512000, 512010}};
    EXPECT_DOUBLE_EQ(ShoelaceArea(far), 50.0);
}

}  // namespace
}  // namespace plotaktar::testing
