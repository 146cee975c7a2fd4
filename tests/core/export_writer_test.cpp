// The bytes of the plot file: every record layout, the order of the sections, the flags and the
// failures of layer numbers and corner counts.

#include <gtest/gtest.h>

#include "export_fixture.h"
#include "model/errors.h"
#include "model/second_thread.h"
#include "plotfile/plot_writer.h"
#include "test_support.h"

namespace plotaktar {
namespace {

using testing::CrLf;
using testing::PutLayer;
using testing::PutRow;
using testing::W;

class PlotWriterTest : public ::testing::Test {
  protected:
    Workspace& ws() { return session_.workspace; }
    Table& grid(int number) { return session_.workspace.grid(number); }
    std::string bytes() { return PlotFileBytes(session_.workspace); }

    // The parcel of the worked example: row 1, three corners in column 1 of StringGrid11.
    void putExampleParcel() {
        PutLayer(ws(), 3, "PARSEL");
        PutRow(grid(8), 1, {"101", "5", "250.40", "3", "3"});
        grid(11).setCell(1, 1, "1 512345.67 4512345.67 0.00");
        grid(11).setCell(1, 2, "2 512350.00 4512349.00 0.00");
        grid(11).setCell(1, 3, "3 512348.00 4512340.00 0.00");
        ws().flags.FlagParsel = "1";
    }

