// Records in numbers and sizes no survey holds: 100,000 layer records, layer numbers at and
// beyond the edges of the integer conversion, 100,000 parcels with corners, 200,000 corners of
// one parcel, label lines of a megabyte. Each gets its specified reaction, and what the import
// keeps is written out by the export without a byte lost.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/import_command.h"
#include "import_fixture.h"
#include "model/errors.h"
#include "plotfile/plot_writer.h"
#include "test_support.h"

namespace plotaktar {
namespace {

using testing::CrLf;
using testing::ScriptedUi;
using testing::TempDir;
using testing::W;
using Msgs = std::vector<std::string>;
using Row = std::vector<std::string>;
using Failures = std::vector<std::pair<std::string, uint64_t>>;

const std::string kOpened = W("dosya açıldı");

class HostileRecords : public testing::ImportFixture {
  protected:
    // The LayerTable rows whose usage mark is "1".
    std::set<int> marked() {
        std::set<int> out;
        for (int r = 1; r <= kLayerRows; ++r) {
            if (layers().field(r, 8) == "1") {
                out.insert(r);
            }
        }
        return out;
    }
};

TEST_F(HostileRecords, HundredThousandLayerRecords) {
    // The first 150 fill LayerTable by position; every later one keeps its row on the layer
    // page and fails with "tabaka", since LayerTable has no row for it.
    std::string file;
    for (int i = 1; i <= 100000; ++i) {
        const std::string n = std::to_string(i);
        file += "tab " + n + " 1 L" + n + " 7 0 1 0.25\r\n";
    }
    file += "nok 1 2 3 4 150\r\n";
    Msgs messages = import(file);
    ASSERT_EQ(messages.size(), 99851u);
    EXPECT_EQ(messages.back(), kOpened);
    ASSERT_EQ(failures.size(), 99850u);
    for (size_t i = 0; i < failures.size(); ++i) {
        ASSERT_EQ(failures[i], (std::pair<std::string, uint64_t>{"tabaka", 151 + i}));
    }
    EXPECT_EQ(grid(4).rowCount(), 100001);
    EXPECT_EQ(row(4, 100000), (Row{"100000", "1", "L100000", "7", "0", "1", "0.25"}));
    for (int r = 1; r <= kLayerRows; ++r) {
        const std::string n = std::to_string(r);
        const Row expected{n, "1", "L" + n, "7", "0", "1", "0.25", r == 150 ? "1" : "0"};
        Row got;
        for (int f = 1; f <= kLayerFields; ++f) {
            got.push_back(layers().field(r, f));
        }
        ASSERT_EQ(got, expected);
    }
    EXPECT_EQ(PlotFileBytes(session.workspace),
              CrLf({"TA L150 -257 1 DUZ 1 0", "PN  && 3 2 L150 4 0 1"}));
}

// Layer numbers of point records: the text converts (optional blanks, then a sign and decimal
// digits, or "$", "x", "X", "0x", "0X" and hex digits, within 32 bits) and must name a row from
// 1 to 150; otherwise the record fails with its word and keeps its row.
TEST_F(HostileRecords, LayerNumbersAtTheEdgesOfTheConversion) {
    const std::vector<std::string> failing = {"2147483648",
                                              "-2147483649",
                                              "$80000000",
                                              "0x",
                                              "$",
                                              "+",
                                              "-",
                                              "0",
                                              "151",
                                              "2147483647",
                                              "-2147483648",
                                              "-1",
                                              "-0",
                                              "$7FFFFFFF",
                                              "$FFFFFFFF",
                                              "$100000000",
                                              "-$1",
                                              "+$1",
                                              "0x-1",
                                              "1.0",
                                              "3a",
                                              "x",
                                              "X",
                                              "0X",
                                              "+-3",
                                              "--3",
                                              "++3",
                                              "99999999999999999999",
                                              "000000000000000000000000151",
                                              "$0",
                                              "0x0",
                                              "1e2",
                                              "\xD9\xA3",
                                              "$G",
                                              "0xG",
                                              "3+",
                                              "0b1",
                                              "00x1",
                                              "$$1",
                                              "0x$1",
                                              "\xB2"};
    const std::vector<std::pair<std::string, int>> converting = {
        {"0003", 3},
        {"+0149", 149},
        {"$0000096", 150},
        {"0x10", 16},
        {"X11", 17},
        {"x1", 1},
        {"0X0c", 12},
        {"0000000000000000000000000000000000000005", 5},
        {"+7", 7},
        {"$a", 10},
        {"$0000000000000000000000000000000000002", 2},
        {"0x00000000000000000000000000004", 4}};
    std::string file;
    std::vector<std::string> texts;
    for (const std::string& t : failing) {
        texts.push_back(t);
    }
    for (const auto& [t, row] : converting) {
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        file += "nok 1 2 3 4 " + t + "\r\n";
    }
    Msgs messages = import(file);
    Failures expected;
    for (size_t i = 0; i < failing.size(); ++i) {
        expected.emplace_back("nokta", i + 1);
    }
    EXPECT_EQ(failures, expected);
    EXPECT_EQ(messages.size(), failing.size() + 1);
    std::set<int> rows;
    for (const auto& [t, row] : converting) {
        rows.insert(row);
    }
    EXPECT_EQ(marked(), rows);
    EXPECT_EQ(grid(3).rowCount(), static_cast<int>(texts.size()) + 1);
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(grid(3).cell(5, static_cast<int>(i) + 1), texts[i]);
    }
}

TEST_F(HostileRecords, PointNumbersAtTheEdgesOfTheConversion) {
    // "nir" and "pol" prefix a point number that converts, as its decimal text; any other text
    // stays as read, without a message. "nok" never rewrites.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2147483648", ""},
        {"-2147483648", "-2147483648"},
        {"2147483647", "2147483647"},
        {"-2147483649", ""},
        {"007", "7"},
        {"+5", "5"},
        {"-0", "0"},
        {"$10", "16"},
        {"0x", ""},
        {"$", ""},
        {"+", ""},
        {"-", ""},
        {"0x7FFFFFFF", "2147483647"},
        {"$80000000", ""},
        {"0", "0"},
        {"0000000000000000000000000000042", "42"},
        {"12A", ""},
        {"-$1", ""},
        {"X0", "0"}};
    std::string file;
    for (const char* kind : {"nir", "pol", "nok"}) {
        for (const auto& [text, value] : cases) {
            file += std::string(kind) + " " + text + " 1 2 3 1\r\n";
        }
    }
    EXPECT_EQ(import(file), Msgs{kOpened});
    for (int g = 1; g <= 3; ++g) {
        const std::string prefix = g == 1 ? "N." : g == 2 ? "P." : "";
        ASSERT_EQ(grid(g).rowCount(), static_cast<int>(cases.size()) + 1);
        for (size_t i = 0; i < cases.size(); ++i) {
            const auto& [text, value] = cases[i];
            // Only the rows whose expected value is "" keep the text; "0" is a real value.
            const bool converts = !value.empty();
            const std::string expected = converts && g != 3 ? prefix + value : text;
            EXPECT_EQ(grid(g).cell(1, static_cast<int>(i) + 1), expected) << g << " " << text;
        }
    }
}

