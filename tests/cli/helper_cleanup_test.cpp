// What plotaktar-cli cleans up of what a helper reported it left behind: only the output's own
// temporaries and folders of old files, whatever else the report names.

#include <cstdio>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/helper_cleanup.h"
#include "test_support.h"

namespace plotaktar::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::ReadFile;
using testing::TempDir;

std::string Captured(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, n);
    }
    return text;
}

TEST(HelperCleanup, OnlyTheOutputsOwnTemporariesAreItsOwn) {
    TempDir dir;
    fs::create_directories(dir.path() / "out");
    fs::create_directories(dir.path() / "other");
    fs::create_directory_symlink(dir.path() / "out", dir.path() / "via");
    fs::create_symlink(dir.path() / "out" / "real.dxf", dir.path() / "other" / "link.dxf");
    const std::string out = dir.file("out");
    const std::string longName(230, 'u');
    struct Row {
        std::string path;
        std::string output;
        bool own;
    };
    const std::vector<Row> rows = {
        {out + "/t.dxf.tmp-AbC12345", out + "/t.dxf", true},
        {out + "/.t.gpkg.tmp-Ab12Cd", out + "/t.gpkg", true},
        {out + "/.x.shp.aside-Ab12Cd", out + "/x.shp", true},
        {out + "/p-12.svg.tmp-AbC12345", out + "/p.svg", true},  // a sheet of it
        {out + "/" + longName.substr(0, 200) + ".tmp-AbC12345", out + "/" + longName, true},
        {dir.file("via") + "/t.dxf.tmp-AbC12345", out + "/t.dxf", true},  // same folder
        // A link output: the temporary lies beside the file it leads to.
        {out + "/real.dxf.tmp-AbC12345", dir.file("other") + "/link.dxf", true},
        {dir.file("other") + "/t.dxf.tmp-AbC12345", out + "/t.dxf", false},
        {out + "/u.dxf.tmp-AbC12345", out + "/t.dxf", false},
        {out + "/t.dxf", out + "/t.dxf", false},
        {out + "/t.dxf.tmp-", out + "/t.dxf", false},
        {out + "/t.dxf.tmp-Ab/../x", out + "/t.dxf", false},
        {out + "/t.dxf.tmp-AbC12345678", out + "/t.dxf", false},
        {out + "/t.dxf.aside-AbC123", out + "/t.dxf", false},  // only folders are aside
        {out + "/p-x.svg.tmp-AbC12345", out + "/p.svg", false},
        {out, out + "/t.dxf", false},
        {"/", out + "/t.dxf", false},
        {"", out + "/t.dxf", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(IsOutputsTemporary(row.path, row.output), row.own) << row.path;
    }
}

TEST(HelperCleanup, TemporariesGoOldFilesComeBackAndAnythingElseIsNamedAndKept) {
    TempDir dir;
    const std::string output = dir.file("x.shp");
    // Killed half way through placing a set: x-a.shp replaced (its old one aside), x-b.shp new
    // where there was none, x-c.shp not yet moved.
    dir.write("x-a.shp", "new a");
    dir.write("x-b.shp", "new b");
    dir.write("x-c.shp", "old c");
    const fs::path aside = dir.path() / ".x.shp.aside-Ab12Cd";
    fs::create_directory(aside);
    dir.write(".x.shp.aside-Ab12Cd/x-a.shp", "old a");
    dir.write(".x.shp.aside-Ab12Cd/x-b.shp.none", "");
    const fs::path temporary = dir.path() / ".x.shp.tmp-Xy34Zw";
    fs::create_directory(temporary);
    dir.write(".x.shp.tmp-Xy34Zw/x-c.shp", "new c");
    const std::string foreign = dir.write("notes.txt", "the surveyor's");
    const std::string link = (dir.path() / "x.shp.tmp-AbC12345").string();
    fs::create_symlink(foreign, link);  // removed as a link, never followed

    std::FILE* err = std::tmpfile();
    ASSERT_NE(err, nullptr);
    CleanUpAfter({aside.string(), temporary.string(), foreign, link, "/etc",
                  dir.file("x\x1b]0;X.tmp-AbC12345")},
                 "plotaktar-export", output, err);
    const std::string said = Captured(err);
    std::fclose(err);

    EXPECT_EQ(ReadFile(dir.file("x-a.shp")), "old a");
    EXPECT_FALSE(fs::exists(dir.path() / "x-b.shp"));
    EXPECT_EQ(ReadFile(dir.file("x-c.shp")), "old c");
    EXPECT_FALSE(fs::exists(aside));
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(foreign), "the surveyor's");
    EXPECT_THAT(said, HasSubstr("plotaktar-cli: " + foreign +
                                ": left behind by plotaktar-export; not the output's temporary, "
                                "so not removed\n"));
    EXPECT_THAT(said, HasSubstr("plotaktar-cli: /etc: left behind"));
    // A name from the report reaches the terminal escaped.
    EXPECT_THAT(
        said, HasSubstr("plotaktar-cli: " + dir.file("x\\x1b]0;X.tmp-AbC12345") + ": left behind"));
    EXPECT_TRUE(fs::exists("/etc"));
}

}  // namespace
}  // namespace plotaktar::cli
