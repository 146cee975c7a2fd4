// Files that no survey software writes: every byte value, NUL bytes inside records, binary
// junk, one line of 50 MB, files of nothing but CRs, LFs or Ctrl-Z. The line rules decide what
// each of them is, and the import reads it to its end without a word beyond the specified ones.
#include <random>
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

const std::string kOpened = W("dosya açıldı");

class HostileLines : public testing::ImportFixture {
  protected:
    // The nine record flags and FlagYazi, in the order of SectionFlags::named().
    std::string flagString() {
        std::string out;
        for (const auto& [name, value] : flags().named()) {
            out += value->empty() ? "-" : *value;
        }
        return out;
    }
};

TEST_F(HostileLines, AllByteValuesInOrder) {
    // Bytes 0 to 255: CR ends a first line of bytes 0 to 12, Ctrl-Z (26) ends the file after a
    // second line of bytes 14 to 25. Neither line holds a blank and both trim to nothing, so
    // both are corners of the parcel table's last initial row (row 4).
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(import(all, all, all), Msgs{kOpened});
    EXPECT_EQ(flagString(), "0000000000");  // the label lines give no row
    EXPECT_EQ(grid(11).colCount(), 5);
    EXPECT_EQ(grid(11).rowCount(), 5);
    EXPECT_EQ(row(11, 0), (Row{"", "", "", "", "/"}));
    EXPECT_EQ(row(11, 1), (Row{"1", "", "", "", ""}));
    EXPECT_EQ(row(11, 2), (Row{"2", "", "", "", ""}));
    EXPECT_EQ(grid(8).cell(5, 4), "2");
    EXPECT_EQ(grid(8).rowCount(), 5);
    EXPECT_EQ(grid(6).rowCount(), 5);  // label lines that trim to nothing give no row
    EXPECT_EQ(grid(6).cell(10, 1), "");
}

