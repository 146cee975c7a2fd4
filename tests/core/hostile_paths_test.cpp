// Input paths that name no readable regular file: directories, FIFOs (with and without a
// writer), devices, dangling links, files without read permission. Each behaves exactly like a
// missing file: the openings behind it are not made, nothing waits, and the import says only
// "dosya açıldı".
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostile_support.h"
#include "import/import_command.h"

namespace plotaktar {
namespace {

#ifndef _WIN32

using testing::CrLf;
using testing::ImportSummary;
using testing::RunInChild;
using testing::TempDir;
using testing::W;

namespace fs = std::filesystem;

const std::string kOpened = W("dosya açıldı");

enum class Role { Geometry, Label, Companion };

class HostilePaths : public ::testing::Test {
  protected:
    HostilePaths() {
        // The user nobody must reach the files of the unreadable-file cases.
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
        alarm(120);  // a read that waits on a FIFO or a device ends the test instead of hanging
    }
    ~HostilePaths() override { alarm(0); }

    // The three files of one drawing, under `base`; returns the geometry and label paths.
    std::pair<std::string, std::string> drawing(const std::string& base) {
        return {dir.write(base + ".gplt", CrLf({"nir 12 4512345.67 512345.67 123.45 3"})),
                dir.write(base + ".yaz", CrLf({"1 2 3 4 ETIKET   3"}))};
    }
    void companion(const std::string& base) {
        dir.write(base + ".yfn", CrLf({"Ovalt 1 2 3 3 0 3 0 0 EK"}));
    }

    // Imports into a fresh session and sums up the result.
    static std::string Run(const std::string& geometry, const std::string& labels) {
        Session session;
        std::vector<std::string> messages = testing::Import(session, geometry, labels);
        return ImportSummary(session, messages);
    }

    // The specified reaction to a file that cannot be opened, with a missing file in `role`:
    // checked here once, then every hostile path must give exactly the same.
    std::string missingIn(Role role) {
        const std::string base = "ref" + std::to_string(static_cast<int>(role));
        auto [g, l] = drawing(base);
        companion(base);
        Session session;
        std::vector<std::string> messages;
        if (role == Role::Geometry) {
            messages = testing::Import(session, dir.file("nowhere.gplt"), l);
        } else if (role == Role::Label) {
            messages = testing::Import(session, g, dir.file("nowhere.yaz"));
        } else {
            fs::remove(dir.file(base + ".yfn"));
            messages = testing::Import(session, g, l);
        }
        const Workspace& ws = session.workspace;
        EXPECT_EQ(messages, std::vector<std::string>{kOpened});
        EXPECT_EQ(ws.flags.FlagNirengi, role == Role::Geometry ? "0" : "1");
        EXPECT_EQ(ws.flags.FlagYazi, role == Role::Companion ? "1" : "0");
        EXPECT_EQ(ws.grid(6).rowCount(), role == Role::Companion ? 2 : 5);
        EXPECT_EQ(ws.grid(6).cell(10, 1), role == Role::Companion ? "ETIKET" : "");
        EXPECT_EQ(ws.grid(6).cell(10, 2), "");
        return ImportSummary(session, messages);
    }

    // Puts `make` in place of the file of `role` in a fresh drawing and imports it.
    template <typename Make>
    std::string runWith(Role role, const std::string& base, Make make) {
        auto [g, l] = drawing(base);
        companion(base);
        const std::string victim = role == Role::Geometry ? g
                                   : role == Role::Label  ? l
                                                          : dir.file(base + ".yfn");
        fs::remove(victim);
        make(victim);
        return Run(g, l);
    }

