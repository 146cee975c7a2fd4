// plotaktar-cli and the programs it starts, stopped at exact moments of their work (the test
// hook PLOTAKTAR_TEST_HOOK): a kill, or a stop signal to the process group as `timeout` or
// Ctrl+C sends it, leaves every old output as it was and nothing beside it.

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

bool Built(const std::string& helper) {
    return fs::exists(fs::path(PLOTAKTAR_CLI).parent_path() / helper);
}

// Every file of a folder (hidden ones and folders too) with its contents.
std::map<std::string, std::string> Contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        files[name] = entry.is_regular_file() ? ReadFile(entry.path().string()) : "<folder>";
    }
    return files;
}

// A folder with the sample drawing and the given old outputs.
struct Drawing {
    TempDir dir;
    explicit Drawing(const std::vector<std::string>& oldOutputs) {
        for (const char* name : {"pafta12.gplt", "pafta12.yaz", "pafta12.yfn"}) {
            fs::copy_file(Sample(name), dir.path() / name);
        }
        for (const std::string& name : oldOutputs) {
            dir.write(name, "old " + name);
        }
    }
};

TEST(Stop, KilledOrSignalledAtAnyMomentLeavesTheOldOutputsAndNoTemporary) {
    struct Row {
        std::string helper;  // the program the command needs; empty for plotaktar-cli alone
        std::vector<std::string> args;
        std::vector<std::string> oldOutputs;
        std::string hook;
        int status;  // exit status, or minus the signal that ended plotaktar-cli
        // The signal came while the new files were put in place: that step ends first, so the
        // outputs are the complete new ones.
        bool replaced = false;
    };
    const std::string crs = "--crs=EPSG:5254";
    // x-noktalar.shp and x-noktalar.dbf have old files, the other sets' files have none: the
    // new ones must go again, the old ones come back.
    const std::vector<std::string> oldSet = {"x-noktalar.shp", "x-noktalar.dbf"};
    const std::vector<Row> rows = {
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "x.shp"},
         oldSet,
         "shapefile-moving-aside SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "x.shp"},
         oldSet,
         "shapefile-moved-aside SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "x.shp"},
         oldSet,
         "shapefile-placing SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "x.shp"},
         oldSet,
         "shapefile-moved-aside SIGTERM",
         -SIGTERM,
         true},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "x.shp"},
         oldSet,
         "shapefile-placing SIGINT",
         -SIGINT,
         true},
        {"plotaktar-export",
         {"export", "pafta12.gplt", crs, "-o", "t.gpkg"},
         {"t.gpkg"},
         "copying-into-place SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", crs, "-o", "t.gpkg"},
         {"t.gpkg"},
         "copying-into-place SIGHUP",
         -SIGHUP},
        // A line feed in the name: the report channel carries whole paths.
        {"plotaktar-export",
         {"export", "pafta12.gplt", crs, "-o", "a\nb.gpkg"},
         {"a\nb.gpkg"},
         "copying-into-place SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "t.dxf"},
         {"t.dxf"},
         "replacing-file-commit SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "t.dxf"},
         {"t.dxf"},
         "replacing-file-commit SIGINT",
         -SIGINT},
        {"plotaktar-render",
         {"render", "pafta12.gplt", "-o", "p.png"},
         {"p.png"},
         "replacing-file-commit SIGTERM",
         -SIGTERM},
        // Seven sheets, each with a temporary until all are complete.
        {"plotaktar-render",
         {"render", "pafta12.gplt", "-o", "p.svg", "--scale", "500"},
         {"p-0.svg", "p-6.svg"},
         "replacing-file-commit SIGKILL",
         1},
        // Killed as a temporary comes into being: it is on the list before it exists.
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "t.dxf"},
         {"t.dxf"},
         "temporary-listed SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "t.dxf"},
         {"t.dxf"},
         "temporary-created SIGKILL",
         1},
        {"plotaktar-render",
         {"render", "pafta12.gplt", "-o", "p.svg", "--scale", "500"},
         {"p-0.svg", "p-6.svg"},
         "temporary-created SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", crs, "-o", "t.gpkg"},
         {"t.gpkg"},
         "folder-listed SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", crs, "-o", "t.gpkg"},
         {"t.gpkg"},
         "folder-created SIGKILL",
         1},
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "x.shp"},
         oldSet,
         "folder-created SIGKILL",
         1},
        {"",
         {"convert", "pafta12.gplt", "-o", "out.plt"},
         {"out.plt"},
         "replacing-file-commit SIGTERM",
         -SIGTERM},
        {"",
         {"convert", "pafta12.gplt", "-o", "out.plt"},
         {"out.plt"},
         "replacing-file-commit SIGHUP",
         -SIGHUP},
    };
    for (const Row& row : rows) {
        if (!row.helper.empty() && !Built(row.helper)) {
            continue;
        }
        const std::string what = row.args[0] + " -o " + row.args.back() + ", " + row.hook;
        Drawing drawing(row.oldOutputs);
        const auto before = Contents(drawing.dir.path());
        CliStart start;
        start.environment = {"PLOTAKTAR_TEST_HOOK=" + row.hook};
        const CliResult r = RunCliWith(row.args, drawing.dir.path(), start);
        EXPECT_EQ(r.status, row.status) << what << "\n" << r.err;
        const auto after = Contents(drawing.dir.path());
        if (!row.replaced) {
            EXPECT_EQ(after, before) << what << "\n" << r.err;
        } else {
            for (const auto& [name, bytes] : after) {
                EXPECT_FALSE(name.starts_with(".")) << what << ": " << name;
                if (before.count(name)) {
                    EXPECT_TRUE(name.starts_with("pafta12") || bytes != before.at(name))
                        << what << ": " << name;
                }
            }
            // The sample's five kinds, each a set of .shp, .shx, .dbf, .cpg and .qml.
            EXPECT_EQ(after.size(), 3u + 5 * 5) << what;
        }
        EXPECT_THAT(r.err, Not(HasSubstr("left behind"))) << what;
        if (row.status == 1) {
            EXPECT_THAT(r.err, HasSubstr(row.helper + " ended abnormally (signal 9")) << what;
        }
    }
}

