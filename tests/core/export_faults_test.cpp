// The save command where the file system refuses: a missing directory, a directory or a target
// without write permission, a target that is a directory, a full file system, a file size
// limit, a bad layer cell in the last row of the last section. Each failure gives its message
// through the error's what(), and leaves the target exactly as it was (its old bytes, or no
// file) with no temporary beside it.
//
// Some cases need a user without root's powers (a child process drops to nobody, or the tests
// run unprivileged already) or a mount of a small tmpfs (a child process in a mount namespace of
// its own, which needs root); they say so and skip cleanly where they cannot run.
#ifndef _WIN32
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "hostile_support.h"
#include "import/import_command.h"
#include "model/errors.h"
#include "platform/replacing_file.h"
#include "plotfile/plot_writer.h"
#include "plotfile/save_command.h"

namespace plotaktar {
namespace {

using testing::CrLf;
using testing::FileExists;
using testing::ReadFile;
using testing::ScriptedUi;
using testing::TempDir;
using testing::W;

namespace fs = std::filesystem;

const std::string kSaved = W("kayıt bitti");

std::string Entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    std::string out;
    for (const std::string& n : names) {
        out += (out.empty() ? "" : " ") + n;
    }
    return out;
}

// What a file holds (a long file shortened, so that a failure stays readable), or <none>.
[[maybe_unused]] std::string Contents(const std::string& path) {
    if (!FileExists(path)) {
        return "<none>";
    }
    std::string bytes = ReadFile(path);
    if (bytes.size() > 100) {
        bytes = bytes.substr(0, 100) + "... (" + std::to_string(bytes.size()) + " bytes)";
    }
    return bytes;
}

// Results of several steps joined with "|". The operands of << are evaluated in order, those
// of + are not: a listing must come after the save it looks at.
struct Results {
    Results& operator<<(const std::string& result) {
        text += (first ? "" : "|") + result;
        first = false;
        return *this;
    }
    operator std::string() const { return text; }
    std::string text;
    bool first = true;
};

class ExportFaults : public ::testing::Test {
  protected:
    ExportFaults() {
        // 3,000 triangulation points on layer SINIR: a plot file of some 180 KB.
        std::string geometry = "tab 1 1 SINIR 7 0 1 0.25\r\n";
        for (int i = 1; i <= 3000; ++i) {
            geometry += "nir " + std::to_string(i) + " 4512345.67 512345.67 123.45 1\r\n";
        }
        EXPECT_EQ(testing::Import(session, dir.write("drawing.gplt", geometry), ""),
                  std::vector<std::string>{W("dosya açıldı")});
        fs::remove(dir.path() / "drawing.gplt");
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    }

    // One save click answered with `path`: the error's what(), or the closing message.
    std::string save(const std::string& path) {
        ScriptedUi ui;
        ui.saveAnswers.push_back(path);
        try {
            RunSaveCommand(session, ui);
        } catch (const Error& e) {
            return e.what() + std::string(ui.messages.empty() ? "" : " + message");
        }
        return ui.messages.size() == 1 ? ui.messages[0]
                                       : "messages: " + std::to_string(ui.messages.size());
    }

