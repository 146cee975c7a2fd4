// The survey model: the sample's elements from its tables and from its plot file alike, what
// cannot be read and why, symbols at the point a raw number names, and the record behind an
// element.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "drawing/survey_model.h"
#include "import/import_files.h"
#include "model/text.h"
#include "plotfile/plot_writer.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

std::string Sample(std::string_view name) {
    return std::string(PLOTAKTAR_SAMPLES_DIR) + "/" + std::string(name);
}

void Import(Workspace& workspace, const std::string& geometry, const std::string& labels = "",
            const std::string& companion = "") {
    ImportObserver quiet;
    ImportFiles(workspace, {geometry, labels, companion}, quiet);
}

// Every element a model gives, as text lines that compare across readers: kind, name, numbers.
struct Collect : SurveyVisitor {
    std::vector<std::string> lines;
    std::vector<std::string> reasons;
    std::map<std::string, ElementSource> sources;
    size_t stopAfter = SIZE_MAX;

    static std::string N(const NumberCell& cell) {
        return cell.value ? std::to_string(*cell.value) : "?" + std::string(cell.text);
    }
    bool add(std::string line, const std::optional<Unread>& unread, const ElementSource& source) {
        if (unread) {
            reasons.push_back(line + ": " + UnreadReason(*unread));
        } else {
            sources.emplace(line, source);
            lines.push_back(std::move(line));
        }
        return lines.size() + reasons.size() < stopAfter;
    }
    bool point(const SurveyPoint& e) override {
        return add("point " + std::string(e.number) + " " + N(e.y) + " " + N(e.x) + " " +
                       std::to_string(static_cast<int>(e.kind)) + " " +
                       std::string(e.layer.layer ? e.layer.layer->name : "-"),
                   e.unread, e.source);
    }
    bool line(const SurveyLine& e) override {
        return add("line " + N(e.y1) + " " + N(e.x1) + " " + N(e.y2) + " " + N(e.x2), e.unread,
                   e.source);
    }
    bool parcel(const SurveyParcel& e) override {
        std::string text = "parcel " + e.title();
        for (const SurveyCorner& c : e.corners) {
            text += " " + std::to_string(c.east) + "," + std::to_string(c.north);
        }
        return add(text, e.unread, e.source);
    }
    bool label(const SurveyLabel& e) override {
        return add("label " + std::string(e.text) + " " + N(e.y) + " " + N(e.x) + " " +
                       N(e.height) + " " + N(e.angle),
                   e.unread, e.source);
    }
    bool symbol(const SurveySymbol& e) override {
        return add("symbol " + std::string(e.symbol) + " at " + std::string(e.point) + " " +
                       N(e.y) + " " + N(e.x),
                   e.unread, e.source);
    }
};

