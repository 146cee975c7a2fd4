// What the import tells the user about its files, apart from the message boxes: a geometry or
// label file that cannot be opened, the companion found as Windows finds it, a file saved as
// UTF-8. Each row lays out a drawing beside an earlier one already imported, and gives what the
// user is told and what the tables and flags then hold (the import's effect as described: a
// file that cannot be opened ends the opening, and what is not read keeps its old rows).
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "import/import_command.h"
#include "import/utf8_text.h"
#include "platform/error.h"
#include "test_support.h"

namespace plotaktar {
namespace {

using testing::CrLf;
using testing::TempDir;
using testing::W;

// A warning in a line a test can compare: the file's name, what is wrong, and the cause or the
// names of the several files.
std::string Describe(const FileWarning& w) {
    auto name = [](const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); };
    static const char* const kinds[] = {
        "no CR",           "not text", "no records",        "geometry unopened",
        "labels unopened", "UTF-8",    "several companions"};
    static const char* const causes[] = {"no such file", "access denied", "folder", "unreadable"};
    std::string text = name(w.fileName) + ": " + kinds[static_cast<int>(w.warning)];
    if (w.warning == ImportWarning::GeometryCannotBeOpened ||
        w.warning == ImportWarning::LabelsCannotBeOpened) {
        text += std::string(" (") + causes[static_cast<int>(w.openFailure.kind)] + ")";
    }
    for (const std::string& match : w.matches) {
        text += " " + name(match);
    }
    return text;
}

struct Imported {
    std::vector<std::string> warnings;
    std::vector<std::string> messages;
    std::string nirengi, yazi;        // the two flags
    std::vector<std::string> labels;  // column 10 of the text table's rows
};

// Imports an earlier drawing (one point, labels ESKI1 and ESKI2), then `geometry` and `labels`
// of `dir`, both confirmed in their dialogs ("": the empty name).
Imported ImportAfterAnother(const TempDir& dir, const std::string& geometry,
                            const std::string& labels) {
    TempDir earlier;
    Session session;
    testing::Import(session, earlier.write("e.gplt", CrLf({"nir 1 10 20 30 1"})),
                    earlier.write("e.yaz", CrLf({"1 2 3 4 ESKI1   1", "1 2 3 4 ESKI2   1"})));
    testing::ScriptedUi ui;
    auto inDir = [&](const std::string& name) { return name.empty() ? "" : dir.file(name); };
    ui.answerOpen(inDir(geometry), inDir(labels));
    RunOpenCommand(session, ui);
    Imported got;
    for (const FileWarning& w : ui.warnings) {
        got.warnings.push_back(Describe(w));
    }
    got.messages = ui.messages;
    got.nirengi = session.workspace.flags.FlagNirengi;
    got.yazi = session.workspace.flags.FlagYazi;
    const Table& text = session.workspace.grid(6);
    for (int row = 1; row < text.rowCount(); ++row) {
        got.labels.emplace_back(text.cell(10, row));
    }
    return got;
}

const std::string kGeometry = CrLf({"nir 12 4512345.67 512345.67 123.45 3"});
const std::string kLabels = CrLf({"1 2 3 4 YENI   3"});
const std::string kCompanion = CrLf({"Ovalt 1 2 3 3 0 3 0 0 EK"});

using Names = std::vector<std::string>;
const Names kEarlierLabels = {"ESKI1", "ESKI2"};

struct Case {
    const char* what;
    std::function<void(const TempDir&)> layOut;
    std::string geometry, labels;
    Names warnings;
    const char* nirengi;
    Names labelCells;
};

TEST(ImportWarnings, FilesThatCannotBeOpenedAndCompanionsFoundIgnoringCase) {
    auto drawing = [](const char* g, const char* l, std::vector<const char*> companions = {}) {
        return [=](const TempDir& dir) {
            dir.write(g, kGeometry);
            dir.write(l, kLabels);
            for (const char* c : companions) {
                dir.write(c, kCompanion);
            }
        };
    };
    auto folder = [](const char* name) {
        return [=](const TempDir& dir) {
            dir.write("p.gplt", kGeometry);
            dir.write("p.yaz", kLabels);
            std::filesystem::create_directory(testing::PathFromUtf8(dir.file(name)));
        };
    };
    const Case cases[] = {
        // The geometry file stops the opening: only it is named, the labels are not tried, no
        // table changes and every flag is "0".
        {"a missing geometry file",
         drawing("p.gplt", "p.yaz"),
         "none.gplt",
         "none.yaz",
         {"none.gplt: geometry unopened (no such file)"},
         "0",
         kEarlierLabels},
        {"a geometry file that is a folder",
         folder("d.gplt"),
         "d.gplt",
         "p.yaz",
         {"d.gplt: geometry unopened (folder)"},
         "0",
         kEarlierLabels},
        {"a geometry path through a file",
         drawing("p.gplt", "p.yaz"),
         "p.gplt/x.gplt",
         "p.yaz",
         {"x.gplt: geometry unopened (no such file)"},
         "0",
         kEarlierLabels},
        // The label file: the geometry is read, the text table keeps the earlier drawing's
        // labels with its flag "0".
        {"a missing label file",
         drawing("p.gplt", "p.yaz"),
         "p.gplt",
         "none.yaz",
         {"none.yaz: labels unopened (no such file)"},
         "1",
         kEarlierLabels},
        {"a label file that is a folder",
         folder("d.yaz"),
         "p.gplt",
         "d.yaz",
         {"d.yaz: labels unopened (folder)"},
         "1",
         kEarlierLabels},
        // Empty names open as empty files; the companion is never named.
        {"an empty geometry name",
         drawing("p.gplt", "p.yaz"),
         "",
         "none.yaz",
         {"none.yaz: labels unopened (no such file)"},
         "0",
         kEarlierLabels},
        {"an empty label name", drawing("p.gplt", "p.yaz"), "p.gplt", "", {}, "1", kEarlierLabels},
        {"no companion", drawing("p.gplt", "p.yaz"), "p.gplt", "p.yaz", {}, "1", {"YENI"}},
        // The companion as Windows finds it: the derived name first, else the one entry equal
        // to it ignoring ASCII case; several: none, and they are named.
        {"an uppercase companion beside an uppercase label file",
         drawing("P.GPLT", "P.YAZ", {"P.YFN"}),
         "P.GPLT",
         "P.YAZ",
         {},
         "1",
         {"YENI", "EK"}},
        {"the derived name before its other spellings",
         drawing("p.gplt", "p.yaz", {"p.yfn"}),
         "p.gplt",
         "p.yaz",
         {},
         "1",
         {"YENI", "EK"}},
#ifndef _WIN32
        {"several spellings of the companion",
         drawing("p.gplt", "p.yaz", {"P.yfn", "p.YFN"}),
         "p.gplt",
         "p.yaz",
         {"p.yfn: several companions P.yfn p.YFN"},
         "1",
         {"YENI"}},
        {"only ASCII letters are folded",
         drawing("i.gplt", "ı.yaz", {"I.yfn"}),
         "i.gplt",
         "ı.yaz",
         {},
         "1",
         {"YENI"}},
#endif
        // Saved as UTF-8: said once per file, beside the other warnings of the same file.
        {"a label file saved as UTF-8",
         [](const TempDir& dir) {
             dir.write("p.gplt", kGeometry);
             dir.write("p.yaz", CrLf({"1 2 3 4 Şişli   3"}));
         },
         "p.gplt",
         "p.yaz",
         {"p.yaz: UTF-8"},
         "1",
         {"Şişli"}},
        {"UTF-8 with line feeds alone",
         [](const TempDir& dir) {
             dir.write("p.gplt", "nir Ş12 1 2 3 3\n");
             dir.write("p.yaz", kLabels);
             dir.write("p.yfn", "\xEF\xBB\xBFOvalt 1 2 3 3 0 3 0 0 EK\r\n");  // a BOM
         },
         "p.gplt",
         "p.yaz",
         {"p.gplt: no CR", "p.gplt: UTF-8", "p.yfn: UTF-8"},
         "1",
         {"YENI", "EK"}},
        {"windows-1254 letters",
         [](const TempDir& dir) {
             dir.write("p.gplt", kGeometry + W("tab 3 1 SINIR_ÇİZGİSİ 7 0 1 0.25\r\n"));
             dir.write("p.yaz", CrLf({W("1 2 3 4 ŞİŞLİ ağaç   3")}));
         },
         "p.gplt",
         "p.yaz",
         {},
         "1",
         {W("ŞİŞLİ ağaç")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.layOut(dir);
        const Imported got = ImportAfterAnother(dir, c.geometry, c.labels);
        EXPECT_EQ(got.warnings, c.warnings);
        EXPECT_EQ(got.messages, std::vector<std::string>{W("dosya açıldı")});
        EXPECT_EQ(got.nirengi, c.nirengi);
        EXPECT_EQ(got.yazi, c.labelCells == kEarlierLabels ? "0" : "1");
        EXPECT_EQ(got.labels, c.labelCells);
    }
}

#ifndef _WIN32
// Root opens every file: the test drops to the user nobody in a child, or runs as it is when
// it is unprivileged already.
TEST(ImportWarnings, AFileWithoutReadPermission) {
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    dir.write("p.gplt", kGeometry);
    ASSERT_EQ(chmod(dir.write("p.yaz", kLabels).c_str(), 0), 0);
    ASSERT_EQ(chmod(dir.write("q.gplt", kGeometry).c_str(), 0), 0);
    std::optional<std::string> got = testing::RunInChild(
        [&] {
            std::string seen;
            for (const char* geometry : {"p.gplt", "q.gplt"}) {
                for (const std::string& w : ImportAfterAnother(dir, geometry, "p.yaz").warnings) {
                    seen += w + "\n";
                }
            }
            return seen;
        },
        true);
    if (!got) {
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    }
    EXPECT_EQ(*got,
              "p.yaz: labels unopened (access denied)\n"
              "q.gplt: geometry unopened (access denied)\n");
}
#endif

#ifndef _WIN32
// Another program saving one of the three files while the import reads it (the test hook cuts
// the file to nothing between the reader's two looks at it): the opening is an error naming
// that file, and the tables and flags keep the earlier drawing.
TEST(ImportWarnings, AFileThatChangesWhileItIsReadIsAnErrorAndChangesNothing) {
    for (const char* changed : {"p.gplt", "p.yaz", "p.yfn"}) {
        TempDir dir;
        dir.write("p.gplt", kGeometry);
        dir.write("p.yaz", kLabels);
        dir.write("p.yfn", kCompanion);
        const std::string hook = "input-opened truncate " + dir.file(changed);
        ASSERT_EQ(setenv("PLOTAKTAR_TEST_HOOK", hook.c_str(), 1), 0);
        std::optional<std::string> error;
        try {
            ImportAfterAnother(dir, "p.gplt", "p.yaz");
        } catch (const InputReadError& e) {
            error = e.message();
        }
        unsetenv("PLOTAKTAR_TEST_HOOK");
        EXPECT_EQ(error, dir.file(changed) + ": changed while it was read") << changed;
    }
    // The earlier drawing as the failed opening left it.
    TempDir dir;
    dir.write("p.gplt", kGeometry);
    ASSERT_EQ(
        setenv("PLOTAKTAR_TEST_HOOK", ("input-opened truncate " + dir.file("p.gplt")).c_str(), 1),
        0);
    TempDir earlier;
    Session session;
    testing::Import(session, earlier.write("e.gplt", CrLf({"nir 1 10 20 30 1"})),
                    earlier.write("e.yaz", CrLf({"1 2 3 4 ESKI1   1"})));
    testing::ScriptedUi ui;
    ui.answerOpen(dir.file("p.gplt"), "");
    EXPECT_THROW(RunOpenCommand(session, ui), InputReadError);
    unsetenv("PLOTAKTAR_TEST_HOOK");
    EXPECT_EQ(session.workspace.flags.FlagNirengi, "1");
    EXPECT_EQ(session.workspace.flags.FlagYazi, "1");
    EXPECT_EQ(session.workspace.grid(6).cell(10, 1), "ESKI1");
    EXPECT_TRUE(ui.messages.empty());
}
#endif

// The first 64 KiB from the first byte beyond ASCII must be valid UTF-8; what lies beyond them,
// and an ASCII start of any length, do not count.
TEST(LooksLikeUtf8, JudgesTheBytesFromTheFirstLetterBeyondAscii) {
    const std::string ascii(1 << 20, 'a');
    const std::string sehir =
        "\xC5\x9F"
        "ehir";  // şehir
    const std::string longUtf8 = [&] {
        std::string s;
        while (s.size() < (64u << 10) - 1) {
            s += sehir;
        }
        return s;
    }();
    const struct {
        const char* what;
        std::string bytes;
        bool utf8;
    } cases[] = {
        {"nothing", "", false},
        {"ASCII alone", "nir 1 2 3 4 1\r\n", false},
        {"windows-1254 letters", W("ŞİŞLİ ağaç ığdır"), false},
        {"one windows-1254 letter at the end", "abc" + W("ş"), false},
        {"UTF-8 letters", "Şişli ağaç", true},
        {"a byte-order mark",
         "\xEF\xBB\xBF"
         "abc",
         true},
        {"a four-byte sequence", "\xF0\x9F\x98\x80", true},
        {"behind a megabyte of ASCII", ascii + sehir, true},
        {"a fault past the first 64 KiB", "x" + longUtf8 + sehir + "\xFE", true},
        {"a fault within them", "x" + longUtf8.substr(0, 1000) + "\xFE" + longUtf8, false},
        {"a sequence across their end", "\xC5\x9F" + std::string((64u << 10) - 3, 'a') + sehir,
         true},
        {"a sequence cut by the file's end", "abc\xC5", false},
        {"an overlong form", "\xC0\xAF", false},
        {"a surrogate", "\xED\xA0\x80", false},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false},
        {"a lone continuation byte",
         "a\x80"
         "b",
         false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LooksLikeUtf8(c.bytes), c.utf8) << c.what;
    }
}

}  // namespace
}  // namespace plotaktar