TEST_F(HostileRecords, LayerNumbersOfLabelsAndParcels) {
    // A label file stops silently at the first layer number that does not name a row (its row
    // stays); the companion is still read, and stops likewise. A parcel fails with "parsel".
    const std::string labels = CrLf({"1 2 3 4 A   007", "1 2 3 4 B   151", "1 2 3 4 C   5"});
    const std::string companion =
        CrLf({"Ovalt 1 2 3 3 0 $96 0 0 T1", "Ovalt 1 2 3 3 0 2147483648 0 0 T2",
              "Ovalt 1 2 3 3 0 6 0 0 T3"});
    const std::string geometry =
        CrLf({"par 1 2 3 151", "par 1 2 3 -2147483649", "par 1 2 3 0x96", "par 1 2 3 $"});
    EXPECT_EQ(import(geometry, labels, companion), (Msgs{"parsel", "parsel", "parsel", kOpened}));
    EXPECT_EQ(failures, (Failures{{"parsel", 1}, {"parsel", 2}, {"parsel", 4}}));
    EXPECT_EQ(grid(8).rowCount(), 5);
    EXPECT_EQ(grid(8).cell(4, 2), "-2147483649");
    EXPECT_EQ(grid(6).rowCount(), 5);
    EXPECT_EQ(grid(6).cell(10, 1), "A");
    EXPECT_EQ(grid(6).cell(7, 2), "151");
    EXPECT_EQ(grid(6).cell(10, 3), "T1");
    EXPECT_EQ(grid(6).cell(7, 4), "2147483648");
    EXPECT_EQ(grid(6).cell(10, 5), "");
    EXPECT_EQ(marked(), (std::set<int>{7, 150}));
}

// The corner line of a parcel whose corner cells each hold a point number and three values.
std::string CornerLine(int corners) {
    std::string line;
    for (int k = 1; k <= corners; ++k) {
        line += "512345.67 4512345.67 0.00 0.000 0 0 ";
    }
    return line + "\r\n";
}

