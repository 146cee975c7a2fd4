// The exchange writers stop on a cancel at any point up to the replacing of the target, and
// then leave the target as it was and nothing beside it.

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <set>

#include <gtest/gtest.h>

#include "exchange/exchange_writer.h"
#include "gis/gis_writers.h"
#include "import/import_files.h"
#include "model/crs_names.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Listing(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The sample drawing, with its labels or without.
Workspace SampleWorkspace(bool labels) {
    const std::string samples = PLOTAKTAR_SAMPLES_DIR;
    Workspace workspace;
    ImportObserver quiet;
    ImportFiles(workspace,
                {samples + "/pafta12.gplt", labels ? samples + "/pafta12.yaz" : "",
                 labels ? samples + "/pafta12.yfn" : ""},
                quiet);
    return workspace;
}

TEST(ExchangeWriter, ACancelAtAnyPointLeavesTheTargetsAsTheyWere) {
    const Workspace workspace = SampleWorkspace(true);
    for (const char* format : {"dxf", "gpkg", "shp", "kml"}) {
        const ExchangeWriter* writer = GisExchangeWriterFor(format);
        ASSERT_NE(writer, nullptr) << format;
        TempDir dir;
        const std::string target = dir.write(std::string("old.") + format, "old");
        dir.write("old-noktalar.shp", "old");
        const std::set<std::string> before = Listing(dir);
        // The first call, one in the middle, and the very last before the target is replaced.
        for (int stopAt : {1, 2, 1000}) {
            int calls = 0;
            ExportSettings settings;
            settings.sourceEpsg = *EpsgOfCrsText("TM30");
            settings.progress = [&](uint64_t, uint64_t) { return ++calls < stopAt; };
            if (stopAt == 1000) {
                // Count the calls of a whole export, then stop at its last.
                ExportSettings counting = settings;
                int all = 0;
                counting.progress = [&](uint64_t, uint64_t) { return ++all > 0; };
                TempDir scratch;
                writer->exportWorkspace(workspace, counting,
                                        scratch.file(std::string("x.") + format));
                stopAt = all;
            }
            EXPECT_THROW(writer->exportWorkspace(workspace, settings, target), ExportCancelled)
                << format << " stopped at call " << stopAt;
            EXPECT_EQ(Listing(dir), before) << format << " stopped at call " << stopAt;
            EXPECT_EQ(ReadFile(target), "old") << format;
            EXPECT_EQ(ReadFile(dir.file("old-noktalar.shp")), "old") << format;
        }
    }
}

// A file size limit (RLIMIT_FSIZE, SIGXFSZ ignored) fails GDAL's writes as a full disk does,
// on any machine and any user: every format says "Disk full", whatever GDAL or SQLite make of
// the half-written file, and leaves the target and its folder as they were.
TEST(ExchangeWriter, AWriteThatRunsOutOfRoomIsDiskFull) {
    Workspace workspace;
    TempDir input;
    std::string points = "tab 1 1 SINIR 7 0 1 0.25\r\n";
    for (int i = 0; i < 4000; ++i) {
        points += "nir " + std::to_string(i + 1) + " " + std::to_string(4512000 + i / 100) +
                  ".25 " + std::to_string(512000 + i % 100) + ".75 100.5 1\r\n";
    }
    ImportObserver quiet;
    ImportFiles(workspace, {input.write("big.gplt", points), "", ""}, quiet);
    for (const char* format : {"dxf", "gpkg", "shp", "geojson", "kml"}) {
        TempDir dir;
        const std::string target = dir.write(std::string("old.") + format, "old");
        dir.write("old-noktalar.shp", "old");
        const std::set<std::string> before = Listing(dir);
        std::optional<std::string> result = RunInChild(
            [&]() -> std::string {
                signal(SIGXFSZ, SIG_IGN);
                rlimit limit{40000, 40000};
                setrlimit(RLIMIT_FSIZE, &limit);
                ExportSettings settings;
                settings.sourceEpsg = *EpsgOfCrsText("TM30");
                try {
                    GisExchangeWriterFor(format)->exportWorkspace(workspace, settings, target);
                } catch (const FileError& e) {
                    return e.message();
                } catch (const Error& e) {
                    return "not a file error: " + e.message();
                }
                return "written";
            },
            false);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, "Disk full") << format;
        EXPECT_EQ(Listing(dir), before) << format;
        EXPECT_EQ(ReadFile(target), "old") << format;
    }
}

// A target whose name is as long as its folder takes (255 bytes) is written like any other: the
// files a format's library makes beside its dataset while writing (SQLite's "-journal") must
// not need a longer name.
TEST(ExchangeWriter, NamesAsLongAsTheFolderTakes) {
    const Workspace workspace = SampleWorkspace(true);
    for (const std::string format : {"dxf", "gpkg", "geojson", "kml"}) {
        TempDir dir;
        const std::string name = std::string(254 - format.size(), 'a') + "." + format;
        ExportSettings settings;
        settings.sourceEpsg = *EpsgOfCrsText("TM30");
        std::string failure;
        try {
            GisExchangeWriterFor(format)->exportWorkspace(workspace, settings, dir.file(name));
        } catch (const Error& e) {
            failure = e.message();
        }
        EXPECT_EQ(failure, "") << format;
        EXPECT_EQ(Listing(dir), std::set<std::string>{name}) << format;
    }
}

// A file of a Shapefile's sets that is a pipe, or a link to a device, is refused as OUTPUT
// itself would be: the set's files are put in place by renaming, which would put a plain file
// where the user's pipe or link was.
TEST(ExchangeWriter, ASetFileThatIsNoFileRefusesTheWholeSet) {
    const Workspace workspace = SampleWorkspace(false);
    struct Row {
        const char* name;
        bool pipe;  // else a link to /dev/null
        const char* said;
    };
    for (const Row& row :
         {Row{"x-noktalar.dbf", true, "its file "}, Row{"x-semboller.cpg", false, "its file "}}) {
        TempDir dir;
        const std::string file = dir.file(row.name);
        if (row.pipe) {
            ASSERT_EQ(mkfifo(file.c_str(), 0644), 0);
        } else {
            ASSERT_EQ(symlink("/dev/null", file.c_str()), 0);
        }
        ExportSettings settings;
        settings.sourceEpsg = *EpsgOfCrsText("TM30");
        std::string failure;
        try {
            GisExchangeWriterFor("shp")->exportWorkspace(workspace, settings, dir.file("x.shp"));
        } catch (const Error& e) {
            failure = e.message();
        }
        EXPECT_NE(
            failure.find(row.said + std::string(file) + " is a " + (row.pipe ? "pipe" : "device")),
            std::string::npos)
            << failure;
        EXPECT_EQ(Listing(dir), std::set<std::string>{row.name});
        struct stat info;
        ASSERT_EQ(lstat(file.c_str(), &info), 0);
        EXPECT_TRUE(row.pipe ? S_ISFIFO(info.st_mode) : S_ISLNK(info.st_mode)) << row.name;
    }
}

}  // namespace
}  // namespace plotaktar::testing