// A helper killed after its output is in place (the system out of memory while it names the
// records it left out) wrote the new output: the message says the output is complete or as it
// was, never that it was left as it was.
TEST(Stop, KilledAfterItsOutputIsInPlaceSaysItMayBeTheNewOne) {
    struct Row {
        std::string helper;
        std::vector<std::string> args;
    };
    const std::vector<Row> rows = {
        {"plotaktar-export", {"export", "pafta12.gplt", "-o", "t.dxf"}},
        {"plotaktar-render", {"render", "pafta12.gplt", "-o", "t.png"}},
    };
    for (const Row& row : rows) {
        if (!Built(row.helper)) {
            continue;
        }
        const std::string output = row.args.back();
        Drawing drawing({output});
        CliStart start;
        start.environment = {"PLOTAKTAR_TEST_HOOK=replacing-file-committed SIGKILL"};
        const CliResult r = RunCliWith(row.args, drawing.dir.path(), start);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(ReadFile(drawing.dir.file(output)), "old " + output) << row.helper;
        EXPECT_THAT(r.err, HasSubstr("; the output is complete or as it was\n")) << r.err;
        EXPECT_THAT(r.err, Not(HasSubstr("left as it was"))) << r.err;
    }
}

// The loader of a helper that cannot map its libraries under an address-space limit exits
// 127: that is running out of memory, never "status 127" left unexplained.
TEST(Stop, HelperThatCannotLoadUnderAnAddressSpaceLimitIsOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limit allows";
#endif
    constexpr size_t kLimit = 40u << 20;  // plotaktar-cli runs in it, GDAL and Qt do not load
    struct Row {
        std::string helper;
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"plotaktar-export",
         {"export", "pafta12.gplt", "-o", "z.dxf"},
         "plotaktar-cli: Out of memory (plotaktar-export could not load its libraries under the "
         "address-space limit); z.dxf left as it was\n"},
        {"plotaktar-render",
         {"render", "pafta12.gplt", "-o", "z.png"},
         "plotaktar-cli: Out of memory (plotaktar-render could not load its libraries under the "
         "address-space limit); z.png left as it was\n"},
    };
    for (const Row& row : rows) {
        if (!Built(row.helper)) {
            continue;
        }
        Drawing drawing({});
        CliStart start;
        start.addressSpaceLimit = kLimit;
        const CliResult r = RunCliWith(row.args, drawing.dir.path(), start);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_THAT(r.err, HasSubstr(row.message));
        EXPECT_FALSE(fs::exists(drawing.dir.path() / row.args.back()));
    }
    if (!Built("plotaktar-export")) {
        return;
    }
    // batch tries such a drawing again alone, as any other that ran out of memory.
    Drawing drawing({});
    CliStart start;
    start.addressSpaceLimit = kLimit;
    const CliResult r =
        RunCliWith({"batch", "export", "--format", "dxf", "pafta12.gplt", "--report", "r.json"},
                   drawing.dir.path(), start);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr("Out of memory (plotaktar-export could not load its libraries"));
    const std::string report = ReadFile(drawing.dir.file("r.json"));
    EXPECT_THAT(report, HasSubstr("\"tried_alone\":true")) << report;
}