TEST(SurveyModel, SampleTablesAndItsPlotFileGiveTheSameElements) {
    Workspace workspace;
    Import(workspace, Sample("pafta12.gplt"), Sample("pafta12.yaz"), Sample("pafta12.yfn"));
    SurveyModel tables(workspace);
    Collect fromTables;
    ASSERT_TRUE(tables.visit(fromTables));
    EXPECT_TRUE(fromTables.reasons.empty());
    EXPECT_EQ(tables.count(Kind::Nirengi), 3u);
    EXPECT_EQ(tables.count(Kind::Yazi), 11u);
    EXPECT_EQ(tables.count(Kind::Bina), 2u);

    const std::string bytes = PlotFileBytes(workspace);
    SurveyModel plot(bytes);
    ASSERT_TRUE(plot.fromPlotFile());
    Collect fromPlot;
    ASSERT_TRUE(plot.visit(fromPlot));
    EXPECT_TRUE(fromPlot.reasons.empty());
    // The plot file carries no symbols: they are the tables' last elements.
    std::vector<std::string> withoutSymbols;
    for (const std::string& line : fromTables.lines) {
        if (!line.starts_with("symbol ")) {
            withoutSymbols.push_back(line);
        }
    }
    EXPECT_EQ(withoutSymbols.size(), fromTables.lines.size() - 3);
    EXPECT_EQ(fromPlot.lines, withoutSymbols);
    for (Kind kind :
         {Kind::Nirengi, Kind::Poligon, Kind::Nokta, Kind::Hat, Kind::Parsel, Kind::Yazi}) {
        EXPECT_EQ(plot.count(kind), tables.count(kind)) << static_cast<int>(kind);
    }
    EXPECT_EQ(plot.count(Kind::Sembol), 0u);

    // The symbols stand at the point their raw number names.
    EXPECT_TRUE(std::any_of(fromTables.lines.begin(), fromTables.lines.end(), [](auto& l) {
        return l.starts_with("symbol ") && l.find(" at ") != std::string::npos &&
               l.find('?') == std::string::npos;
    }));
    // Layers: a workspace's by number, a plot file's by name; the plot file declares those
    // that records name, in the same order.
    std::vector<std::string_view> a, b;
    for (const SurveyLayer* layer : tables.declaredLayers()) {
        if (layer->used) {
            a.push_back(layer->name);
        }
    }
    for (const SurveyLayer* layer : plot.declaredLayers()) {
        b.push_back(layer->name);
    }
    EXPECT_EQ(a, b);
    ASSERT_NE(tables.layerOf("1"), nullptr);
    EXPECT_EQ(plot.layerOf(tables.layerOf("1")->name), plot.declaredLayers()[0]);
    EXPECT_EQ(tables.layerOf("151"), nullptr);
    EXPECT_EQ(tables.layerOf("x"), nullptr);
}

TEST(SurveyModel, WhatCannotBeReadIsSaidOnceWithItsFieldAndCell) {
    TempDir dir;
    const std::string geometry = dir.write("bad.gplt", CrLf({
                                                           "tab 1 1 A 1 0 1 0.1",
                                                           "nok 1 4512345.67 512345.67 1 1",
                                                           "nok 2 45123x5.67 512345.67 1 1",
                                                           "hat 1 5 6 0 2 7 - 0 1",
                                                           "sem 9 5 1 1 0 1",
                                                           "sem 1 5 1 q 0 1",
                                                           "par 10 1 100 1",
                                                           "10 1 1 5 6 0",
                                                           "10 1 2 zz 7 0",
                                                           "par 10 2 100 1",
                                                       }));
    Workspace workspace;
    Import(workspace, geometry);
    // A corner count far beyond the stored corners stops at the first corner not stored.
    workspace.grid(8).setCell(5, 2, "2000000000");
    SurveyModel model(workspace);
    Collect all;
    ASSERT_TRUE(model.visit(all));
    EXPECT_EQ(all.reasons,
              (std::vector<std::string>{
                  "point 2 512345.670000 ?45123x5.67 2 A: X '45123x5.67' is not a number",
                  "line 5.000000 6.000000 7.000000 ?-: X '-' is not a number",
                  "parcel 10/1 5.000000,6.000000: corner 2 Y 'zz' is not a number",
                  "parcel 10/2: corner 1 Y '' is not a number",
                  "symbol 5 at 9 ? ?: no point of that number in the drawing",
                  "symbol 5 at 1 512345.670000 4512345.670000: Sy 'q' is not a number",
              }))
        << ::testing::PrintToString(all.lines);
}