    TempDir dir;
    Session session;
};

TEST_F(ExportFaults, MissingDirectory) {
    EXPECT_EQ(save(dir.file("missing/out.plt")), "Invalid filename");
    EXPECT_EQ(save(dir.file("missing/deeper/out")), "Invalid filename");
    EXPECT_EQ(Entries(dir.path()), "");
}

TEST_F(ExportFaults, TargetIsADirectory) {
    fs::create_directory(dir.path() / "sub.plt");
    dir.write("sub.plt/inside", "kept");
    fs::create_directory(dir.path() / "noext.plt");
    EXPECT_EQ(save(dir.file("sub.plt")), "File access denied");
    // The default extension makes "noext" name the directory "noext.plt".
    EXPECT_EQ(save(dir.file("noext")), "File access denied");
    EXPECT_EQ(Entries(dir.path()), "noext.plt sub.plt");
    EXPECT_EQ(Entries(dir.path() / "sub.plt"), "inside");
    EXPECT_EQ(ReadFile(dir.file("sub.plt/inside")), "kept");
}

TEST_F(ExportFaults, BadLayerCellInTheLastRowOfTheLastSection) {
    // The parcels come last; the last parcel names layer "x". Its corners make its corner count
    // a number, so the layer cell is what stops the export, after more than a chunk of lines.
    std::string geometry = "tab 1 1 SINIR 7 0 1 0.25\r\n";
    for (int i = 1; i <= 30000; ++i) {
        geometry += "nir " + std::to_string(i) + " 4512345.67 512345.67 123.45 1\r\n";
    }
    geometry += CrLf({"par 101 5 250.40 1", "101 5 1 512345.67 4512345.67 0.00", "par 101 6 9.5 x",
                      "101 6 1 512345.67 4512345.67 0.00"});
    EXPECT_EQ(testing::Import(session, dir.write("drawing.gplt", geometry), ""),
              (std::vector<std::string>{"parsel", W("dosya açıldı")}));
    fs::remove(dir.path() / "drawing.gplt");
    const std::string existing = dir.write("old.plt", "old bytes\r\n");
    EXPECT_EQ(save(existing), "'x' is not a valid integer value");
    EXPECT_EQ(save(dir.file("new.plt")), "'x' is not a valid integer value");
    EXPECT_EQ(save(dir.file("new")), "'x' is not a valid integer value");
    EXPECT_EQ(ReadFile(existing), "old bytes\r\n");
    EXPECT_EQ(Entries(dir.path()), "old.plt");

    // With the cell mended the same save goes through.
    session.workspace.grid(8).setCell(4, 2, "1");
    EXPECT_EQ(save(existing), kSaved);
    EXPECT_EQ(ReadFile(existing), PlotFileBytes(session.workspace));
    EXPECT_TRUE(
        ReadFile(existing).ends_with("101/6 19 0 SINIR  0.00000000000000E+0000 0\r\n"
                                     "512345.67 4512345.67 0.00 0.000 0 0 \r\n"));
}

#ifndef _WIN32

using testing::DropToNobody;
using testing::RunInChild;
using testing::WithSmallTmpfs;

// A pipe that nobody reads would take the plot file into nowhere (or, past its buffer, wait
// forever): the save fails at once instead.
TEST_F(ExportFaults, PipeWithoutAReader) {
    const std::string pipe = dir.file("pipe.plt");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    alarm(60);  // a save that waits on the pipe ends the test instead of hanging
    EXPECT_EQ(save(pipe), "I/O error " + std::to_string(ENXIO));
    alarm(0);
    EXPECT_EQ(Entries(dir.path()), "pipe.plt");
}

// A pipe reached through a link the kernel resolves itself (/dev/fd/N, /proc/self/fd/N, as
// `convert -o /dev/stdout | gzip` names it): its link's text ("pipe:[1234]") names no file,
// yet the bytes go into the pipe, whole, and nothing is created anywhere.
TEST(ReplacingFilePosix, PipeReachedThroughTheProcessesOwnDescriptors) {
    TempDir dir;
    std::string whole;
    for (int i = 0; whole.size() < 200000; ++i) {
        whole += "PN " + std::to_string(i) + " 4512345.67 512345.67\r\n";
    }
    for (const std::string folder : {"/dev/fd/", "/proc/self/fd/"}) {
        int ends[2];
        ASSERT_EQ(pipe(ends), 0);
        std::string received;
        std::thread reader([&] {
            char buffer[65536];
            for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) {
                received.append(buffer, static_cast<size_t>(n));
            }
        });
        alarm(60);  // a write that waits on the pipe ends the test instead of hanging
        std::string failure;
        try {
            platform::ReplacingFile file(folder + std::to_string(ends[1]));
            file.write(whole);
            file.commit();
        } catch (const std::exception& e) {
            failure = e.what();
        }
        alarm(0);
        close(ends[1]);
        reader.join();
        close(ends[0]);
        EXPECT_EQ(failure, "") << folder;
        EXPECT_EQ(received.size(), whole.size()) << folder;
        EXPECT_TRUE(received == whole) << folder;
    }
    EXPECT_EQ(Entries(dir.path()), "");
}

// Needs a user without write permission: as root the tests drop to nobody in a child process.
TEST_F(ExportFaults, NoWritePermission) {
    const fs::path locked = dir.path() / "locked";
    fs::create_directory(locked);
    const std::string readOnly = dir.write("readonly.plt", "read-only bytes\r\n");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    const std::string lockedOld = dir.write("locked/old.plt", "old in a locked directory\r\n");
    ASSERT_EQ(chmod(lockedOld.c_str(), 0444), 0);
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
    std::optional<std::string> result = RunInChild(
        [&] {
            return Results() << save((locked / "new.plt").string()) << save(readOnly)
                             << save(lockedOld);
        },
        true);
    if (!result) {
        GTEST_SKIP() << "needs an unprivileged user: cannot drop to nobody here";
    }
    EXPECT_EQ(*result, "File access denied|File access denied|File access denied");
    EXPECT_EQ(ReadFile(readOnly), "read-only bytes\r\n");
    EXPECT_EQ(ReadFile(lockedOld), "old in a locked directory\r\n");
    EXPECT_EQ(Entries(locked), "old.plt");
    EXPECT_EQ(Entries(dir.path()), "locked readonly.plt");
}