// A file size limit (ulimit -f, whose signal ends a program by default) is a write that
// fails: every command says "Disk full", leaves the old output as it was and removes its
// temporary, as on a full disk, whichever program writes.
TEST(Stop, AFileSizeLimitIsADiskFullThatLeavesNoTemporary) {
    constexpr size_t kLimit = 64 << 10;
    std::string geometry = "tab 1 1 SINIR 7 0 1 0.25\r\n";
    for (int i = 1; i <= 3000; ++i) {
        geometry += "nir " + std::to_string(i) + " 4512345.67 512345.67 123.45 1\r\n";
    }
    struct Row {
        std::string helper;  // empty for plotaktar-cli alone
        std::vector<std::string> args;
        std::string output;
        std::string said = "Disk full";
    };
    const std::vector<Row> rows = {
        {"", {"convert", "big.gplt", "--no-labels", "-o", "z.plt"}, "z.plt"},
        {"", {"run", "open", "big.gplt", "-", "save", "z.plt"}, "z.plt"},
        {"", {"batch", "big.gplt", "-o", "out"}, "out/big.plt"},
        // The dump says what the system says, as for any other failure of its file.
        {"", {"run", "open", "big.gplt", "-", "dump", "d.json"}, "d.json", "File too large"},
        {"plotaktar-export", {"export", "big.gplt", "--no-labels", "-o", "z.dxf"}, "z.dxf"},
        {"plotaktar-render", {"render", "big.gplt", "--no-labels", "-o", "z.svg"}, "z.svg"},
    };
    for (const Row& row : rows) {
        if (!row.helper.empty() && !Built(row.helper)) {
            continue;
        }
        TempDir dir;
        dir.write("big.gplt", geometry);
        fs::create_directory(dir.path() / "out");
        dir.write(row.output, "old");
        CliStart start;
        start.fileSizeLimit = kLimit;
        const CliResult r = RunCliWith(row.args, dir.path(), start);
        EXPECT_GT(r.status, 0) << row.args[0] << ": " << r.err;
        EXPECT_THAT(r.out + r.err, HasSubstr(row.said)) << row.args[0];
        std::map<std::string, std::string> after = Contents(dir.path());
        EXPECT_EQ(after[row.output], "old") << row.args[0];
        after.erase("big.gplt");
        after.erase(row.output);
        after.erase("out");
        EXPECT_EQ(after, (std::map<std::string, std::string>{})) << row.args[0];
    }
}

// batch runs export in process groups of its own: a Ctrl+C reaches the batch alone, which
// starts no more drawings and lets the running ones finish; a second one, SIGTERM or SIGHUP
// ends them, and each cleans up after itself. batch convert, which converts in its own
// process, ends at a second signal with its temporaries removed.
TEST(Stop, BatchLetsRunningDrawingsFinishAtTheFirstCtrlCAndEndsThemAtTheSecond) {
    struct Row {
        std::string command;
        std::vector<int> signals;
        int status;
        std::string summary;  // empty: the batch was ended before it could give one
    };
    const std::vector<Row> rows = {
        {"export", {SIGINT}, 130, "2 ok, 0 skipped, 0 failed"},
        {"export", {SIGINT, SIGINT}, 130, "0 ok, 0 skipped, 2 failed"},
        {"export", {SIGTERM}, 143, "0 ok, 0 skipped, 2 failed"},
        {"export", {SIGHUP}, 129, "0 ok, 0 skipped, 2 failed"},
        {"convert", {SIGINT}, 130, "2 ok, 0 skipped, 0 failed"},
        {"convert", {SIGINT, SIGINT}, -SIGINT, ""},
        {"convert", {SIGTERM, SIGTERM}, -SIGTERM, ""},
    };
    for (const Row& row : rows) {
        if (row.command == "export" && !Built("plotaktar-export")) {
            continue;
        }
        const std::string extension = row.command == "export" ? ".gpkg" : ".plt";
        TempDir dir;
        fs::create_directory(dir.path() / "arch");
        for (const char* name : {"a", "b"}) {
            fs::copy_file(Sample("pafta12.gplt"),
                          dir.path() / "arch" / (std::string(name) + ".gplt"));
            fs::copy_file(Sample("pafta12.yaz"),
                          dir.path() / "arch" / (std::string(name) + ".yaz"));
        }
        dir.write("arch/a" + extension, "old");
        const auto before = Contents(dir.path() / "arch");
        const std::string reached = dir.file("reached");
        CliStart start;
        start.environment = {
            "PLOTAKTAR_TEST_HOOK=" +
            std::string(row.command == "export" ? "copying-into-place" : "replacing-file-commit") +
            " pause " + reached};
        start.started = [&](int pid) {
            for (int waited = 0; waited < 600 && !fs::exists(reached); ++waited) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            for (int signal : row.signals) {
                kill(-pid, signal);
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
        };
        std::vector<std::string> args = {"batch", row.command, "--force", "arch", "-j", "2"};
        if (row.command == "export") {
            args.insert(args.end(), {"--format", "gpkg", "--crs=EPSG:5254"});
        }
        const CliResult r = RunCliWith(args, dir.path(), start);
        const std::string what = row.command + ", " + std::to_string(row.signals.size()) +
                                 " signals, the first " + std::to_string(row.signals[0]);
        EXPECT_EQ(r.status, row.status) << what << "\n" << r.err;
        if (!row.summary.empty()) {
            EXPECT_THAT(r.out, HasSubstr(row.summary)) << what << "\n" << r.err;
        }
        const auto after = Contents(dir.path() / "arch");
        if (row.summary.starts_with("2 ok")) {
            EXPECT_EQ(after.size(), before.size() + 1) << what;
            for (const std::string name : {"a", "b"}) {
                const std::string output = name + extension;
                EXPECT_TRUE(after.count(output) && after.at(output) != "old")
                    << what << ": " << output;
            }
        } else {
            EXPECT_EQ(after, before) << what << "\n" << r.err;
        }
    }
}

}  // namespace
}  // namespace plotaktar::testing