// What the check reads beyond what the drawing needs: every stored corner cell of a parcel (empty
// ones too), both fields of a corner that are not numbers, and the layers of buildings and slopes.
TEST(SurveyModel, ParcelsHandEveryCornerCellAndBuildingsTheirLayers) {
    TempDir dir;
    const std::string geometry = dir.write("c.gplt", CrLf({
                                                         "par 10 1 100 1",
                                                         "10 1 1 5 6 0",
                                                         "10 1 3 5a 6b 0",
                                                         "bin 1 1 1 1 1 7",
                                                         "sev 1 1 1 1 1 x",
                                                     }));
    Workspace workspace;
    Import(workspace, geometry);
    // A fourth corner stored after a third never written.
    workspace.grid(11).setCell(1, 4, "4 1 2 0");
    SurveyModel model(workspace);
    struct Cells : SurveyVisitor {
        std::vector<std::string> cells;
        std::vector<std::string> records;
        bool parcel(const SurveyParcel& e) override {
            cells.assign(e.cornerCells.begin(), e.cornerCells.end());
            return true;
        }
        bool record(const SurveyRecord& e) override {
            records.push_back(std::to_string(static_cast<int>(e.kind)) + " " +
                              std::string(e.layer.cell) + " " + (e.layer.integer ? "i" : "-"));
            return true;
        }
    } seen;
    ASSERT_TRUE(model.visit(seen));
    EXPECT_EQ(seen.cells, (std::vector<std::string>{"1 5 6 0", "3 5a 6b 0", "", "4 1 2 0"}));
    EXPECT_EQ(seen.records,
              (std::vector<std::string>{std::to_string(static_cast<int>(Kind::Bina)) + " 7 i",
                                        std::to_string(static_cast<int>(Kind::Sev)) + " x -"}));

    const CornerReading bad = ReadCorner(seen.cells[1], 2);
    EXPECT_FALSE(bad.corner);
    ASSERT_TRUE(bad.y && bad.x);
    EXPECT_EQ(UnreadReason(*bad.y), "corner 2 Y '5a' is not a number");
    EXPECT_EQ(UnreadReason(*bad.x), "corner 2 X '6b' is not a number");
    const CornerReading good = ReadCorner(seen.cells[0], 1);
    ASSERT_TRUE(good.corner);
    EXPECT_EQ(good.corner->east, 5);
    EXPECT_EQ(good.corner->north, 6);
    EXPECT_EQ(good.corner->z, 0);
    // A line's ends are "Y" and "X" in every reason, though its headers are lower case.
    EXPECT_EQ(NumberFieldName(Kind::Hat, ColumnsOf(Kind::Hat).endY), "Y");
    EXPECT_EQ(NumberFieldName(Kind::Hat, ColumnsOf(Kind::Hat).z), "z");
    EXPECT_EQ(NumberFieldName(Kind::Yazi, ColumnsOf(Kind::Yazi).height), "Boy");
}

TEST(SurveyModel, SymbolsFindTheirPointAndSayWhyNot) {
    TempDir dir;
    const std::string geometry = dir.write("s.gplt", CrLf({
                                                         "tab 1 1 A 1 0 1 0.1",
                                                         "nir 12 100 200 1 1",
                                                         "nok 5 300 400 1 1",
                                                         "sem 12 7 1 1 0 1",
                                                         "sem 5 8 1 q 0 1",
                                                         "sem 99 9 1 1 0 1",
                                                     }));
    Workspace workspace;
    Import(workspace, geometry);
    SurveyModel model(workspace);
    Collect all;
    ASSERT_TRUE(model.visit(all, std::array{Kind::Sembol}));
    EXPECT_EQ(all.lines, (std::vector<std::string>{"symbol 7 at 12 200.000000 100.000000"}));
    EXPECT_EQ(all.reasons, (std::vector<std::string>{
                               "symbol 8 at 5 400.000000 300.000000: Sy 'q' is not a number",
                               "symbol 9 at 99 ? ?: no point of that number in the drawing",
                           }));
}

