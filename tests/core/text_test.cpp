#include "model/text.h"
#include "ui/ui_texts.h"

#include <gtest/gtest.h>

#include "model/cp1254.h"
#include "model/errors.h"
#include "model/file_name_text.h"
#include "model/output_files.h"

namespace plotaktar {
namespace {

TEST(Trim, RemovesCodesUpToBlankAtBothEndsOnly) {
    EXPECT_EQ(Trim(" \t\x01 a b\r\n "), "a b");
    EXPECT_EQ(Trim(std::string_view("\0x\0", 3)), "x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\xFE\xA0"), "\xFE\xA0");  // upper half of the code page is never trimmed
}

TEST(StrToInt, AcceptsDecimalWithSignAndLeadingBlanks) {
    EXPECT_EQ(TryStrToInt("3"), 3);
    EXPECT_EQ(TryStrToInt("+3"), 3);
    EXPECT_EQ(TryStrToInt("-3"), -3);
    EXPECT_EQ(TryStrToInt("003"), 3);
    EXPECT_EQ(TryStrToInt("  7"), 7);
    EXPECT_EQ(TryStrToInt("2147483647"), 2147483647);
    EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(TryStrToInt("-0000000000002147483648"), INT32_MIN);
}

TEST(StrToInt, AcceptsEveryHexPrefix) {
    EXPECT_EQ(TryStrToInt("$1F"), 31);
    EXPECT_EQ(TryStrToInt("x1f"), 31);
    EXPECT_EQ(TryStrToInt("X10"), 16);
    EXPECT_EQ(TryStrToInt("0x10"), 16);
    EXPECT_EQ(TryStrToInt("0X7FFFFFFF"), INT32_MAX);
    EXPECT_EQ(TryStrToInt("$00000000000003"), 3);
}

TEST(StrToInt, RejectsEverythingElse) {
    for (const char* bad :
         {"", " ", "+", "-", "$", "x", "0x", "3 ", "3 9", "3.0", "1e3", "\t3", "2147483648",
          "-2147483649", "$80000000", "0x1G", "-$10", "+0x1", "99999999999999999999"}) {
        EXPECT_FALSE(TryStrToInt(bad).has_value()) << "'" << bad << "'";
    }
    EXPECT_FALSE(TryStrToInt(std::string_view("3\0", 2)).has_value());
}

TEST(StrToInt, FailureCarriesTheTextInItsMessage) {
    try {
        StrToInt("3.0");
        FAIL();
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'3.0' is not a valid integer value");
    }
}

TEST(IntToStr, WritesPlainDecimal) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-12), "-12");
    EXPECT_EQ(IntToStr(INT32_MIN), "-2147483648");
}

TEST(ErrorBoxText, AppendsFullStopOnlyAfterCodesAboveIt) {
    EXPECT_EQ(ErrorBoxText("Disk full"), "Disk full.");
    EXPECT_EQ(ErrorBoxText("I/O error 5"), "I/O error 5.");
    EXPECT_EQ(ErrorBoxText("'x' is not a valid integer value"),
              "'x' is not a valid integer value.");
    for (const char* kept : {"a.", "a!", "a)", "a,", "a-", "a'", "a "}) {
        EXPECT_EQ(ErrorBoxText(kept), kept);
    }
    EXPECT_EQ(ErrorBoxText("de\xF0"), "de\xF0.");  // ğ is above the full stop too
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ApplicationTitle, FollowsTheProgramFileName) {
    EXPECT_EQ(ApplicationTitle("/usr/bin/plotaktar"), "Plotaktar");
    EXPECT_EQ(ApplicationTitle("build/PlotAktar.Bin.x"), "Plotaktar");
}

TEST(Cp1254, DecodesTurkishLettersAndRoundTripsProgramTexts) {
    EXPECT_EQ(Utf8FromCp1254("\xDE\x65v \xFD\xF0\xDD\xD0\xFE\x80"), "Şev ığİĞş€");
    EXPECT_EQ(Cp1254FromUtf8("Köse Sayısı"), "K\xF6se Say\xFDs\xFD");
    EXPECT_EQ(Cp1254ToUnicode(0x81), 0x81);  // undefined bytes keep their value
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Cp1254FromUtf8(Utf8FromCp1254(one)), one) << b;
    }
}

// A file's name in a message: the last part of the path, in windows-1254 whether the system
// handed it over as UTF-8 or as windows-1254 bytes already.
TEST(FileNameInMessage, NamesAreWindows1254WhateverTheyCameAs) {
    struct Case {
        std::string path, shown;
    };
    // şev İç in UTF-8, a euro sign and a map the code page lacks.
    const std::string turkish =
        "\xC5\x9F"
        "ev \xC4\xB0\xC3\xA7.gplt";
    const std::string beyond = "\xE2\x82\xAC\xF0\x9F\x97\xBA.plt";
    const std::vector<Case> cases = {
        {"benim.gplt", "benim.gplt"},
        {"/ev/harita/benim.gplt", "benim.gplt"},
        {"/ev/" + turkish,
         "\xFE"
         "ev \xDD\xE7.gplt"},
        {beyond, "\x80?.plt"},
        {"\xFE\xDD.gplt", "\xFE\xDD.gplt"},          // windows-1254 bytes already
        {"\xC0\xAF.gplt", "\xC0\xAF.gplt"},          // an overlong "/" is no UTF-8
        {"\xED\xA0\x80.gplt", "\xED\xA0\x80.gplt"},  // nor is a surrogate
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileNameInMessage(c.path), c.shown) << c.path;
    }
}

// Every file an output writes, as its format declares them.
TEST(FilesWritten, SetsAndPagesAsTheFormatsDeclare) {
    const std::vector<std::string> shp = FilesWritten(*OutputFormatNamed("shp"), "out/x.y.shp");
    ASSERT_EQ(shp.size(), 30u);
    EXPECT_EQ(shp.front(), "out/x.y-noktalar.shp");
    EXPECT_EQ(shp[2], "out/x.y-noktalar.dbf");
    EXPECT_EQ(shp[5], "out/x.y-noktalar.qml");
    EXPECT_EQ(shp.back(), "out/x.y-semboller.qml");
    EXPECT_EQ(FilesWritten(*OutputFormatNamed("svg"), "a.b/pafta", 3),
              (std::vector<std::string>{"a.b/pafta-0", "a.b/pafta-1", "a.b/pafta-2"}));
    EXPECT_EQ(FilesWritten(*OutputFormatNamed("png"), "p.png", 1),
              std::vector<std::string>{"p.png"});
    EXPECT_EQ(FilesWritten(*OutputFormatNamed("pdf"), "p.pdf", 9),
              std::vector<std::string>{"p.pdf"});
    EXPECT_EQ(FilesWritten(*OutputFormatNamed("gpkg"), "p.gpkg"),
              std::vector<std::string>{"p.gpkg"});
}

}  // namespace
}  // namespace plotaktar
