// What both windows (Qt on Linux, Win32 on Windows) share, without a window: the form's
// design, the dialog filters, the warning lines and the copied text.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/copy_text.h"
#include "model/dialog_filter.h"
#include "model/form_design.h"
#include "ui/ui_texts.h"

namespace plotaktar {
namespace {

using Entry = DialogFilterEntry;
using Patterns = std::vector<std::string>;

TEST(DialogFilterTest, SplitsEntriesAndPatternsAsTheCommandsWriteThem) {
    // The open command's geometry filter, its description ending in a blank.
    EXPECT_EQ(ParseDialogFilter("Geçici plt Dosyaları (*.gplt) |*.gplt|Tüm Dosyalar|*.*"),
              (std::vector<Entry>{{"Geçici plt Dosyaları (*.gplt) ", Patterns{"*.gplt"}},
                                  {"Tüm Dosyalar", Patterns{"*.*"}}}));
    // Several patterns by ";" or blanks, surrounding blanks dropped.
    EXPECT_EQ(ParseDialogFilter("Çizim| *.gplt;*.GPLT  *.yaz ;"),
              (std::vector<Entry>{{"Çizim", Patterns{"*.gplt", "*.GPLT", "*.yaz"}}}));
    // The description's bytes stay as given (windows-1254 "İ").
    EXPECT_EQ(ParseDialogFilter("\xDD|*.x")[0].description, "\xDD");
}

TEST(DialogFilterTest, LeavesOutEmptyEntriesButKeepsADescriptionWithoutPatterns) {
    EXPECT_TRUE(ParseDialogFilter("").empty());
    EXPECT_TRUE(ParseDialogFilter("|").empty());
    EXPECT_TRUE(ParseDialogFilter("| \t|").empty());
    EXPECT_EQ(ParseDialogFilter("a|*.a||  |b"),
              (std::vector<Entry>{{"a", Patterns{"*.a"}}, {"b", Patterns{}}}));
    // A pattern without a description is still an entry.
    EXPECT_EQ(ParseDialogFilter("|*.plt"), (std::vector<Entry>{{"", Patterns{"*.plt"}}}));
}

TEST(FormDesignTest, ShowsEveryTableOnExactlyOnePage) {
    std::vector<int> numbers;
    for (TableId table : form::kPageOrder) {
        numbers.push_back(TableNumber(table));
    }
    std::sort(numbers.begin(), numbers.end());
    for (int i = 0; i < kTableCount; ++i) {
        EXPECT_EQ(numbers[static_cast<size_t>(i)], i + 1);
    }
    EXPECT_EQ(TableOf(form::kPageOrder[form::kFrontPage]).caption, "Ada Parsel Köşe");
    // The buttons lie inside the panel.
    for (const form::Button& button : {form::kOpenButton, form::kSaveButton, form::kSpareButton}) {
        EXPECT_LE(button.rect.left + button.rect.width, form::kClientWidth) << button.name;
        EXPECT_LE(button.rect.top + button.rect.height, form::kPanelHeight) << button.name;
    }
}

TEST(FormDesignTest, FitsTheWindowOnASmallerScreenMovingBeforeShrinking) {
    using form::FitOnScreen;
    using form::Rect;
    auto same = [](const Rect& a, const Rect& b) {
        return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
    };
    // Room enough: left where designed.
    EXPECT_TRUE(
        same(FitOnScreen({152, 267, 1036, 641}, {0, 0, 1920, 1040}), {152, 267, 1036, 641}));
    // Moved up and left, size kept.
    EXPECT_TRUE(same(FitOnScreen({152, 267, 1036, 641}, {0, 0, 1100, 768}), {64, 127, 1036, 641}));
    // Too big: shrunk to the area, at its corner (a panel at the top: the area starts lower).
    EXPECT_TRUE(same(FitOnScreen({152, 267, 1036, 641}, {0, 30, 800, 570}), {0, 30, 800, 570}));
    // A second screen left of the first.
    EXPECT_TRUE(
        same(FitOnScreen({-2000, 100, 500, 400}, {-1280, 0, 1280, 1024}), {-1280, 100, 500, 400}));
}

TEST(WarningLineTest, NamesTheFileAndWhatWasWrongInTurkish) {
    EXPECT_EQ(WarningLine({"/x/a.gplt", ImportWarning::NoCarriageReturns, 1}, "a.gplt"),
              "a.gplt: satır başı karakteri (CR) yok, dosya tek satır olarak okundu; unix2dos "
              "ile dönüştürün");
    EXPECT_EQ(WarningLine({"b.yaz", ImportWarning::NoCarriageReturns, 12}, "b.yaz"),
              "b.yaz: satır başı karakteri (CR) yok, dosya 12 satır olarak okundu; unix2dos ile "
              "dönüştürün");
    EXPECT_EQ(WarningLine({"c", ImportWarning::NotText, 0}, "c"),
              "c: metin biçiminde bir çizim dosyası değil");
    EXPECT_EQ(WarningLine({"d", ImportWarning::NoRecords, 3}, "d"), "d: hiç kayıt bulunamadı");
}

TEST(CopyTextTest, CopiesARangeAsTabSeparatedLinesThatStayInShape) {
    Table table(4, 4);
    table.setCell(1, 1, "a");
    table.setCell(2, 1, "b\tc");         // a tab: quoted
    table.setCell(3, 1, "say \"x\"\n");  // a line end: quoted, its quote marks doubled
    table.setCell(1, 2, "\xDD");         // windows-1254 bytes stay as they are
    table.setCell(3, 2, "\"plain\"");    // quote marks alone need no quotes
    EXPECT_EQ(RangeCopyText(table, 1, 1, 3, 2, "\r\n"),
              "a\t\"b\tc\"\t\"say \"\"x\"\"\n\"\r\n\xDD\t\t\"plain\"\r\n");
    // One cell, the Linux line end.
    EXPECT_EQ(RangeCopyText(table, 1, 1, 1, 1, "\n"), "a\n");
    // A range beyond the counts copies empty cells; a range upside down copies nothing.
    EXPECT_EQ(RangeCopyText(table, 3, 3, 4, 4, "\n"), "\t\n\t\n");
    EXPECT_EQ(RangeCopyText(table, 2, 1, 1, 1, "\n"), "");
}

}  // namespace
}  // namespace plotaktar