// A reader of positions alone (the comparison): heights, areas, a label's size and a symbol's
// scales come as texts without values, a symbol without its point, and only a position that
// does not read is unread, from the tables and from a plot file alike.
TEST(SurveyModel, AVisitorOfPositionsAloneGetsTheOtherNumbersAsTexts) {
    struct Positions : Collect {
        std::vector<std::string> others;
        bool readsOtherNumbers() const override { return false; }
        bool point(const SurveyPoint& e) override {
            others.push_back("z " + N(e.z));
            return Collect::point(e);
        }
        bool line(const SurveyLine& e) override {
            others.push_back("z " + N(e.z1) + " " + N(e.z2));
            return Collect::line(e);
        }
        bool parcel(const SurveyParcel& e) override {
            others.push_back("area " + N(e.area));
            return Collect::parcel(e);
        }
        bool label(const SurveyLabel& e) override {
            others.push_back("size " + N(e.height) + " " + N(e.width) + " " + N(e.angle));
            return Collect::label(e);
        }
        bool symbol(const SurveySymbol& e) override {
            others.push_back("scales " + N(e.scaleX) + " " + N(e.scaleY) + " " + N(e.angle) +
                             (e.pointRow ? " with its point" : ""));
            return Collect::symbol(e);
        }
    };
    TempDir dir;
    const std::string geometry = dir.write("p.gplt", CrLf({
                                                         "tab 1 1 A 1 0 1 0.1",
                                                         "nok 1 4512345.67 512345.67 7.5 1",
                                                         "nok 2 45123x5.67 512345.67 1 1",
                                                         "hat 1 5 6 0.5 2 7 8 x 1",
                                                         "sem 1 5 1 q 0 1",
                                                         "par 10 1 12.5 3",
                                                         "10 1 1 0 0 0",
                                                         "10 1 2 4 0 0",
                                                         "10 1 3 4 3 0",
                                                     }));
    const std::string labels =
        dir.write("p.yaz", CrLf({"10 20 100 boy Yazi   1", "1 2 ab 4 Diger   1"}));
    Workspace workspace;
    Import(workspace, geometry, labels);
    SurveyModel tables(workspace);
    Positions fromTables;
    ASSERT_TRUE(tables.visit(fromTables));
    std::sort(fromTables.others.begin(), fromTables.others.end());
    EXPECT_EQ(fromTables.others,
              (std::vector<std::string>{"area ?12.5", "scales ?1 ?q ?0", "size ?4 ?4 ?ab",
                                        "size ?boy ?boy ?100", "z ?0.5 ?x", "z ?1", "z ?7.5"}));
    // The point whose X is no number is the one element unread; the label whose height is none
    // is placed.
    EXPECT_EQ(fromTables.reasons,
              (std::vector<std::string>{
                  "point 2 512345.670000 ?45123x5.67 2 A: X '45123x5.67' is not a number"}));
    EXPECT_EQ(fromTables.lines.size(), 6u) << ::testing::PrintToString(fromTables.lines);
    // Whoever reads every number still gets them, from the same model.
    Collect all;
    ASSERT_TRUE(tables.visit(all));
    EXPECT_EQ(all.reasons.size(), 4u) << ::testing::PrintToString(all.reasons);

    const std::string bytes = PlotFileBytes(workspace);
    SurveyModel plot(bytes);
    Positions fromPlot;
    ASSERT_TRUE(plot.visit(fromPlot));
    EXPECT_EQ(fromPlot.reasons, fromTables.reasons);
    EXPECT_EQ(fromPlot.others.size(), 6u);
    for (const std::string& other : fromPlot.others) {
        EXPECT_EQ(other.find("000000"), std::string::npos) << other;  // no value, only texts
    }
}

TEST(SurveyModel, LabelsArePlacedWithoutTheirWidthWhichIsReadToo) {
    Workspace workspace;
    Table& labels = workspace.table(TableId::Labels);
    labels.setRowCount(4);
    const char* rows[3][11] = {
        {"1", "F", "10", "20", "2", "", "0", "1", "0", "1", "empty width"},
        {"2", "F", "10", "20", "2", "w", "0", "1", "0", "0", "bad width"},
        {"3", "F", "10", "20", "2", "3", "0", "1", "1", "0", "third"},
    };
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 11; ++c) {
            labels.setCell(c, r + 1, rows[r][c]);
        }
    }
    RaiseFlag(workspace.flags, Kind::Yazi);
    SurveyModel model(workspace);
    Collect all;
    ASSERT_TRUE(model.visit(all));
    EXPECT_TRUE(all.reasons.empty());
    EXPECT_EQ(all.lines.size(), 3u);
    // "En" when given and no number is said for those that use it; an empty one is no fault.
    struct Widths : SurveyVisitor {
        std::vector<std::string> reasons;
        bool label(const SurveyLabel& e) override {
            const std::optional<Unread> width = WidthUnread(e);
            reasons.push_back(width ? UnreadReason(*width) : "-");
            if (std::string(e.text) == "third") {
                EXPECT_DOUBLE_EQ(e.width.value.value_or(0), 3);
                EXPECT_TRUE(e.italic);
                EXPECT_FALSE(e.centred);
            }
            return true;
        }
    } widths;
    ASSERT_TRUE(model.visit(widths));
    EXPECT_EQ(widths.reasons, (std::vector<std::string>{"-", "En 'w' is not a number", "-"}));

    Collect first;
    first.stopAfter = 1;
    EXPECT_FALSE(model.visit(first));
    EXPECT_EQ(first.lines.size(), 1u);
}