    TempDir dir;
};

const Role kRoles[] = {Role::Geometry, Role::Label, Role::Companion};

TEST_F(HostilePaths, DirectoriesDanglingLinksAndPathsThroughAFile) {
    for (Role role : kRoles) {
        const std::string expected = missingIn(role);
        const std::string r = std::to_string(static_cast<int>(role));
        EXPECT_EQ(runWith(role, "dir" + r, [](const std::string& p) { fs::create_directory(p); }),
                  expected);
        EXPECT_EQ(runWith(role, "dangling" + r,
                          [&](const std::string& p) {
                              fs::create_symlink(dir.file("no-such-target"), p);
                          }),
                  expected);
        EXPECT_EQ(runWith(role, "loop" + r, [](const std::string& p) { fs::create_symlink(p, p); }),
                  expected);
    }
    // A regular file named with a slash behind it, and a path through a regular file.
    auto [g, l] = drawing("plain");
    EXPECT_EQ(Run(g + "/", l), missingIn(Role::Geometry));
    EXPECT_EQ(Run(g, l + "/x.yaz"), missingIn(Role::Label));
}

TEST_F(HostilePaths, FifosWithAndWithoutAWriterAreNotWaitedOn) {
    for (Role role : kRoles) {
        const std::string expected = missingIn(role);
        const std::string r = std::to_string(static_cast<int>(role));
        EXPECT_EQ(runWith(role, "fifo" + r,
                          [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }),
                  expected);
        // A writer that never writes: reading the FIFO would wait forever.
        int writer = -1;
        EXPECT_EQ(runWith(role, "fed" + r,
                          [&](const std::string& p) {
                              ASSERT_EQ(mkfifo(p.c_str(), 0644), 0);
                              writer = open(p.c_str(), O_RDWR | O_NONBLOCK);
                              ASSERT_GE(writer, 0);
                          }),
                  expected);
        close(writer);
    }
}

TEST_F(HostilePaths, EndlessDevicesAreNotRead) {
    for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/null"}) {
        if (access(device, R_OK) != 0) {
            continue;
        }
        for (Role role : kRoles) {
            const std::string r = std::to_string(static_cast<int>(role));
            EXPECT_EQ(runWith(role, "dev" + r + fs::path(device).filename().string(),
                              [&](const std::string& p) { fs::create_symlink(device, p); }),
                      missingIn(role))
                << device;
        }
    }
}

// A test folder's clean-up gives its own entries their permissions back, never what a link in
// it names: run as root, following the link would change the mode of a file outside the folder.
TEST(TempDirCleanUp, LeavesWhatItsLinksNameAsTheyWere) {
    TempDir outside;
    const std::string target = outside.write("target", "x");
    ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    {
        TempDir dir;
        fs::create_directory(dir.file("sub"));
        fs::create_symlink(target, dir.file("sub/link"));
        fs::create_directory_symlink(outside.path(), dir.file("dirlink"));
        ASSERT_EQ(chmod(dir.file("sub").c_str(), 0), 0);
    }
    struct stat after {};
    ASSERT_EQ(stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    EXPECT_TRUE(fs::exists(target));
}

// Needs a user without read permission on the file: the tests drop from root to nobody in a
// child process, or run as they are when they are unprivileged already.
TEST_F(HostilePaths, FilesWithoutReadPermission) {
    std::vector<std::string> expected;
    std::vector<std::pair<std::string, std::string>> paths;
    for (Role role : kRoles) {
        const std::string base = "locked" + std::to_string(static_cast<int>(role));
        auto [g, l] = drawing(base);
        companion(base);
        const std::string victim = role == Role::Geometry ? g
                                   : role == Role::Label  ? l
                                                          : dir.file(base + ".yfn");
        ASSERT_EQ(chmod(victim.c_str(), 0), 0);
        paths.emplace_back(g, l);
        expected.push_back(missingIn(role));
    }
    std::optional<std::string> got = RunInChild(
        [&] {
            std::string out;
            for (const auto& [g, l] : paths) {
                out += Run(g, l) + "\n--\n";
            }
            return out;
        },
        true);
    if (!got) {
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    }
    EXPECT_EQ(*got, expected[0] + "\n--\n" + expected[1] + "\n--\n" + expected[2] + "\n--\n");
}

#else

TEST(HostilePaths, NotOnWindows) {
    GTEST_SKIP() << "symbolic links, FIFOs, devices and file modes are POSIX tests";
}

#endif  // _WIN32

}  // namespace
}  // namespace plotaktar
