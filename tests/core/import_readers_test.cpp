// The geometry readers, the parcel corner check and the label files, driven through the
// import command with a scripted user.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "import/import_command.h"
#include "import_fixture.h"
#include "model/crs_names.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "model/line_types.h"
#include "model/point_names.h"
#include "model/second_thread.h"
#include "platform/files.h"
#include "platform/memory_files.h"
#include "plotfile/plot_writer.h"
#include "test_support.h"

namespace plotaktar {
namespace {

using testing::CrLf;
using testing::Import;
using testing::TempDir;
using testing::W;
using Msgs = std::vector<std::string>;

const std::string kOpened = W("dosya açıldı");

using ImportTest = testing::ImportFixture;

using Row = std::vector<std::string>;

TEST_F(ImportTest, TheRoadOfOneTriangulationPoint) {
    EXPECT_EQ(import(CrLf({"tab 1 1 ADA 7 0 1 0.25", "tab 2 1 YOL 7 0 1 0.25",
                           "tab 3 1 SINIR 7 0 1 0.25", "nir 12 4512345.67 512345.67 123.45 3"})),
              Msgs{kOpened});
    EXPECT_EQ(row(1, 1), (Row{"1", "N.12", "4512345.67", "512345.67", "123.45", "3"}));
    EXPECT_EQ(grid(1).rowCount(), 2);
    EXPECT_EQ(layers().field(3, 3), "SINIR");
    EXPECT_EQ(layers().field(3, 8), "1");
    EXPECT_EQ(layers().field(1, 8), "0");
    EXPECT_EQ(flags().FlagNirengi, "1");
    EXPECT_EQ(flags().FlagTabaka, "1");
    EXPECT_EQ(flags().FlagNokta, "0");
}

TEST_F(ImportTest, PointNumbersAreRewrittenOnlyWhenTheyAreIntegers) {
    import(CrLf({"nir 007 1 2 3 1", "nir +5 1 2 3 1", "nir -3 1 2 3 1", "nir 12A 1 2 3 1",
                 "pol 7 350.25 2", "nok 007 1 2 3 1"}));
    EXPECT_EQ(grid(1).cell(1, 1), "N.7");
    EXPECT_EQ(grid(1).cell(1, 2), "N.5");
    EXPECT_EQ(grid(1).cell(1, 3), "N.-3");
    EXPECT_EQ(grid(1).cell(1, 4), "12A");
    EXPECT_EQ(row(2, 1), (Row{"1", "P.7", "350.25", "", "", "2"}));
    EXPECT_EQ(grid(3).cell(1, 1), "007");
}

TEST_F(ImportTest, AFailingRecordKeepsItsRowAndShowsItsWordOnce) {
    Msgs messages = import(CrLf({"nok 1 2 3 4 5 6", "nir", "nok 9 8 7 6 1", "Hat 1 2", "sev",
                                 "bin 7 1.5 45 2 120.5 3 9", "sem 12 3"}));
    EXPECT_EQ(messages, (Msgs{"nokta", "nirengi", W("şev"), "bina", kOpened}));
    EXPECT_EQ(row(3, 1), (Row{"1", "1", "2", "3", "4", "5 6"}));
    EXPECT_EQ(row(3, 2), (Row{"2", "9", "8", "7", "6", "1"}));
    EXPECT_EQ(row(1, 1), (Row{"1", "", "", "", "", ""}));
    EXPECT_EQ(row(9, 1), (Row{"1", "7", "1.5", "45", "2", "120.5", "3 9"}));
    EXPECT_EQ(row(7, 1), (Row{"1", "12", "", "", "", "", "3"}));
    EXPECT_EQ(flags().FlagSev, "1");
    EXPECT_EQ(flags().FlagHat, "0");  // kinds are compared case-sensitively
    EXPECT_EQ(layers().field(5, 8), "");
    EXPECT_EQ(layers().field(1, 8), "1");
    EXPECT_EQ(layers().field(3, 8), "1");
}

TEST_F(ImportTest, LineRecordFillsAllTenColumns) {
    import(CrLf({"hat 1 100.00 200.00 10.5 2 110.00 210.00 11.0 3"}));
    EXPECT_EQ(row(5, 1),
              (Row{"1", "1", "100.00", "200.00", "10.5", "2", "110.00", "210.00", "11.0", "3"}));
    EXPECT_EQ(layers().field(3, 8), "1");
}

TEST_F(ImportTest, LayerRecordsFillTheirRowByPosition) {
    import(CrLf({"nok 1 2 3 4 2", "tab 5 1 7 0 1 0.25", "tab 2 1 YOL 7 0 1 0.25", "tab",
                 "tab A 1 2 3 4 5", "tab 9 1 AD 7 0 1 0.25 extra words"}));
    EXPECT_EQ(row(4, 1), (Row{"5", "1", "Tabaka5", "7", "0", "1", "0.25"}));
    EXPECT_EQ(row(4, 3), (Row{"", "", "Tabaka", "", "", "", ""}));
    EXPECT_EQ(row(4, 4)[2], "TabakaA");
    EXPECT_EQ(row(4, 5)[6], "0.25 extra words");
    EXPECT_EQ(layers().field(1, 3), "Tabaka5");
    EXPECT_EQ(layers().field(2, 3), "YOL");
    // The point read before layer record 2 lost its mark when that record was read.
    EXPECT_EQ(layers().field(2, 8), "0");
    EXPECT_EQ(grid(4).rowCount(), 6);
}

TEST_F(ImportTest, LayerNumbersOutsideTheLayerTableFailLikeNonNumbers) {
    Msgs messages = import(CrLf({"nir 1 2 3 4 0", "pol 1 2 3 4 151", "hat 1 2 3 4 5 6 7 8 -1",
                                 "par 1 2 3 2147483648", "nok 1 2 3 4 150"}));
    EXPECT_EQ(messages, (Msgs{"nirengi", "poligon", "hat", "parsel", kOpened}));
    EXPECT_EQ(grid(2).cell(5, 1), "151");  // the row stays complete
    EXPECT_EQ(layers().field(150, 8), "1");
}

TEST_F(ImportTest, A151stLayerRecordKeepsItsPageRowButNoLayerTableRow) {
    std::string file;
    for (int i = 1; i <= 152; ++i) {
        file += "tab " + std::to_string(i) + " 1 L" + std::to_string(i) + " 7 0 1 0.25\r\n";
    }
    Msgs messages = import(file);
    EXPECT_EQ(messages, (Msgs{"tabaka", "tabaka", kOpened}));
    EXPECT_EQ(grid(4).rowCount(), 153);
    EXPECT_EQ(row(4, 152), (Row{"152", "1", "L152", "7", "0", "1", "0.25"}));
    EXPECT_EQ(layers().field(150, 3), "L150");
}

TEST_F(ImportTest, ASecondImportShrinksTablesAndKeepsWhatItDoesNotWrite) {
    import(CrLf({"tab 1 1 A 7 0 1 0", "tab 2 1 B 7 0 1 0", "tab 3 1 C 7 0 1 0", "tab 4 1 D 7 0 1 0",
                 "nir 1 1 1 1 4", "nir 2 2 2 2 4", "nir 3 3 3 3 4", "hat 1 2 3 4 5 6 7 8 1"}));
    import(CrLf({"tab 1 1 E 7 0 1 0", "tab 2 1 F 7 0 1 0", "nir 9 9 9 9 1"}));
    EXPECT_EQ(grid(1).rowCount(), 2);
    EXPECT_EQ(grid(1).cell(1, 1), "N.9");
    EXPECT_EQ(grid(1).cell(1, 3), "N.3");  // hidden, not erased
    EXPECT_EQ(grid(4).rowCount(), 3);
    EXPECT_EQ(layers().field(1, 3), "E");
    EXPECT_EQ(layers().field(4, 3), "");  // the layer table starts empty with every import
    EXPECT_EQ(layers().field(4, 8), "");
    EXPECT_EQ(grid(5).rowCount(), 2);  // no line records: the table stays as it was
    EXPECT_EQ(grid(5).cell(9, 1), "1");
    EXPECT_EQ(flags().FlagHat, "0");
    grid(1).setRowCount(4);
    EXPECT_EQ(grid(1).cell(1, 3), "N.3");
}

TEST_F(ImportTest, ParcelCornersGoIntoTheColumnOfTheirParcel) {
    import(CrLf({"par 101 5 250.40 3", "101 5 1 512345.67 4512345.67 0.00", "nok 1 2 3 4 1",
                 "101   5 2 512350.00 4512349.00 0.00", "101 5 3 512348.00 4512340.00 0.00",
                 "101 5", " 101 5 4 x y z"}));
    EXPECT_EQ(row(8, 1), (Row{"1", "101", "5", "250.40", "3", "3"}));
    const Table& corners = grid(11);
    EXPECT_EQ(corners.colCount(), 2);
    EXPECT_EQ(corners.rowCount(), 5);  // never lowered from its start
    EXPECT_EQ(corners.cell(1, 0), "101/5");
    EXPECT_EQ(corners.cell(0, 3), "3");
    EXPECT_EQ(corners.cell(1, 1), "1 512345.67 4512345.67 0.00");
    EXPECT_EQ(corners.cell(1, 2), "2 512350.00 4512349.00 0.00");
    EXPECT_EQ(corners.cell(1, 3), "3 512348.00 4512340.00 0.00");
    EXPECT_EQ(corners.cell(1, 4), "");
    EXPECT_EQ(layers().field(3, 8), "1");
}

TEST_F(ImportTest, CornersBeforeTheFirstParcelGoToTheLastInitialRow) {
    Msgs messages =
        import(CrLf({"", "oneword", "par", "x y", "par 1 2 3 1", "par 4 5 6 1", "par 7 8 9 1"}));
    EXPECT_EQ(messages, (Msgs{"parsel", kOpened}));
    const Table& corners = grid(11);
    // The two lines before any parcel are corners of row 4, the last initial row.
    EXPECT_EQ(corners.cell(4, 0), "/");
    EXPECT_EQ(corners.cell(4, 1), "");
    EXPECT_EQ(corners.cell(4, 2), "oneword");
    // "par" alone is a corner of its own empty parcel, with the corner text par.
    EXPECT_EQ(corners.cell(1, 0), "/");
    EXPECT_EQ(corners.cell(1, 1), "par");
    EXPECT_EQ(grid(8).cell(5, 1), "1");
    // The fourth parcel lies in row 4: its own count, not the one left by the early corners.
    EXPECT_EQ(grid(8).cell(5, 4), "");
    // The column count follows the parcel table at each corner: it shrank at "par".
    EXPECT_EQ(corners.colCount(), 2);
    EXPECT_EQ(grid(8).cell(5, 2), "");  // a parcel without corners leaves its count unwritten
}

TEST_F(ImportTest, ACornerLineWithAKindCodeIsAlsoARecordOfThatKind) {
    Msgs messages = import(CrLf({"par hat7 5 10 1", "hat7 5 a b c"}));
    EXPECT_EQ(messages, (Msgs{"hat", kOpened}));
    EXPECT_EQ(grid(11).cell(1, 1), "a b c");
    EXPECT_EQ(grid(5).cell(1, 1), "7");
}

TEST_F(ImportTest, LabelFileRowsOverlapTextAndLayerByOneCharacter) {
    std::string yaz = CrLf({"4512350.00 512340.00 100 2.5 ADA 105   5", "1 2 3 4 ab   ",
                            "1 2 3 4 YAZI  7", "1 2 3 4 never read   1"});
    std::string yfn = CrLf({"Arial 1 2 3 4 5 6 0 1 text with  blanks", "too few parts"});
    import("", yaz, yfn);
    EXPECT_EQ(row(6, 1), (Row{"1", "Ovalt", "4512350.00", "512340.00", "2.5", "2.5", "100", "5",
                              "0", "0", "ADA 105"}));
    // With only two blanks the text's last letter joins the layer number: the row is added
    // and the rest of the label file is not read.
    EXPECT_EQ(row(6, 2), (Row{"2", "Ovalt", "1", "2", "4", "4", "3", "I  7", "0", "0", "YAZI"}));
    EXPECT_EQ(row(6, 3),
              (Row{"3", "Arial", "1", "2", "3", "4", "5", "6", "0", "1", "text with  blanks"}));
    EXPECT_EQ(grid(6).rowCount(), 4);
    EXPECT_EQ(layers().field(5, 8), "1");
    EXPECT_EQ(layers().field(6, 8), "1");
    EXPECT_EQ(flags().FlagYazi, "1");
}

TEST_F(ImportTest, LabelLinesWithoutRowsLeaveTheFlagAndTheTable) {
    Import(session, "", dir.write("first.yaz", CrLf({"1 2 3 4 old   1"})));
    EXPECT_EQ(flags().FlagYazi, "1");
    import("", CrLf({"1 2 3 4 ab", "", "x"}), CrLf({"too few parts"}));
    EXPECT_EQ(flags().FlagYazi, "0");
    EXPECT_EQ(grid(6).cell(10, 1), "old");
    Import(session, "", dir.write("empty.yaz", ""));
    EXPECT_EQ(flags().FlagYazi, "0");
}

TEST_F(ImportTest, TheNextDrawingsPlotFileHoldsNothingOfTheSample) {
    testing::ScriptedUi ui;
    ui.answerOpen(PLOTAKTAR_SAMPLES_DIR "/pafta12.gplt", PLOTAKTAR_SAMPLES_DIR "/pafta12.yaz");
    RunOpenCommand(session, ui);
    ASSERT_EQ(flags().FlagParsel, "1");
    ASSERT_EQ(flags().FlagYazi, "1");

    // One layer; a point on a layer it does not declare; a label file whose lines give no row.
    import(CrLf({"tab 1 1 SINIR 7 0 1 0.25", "nok 5 10.0 20.0 1.0 1", "nok 6 11.0 21.0 1.0 3"}),
           CrLf({"1 2 3 4 ab", ""}));
    EXPECT_EQ(PlotFileBytes(session.workspace),
              "TA SINIR -257 1 DUZ 1 0\r\nTA  -257 1 DUZ 1 0\r\n"
              "PN  && 20.0 10.0 SINIR 1.0 0 5\r\nPN  && 21.0 11.0  1.0 0 6\r\n");

    // A parcel without corner lines in the sample's first parcel row stops the export.
    import(CrLf({"tab 1 1 SINIR 7 0 1 0.25", "par 102 7 180.00 1"}));
    EXPECT_EQ(row(8, 1), (Row{"1", "102", "7", "180.00", "1", ""}));
    try {
        PlotFileBytes(session.workspace);
        ADD_FAILURE() << "the export went through";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.message(), "'' is not a valid integer value");
    }
}

TEST_F(ImportTest, WarningsComeApartFromTheBoxesBeforeTheClosingMessage) {
    using W8 = ImportWarning;
    auto warnings = [&](const std::string& geometry, const std::string& labels) {
        testing::ScriptedUi ui;
        ui.answerOpen(dir.write("w.gplt", geometry), dir.write("w.yaz", labels));
        RunOpenCommand(session, ui);
        EXPECT_EQ(ui.messages, Msgs{kOpened});
        std::vector<std::pair<std::string, W8>> seen;
        for (const FileWarning& w : ui.warnings) {
            seen.emplace_back(w.fileName.substr(w.fileName.find_last_of("/\\") + 1), w.warning);
        }
        return seen;
    };
    using Seen = std::vector<std::pair<std::string, W8>>;
    // An HP-GL file is text without a record; a geometry file without a record but with
    // corner lines is one too.
    EXPECT_EQ(warnings(CrLf({"IN;SP1;PU0,0;PD100,100;"}), ""), (Seen{{"w.gplt", W8::NoRecords}}));
    // A NUL byte anywhere, even behind a record, makes it no text: one warning for the file.
    EXPECT_EQ(warnings("nok 1 2 3 4 1\n" + std::string(1, '\0'), "1 2 3 4 ab   1\n"),
              (Seen{{"w.gplt", W8::NotText}, {"w.yaz", W8::NoCarriageReturns}}));
    // More than a tenth of the first 4 KiB below 32 (tab, CR, LF and Ctrl-Z not counted).
    std::string start = CrLf({"nok 1 2 3 4 1"});
    auto withControls = [&](size_t n) {
        std::string bytes = start + std::string(n, '\x01') + std::string(800, '\t');
        return bytes + std::string(4096 - bytes.size(), 'x') + std::string(4096, '\x02');
    };
    EXPECT_EQ(warnings(withControls(409), ""), Seen{});
    EXPECT_EQ(warnings(withControls(410), ""), (Seen{{"w.gplt", W8::NotText}}));
    EXPECT_EQ(grid(3).cell(1, 1), "1");  // read as usual all the same
}

TEST_F(ImportTest, DialogsRememberTheirNamesAcrossRuns) {
    std::string g = dir.write("a.gplt", CrLf({"nir 1 2 3 4 1"}));
    std::string l = dir.write("a.yaz", CrLf({"1 2 3 4 A   1"}));
    dir.write("a.yfn", CrLf({"f 1 2 3 4 5 1 0 0 B"}));
    EXPECT_EQ(Import(session, g, l), Msgs{kOpened});
    EXPECT_EQ(grid(6).rowCount(), 3);

    // Cancelling both dialogs re-reads the remembered geometry and label files, but the
    // companion's name is ".yfn" in the current directory, which does not exist here.
    EXPECT_EQ(Import(session, std::nullopt, std::nullopt), Msgs{kOpened});
    EXPECT_EQ(flags().FlagNirengi, "1");
    EXPECT_EQ(grid(6).rowCount(), 2);
    EXPECT_EQ(session.geometryDialog.fileName, g);
}

TEST_F(ImportTest, AnUnopenableGeometryFileStopsEveryOpening) {
    std::string l = dir.write("a.yaz", CrLf({"1 2 3 4 A   1"}));
    for (std::string bad : {dir.file("missing.gplt"), dir.path().string()}) {
        Session fresh;
        testing::ScriptedUi ui;
        ui.answerOpen(bad, l);
        RunOpenCommand(fresh, ui);
        EXPECT_EQ(ui.messages, Msgs{kOpened});
        EXPECT_EQ(fresh.workspace.flags.FlagYazi, "0");
        EXPECT_EQ(fresh.workspace.flags.FlagNirengi, "0");
        EXPECT_EQ(fresh.workspace.grid(6).rowCount(), 5);
    }
}

TEST_F(ImportTest, FiltersAreTheProgramsOwn) {
    testing::ScriptedUi ui;
    ui.answerOpen(std::nullopt, std::nullopt);
    RunOpenCommand(session, ui);
    ASSERT_EQ(ui.filters.size(), 2u);
    EXPECT_EQ(ui.filters[0], W("Geçici plt Dosyaları (*.gplt) | *.gplt|Bütün dosyalar (*.*)|*.*"));
    EXPECT_EQ(ui.filters[1], W("yazı Dosyaları (*.yaz) | *.yaz|Bütün dosyalar (*.*)|*.*"));
    for (const auto& [name, text] : flags().named()) {
        EXPECT_EQ(*text, "0") << name;
    }
}

TEST(CompanionFileName, CutsFourCharacters) {
    EXPECT_EQ(CompanionFileName("/d/pafta.yaz"), "/d/pafta.yfn");
    EXPECT_EQ(CompanionFileName("/d/pafta.gplt"), "/d/pafta..yfn");
    EXPECT_EQ(CompanionFileName("a.ya"), ".yfn");
    EXPECT_EQ(CompanionFileName(""), ".yfn");
    EXPECT_EQ(CompanionFileName("/d/x.yaş"), "/d/x.yfn");  // characters, not bytes
}

TEST_F(ImportTest, FailingRecordsReportTheirLineNumbers) {
    testing::ScriptedUi ui;
    ui.answerOpen(dir.write("f.gplt", CrLf({"nir 1 2 3 4 1", "sem", "", "sev x"})), "");
    RunOpenCommand(session, ui);
    using Failure = std::pair<std::string, uint64_t>;
    EXPECT_EQ(ui.failures, (std::vector<Failure>{{"sembol", 2}, {W("şev"), 4}}));
}

// Every table cell by cell, LayerTable, the flags, and the plot file or the error refusing it.
void ExpectSameWorkspace(const Workspace& one, const Workspace& other) {
    for (int g = 1; g <= kTableCount; ++g) {
        const Table& a = one.grid(g);
        const Table& b = other.grid(g);
        ASSERT_EQ(a.rowCount(), b.rowCount()) << "StringGrid" << g;
        ASSERT_EQ(a.colCount(), b.colCount()) << "StringGrid" << g;
        // Cells beyond the counts too: a later import that raises a count shows them again.
        for (int c = 0; c < a.colCount() + 2; ++c) {
            const int rows = std::max({a.rowCount(), a.storedRows(c), b.storedRows(c)});
            for (int r = 0; r < rows; ++r) {
                ASSERT_EQ(a.cell(c, r), b.cell(c, r)) << "StringGrid" << g << " " << c << "," << r;
            }
        }
    }
    for (int row = 1; row <= kLayerRows; ++row) {
        for (int field = 1; field <= kLayerFields; ++field) {
            EXPECT_EQ(one.layerTable.field(row, field), other.layerTable.field(row, field));
        }
    }
    const auto oneFlags = one.flags.named();
    const auto otherFlags = other.flags.named();
    for (size_t i = 0; i < oneFlags.size(); ++i) {
        EXPECT_EQ(*oneFlags[i].second, *otherFlags[i].second) << oneFlags[i].first;
    }
    auto plotFile = [](const Workspace& workspace) {
        try {
            return PlotFileBytes(workspace);
        } catch (const Error& e) {
            return std::string(e.what());
        }
    };
    EXPECT_EQ(plotFile(one), plotFile(other));
}

// The fuzz target imports from memory: the same bytes held in memory under the same paths must
// give the same workspace as the files on disk, over two imports into one session (the second
// lets go of the first one's buffers).
TEST(MemoryFiles, ImportLikeTheFilesOnDisk) {
    TempDir dir;
    const std::string sample = std::string(PLOTAKTAR_SAMPLES_DIR) + "/pafta12";
    const std::vector<std::string> paths = {
        sample + ".gplt", sample + ".yaz", sample + ".yfn",
        dir.write("b.gplt", CrLf({"nok 1 2 3 4 5 6", "nir", "sem 12 3"})),
        dir.write("b.yaz", CrLf({"4512350.00 512340.00 100 2.5 ADA 105   5"}))};
    auto importTwice = [&](Session& session) {
        ScriptedUi ui;
        ui.answerOpen(paths[0], paths[1]);
        RunOpenCommand(session, ui);
        ui.answerOpen(paths[3], paths[4]);
        RunOpenCommand(session, ui);
        return ui.messages;
    };
    Session onDisk;
    const Msgs diskMessages = importTwice(onDisk);

    Session inMemory;
    Msgs memoryMessages;
    {
        platform::MemoryFiles files;
        for (const std::string& path : paths) {
            files.put(path, testing::ReadFile(path));
        }
        // Only its files exist: the sample's companion on disk is not read.
        EXPECT_EQ(platform::UnreadableCause(sample + ".gplt"), "");
        files.remove(sample + ".yfn");
        EXPECT_EQ(platform::UnreadableCause(sample + ".yfn"), "No such file or directory");
        EXPECT_FALSE(platform::ReadRegularFile(sample + ".yfn"));
        files.put(sample + ".yfn", testing::ReadFile(sample + ".yfn"));
        memoryMessages = importTwice(inMemory);
    }
    EXPECT_EQ(memoryMessages, diskMessages);
    EXPECT_GT(diskMessages.size(), 2u);
    ExpectSameWorkspace(onDisk.workspace, inMemory.workspace);
}

// Big label files are read on a second thread beside the geometry file: the workspace, the
// failures and the warnings (in their order) are those of the import on one thread, the layers
// the labels name marked used after the geometry's layer records, and a label line whose layer
// does not convert still ends its file.
TEST(LabelsBesideTheGeometry, ImportAsOnOneThread) {
    TempDir dir;
    const std::string sample = std::string(PLOTAKTAR_SAMPLES_DIR) + "/pafta12";
    const std::string geometry = dir.write(
        "g.gplt", testing::ReadFile(sample + ".gplt") + CrLf({"sem", "tab 12 1 SON 1 0 1 0.1"}));
    std::string labels;
    for (int i = 0; i < 30000; ++i) {
        labels += "4512350.00 512340.00 100 2.5 ADA " + std::to_string(i) + "   " +
                  std::to_string(i % 12 + 1) + "\r\n";
    }
    labels += CrLf({"4512350.00 512340.00 100 2.5 SON   x", "4512350.00 512340.00 100 2.5 X  7"});
    const std::string yaz = dir.write("g.yaz", labels);
    dir.write("g.yfn", std::string("1 2 3 4 5 6 7 8 9 metin\0\r\n", 26));  // NUL: a warning
    auto import = [&](bool secondThread, Session& session) {
        ScriptedUi ui;
        ui.answerOpen(geometry, yaz);
        AllowSecondThread(secondThread);
        RunOpenCommand(session, ui);
        AllowSecondThread(true);
        return std::make_tuple(ui.failures, ui.warnings, ui.messages);
    };
    Session one, two;
    const auto oneThread = import(false, one);
    EXPECT_EQ(import(true, two), oneThread);
    EXPECT_EQ(std::get<0>(oneThread).size(), 1u);
    EXPECT_EQ(std::get<1>(oneThread).size(), 1u);
    ExpectSameWorkspace(one.workspace, two.workspace);
    EXPECT_EQ(two.workspace.layerTable.field(12, kLayerUsedField), "1");
    // 30,000 labels, the one whose layer does not convert, the companion's.
    EXPECT_EQ(two.workspace.table(KindOf(Kind::Yazi).table).rowCount(), 30003);
}

// A window paints its pages, the label pages among them, while a failure box is up and between
// progress steps: when it is told something, the label files read beside the geometry are
// whole, so that nothing paints a table the second thread still writes.
TEST(LabelsBesideTheGeometry, AWindowIsToldNothingWhileTheyAreRead) {
    class PaintingUi : public ScriptedUi {
      public:
        explicit PaintingUi(const Table& labels) : labels_(labels) {}
        bool paintsTablesWhenTold() const override { return true; }
        void recordFailed(std::string_view word, uint64_t lineNumber) override {
            seenRows.push_back(labels_.rowCount());
            ScriptedUi::recordFailed(word, lineNumber);
        }
        void importProgress(std::string_view, uint64_t, uint64_t) override {
            seenRows.push_back(labels_.rowCount());
        }
        std::vector<int> seenRows;

      private:
        const Table& labels_;
    };
    TempDir dir;
    std::string geometry = CrLf({"bin 1 2 3 4 5 999"});  // fails at once
    for (int i = 0; i < 20000; ++i) {
        geometry += "nok " + std::to_string(i) + " 4512001 512002 3.5 1\r\n";
    }
    geometry += CrLf({"sev x"});
    std::string labels;
    for (int i = 0; i < 30000; ++i) {
        labels += "4512350.00 512340.00 100 2.5 ADA " + std::to_string(i) + "   1\r\n";
    }
    ASSERT_GT(labels.size(), size_t{1} << 20);
    Session session;
    PaintingUi ui(session.workspace.table(KindOf(Kind::Yazi).table));
    ui.answerOpen(dir.write("w.gplt", geometry), dir.write("w.yaz", labels));
    RunOpenCommand(session, ui);
    ASSERT_EQ(ui.failures.size(), 2u);
    ASSERT_FALSE(ui.seenRows.empty());
    for (int rows : ui.seenRows) {
        EXPECT_EQ(rows, 30001);
    }
}

// A big geometry file is read in two halves on two threads, the second from a parcel record on:
// the tables (cells beyond the counts included, after an earlier import that filled more), the
// failures with their line numbers, the warnings and the plot file are those of the import on
// one thread. Also when a layer record in the second half keeps the file on one thread, and
// when a Ctrl-Z ends the file before its bytes do.
TEST(GeometryInTwoHalves, ImportsAsOnOneThread) {
    TempDir dir;
    auto drawing = [](int parcels, bool lateLayer) {
        std::string g;
        for (int i = 1; i <= 12; ++i) {
            g += "tab " + std::to_string(i) + " 1 KAT" + std::to_string(i) + " 7 0 1 0.1\r\n";
        }
        for (int p = 0; p < parcels; ++p) {
            const std::string block = std::to_string(100 + p % 7);
            const std::string layer = std::to_string(p % 12 + 1);
            g += "nir " + std::to_string(p) + " 4512345.67 512345.67 1 " + layer + "\r\n";
            g += "pol P" + std::to_string(p) + " 4512000.10 512000.20 2 " + layer + "\r\n";
            g += "nok " + std::to_string(p) + "  4512001   512002  3.5  " + layer + "\r\n";
            g += "hat 1 4512000 512000 4 2 4512010 512010 5 " + layer + "\r\n";
            g += "sem 1 2 3 4 5 " + layer + "\n\r";  // a lone LF starts the next line
            g += "par " + block + " " + std::to_string(p) + " 1234.5 " + layer + "\r\n";
            for (int k = 0; k < p % 5; ++k) {
                g += block + " " + std::to_string(p) + " " + std::to_string(k) +
                     " 4512000.00 512000.00 0.0\r";
            }
            if (p % 997 == 3) {
                g += "bin 1 2 3 4 5 999\r\nsev x\r\n\r\n";  // two failing records
            }
            if (lateLayer && p == parcels * 3 / 4) {
                g += "tab 13 1 GEC 1 0 1 0.1\r\n";
            }
        }
        return g;
    };
    const std::string labels = dir.write("d.yaz", CrLf({"4512350.00 512340.00 100 2.5 ADA  3"}));
    auto import = [&](bool secondThread, Session& session, const std::string& geometry) {
        testing::ScriptedUi ui;
        ui.answerOpen(dir.write("d.gplt", geometry), labels);
        AllowSecondThread(secondThread);
        RunOpenCommand(session, ui);
        AllowSecondThread(true);
        return std::make_tuple(ui.failures, ui.warnings, ui.messages);
    };
    const std::string earlier = drawing(14000, false);
    for (const std::string& geometry :
         {drawing(12000, false), drawing(12000, true),
          drawing(12000, false) + "\x1A" + "par 1 2 3 4 1\r\nnok 1 2 3 4 1\r\n"}) {
        ASSERT_GT(geometry.size(), size_t{1} << 20);
        Session one, two;
        import(false, one, earlier);
        import(true, two, earlier);
        const auto oneThread = import(false, one, geometry);
        EXPECT_EQ(import(true, two, geometry), oneThread);
        EXPECT_EQ(std::get<0>(oneThread).size(), 2u * 13u);
        ExpectSameWorkspace(one.workspace, two.workspace);
    }
}

}  // namespace
}  // namespace plotaktar

