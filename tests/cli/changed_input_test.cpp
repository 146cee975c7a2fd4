// An input file that another program changes while a command reads it (the test hook cuts it
// to nothing between the reader's two looks at it): every command names that file, writes
// nothing and ends with the status of an input that cannot be read.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

bool Built(const std::string& helper) {
    return helper.empty() || fs::exists(fs::path(PLOTAKTAR_CLI).parent_path() / helper);
}

TEST(ChangedInput, IsAnErrorNamingTheFileAndNothingIsWritten) {
    struct Row {
        std::string helper;  // the program the command needs; empty for plotaktar-cli alone
        std::vector<std::string> args;
        std::string changed;  // the file cut to nothing while it is read
        int status;
        std::string said;  // on stderr (stdout for run)
    };
    const std::string geometryChanged = "plotaktar-cli: pafta12.gplt: changed while it was read\n";
    const std::vector<Row> rows = {
        {"", {"convert", "pafta12.gplt", "-o", "o.plt"}, "pafta12.gplt", 2, geometryChanged},
        {"",
         {"convert", "pafta12.gplt", "pafta12.yaz", "-o", "o.plt"},
         "pafta12.yaz",
         2,
         "plotaktar-cli: pafta12.yaz: changed while it was read\n"},
        {"",
         {"convert", "pafta12.gplt", "pafta12.yaz", "-o", "o.plt"},
         "pafta12.yfn",
         2,
         "plotaktar-cli: pafta12.yfn: changed while it was read\n"},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "o.dxf"},
         "pafta12.gplt",
         2,
         geometryChanged},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "--crs=EPSG:5254", "-o", "o.gpkg"},
         "pafta12.yfn",
         2,
         "plotaktar-cli: pafta12.yfn: changed while it was read\n"},
        {"plotaktar-render",
         {"render", "pafta12.gplt", "-o", "o.png"},
         "pafta12.gplt",
         2,
         geometryChanged},
        {"plotaktar-render",
         {"render", "pafta12.gplt", "-o", "o.svg", "--scale", "500"},
         "pafta12.yaz",
         2,
         "plotaktar-cli: pafta12.yaz: changed while it was read\n"},
        {"plotaktar-check", {"check", "pafta12.gplt"}, "pafta12.gplt", 2, geometryChanged},
        {"",
         {"diff", "pafta12.gplt", "old.gplt"},
         "old.gplt",
         2,
         "plotaktar-cli: old.gplt: changed while it was read\n"},
        {"plotaktar-render",
         {"diff", "old.gplt", "pafta12.gplt", "-o", "d.png"},
         "pafta12.gplt",
         2,
         geometryChanged},
        // The session goes on as the window does, its error said as the window's handler says
        // it; the save then writes what the tables hold.
        {"",
         {"run", "open", "pafta12.gplt", "pafta12.yaz"},
         "pafta12.gplt",
         1,
         "hata: pafta12.gplt: changed while it was read.\n"},
    };
    for (const Row& row : rows) {
        if (!Built(row.helper)) {
            continue;
        }
        const std::string what = row.args[0] + " " + row.args[1] + ", " + row.changed + " changed";
        TempDir dir;
        for (const char* name : {"pafta12.gplt", "pafta12.yaz", "pafta12.yfn"}) {
            fs::copy_file(Sample(name), dir.path() / name);
        }
        fs::copy_file(Sample("pafta12.gplt"), dir.path() / "old.gplt");
        CliStart start;
        start.environment = {"PLOTAKTAR_TEST_HOOK=input-opened truncate " + dir.file(row.changed)};
        const CliResult r = RunCliWith(row.args, dir.path(), start);
        EXPECT_EQ(r.status, row.status) << what << "\n" << r.err;
        EXPECT_THAT(row.args[0] == "run" ? r.out : r.err, HasSubstr(row.said)) << what;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            left.push_back(entry.path().filename().string());
        }
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"old.gplt", "pafta12.gplt", "pafta12.yaz",
                                                  "pafta12.yfn"}))
            << what;
    }
}

}  // namespace
}  // namespace plotaktar::testing