// Needs a mount of a small tmpfs: root in CI; skipped elsewhere.
TEST_F(ExportFaults, FullFileSystem) {
    const fs::path mnt = dir.path() / "mnt";
    std::optional<std::string> result = WithSmallTmpfs(mnt, [&] {
        const std::string existing = (mnt / "old.plt").string();
        { std::ofstream(existing) << "old bytes\r\n"; }
        Results out;
        out << save(existing) << save((mnt / "new.plt").string()) << Contents(existing)
            << Entries(mnt);
        // A small file still fits: the failure was the space, not the place.
        session.workspace.grid(1).setRowCount(2);
        out << save((mnt / "small.plt").string()) << Entries(mnt);
        return out;
    });
    if (!result) {
        GTEST_SKIP() << "needs a tmpfs mount (root or CAP_SYS_ADMIN)";
    }
    EXPECT_EQ(*result,
              "Disk full|Disk full|old bytes\r\n|old.plt|" + kSaved + "|old.plt small.plt");
}

// A file size limit (RLIMIT_FSIZE, SIGXFSZ ignored) in place of a full disk; runs anywhere.
TEST_F(ExportFaults, FileSizeLimit) {
    const std::string existing = dir.write("old.plt", "old bytes\r\n");
    std::optional<std::string> result = RunInChild(
        [&] {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{50000, 50000};
            setrlimit(RLIMIT_FSIZE, &limit);
            return Results() << save(existing) << save(dir.file("new.plt"));
        },
        false);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, "Disk full|Disk full");
    EXPECT_EQ(Contents(existing), "old bytes\r\n");
    EXPECT_EQ(Entries(dir.path()), "old.plt");
}

// Needs an unprivileged user (nobody when the tests run as root): a writable target in a
// directory that takes no temporary is refused before a byte is written, so a fault that would
// have stopped a write part way (here a file size limit) never reaches it.
TEST_F(ExportFaults, TargetInALockedDirectoryIsNeverWrittenInPlace) {
    const fs::path locked = dir.path() / "locked";
    fs::create_directory(locked);
    const std::string target = dir.write("locked/inplace.plt", "old bytes in place\r\n");
    ASSERT_EQ(chmod(target.c_str(), 0666), 0);
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
    std::optional<std::string> result = RunInChild(
        [&] {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{50000, 50000};
            setrlimit(RLIMIT_FSIZE, &limit);
            return save(target);
        },
        true);
    if (!result) {
        GTEST_SKIP() << "needs an unprivileged user: cannot drop to nobody here";
    }
    EXPECT_EQ(*result, "File access denied (its folder " + locked.string() +
                           "/ takes no new files); " + target + " left as it was");
    EXPECT_EQ(Contents(target), "old bytes in place\r\n");
    EXPECT_EQ(Entries(locked), "inplace.plt");
}

TEST_F(ExportFaults, TooManyOpenFilesAndOverlongNames) {
    const std::string existing = dir.write("old.plt", "old bytes\r\n");
    std::optional<std::string> result = RunInChild(
        [&] {
            // No descriptor left for the file or its temporary: the lowest free one is the limit.
            int lowestFree = 0;
            while (fcntl(lowestFree, F_GETFD) != -1) {
                ++lowestFree;
            }
            rlimit limit{static_cast<rlim_t>(lowestFree), static_cast<rlim_t>(lowestFree)};
            setrlimit(RLIMIT_NOFILE, &limit);
            return Results() << save(existing) << save(dir.file("new.plt"));
        },
        false);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, "Too many open files|Too many open files");
    EXPECT_EQ(save(dir.file(std::string(300, 'n') + ".plt")), "I/O error 36");
    EXPECT_EQ(ReadFile(existing), "old bytes\r\n");
    EXPECT_EQ(Entries(dir.path()), "old.plt");
}

#else

TEST(ExportFaultsPosix, NotOnWindows) {
    GTEST_SKIP() << "file modes, users, tmpfs mounts and resource limits are POSIX tests";
}

#endif  // _WIN32

}  // namespace
}  // namespace plotaktar
