// The exchange writers stop on a cancel at any point up to the replacing of the target, and
// then leave the target as it was and nothing beside it.

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "exchange/exchange_writer.h"
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

TEST(ExchangeWriter, ACancelAtAnyPointLeavesTheTargetsAsTheyWere) {
    const std::string samples = PLOTAKTAR_SAMPLES_DIR;
    Workspace workspace;
    ImportObserver quiet;
    ImportFiles(workspace,
                {samples + "/pafta12.gplt", samples + "/pafta12.yaz", samples + "/pafta12.yfn"},
                quiet);
    for (const char* format : {"dxf", "gpkg", "shp", "kml"}) {
        const ExchangeWriter* writer = ExchangeWriterFor(format);
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

}  // namespace
}  // namespace plotaktar::testing