TEST(SurveyModel, PlotFileLinesOfOtherProgramsAndBrokenParcelsAreNamed) {
    const std::string bytes = CrLf({
        "TA A -257 1 DUZ 1 0",
        "PN  && 1.5 2.5 A 0 0 N.7",
        "PN  && 1,5 2.5 B 0 0 8",
        "XX something else",
        "L2  && 0.0000000 0.0000000 1/2 19 0 A  0.00000000000000E+0000 0",
        "",
        "L2  && 0.0000000 0.0000000 1/3 19 0 A  0.00000000000000E+0000 0",
    });
    SurveyModel model(bytes);
    Collect all;
    ASSERT_TRUE(model.visit(all));
    EXPECT_EQ(all.lines, (std::vector<std::string>{"point N.7 1.500000 2.500000 0 A"}));
    EXPECT_EQ(all.reasons, (std::vector<std::string>{
                               "point 8 ?1,5 2.500000 2 -: Y '1,5' is not a number",
                               "parcel 1/2: no corner line after it",
                               "parcel 1/3: no corner line after it",
                           }));
    EXPECT_EQ(model.count(Kind::Parsel), 2u);
    EXPECT_EQ(model.count(Kind::Nirengi), 1u);
    // The record behind an element: its line's fields, found by where the line begins.
    const ElementSource source = all.sources.begin()->second;
    EXPECT_EQ(source.row, 2u);
    const std::vector<RecordField> fields = model.recordFields(source);
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields.back().value, "N.7");
}

// One row read alone, as a driver reading feature by feature does; rows beyond the table give
// nothing, and the symbols' point index serves every such call.
TEST(SurveyModel, OneRowIsReadAloneAndRowsBeyondGiveNothing) {
    Workspace workspace;
    Import(workspace, Sample("pafta12.gplt"), Sample("pafta12.yaz"), Sample("pafta12.yfn"));
    SurveyModel model(workspace);
    Collect all;
    ASSERT_TRUE(model.visit(all));
    for (const auto& [line, source] : all.sources) {
        Collect one;
        ASSERT_TRUE(model.visitRow(*source.table, static_cast<int>(source.row), one));
        EXPECT_EQ(one.lines, std::vector<std::string>{line});
    }
    for (int row : {0, -1, 4, 1000}) {
        Collect none;
        EXPECT_TRUE(model.visitRow(TableId::Symbols, row, none));
        EXPECT_TRUE(none.lines.empty()) << row;
    }
}

TEST(SurveyModel, RecordOfAParcelRowEndsWithItsCorners) {
    Workspace workspace;
    Import(workspace, Sample("pafta12.gplt"));
    SurveyModel model(workspace);
    const std::vector<RecordField> fields = model.recordFields({TableId::Parcels, 1, 0});
    const std::optional<int32_t> count = TryStrToInt(workspace.table(TableId::Parcels).cell(5, 1));
    ASSERT_TRUE(count);
    ASSERT_EQ(fields.size(), 6u + static_cast<size_t>(*count));
    EXPECT_EQ(fields[1].name, HeaderTexts(TableId::Parcels)[1]);
    EXPECT_EQ(fields.back().name, W("Köşe ") + std::to_string(*count));
}

}  // namespace
}  // namespace plotaktar::testing