namespace plotaktar::testing {
namespace {

// A raw number in a line or symbol record names the detail point of that number first, then
// the triangulation point "N." and the traverse point "P." followed by it.
class PointNames : public ImportFixture {};

TEST_F(PointNames, RawNumbersResolveDetailFirstThenTriangulationThenTraverse) {
    import(
        "nir 12 4512345.67 512345.67 1 1\r\n"
        "pol 12 4512000 512000 1 1\r\n"
        "pol 1001 4512401.12 512289.40 1 1\r\n"
        "nok 2501 4512360.12 512301.45 1 1\r\n"
        "nok 1001 4512000 512000 1 1\r\n");
    const PointIndex points(session.workspace);
    const auto at = [&](std::string_view raw) {
        const std::optional<PointRef> ref = points.findRaw(raw);
        return ref ? std::make_pair(ref->kind, ref->row) : std::make_pair(Kind::Sev, 0);
    };
    EXPECT_EQ(at("1001"), std::make_pair(Kind::Nokta, 2));  // the detail point wins
    EXPECT_EQ(at(" 12 "), std::make_pair(Kind::Nirengi, 1));
    EXPECT_EQ(at("2501"), std::make_pair(Kind::Nokta, 1));
    EXPECT_EQ(at("7"), std::make_pair(Kind::Sev, 0));
    EXPECT_EQ(at(""), std::make_pair(Kind::Sev, 0));
    ASSERT_TRUE(points.findStored("P.1001"));
    EXPECT_EQ(points.findStored("P.1001")->kind, Kind::Poligon);
    EXPECT_FALSE(points.findStored("1001.0"));
}

// Among tens of thousands of numbers (slots sharing their hash bits by the hundred) each is found
// at its first row, a number stored twice keeps its first row, and no other number is found.
TEST_F(PointNames, EveryNumberOfABigTableIsFoundAtItsFirstRow) {
    std::string geometry;
    constexpr int kPoints = 60000;
    for (int i = 1; i <= kPoints; ++i) {
        geometry += "nok " + std::to_string(i * 7) + " 4512000 512000 1 1\r\n";
    }
    // The first hundred numbers again, at rows after all the others.
    for (int i = 1; i <= 100; ++i) {
        geometry += "nok " + std::to_string(i * 7) + " 4513000 513000 1 1\r\n";
    }
    import(geometry);
    const PointIndex points(session.workspace);
    for (int i = 1; i <= kPoints; ++i) {
        const std::optional<PointRef> found = points.findRaw(std::to_string(i * 7));
        ASSERT_TRUE(found) << i * 7;
        ASSERT_EQ(found->row, i) << i * 7;
        ASSERT_FALSE(points.findRaw(std::to_string(i * 7 + 3))) << i * 7 + 3;
    }
}

TEST(LineTypesAndCrsNames, CellsAndNamesReadAsStated) {
    EXPECT_EQ(LineTypeOfCell("0"), LineType::Continuous);
    EXPECT_EQ(LineTypeOfCell(" 1"), LineType::Dashed);
    EXPECT_EQ(LineTypeOfCell("2"), LineType::Dotted);
    EXPECT_EQ(LineTypeOfCell("3"), LineType::DashDot);
    EXPECT_EQ(LineTypeOfCell("4"), LineType::Continuous);
    EXPECT_EQ(LineTypeOfCell("x"), LineType::Continuous);
    EXPECT_EQ(EpsgOfCrsText("TM30"), 5254);
    EXPECT_EQ(EpsgOfCrsText("tm45"), 5259);
    EXPECT_EQ(EpsgOfCrsText("ED50-TM27"), 2319);
    EXPECT_EQ(EpsgOfCrsText("ED50-UTM38"), 23038);
    EXPECT_EQ(EpsgOfCrsText("epsg:4326"), 4326);
    EXPECT_EQ(EpsgOfCrsText("EPSG:"), std::nullopt);
    EXPECT_EQ(EpsgOfCrsText("EPSG:-5"), std::nullopt);
    EXPECT_EQ(EpsgOfCrsText("TM31"), std::nullopt);
    EXPECT_EQ(CrsShortName(5254), "TM30");
}

}  // namespace
}  // namespace plotaktar::testing
