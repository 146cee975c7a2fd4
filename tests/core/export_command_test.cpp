// The save command end to end: the dialog, the file on disk, the closing message, and what a
// failure leaves behind.

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "export_fixture.h"
#include "model/errors.h"
#include "plotfile/save_command.h"
#include "test_support.h"

namespace plotaktar {
namespace {

using testing::CrLf;
using testing::FileExists;
using testing::PutLayer;
using testing::PutRow;
using testing::ReadFile;
using testing::ScriptedUi;
using testing::TempDir;
using testing::W;

namespace fs = std::filesystem;

std::set<std::string> Entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

#ifndef _WIN32
mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}
#endif

// Records, when "kayıt bitti" appears, what the target holds and which files lie beside it.
class InspectingUi : public ScriptedUi {
  public:
    explicit InspectingUi(std::string target) : target_(std::move(target)) {}
    void showMessage(std::string_view text) override {
        contentsAtMessage = FileExists(target_) ? ReadFile(target_) : "<missing>";
        entriesAtMessage = Entries(fs::path(target_).parent_path());
        ScriptedUi::showMessage(text);
    }
    std::string contentsAtMessage;
    std::set<std::string> entriesAtMessage;

  private:
    std::string target_;
};

// One save click answered with `path`; returns the error's message, or "" on success.
std::string Save(Session& session, const std::string& path, ScriptedUi& ui) {
    ui.saveAnswers.push_back(path);
    try {
        RunSaveCommand(session, ui);
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

std::string Save(Session& session, const std::string& path) {
    ScriptedUi ui;
    return Save(session, path, ui);
}

class ExportCommandTest : public ::testing::Test {
  protected:
    ExportCommandTest() {
        PutLayer(ws(), 3, "SINIR");
        PutRow(session_.workspace.grid(1), 1, {"N.12", "4512345.67", "512345.67", "123.45", "3"});
        ws().flags.FlagTabaka = "1";
        ws().flags.FlagNirengi = "1";
    }

    Workspace& ws() { return session_.workspace; }

    // Makes the second point's layer cell unconvertible, so the export fails after a line.
    void breakSecondPoint() { PutRow(session_.workspace.grid(1), 2, {"N.13", "1", "2", "3", "x"}); }

    const std::string expected_ =
        CrLf({"TA SINIR -257 1 DUZ 1 0", "PN  && 512345.67 4512345.67 SINIR 123.45 0 N.12"});
    Session session_;
    TempDir dir_;
};

TEST_F(ExportCommandTest, DialogFilterCancelAndDefaultExtension) {
    ScriptedUi ui;
    ui.saveAnswers.push_back(std::nullopt);
    RunSaveCommand(session_, ui);
    ASSERT_EQ(ui.filters.size(), 1u);
    EXPECT_EQ(ui.filters[0], "plt Dosyalar\xFD (*.plt) | *.plt|B\xFCt\xFCn dosyalar (*.*)|*.*");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(Entries(dir_.path()).empty());

    EXPECT_EQ(Save(session_, dir_.file("cikti"), ui), "");
    EXPECT_EQ(ReadFile(dir_.file("cikti.plt")), expected_);
    EXPECT_EQ(ui.messages, std::vector<std::string>{W("kayıt bitti")});

    EXPECT_EQ(WithDefaultExtension("a.b/c"), "a.b/c.plt");
    EXPECT_EQ(WithDefaultExtension("a/c.txt"), "a/c.txt");
    EXPECT_EQ(WithDefaultExtension("c."), "c.");
    EXPECT_EQ(WithDefaultExtension("c"), "c.plt");
}

TEST_F(ExportCommandTest, MessageComesOnlyWhenTheFileIsCompleteAndInPlace) {
    const std::string target = dir_.write("out.plt", "old contents that are longer than the new");
    InspectingUi ui(target);
    EXPECT_EQ(Save(session_, target, ui), "");
    EXPECT_EQ(ui.contentsAtMessage, expected_);
    EXPECT_EQ(ui.entriesAtMessage, std::set<std::string>{"out.plt"});
    EXPECT_EQ(ReadFile(target), expected_);

    // A file of many chunks, and a run with no section at all.
    for (int row = 2; row <= 60000; ++row) {
        PutRow(ws().grid(1), row, {"N.12", "4512345.67", "512345.67", "123.45", "3"});
    }
    EXPECT_EQ(Save(session_, target, ui), "");
    EXPECT_EQ(ui.contentsAtMessage, PlotFileBytes(ws()));
    ws().flags.setAll("");
    EXPECT_EQ(Save(session_, target, ui), "");
    EXPECT_EQ(ui.contentsAtMessage, "");
    EXPECT_EQ(ui.messages.size(), 3u);
}

TEST_F(ExportCommandTest, BadCellLeavesTheTargetAsItWas) {
    breakSecondPoint();
    const std::string existing = dir_.write("old.plt", "old bytes\r\n");
    ScriptedUi ui;
    EXPECT_EQ(Save(session_, existing, ui), "'x' is not a valid integer value");
    EXPECT_EQ(Save(session_, dir_.file("new.plt"), ui), "'x' is not a valid integer value");
    PutRow(ws().grid(1), 2, {"N.13", "1", "2", "3", "151"});
    EXPECT_EQ(Save(session_, existing, ui), W("'151' geçerli bir tabaka numarası değil"));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ReadFile(existing), "old bytes\r\n");
    EXPECT_EQ(Entries(dir_.path()), std::set<std::string>{"old.plt"});

    // Also when the failing row comes after more than one chunk reached the temporary.
    for (int row = 1; row <= 60000; ++row) {
        PutRow(ws().grid(1), row, {"N.12", "4512345.67", "512345.67", "123.45", "3"});
    }
    PutRow(ws().grid(1), 60001, {"N.13", "1", "2", "3", ""});
    EXPECT_EQ(Save(session_, existing, ui), "'' is not a valid integer value");
    EXPECT_EQ(ReadFile(existing), "old bytes\r\n");
    EXPECT_EQ(Entries(dir_.path()), std::set<std::string>{"old.plt"});
}

TEST_F(ExportCommandTest, PathErrorsAndTheirMessages) {
    dir_.write("file", "x");
    fs::create_directory(dir_.path() / "sub.plt");
    EXPECT_EQ(Save(session_, dir_.file("missing/out.plt")), "Invalid filename");
    EXPECT_EQ(Save(session_, dir_.file("file/out.plt")), "Invalid filename");
    EXPECT_EQ(Save(session_, dir_.file("sub.plt")), "File access denied");
    // The file is created before any section, so a bad path is reported ahead of a bad cell.
    breakSecondPoint();
    EXPECT_EQ(Save(session_, dir_.file("missing/out.plt")), "Invalid filename");
    EXPECT_EQ(Entries(dir_.path()), (std::set<std::string>{"file", "sub.plt"}));
}

// The save writes over none of the files the last import opened, by whatever name it reaches
// them: the error handler shows why, nothing is written, no "kayıt bitti", the tables stay.
// Before any import, and for any other file, the save writes as ever.
TEST_F(ExportCommandTest, TheOpenDrawingsFilesAreNeverWrittenOver) {
    const std::string samples = PLOTAKTAR_SAMPLES_DIR;
    const std::string geometry = ReadFile(samples + "/pafta12.gplt");
    const std::string labels = ReadFile(samples + "/pafta12.yaz");
    fs::create_directory(dir_.path() / "sub");
    dir_.write("a.gplt", geometry);
    dir_.write("a.yaz", labels);
    dir_.write("a.yfn", labels);

    Session fresh;
    EXPECT_EQ(Save(fresh, dir_.file("a.gplt")), "");  // nothing imported yet: written
    dir_.write("a.gplt", geometry);

    testing::Import(session_, dir_.file("a.gplt"), dir_.file("a.yaz"));
    const std::string plot = PlotFileBytes(ws());
    const std::string refused = W(": açık çizimin girdi dosyası; üzerine yazılmadı");
    struct Case {
        std::string path;
        std::string named;
    };
    std::vector<Case> cases = {
        {dir_.file("a.gplt"), "a.gplt"},
        {dir_.file("sub") + "/../a.yaz", "a.yaz"},
        {dir_.file("a.yfn"), "a.yfn"},
    };
#ifndef _WIN32
    fs::create_symlink(dir_.path() / "a.gplt", dir_.path() / "link.plt");
    fs::create_hard_link(dir_.path() / "a.yaz", dir_.path() / "sub" / "kopya.plt");
    cases.push_back({dir_.file("link"), "link.plt"});
    cases.push_back({dir_.file("sub") + "/kopya.plt", "kopya.plt"});
#endif
    for (const Case& c : cases) {
        ScriptedUi ui;
        EXPECT_EQ(Save(session_, c.path, ui), W(c.named) + refused) << c.path;
        EXPECT_TRUE(ui.messages.empty()) << c.path;
    }
    EXPECT_EQ(ReadFile(dir_.file("a.gplt")), geometry);
    EXPECT_EQ(ReadFile(dir_.file("a.yaz")), labels);
    EXPECT_EQ(ReadFile(dir_.file("a.yfn")), labels);
    EXPECT_EQ(PlotFileBytes(ws()), plot);
    EXPECT_EQ(ws().flags.FlagNirengi, "1");

    const std::string other = dir_.write("b.gplt", "not of this drawing");
    EXPECT_EQ(Save(session_, other), "");
    EXPECT_EQ(ReadFile(other), plot);
}

#ifndef _WIN32

using testing::RunInChild;

TEST_F(ExportCommandTest, SymbolicLinkTargetIsReplacedThroughTheLink) {
    fs::create_directory(dir_.path() / "real");
    const std::string real = dir_.write("real/data.plt", "old");
    fs::create_symlink("real/data.plt", dir_.path() / "link.plt");
    fs::create_symlink("link.plt", dir_.path() / "chain.plt");
    EXPECT_EQ(Save(session_, dir_.file("chain.plt")), "");
    EXPECT_TRUE(fs::is_symlink(dir_.path() / "link.plt"));
    EXPECT_TRUE(fs::is_symlink(dir_.path() / "chain.plt"));
    EXPECT_EQ(ReadFile(real), expected_);
    EXPECT_EQ(Entries(dir_.path() / "real"), std::set<std::string>{"data.plt"});

    // A dangling link gets the file it names.
    fs::create_symlink(dir_.path() / "real" / "fresh.plt", dir_.path() / "dangling.plt");
    EXPECT_EQ(Save(session_, dir_.file("dangling.plt")), "");
    EXPECT_EQ(ReadFile(dir_.file("real/fresh.plt")), expected_);
    EXPECT_TRUE(fs::is_symlink(dir_.path() / "dangling.plt"));

    fs::create_symlink("loop.plt", dir_.path() / "loop.plt");
    EXPECT_EQ(Save(session_, dir_.file("loop.plt")), "I/O error 40");
}

TEST_F(ExportCommandTest, NewFileGetsTheUsualModeAndExistingKeepsItsOwn) {
    mode_t old = umask(027);
    EXPECT_EQ(Save(session_, dir_.file("new.plt")), "");
    umask(old);
    EXPECT_EQ(ModeOf(dir_.file("new.plt")), 0640u);

    const std::string existing = dir_.write("kept.plt", "old");
    ASSERT_EQ(chmod(existing.c_str(), 0604), 0);
    EXPECT_EQ(Save(session_, existing), "");
    EXPECT_EQ(ModeOf(existing), 0604u);
    EXPECT_EQ(ReadFile(existing), expected_);
}

TEST_F(ExportCommandTest, WriteFailuresReportDiskFullAndLeaveNothing) {
    // A device takes no temporary beside it: it is written in place.
    if (access("/dev/full", W_OK) == 0) {
        fs::create_symlink("/dev/full", dir_.path() / "full.plt");
        EXPECT_EQ(Save(session_, dir_.file("full.plt")), "Disk full");
        fs::remove(dir_.path() / "full.plt");
    }
    const std::string existing = dir_.write("big.plt", "old");
    for (int row = 1; row <= 50000; ++row) {
        PutRow(ws().grid(1), row, {"N.12", "4512345.67", "512345.67", "123.45", "3"});
    }
    // A file size limit makes the write fail with EFBIG once the limit is reached.
    std::optional<std::string> result = RunInChild(
        [&] {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{100000, 100000};
            setrlimit(RLIMIT_FSIZE, &limit);
            return Save(session_, existing) + "|" + Save(session_, dir_.file("new.plt"));
        },
        false);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, "Disk full|Disk full");
    EXPECT_EQ(ReadFile(existing), "old");
    EXPECT_EQ(Entries(dir_.path()), std::set<std::string>{"big.plt"});
}

TEST_F(ExportCommandTest, PermissionsAsAnUnprivilegedUser) {
    ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
    const fs::path locked = dir_.path() / "locked";
    const fs::path open = dir_.path() / "open";
    const fs::path sticky = dir_.path() / "sticky";
    fs::create_directory(locked);
    fs::create_directory(open);
    fs::create_directory(sticky);
    const std::string others = dir_.write("sticky/others.plt", "old of another user");
    ASSERT_EQ(chmod(others.c_str(), 0666), 0);
    ASSERT_EQ(chmod(sticky.c_str(), 01777), 0);
    const std::string inLocked = dir_.write("locked/writable.plt", "old in locked");
    const std::string readOnly = dir_.write("open/readonly.plt", "old read-only");
    ASSERT_EQ(chmod(inLocked.c_str(), 0666), 0);
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
    ASSERT_EQ(chmod(open.c_str(), 0777), 0);

    std::optional<std::string> result = RunInChild(
        [&] {
            std::string out = Save(session_, (locked / "new.plt").string());
            out += "|" + Save(session_, readOnly);
            // A writable file in a directory that takes no temporary is still written, in place;
            // a bad cell then leaves it untouched.
            out += "|" + Save(session_, inLocked);
            out += "|" + ReadFile(inLocked);
            // In a sticky directory the rename over another user's file would be refused.
            out += "|" + Save(session_, others);
            breakSecondPoint();
            out += "|" + Save(session_, inLocked);
            return out;
        },
        true);
    if (!result) {
        GTEST_SKIP() << "cannot run as an unprivileged user";
    }
    EXPECT_EQ(*result, "File access denied|File access denied||" + expected_ +
                           "||'x' is not a valid integer value");
    EXPECT_EQ(ReadFile(readOnly), "old read-only");
    EXPECT_EQ(ReadFile(inLocked), expected_);
    EXPECT_EQ(Entries(locked), std::set<std::string>{"writable.plt"});
    EXPECT_EQ(Entries(open), std::set<std::string>{"readonly.plt"});
    if (geteuid() == 0) {
        EXPECT_EQ(ReadFile(others), expected_);
        EXPECT_EQ(Entries(sticky), std::set<std::string>{"others.plt"});
    }
}

#else

TEST(ExportCommandPosix, NotOnWindows) {
    GTEST_SKIP()
        << "symbolic links, file modes, devices, resource limits and users are POSIX tests";
}

#endif  // _WIN32

}  // namespace
}  // namespace plotaktar