    Session session_;
};

TEST_F(PlotWriterTest, LayerSectionDeclaresMarkedRowsInRowOrder) {
    PutLayer(ws(), 7, "YOL");
    PutLayer(ws(), 3, "SINIR");
    PutLayer(ws(), 5, "BOS", false);
    PutLayer(ws(), 150, "");
    ws().flags.FlagTabaka = "1";
    EXPECT_EQ(bytes(),
              CrLf({"TA SINIR -257 1 DUZ 1 0", "TA YOL -257 1 DUZ 1 0", "TA  -257 1 DUZ 1 0"}));
}

TEST_F(PlotWriterTest, PointLineOfTheWorkedExample) {
    PutLayer(ws(), 3, "SINIR");
    PutRow(grid(1), 1, {"N.12", "4512345.67", "512345.67", "123.45", "3"});
    ws().flags.FlagNirengi = "1";
    EXPECT_EQ(bytes(), CrLf({"PN  && 512345.67 4512345.67 SINIR 123.45 0 N.12"}));
}

TEST_F(PlotWriterTest, PointCellsPassByteForByte) {
    // 03 and +3 both name row 3; empty cells leave their separators side by side; upper-half
    // bytes and inner blanks are copied as they are.
    PutLayer(ws(), 3, W("ŞEV"));
    PutRow(grid(3), 1, {W("Ç 1"), "", " 2 ", "", "03"});
    PutRow(grid(3), 2, {"7", "x", "y", "z", "+3"});
    ws().flags.FlagNokta = "1";
    EXPECT_EQ(bytes(), CrLf({"PN  &&  2   " + W("ŞEV") + "  0 " + W("Ç 1"),
                             "PN  && y x " + W("ŞEV") + " z 0 7"}));
}

TEST_F(PlotWriterTest, LabelLineOfTheWorkedExample) {
    PutLayer(ws(), 5, "YAZI");
    PutRow(grid(6), 1,
           {"font", "4512350.00", "512340.00", "2.5", "width", "100", "5", "1", "0", "ADA 105"});
    ws().flags.FlagYazi = "1";
    EXPECT_EQ(bytes(), CrLf({"YA  && 512340.00 4512350.00 L 2.5 100 0 YAZI ADA 105"}));
}

TEST_F(PlotWriterTest, LineRecordOfTheWorkedExampleAndWithAnEmptyHeight) {
    PutLayer(ws(), 2, "SINIR");
    PutRow(
        grid(5), 1,
        {"1", "512345.67", "4512345.67", "123.45", "2", "512355.10", "4512360.20", "124.00", "2"});
    PutRow(grid(5), 2, {"1", "a", "b", "", "2", "c", "d", "124.00", "2"});
    ws().flags.FlagHat = "1";
    EXPECT_EQ(bytes(),
              CrLf({"LX  && 512345.67 4512345.67 512355.10 4512360.20 0 SINIR 0.00 0 123.45 124.00",
                    "LX  && a b c d 0 SINIR 0.00 0  124.00"}));
}

TEST_F(PlotWriterTest, ParcelLinesOfTheWorkedExample) {
    putExampleParcel();
    std::string out = bytes();
    EXPECT_EQ(out, CrLf({"L2  && 0.0000000 0.0000000 101/5 19 0 PARSEL  0.00000000000000E+0000 0",
                         "512345.67 4512345.67 0.00 0.000 0 0 512350.00 4512349.00 0.00 0.000 0 0 "
                         "512348.00 4512340.00 0.00 0.000 0 0 "}));
    EXPECT_EQ(std::string_view("L2  && 0.0000000 0.0000000 ").size(), 27u);
    EXPECT_EQ(std::string_view("  0.00000000000000E+0000 0").size(), 26u);
}

TEST_F(PlotWriterTest, CornerLineReadsColumnOfItsRowUpToItsCount) {
    PutLayer(ws(), 1, "P");
    PutRow(grid(8), 1, {"1", "1", "", "1", "0"});
    PutRow(grid(8), 2, {"1", "2", "", "1", "2"});
    PutRow(grid(8), 3, {"1", "3", "", "1", "-4"});
    grid(11).setCell(1, 1, "stale a b c");  // beyond the count of parcel 1
    grid(11).setCell(2, 0, "1/2");          // header row: never read
    grid(11).setCell(0, 1, "1");            // corner number column: never read
    grid(11).setCell(2, 1, "9 x1 y1 z1");
    grid(11).setCell(2, 2, "9 x2 y2 z2");
    grid(11).setCell(2, 3, "stale x3 y3 z3");
    ws().flags.FlagParsel = "1";
    const std::string l2 = "L2  && 0.0000000 0.0000000 1/";
    const std::string tail = " 19 0 P  0.00000000000000E+0000 0";
    EXPECT_EQ(bytes(), CrLf({l2 + "1" + tail, "", l2 + "2" + tail,
                             "x1 y1 z1 0.000 0 0 x2 y2 z2 0.000 0 0 ", l2 + "3" + tail, ""}));
}

TEST_F(PlotWriterTest, CornerCountReadsEmptyCellsBeyondTheCornerTable) {
    PutLayer(ws(), 1, "P");
    PutRow(grid(8), 1, {"1", "1", "", "1", "2"});
    ws().flags.FlagParsel = "1";
    EXPECT_EQ(bytes(), CrLf({"L2  && 0.0000000 0.0000000 1/1 19 0 P  0.00000000000000E+0000 0",
                             "   0.000 0 0    0.000 0 0 "}));
}

TEST(CornerItem, PiecesForZeroToFiveWords) {
    EXPECT_EQ(CornerItem("").text(), "   0.000 0 0 ");
    EXPECT_EQ(CornerItem("   ").text(), "   0.000 0 0 ");
    EXPECT_EQ(CornerItem("w1").text(), "  w1 0.000 0 0 ");
    EXPECT_EQ(CornerItem("w1 w2").text(), "  w2 0.000 0 0 ");
    EXPECT_EQ(CornerItem("w1 w2 w3").text(), "w2  w3 0.000 0 0 ");
    EXPECT_EQ(CornerItem("w1 w2 w3 w4").text(), "w2 w3 w4 0.000 0 0 ");
    EXPECT_EQ(CornerItem("w1 w2 w3 w4 w5").text(), "w2 w3 w4 w5 0.000 0 0 ");
}

TEST(CornerItem, BlankRunsCountAsOneBeforeTheLastPartOnly) {
    EXPECT_EQ(CornerItem("  w1   w2    w3  w4   w5  ").text(), "w2 w3 w4   w5 0.000 0 0 ");
    EXPECT_EQ(CornerItem("\r\nw1 w2 w3 w4\r").text(), "w2 w3 w4 0.000 0 0 ");
}

TEST(CornerItem, TabsAreNoWordSeparators) {
    EXPECT_EQ(CornerItem("w1\tw2 w3").text(), "  w3 0.000 0 0 ");
    EXPECT_EQ(CornerItem("w1 w2\tw3 w4").text(), "w2\tw3  w4 0.000 0 0 ");
    // Trimming removes a tab that a blank split leaves at the front of what remains; a tab
    // before a blank stays with its word.
    EXPECT_EQ(CornerItem("w1 \tw2\t w3 \tw4").text(), "w2\t w3 w4 0.000 0 0 ");
    EXPECT_EQ(CornerItem("\tw1\t").text(), "  w1 0.000 0 0 ");
}

TEST_F(PlotWriterTest, SectionsStandInTheirFixedOrder) {
    PutLayer(ws(), 1, "L");
    PutRow(grid(1), 1, {"N.1", "x", "y", "z", "1"});
    PutRow(grid(2), 1, {"P.2", "x", "y", "z", "1"});
    PutRow(grid(3), 1, {"3", "x", "y", "z", "1"});
    PutRow(grid(5), 1, {"a", "y1", "x1", "z1", "b", "y2", "x2", "z2", "1"});
    PutRow(grid(6), 1, {"f", "x", "y", "h", "w", "a", "1", "i", "m", "T"});
    PutRow(grid(8), 1, {"1", "2", "", "1", "1"});
    grid(11).setCell(1, 1, "1 cx cy cz");
    // Kinds that the plot file has no record for, loaded and flagged.
    PutRow(grid(7), 1, {"S", "1", "1", "1", "0", "1"});
    PutRow(grid(9), 1, {"B", "1", "1", "1", "1", "1"});
    PutRow(grid(10), 1, {"V", "1", "1", "1", "1", "1"});
    grid(12).setCell(1, 1, "bina");
    grid(13).setCell(1, 1, "sev");
    ws().flags.setAll("1");
    EXPECT_EQ(bytes(), CrLf({"TA L -257 1 DUZ 1 0", "PN  && y x L z 0 N.1", "PN  && y x L z 0 P.2",
                             "YA  && y x L h a 0 L T", "PN  && y x L z 0 3",
                             "LX  && y1 x1 y2 x2 0 L 0.00 0 z1 z2",
                             "L2  && 0.0000000 0.0000000 1/2 19 0 L  0.00000000000000E+0000 0",
                             "cx cy cz 0.000 0 0 "}));

    // A flag other than exactly "1" leaves its section out, whatever its table still shows.
    for (std::string* flag : {&ws().flags.FlagTabaka, &ws().flags.FlagNirengi,
                              &ws().flags.FlagPoligon, &ws().flags.FlagYazi, &ws().flags.FlagNokta,
                              &ws().flags.FlagHat, &ws().flags.FlagParsel}) {
        *flag = "0";
    }
    ws().flags.FlagNokta = "";
    ws().flags.FlagHat = "1 ";
    EXPECT_EQ(bytes(), "");
    ws().flags.FlagNokta = "1";
    EXPECT_EQ(bytes(), CrLf({"PN  && y x L z 0 3"}));
}

TEST_F(PlotWriterTest, EmptyWorkspaceAndHeaderOnlyTablesWriteNothing) {
    EXPECT_EQ(bytes(), "");  // flags empty before any import
    ws().flags.setAll("1");
    for (int number = 1; number <= kTableCount; ++number) {
        grid(number).setRowCount(1);
    }
    EXPECT_EQ(bytes(), "");
}

TEST_F(PlotWriterTest, BadLayerNumbersStopWithTheirMessages) {
    PutLayer(ws(), 1, "L");
    ws().flags.FlagNirengi = "1";
    const struct {
        std::string cell;
        std::string message;
    } cases[] = {
        {"", "'' is not a valid integer value"},
        {"3 ", "'3 ' is not a valid integer value"},
        {"1.0", "'1.0' is not a valid integer value"},
        {"abc", "'abc' is not a valid integer value"},
        {"0", W("'0' geçerli bir tabaka numarası değil")},
        {"151", W("'151' geçerli bir tabaka numarası değil")},
        {"-1", W("'-1' geçerli bir tabaka numarası değil")},
        // A message quotes 100 characters of a cell at most, then "…" (0x85).
        {std::string(100, 'x'), "'" + std::string(100, 'x') + "' is not a valid integer value"},
        {std::string(101, 'x'), "'" + std::string(100, 'x') + "\x85' is not a valid integer value"},
        {std::string(5 << 20, ' ') + "151",
         "'" + std::string(100, ' ') + W("…' geçerli bir tabaka numarası değil")},
    };
    for (const auto& c : cases) {
        PutRow(grid(1), 1, {"N.1", "x", "y", "z", c.cell});
        try {
            bytes();
            ADD_FAILURE() << "no error for '" << c.cell.substr(0, 20) << "'";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
    EXPECT_THROW(LookupLayerName(ws().layerTable, "151"), LayerRangeError);
    EXPECT_THROW(LookupLayerName(ws().layerTable, "x"), ConversionError);
    EXPECT_EQ(LookupLayerName(ws().layerTable, "$1"), "L");
    EXPECT_EQ(LookupLayerName(ws().layerTable, "150"), "");
}

TEST_F(PlotWriterTest, EachSectionChecksItsOwnLayerColumnAndTheCornerCount) {
    PutLayer(ws(), 1, "L");
    PutRow(grid(6), 1, {"f", "x", "y", "h", "w", "a", "?", "i", "m", "T"});
    ws().flags.FlagYazi = "1";
    EXPECT_THROW(bytes(), ConversionError);
    ws().flags.FlagYazi = "0";

    PutRow(grid(5), 1, {"a", "y1", "x1", "z1", "b", "y2", "x2", "z2", "?"});
    ws().flags.FlagHat = "1";
    EXPECT_THROW(bytes(), ConversionError);
    ws().flags.FlagHat = "0";

    PutRow(grid(8), 1, {"1", "2", "", "1", ""});  // a parcel without corner lines
    ws().flags.FlagParsel = "1";
    try {
        bytes();
        ADD_FAILURE() << "no error for an empty corner count";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    PutRow(grid(8), 1, {"1", "2", "", "0", "2"});
    EXPECT_THROW(bytes(), LayerRangeError);
}

// Lines go to the sink in large chunks that each end with a whole line.
TEST_F(PlotWriterTest, SinkReceivesFewLargeChunksOfWholeLines) {
    struct Recorder : PlotSink {
        std::vector<std::string> chunks;
        void write(std::string_view bytes) override { chunks.emplace_back(bytes); }
    } recorder;
    PutLayer(ws(), 1, "L");
    const int rows = 40000;
    for (int row = 1; row <= rows; ++row) {
        PutRow(grid(3), row, {"1234567", "4512345.67", "512345.67", "123.45", "1"});
    }
    ws().flags.FlagNokta = "1";
    WritePlotFile(ws(), recorder);
    const std::string line = "PN  && 512345.67 4512345.67 L 123.45 0 1234567\r\n";
    std::string all;
    for (const std::string& chunk : recorder.chunks) {
        EXPECT_EQ(chunk.size() % line.size(), 0u);
        all += chunk;
    }
    EXPECT_EQ(recorder.chunks.size(), rows * line.size() / (1 << 20) + 1);
    EXPECT_EQ(all.size(), rows * line.size());
    EXPECT_EQ(all.substr(all.size() - line.size()), line);
}

// A big drawing is formatted on two threads: the sink gets the same chunks as from one thread,
// and a bad cell deep in a section stops both at the same row with the same chunks before it.
TEST_F(PlotWriterTest, TwoThreadsGiveTheChunksOfOne) {
    struct Recorder : PlotSink {
        std::vector<std::string> chunks;
        void write(std::string_view bytes) override { chunks.emplace_back(bytes); }
    };
    PutLayer(ws(), 1, "L");
    PutLayer(ws(), 3, "PARSEL");
    for (int row = 1; row <= 30000; ++row) {
        const std::string n = std::to_string(row);
        PutRow(grid(3), row, {n, "4512345.67", "512345.67", "1" + n, "1"});
        PutRow(
            grid(5), row,
            {n, "4512345.67", "512345.67", "1.0", n, "4512346", "51", "2.0", row % 2 ? "1" : "3"});
    }
    ws().flags.FlagNokta = "1";
    ws().flags.FlagHat = "1";
    ws().flags.FlagParsel = "1";
    auto write = [&](bool twoThreads, std::string& error) {
        Recorder recorder;
        AllowSecondThread(twoThreads);
        try {
            WritePlotFile(ws(), recorder);
        } catch (const Error& e) {
            error = e.what();
        }
        AllowSecondThread(true);
        return recorder.chunks;
    };
    std::string oneError, twoError;
    EXPECT_EQ(write(true, twoError), write(false, oneError));
    EXPECT_EQ(twoError, oneError);
    EXPECT_GT(write(true, twoError).size(), 2u);

    PutRow(grid(5), 25000,
           {"x", "4512345.67", "512345.67", "1.0", "y", "4512346", "51", "2.0", "151"});
    const std::vector<std::string> two = write(true, twoError);
    EXPECT_EQ(two, write(false, oneError));
    EXPECT_EQ(twoError, oneError);
    EXPECT_NE(twoError.find("151"), std::string::npos);
    EXPECT_FALSE(two.empty());
}

}  // namespace
}  // namespace plotaktar