TEST_F(HostileLines, EveryByteValueSurvivesInsideAField) {
    // Inside a field every byte but CR, Ctrl-Z and the blank is an ordinary character.
    std::string word = "<";
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != 0x1A && b != ' ') {
            word += static_cast<char>(b);
        }
    }
    word += ">";
    const std::string nul(1, '\0');
    const std::string geometry =
        CrLf({"nok " + word + " 350.25 810.75 10.5 3",
              // A point number with a NUL inside is no integer: it stays as read.
              "nir 1" + nul + "2 350 810 10 4",
              // NUL bytes at a field's ends are trimmed away like blanks.
              "hat 1 2 3 4 5 6 7 8 " + nul + "5" + nul, "sem " + nul + "1 2 3 4 5\t" + nul + " 6",
              // Inside the layer number they make it no number.
              "sev 1 2 3 4 5 7" + nul + "7", "bin 1\t2 3 4 5 8"});
    const std::string labels = CrLf({"1 2 3 4 A" + nul + "B\xFE\xF0   9"});
    const std::string companion = CrLf({"F" + nul + "G 1 2 3 3 0 10 0 0 \x80\xFF" + nul + " Z"});
    EXPECT_EQ(import(geometry, labels, companion), (Msgs{W("şev"), kOpened}));
    EXPECT_EQ(failures, (std::vector<std::pair<std::string, uint64_t>>{{W("şev"), 5}}));
    EXPECT_EQ(row(3, 1), (Row{"1", word, "350.25", "810.75", "10.5", "3"}));
    EXPECT_EQ(row(1, 1), (Row{"1", "1" + nul + "2", "350", "810", "10", "4"}));
    EXPECT_EQ(grid(5).cell(9, 1), "5");
    EXPECT_EQ(row(7, 1), (Row{"1", "1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(grid(10).cell(6, 1), "7" + nul + "7");
    EXPECT_EQ(row(9, 1), (Row{"1", "1\t2", "3", "4", "5", "", "8"}));
    EXPECT_EQ(row(6, 1),
              (Row{"1", "Ovalt", "1", "2", "4", "4", "3", "9", "0", "0", "A" + nul + "B\xFE\xF0"}));
    EXPECT_EQ(row(6, 2), (Row{"2", "F" + nul + "G", "1", "2", "3", "3", "0", "10", "0", "0",
                              "\x80\xFF" + nul + " Z"}));
    const LayerTable& layers = session.workspace.layerTable;
    for (int layer : {3, 4, 5, 6, 8, 9, 10}) {
        EXPECT_EQ(layers.field(layer, 8), "1") << layer;
    }
    EXPECT_EQ(layers.field(7, 8), "");
}

TEST_F(HostileLines, BinaryJunkIsReadToTheEndRepeatedly) {
    // Lines of random bytes behind random record kinds, with every kind of line end. Whatever
    // the readers make of them, every message is a reader's word, the import always ends, and
    // the export either writes the file or stops with a message.
    const std::set<std::string> words = {"nirengi", "poligon", "nokta", "tabaka", "hat",
                                         "sembol",  "parsel",  "bina",  W("şev")};
    const char* const kinds[] = {"nir", "pol", "nok", "tab", "hat", "sem",
                                 "par", "bin", "sev", "",    "1 2", "par 1 2 3 4"};
    const char* const ends[] = {"\r\n", "\r", "\n", "\r\r\n", "\n\r"};
    const std::string alphabet = "0123456789 -+$x.\t";
    std::mt19937 random(20240611);
    size_t failed = 0;
    size_t exported = 0;
    for (int round = 0; round < 8; ++round) {
        std::string junk[3];
        for (std::string& file : junk) {
            while (file.size() < 32 * 1024) {
                file += kinds[random() % std::size(kinds)];
                for (unsigned n = random() % 40; n > 0; --n) {
                    unsigned r = random();
                    // Ctrl-Z would end the file early; it has its own test.
                    char byte = static_cast<char>(r & 0xFF) == '\x1A' ? '\x1B'
                                                                      : static_cast<char>(r & 0xFF);
                    file += (r & 0x300) != 0 ? alphabet[(r >> 12) % alphabet.size()] : byte;
                }
                file += ends[random() % std::size(ends)];
            }
        }
        Msgs messages = import(junk[0], junk[1], junk[2]);
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), kOpened);
        EXPECT_EQ(failures.size(), messages.size() - 1);
        failed += failures.size();
        for (size_t i = 0; i + 1 < messages.size(); ++i) {
            EXPECT_TRUE(words.count(messages[i])) << messages[i];
        }
        for (const auto& [name, value] : flags().named()) {
            EXPECT_TRUE(*value == "0" || *value == "1") << name;
        }
        try {
            exported += PlotFileBytes(session.workspace).size();
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()), "");
        }
    }
    EXPECT_GT(failed, 100u);
    EXPECT_GT(grid(1).rowCount() + grid(8).rowCount() + grid(6).rowCount(), 40);
    (void)exported;
}

TEST_F(HostileLines, FiftyMegabyteLineWithoutACarriageReturn) {
    // One record with a 50 MiB last field of digits and lone LFs (which do not end the line):
    // the field is far beyond a 32-bit integer, so the record fails with its word and keeps its
    // row, with the whole field in its cell.
    std::string line = "nok 7 350.25 810.75 10.5 ";
    const size_t fieldSize = size_t{50} << 20;
    std::string field(fieldSize, '9');
    for (size_t i = 999; i < fieldSize - 1; i += 1000) {
        field[i] = '\n';
    }
    line += field;
    EXPECT_EQ(import(line), (Msgs{"nokta", kOpened}));
    EXPECT_EQ(failures, (std::vector<std::pair<std::string, uint64_t>>{{"nokta", 1}}));
    EXPECT_EQ(grid(3).rowCount(), 2);
    EXPECT_EQ(row(3, 1)[4], "10.5");
    EXPECT_TRUE(grid(3).cell(5, 1) == field);
    EXPECT_EQ(flagString(), "0010000000");
    EXPECT_EQ(grid(11).cell(4, 0), "");  // the line begins with "nok": no corner
}

