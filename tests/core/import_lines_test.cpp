// The line frame, per-line values and field splitting of the input files.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "import/fields.h"
#include "import/line_reader.h"
#include "test_support.h"

namespace plotaktar {
namespace {

std::vector<std::string> Lines(std::string_view bytes) {
    std::vector<std::string> out;
    LineReader reader(bytes);
    while (!reader.atEnd()) {
        out.emplace_back(reader.next());
    }
    return out;
}

using V = std::vector<std::string>;

TEST(LineReader, EndsLinesAtCrAndSkipsOneLfBehindIt) {
    EXPECT_EQ(Lines("a\r\nb\rc"), (V{"a", "b", "c"}));
    EXPECT_EQ(Lines("a\r\n"), (V{"a"}));
    EXPECT_EQ(Lines("a\r\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(Lines("a\r\n\nb\r\n"), (V{"a", "\nb"}));  // only one LF is skipped
    EXPECT_EQ(Lines(""), V{});
    EXPECT_EQ(Lines("\r\r\r"), (V{"", "", ""}));
}

TEST(LineReader, KeepsLoneLineFeedsInTheLine) {
    EXPECT_EQ(Lines("nir 1\nnir 2\n"), (V{"nir 1\nnir 2\n"}));
    EXPECT_EQ(Lines("\n\n"), (V{"\n\n"}));
}

TEST(LineReader, CtrlZEndsTheFileWhereverItStands) {
    EXPECT_EQ(Lines("a\r\nb\x1A"
                    "c\r\nd"),
              (V{"a", "b"}));
    EXPECT_EQ(Lines("\x1A"
                    "abc"),
              V{});
    EXPECT_EQ(Lines("a\r\n\x1A"), (V{"a"}));
}

TEST(LineReader, PassesEveryByteUnchanged) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != 0x1A) {
            all += static_cast<char>(b);
        }
    }
    EXPECT_EQ(Lines(all), (V{all}));
}

TEST(ReadInputFile, RefusesAnythingButARegularFile) {
    testing::TempDir dir;
    EXPECT_FALSE(ReadInputFile(dir.path().string()).has_value());
    EXPECT_FALSE(ReadInputFile(dir.file("missing")).has_value());
#ifdef _WIN32
    EXPECT_FALSE(ReadInputFile("NUL").has_value());
    EXPECT_FALSE(ReadInputFile("CON").has_value());  // and does not wait for a key
#else
    std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadInputFile(fifo).has_value());  // and does not wait for a writer
#endif
    auto bytes = ReadInputFile(dir.write("f", std::string("x\0y", 3)));
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ((*bytes)->view(), std::string_view("x\0y", 3));
}

#ifndef _WIN32
TEST(ReadInputFile, ReadsToTheEndWhateverSizeTheFileReports) {
    // Files under /proc report a size of 0 and still have contents.
    auto bytes = ReadInputFile("/proc/self/status");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_NE((*bytes)->view().find("Name:"), std::string_view::npos);
}
#endif

TEST(NextField, SplitsAtTheFirstBlankAndLeavesALastWordInTheBody) {
    std::string_view body = "12   350.25";
    EXPECT_EQ(NextField(body), "12");
    EXPECT_EQ(body, "350.25");
    EXPECT_EQ(NextField(body), "");
    EXPECT_EQ(body, "350.25");
    std::string_view empty;
    EXPECT_EQ(NextField(empty), "");
    EXPECT_EQ(empty, "");
    std::string_view tabs = "a\tb c";
    EXPECT_EQ(NextField(tabs), "a\tb");  // only the blank separates
    EXPECT_EQ(tabs, "c");
}

TEST(LineValues, TokensForTheCornerCheck) {
    LineValues corner("101 5 12 350.25 810.75");
    EXPECT_EQ(corner.RecordKind, "101");
    EXPECT_EQ(corner.FirstToken, "101");
    EXPECT_EQ(corner.RestOfLine, "5 12 350.25 810.75");
    EXPECT_EQ(corner.SecondToken, "5");

    LineValues word("\tnoblank\t");
    EXPECT_EQ(word.FirstToken, "");
    EXPECT_EQ(word.SecondToken, "");
    EXPECT_EQ(word.RestOfLine, "noblank");

    LineValues leading(" 101 5 x");
    EXPECT_EQ(leading.RecordKind, " 10");
    EXPECT_EQ(leading.FirstToken, "");
    EXPECT_EQ(leading.SecondToken, "101");

    LineValues two("101 5");
    EXPECT_EQ(two.SecondToken, "");  // RestOfLine "5" holds no blank
    EXPECT_EQ(LineValues("ni").RecordKind, "ni");
}

TEST(RecordBody, StartsAtTheFourthCharacterWhateverItIs) {
    EXPECT_EQ(RecordBody("nirengi 5 6"), "engi 5 6");
    EXPECT_EQ(RecordBody("nir"), "");
    EXPECT_EQ(RecordBody("nir \t 1 2 \r"), "1 2");
}

}  // namespace
}  // namespace plotaktar