TEST_F(HostileRecords, HundredThousandParcelsWithCorners) {
    // Parcel j has 1 + j % 4 corners: 100,001 columns in the corner table, up to 4 corners each.
    std::string file, expected;
    for (int j = 1; j <= 100000; ++j) {
        const std::string n = std::to_string(j);
        file += "par 101 " + n + " 250.40 3\r\n";
        for (int k = 1; k <= 1 + j % 4; ++k) {
            file += "101 " + n + " " + std::to_string(k) + " 512345.67 4512345.67 0.00\r\n";
        }
        expected += "L2  && 0.0000000 0.0000000 101/" + n + " 19 0   0.00000000000000E+0000 0\r\n";
        expected += CornerLine(1 + j % 4);
    }
    EXPECT_EQ(import(file), Msgs{kOpened});
    EXPECT_EQ(grid(8).rowCount(), 100001);
    EXPECT_EQ(grid(11).colCount(), 100001);
    EXPECT_EQ(grid(11).rowCount(), 5);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(grid(11).cell(0, k), std::to_string(k));
    }
    for (int j = 1; j <= 100000; ++j) {
        const std::string n = std::to_string(j);
        ASSERT_EQ(grid(8).cell(5, j), std::to_string(1 + j % 4)) << j;
        ASSERT_EQ(grid(11).cell(j, 0), "101/" + n) << j;
        ASSERT_EQ(grid(11).cell(j, 1), "1 512345.67 4512345.67 0.00") << j;
        ASSERT_EQ(grid(11).cell(j, 1 + j % 4),
                  std::to_string(1 + j % 4) + " 512345.67 4512345.67 0.00")
            << j;
        ASSERT_EQ(grid(11).cell(j, 2 + j % 4), "") << j;
    }
    EXPECT_EQ(marked(), std::set<int>{3});
    const std::string written = PlotFileBytes(session.workspace);
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
}

TEST_F(HostileRecords, TwoHundredThousandCornersOfOneParcel) {
    std::string file = "par 7 8 1.0 1\r\n";
    for (int k = 1; k <= 200000; ++k) {
        file += "7 8 " + std::to_string(k) + " 512345.67 4512345.67 0.00\r\n";
    }
    EXPECT_EQ(import(file), Msgs{kOpened});
    EXPECT_EQ(grid(11).colCount(), 2);
    EXPECT_EQ(grid(11).rowCount(), 200001);
    EXPECT_EQ(grid(11).cell(1, 0), "7/8");
    EXPECT_EQ(grid(11).cell(0, 200000), "200000");
    EXPECT_EQ(grid(11).cell(1, 200000), "200000 512345.67 4512345.67 0.00");
    EXPECT_EQ(grid(8).cell(5, 1), "200000");
    const std::string expected =
        "L2  && 0.0000000 0.0000000 7/8 19 0   0.00000000000000E+0000 0\r\n" + CornerLine(200000);
    const std::string written = PlotFileBytes(session.workspace);
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
}

TEST_F(HostileRecords, MegabyteLabelLines) {
    std::string text;
    while (text.size() < (size_t{1} << 20)) {
        text += "ADA 105 ";
    }
    text.pop_back();
    const std::string word(size_t{1} << 20, 'x');
    const std::string labels =
        CrLf({"4512350.00 512340.00 100 2.5 " + text + "   5", word, "1 2 3 4 C   5"});
    const std::string companion = CrLf({"Ovalt 1 2 3 3 0 6 0 0 " + text});
    EXPECT_EQ(import("", labels, companion), Msgs{kOpened});
    EXPECT_EQ(grid(6).rowCount(), 4);
    EXPECT_TRUE(grid(6).cell(10, 1) == text);
    EXPECT_EQ(grid(6).cell(7, 1), "5");
    // A megabyte without a blank: four empty values, the text and the layer share its end,
    // and "xxxx" ends the reading of the label file after its row.
    EXPECT_TRUE(grid(6).cell(10, 2) == word.substr(0, word.size() - 3));
    EXPECT_EQ(grid(6).cell(7, 2), "xxxx");
    EXPECT_EQ(grid(6).cell(2, 2), "");
    EXPECT_TRUE(grid(6).cell(10, 3) == text);
    EXPECT_EQ(marked(), (std::set<int>{5, 6}));

    // The export writes the first label whole and stops at the second.
    struct Collect : PlotSink {
        void write(std::string_view bytes) override { received.append(bytes); }
        std::string received;
    } sink;
    std::string message;
    try {
        WritePlotFile(session.workspace, sink);
    } catch (const Error& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "'xxxx' is not a valid integer value");
    EXPECT_TRUE(sink.received == "YA  && 512340.00 4512350.00 L 2.5 100 0  " + text + "\r\n");
}

}  // namespace
}  // namespace plotaktar