TEST_F(HostileLines, OnlyCarriageReturns) {
    // 100,000 empty lines: each is a corner of the last initial parcel row. Empty label lines
    // give no row and leave FlagYazi "0".
    EXPECT_EQ(import(std::string(100000, '\r'), std::string(100, '\r')), Msgs{kOpened});
    EXPECT_EQ(flagString(), "0000000000");
    EXPECT_EQ(grid(11).colCount(), 5);
    EXPECT_EQ(grid(11).rowCount(), 100001);
    EXPECT_EQ(grid(11).cell(4, 0), "/");
    EXPECT_EQ(grid(11).cell(0, 100000), "100000");
    EXPECT_EQ(grid(11).cell(4, 100000), "");
    EXPECT_EQ(grid(8).cell(5, 4), "100000");
    EXPECT_EQ(grid(6).rowCount(), 5);
}

TEST_F(HostileLines, OnlyLineFeeds) {
    // Lone LFs end no line: the whole file is one line that trims to nothing, one corner.
    EXPECT_EQ(import(std::string(100000, '\n'), std::string(100, '\n'), std::string(100, '\n')),
              Msgs{kOpened});
    EXPECT_EQ(flagString(), "0000000000");
    EXPECT_EQ(grid(11).rowCount(), 5);
    EXPECT_EQ(row(11, 1), (Row{"1", "", "", "", ""}));
    EXPECT_EQ(grid(11).cell(0, 2), "");
    EXPECT_EQ(grid(8).cell(5, 4), "1");
}

TEST_F(HostileLines, OnlyCtrlZ) {
    // Ctrl-Z ends each file before its first line: no line at all, not even for FlagYazi.
    const std::string z(1000, '\x1A');
    EXPECT_EQ(import(z, z, z), Msgs{kOpened});
    EXPECT_EQ(flagString(), "0000000000");
    EXPECT_EQ(grid(11).cell(4, 0), "");
    EXPECT_EQ(grid(11).cell(0, 1), "");
    EXPECT_EQ(grid(8).cell(5, 4), "");
    // Behind a Ctrl-Z nothing is read, records and CRs included.
    EXPECT_EQ(import("nir 1 2 3 4 1\r\n\x1A" + CrLf({"nir 2 2 3 4 1", "par"}),
                     CrLf({"1 2 3 4 A   1"}) + "\x1A" + CrLf({"1 2 3 4 B   1"}),
                     "\x1A" + CrLf({"Ovalt 1 2 3 3 0 1 0 0 T"})),
              Msgs{kOpened});
    EXPECT_EQ(grid(1).rowCount(), 2);
    EXPECT_EQ(grid(6).rowCount(), 2);
    EXPECT_EQ(grid(6).cell(10, 1), "A");
    EXPECT_EQ(flagString(), "1000000001");
}

TEST_F(HostileLines, CarriageReturnCarriageReturnLineFeedRuns) {
    // CR CR LF is two line ends: a record line and an empty line, which is a corner.
    std::string geometry, labels;
    for (int i = 0; i < 10000; ++i) {
        geometry += "nir 1 2 3 4 5\r\r\n";
    }
    for (int i = 0; i < 100; ++i) {
        labels += "1 2 3 4 A   5\r\r\n";
    }
    EXPECT_EQ(import(geometry, labels, "\r\r\n\r\r\nOvalt 1 2 3 3 0 5 0 0 T\r\r\n"), Msgs{kOpened});
    EXPECT_EQ(grid(1).rowCount(), 10001);
    EXPECT_EQ(row(1, 10000), (Row{"10000", "N.1", "2", "3", "4", "5"}));
    EXPECT_EQ(grid(11).rowCount(), 10001);
    EXPECT_EQ(grid(11).cell(0, 10000), "10000");
    EXPECT_EQ(grid(8).cell(5, 4), "10000");
    EXPECT_EQ(grid(6).rowCount(), 102);
    EXPECT_EQ(grid(6).cell(10, 100), "A");
    EXPECT_EQ(grid(6).cell(10, 101), "T");
    EXPECT_EQ(session.workspace.layerTable.field(5, 8), "1");
    EXPECT_EQ(flagString(), "1000000001");
}

}  // namespace
}  // namespace plotaktar
