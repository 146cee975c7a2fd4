// batch: many drawings in one run of plotaktar-cli, each output the bytes `convert` writes,
// every failure named, and an interrupted run leaving only complete files.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

extern char** environ;

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;

// The plot file that `convert` writes for GEOMETRY with the labels beside it.
std::string Converted(const TempDir& dir, const std::string& geometry) {
    const std::string output = dir.file("expected.plt");
    const CliResult result = RunCli({"convert", geometry, "-o", output});
    EXPECT_EQ(result.status, 0) << result.err;
    std::string bytes = ReadFile(output);
    fs::remove(output);
    return bytes;
}

// The files under `folder`, as paths relative to it.
std::vector<std::string> FilesUnder(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_directory()) {
            files.push_back(entry.path().lexically_relative(folder).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

size_t Count(const std::string& text, std::string_view piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
        ++n;
    }
    return n;
}

// The sample drawing with its labels, the sample's geometry without labels, and one whose
// export stops at a point on layer 200, under arch/; a pipe named like a drawing beside.
struct Archive {
    TempDir dir;
    std::string sample, bare, badLayer, pipe;

    Archive() {
        fs::create_directories(dir.path() / "arch" / "a");
        fs::create_directories(dir.path() / "arch" / "b");
        const std::string geometry = ReadFile(Sample("pafta12.gplt"));
        sample = dir.write("arch/a/pafta12.gplt", geometry);
        dir.write("arch/a/pafta12.yaz", ReadFile(Sample("pafta12.yaz")));
        dir.write("arch/a/pafta12.yfn", ReadFile(Sample("pafta12.yfn")));
        bare = dir.write("arch/b/bare.gplt", geometry);
        badLayer = dir.write("arch/b/badlayer.gplt",
                             geometry + "nok 9001 4512360.12 512301.45 119.80 200\r\n");
        pipe = dir.file("pipe.gplt");
        EXPECT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    }
};

TEST(Batch, AnArchiveConvertsAsConvertDoesAndNamesWhatFailed) {
    Archive archive;
    const fs::path root = archive.dir.path();
    const std::string out = archive.dir.file("out");
    const std::string report = archive.dir.file("report.json");
    const std::string missing = archive.dir.file("missing.gplt");
    const std::vector<std::string> args = {"batch",      archive.dir.file("arch"),
                                           archive.pipe, missing,
                                           "-o",         out,
                                           "--report",   report,
                                           "-j",         "2"};
    CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 1) << result.err;

    // The good drawings' outputs are convert's bytes, mirrored under OUTDIR; the failed
    // drawings left nothing, and no temporary stayed.
    EXPECT_EQ(FilesUnder(out), (std::vector<std::string>{"a/pafta12.plt", "b/bare.plt"}));
    EXPECT_EQ(ReadFile(out + "/a/pafta12.plt"), Converted(archive.dir, archive.sample));
    EXPECT_EQ(ReadFile(out + "/b/bare.plt"), Converted(archive.dir, archive.bare));
    EXPECT_NE(ReadFile(out + "/a/pafta12.plt"), ReadFile(out + "/b/bare.plt"));

    // Each failure named once, with convert's own messages.
    for (const std::string& failed : {archive.badLayer, archive.pipe, missing}) {
        EXPECT_EQ(Count(result.err, "plotaktar-cli: failed: " + failed + "\n"), 1u) << result.err;
    }
    EXPECT_NE(result.err.find(archive.badLayer + ":"), std::string::npos);
    EXPECT_NE(result.err.find("the cell stopping the export"), std::string::npos);
    EXPECT_NE(result.err.find("not a regular file"), std::string::npos);
    EXPECT_NE(result.out.find("ok " + archive.sample + " -> " + out + "/a/pafta12.plt"),
              std::string::npos);
    EXPECT_NE(result.out.find("5 drawings, 2 ok, 0 skipped, 3 failed, 3 without label files"),
              std::string::npos)
        << result.out;

    // One JSON object a line per drawing; the drawing without labels has none.
    const std::string lines = ReadFile(report);
    EXPECT_EQ(Count(lines, "\n"), 5u);
    EXPECT_EQ(Count(lines, "\"status\":\"ok\""), 2u);
    EXPECT_EQ(Count(lines, "\"status\":\"failed\""), 3u);
    EXPECT_NE(lines.find("\"geometry\":\"" + archive.bare + "\",\"labels\":null"),
              std::string::npos);
    EXPECT_NE(lines.find("\"failures\":[{\"line\":"), std::string::npos);

    // Run again: outputs newer than their inputs are skipped, unless forced.
    result = RunCli(args);
    EXPECT_EQ(Count(result.out, "skipped "), 2u) << result.out;
    std::vector<std::string> forced = args;
    forced.push_back("--force");
    result = RunCli(forced);
    EXPECT_EQ(Count(result.out, "ok "), 2u) << result.out;
}

TEST(Batch, PathsFromStandardInputAndAnOutputFolderThatCannotBeWritten) {
    Archive archive;
    const std::string out = archive.dir.file("out");
    const std::string command = "printf '%s\\0%s\\0' '" + archive.sample + "' '" + archive.bare +
                                "' | '" PLOTAKTAR_CLI "' batch - -0 -o '" + out +
                                "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    // Drawings named by absolute paths land under OUTDIR by their names.
    EXPECT_EQ(FilesUnder(out), (std::vector<std::string>{"bare.plt", "pafta12.plt"}));

    const std::string file = archive.dir.write("file", "x");
    const CliResult result = RunCli({"batch", archive.sample, "-o", file + "/out"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(file + "/out: cannot hold the outputs (Not a directory)"),
              std::string::npos)
        << result.err;
    EXPECT_FALSE(FileExists(file + "/out"));

    for (const std::vector<std::string>& usage :
         std::vector<std::vector<std::string>>{{"batch"},
                                               {"batch", "export", archive.sample},
                                               {"batch", "convert", "--crs", "TM30", "x.gplt"},
                                               {"batch", "x.gplt", "-j", "0"},
                                               {"batch", "check", "x.gplt", "-o", "out"}}) {
        EXPECT_EQ(RunCli(usage).status, 2) << usage.back();
    }
}

// A drawing big enough to take a while to convert: the sample's layers and many points.
std::string BigGeometry() {
    std::string geometry = ReadFile(Sample("pafta12.gplt"));
    for (int i = 0; i < 60000; ++i) {
        geometry += "nok " + std::to_string(10000 + i) + " 4512360.12 512301.45 119.80 8\r\n";
    }
    return geometry;
}

TEST(Batch, InterruptedLeavesEveryOutputCompleteAndNoTemporary) {
    TempDir dir;
    fs::create_directories(dir.path() / "arch");
    const std::string big = dir.write("big.gplt", BigGeometry());
    constexpr int kDrawings = 40;
    for (int i = 0; i < kDrawings; ++i) {
        fs::create_symlink(big, dir.path() / "arch" / ("d" + std::to_string(i) + ".gplt"));
    }
    const std::string expected = Converted(dir, big);

    const std::string cli = PLOTAKTAR_CLI;
    const std::string arch = dir.file("arch");
    std::vector<const char*> argv = {cli.c_str(), "batch", arch.c_str(), "-j", "1", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, cli.c_str(), &actions, nullptr,
                          const_cast<char* const*>(argv.data()), environ),
              0);
    posix_spawn_file_actions_destroy(&actions);
    // Interrupted once the first output is in place, while the next ones are being written.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto outputs = [&] {
        size_t n = 0;
        for (const auto& entry : fs::directory_iterator(arch)) {
            n += entry.path().extension() == ".plt";
        }
        return n;
    };
    while (outputs() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);

    size_t complete = 0;
    for (const std::string& name : FilesUnder(arch)) {
        if (name.size() > 4 && name.substr(name.size() - 4) == ".plt") {
            EXPECT_EQ(ReadFile(arch + "/" + name), expected) << name;
            ++complete;
        } else {
            EXPECT_EQ(name.substr(name.size() - 5), ".gplt") << "left behind: " << name;
        }
    }
    EXPECT_GE(complete, 1u);
    EXPECT_LT(complete, static_cast<size_t>(kDrawings));
}

// export and check are commands of their own; batch runs them once per drawing. Where this
// build has not got them yet, there is nothing to run.
TEST(Batch, ExportAndCheckRunTheirOwnCommands) {
    Archive archive;
    auto available = [](const CliResult& run) {
        return run.err.find("unknown command") == std::string::npos;
    };
    const bool check = available(RunCli({"check", archive.sample}));
    const bool exports =
        available(RunCli({"export", archive.sample, "-o", archive.dir.file("x.dxf")}));
    if (!check && !exports) {
        GTEST_SKIP() << "this build has neither export nor check";
    }
    if (check) {
        // The sample's parcels have areas off their declared ones: error findings, no failure.
        const std::string report = archive.dir.file("report.json");
        const CliResult result =
            RunCli({"batch", "check", archive.sample, archive.bare, "--report", report});
        EXPECT_EQ(result.status, 3) << result.err;
        EXPECT_EQ(Count(ReadFile(report), "\"findings\":{"), 2u);
        EXPECT_EQ(Count(ReadFile(report), "\"status\":\"findings\""), 2u);
        // Each drawing's line carries its counts as check's own summary says them.
        EXPECT_NE(result.out.find("findings " + archive.sample +
                                  ": 3 errors, 0 warnings (parcel-area 3) ("),
                  std::string::npos)
            << result.out;
        // On a terminal the bar stands for those lines: each drawing with findings is named
        // with its counts and first findings above it.
        const std::string terminal = archive.dir.file("terminal.txt");
        const std::string script = "script -qec '" + std::string(PLOTAKTAR_CLI) +
                                   " batch check -j 1 " + archive.sample + "' " + terminal +
                                   " >/dev/null 2>&1";
        if (std::system(script.c_str()) != -1 && FileExists(terminal)) {
            const std::string shown = ReadFile(terminal);
            EXPECT_NE(shown.find(archive.sample + ": 3 errors, 0 warnings (parcel-area 3)\r\n  " +
                                 archive.sample + ":34: error: parcel-area: 105/12: "),
                      std::string::npos)
                << shown;
            EXPECT_NE(shown.find(":45: error: parcel-area: 106/1: "), std::string::npos) << shown;
        }
    }
    if (exports) {
        const CliResult result = RunCli(
            {"batch", "export", archive.sample, "--format", "dxf", "-o", archive.dir.file("out")});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(FileExists(archive.dir.file("out") + "/pafta12.dxf"));
        // An export option's value is the option's, not a drawing.
        const CliResult numbered =
            RunCli({"batch", "export", archive.sample, "--format", "dxf", "--point-numbers", "text",
                    "-o", archive.dir.file("numbered")});
        EXPECT_EQ(numbered.status, 0) << numbered.err;
        EXPECT_NE(ReadFile(archive.dir.file("numbered") + "/pafta12.dxf").find("NOKTA_NO"),
                  std::string::npos);
        // A Shapefile is a set a kind, NAME-noktalar.shp ...: once all are written, it is skipped.
        const std::vector<std::string> shp = {"batch",    "export", archive.sample,
                                              "--format", "shp",    "--crs",
                                              "TM30",     "-o",     archive.dir.file("shp")};
        EXPECT_EQ(RunCli(shp).status, 0);
        EXPECT_TRUE(FileExists(archive.dir.file("shp") + "/pafta12-parseller.dbf"));
        const CliResult again = RunCli(shp);
        EXPECT_EQ(Count(again.out, "skipped "), 1u) << again.out;
        EXPECT_NE(again.out.find("/pafta12-*.shp are newer than its inputs"), std::string::npos)
            << again.out;
        // A set's QGIS style is part of it: a set without it is written again, style and all.
        const std::string style = archive.dir.file("shp") + "/pafta12-yazilar.qml";
        ASSERT_TRUE(FileExists(style));
        std::filesystem::remove(style);
        const CliResult restyled = RunCli(shp);
        EXPECT_EQ(Count(restyled.out, "skipped "), 0u) << restyled.out;
        EXPECT_TRUE(FileExists(style));
    }
}

// An option that export or check refuses refuses the whole batch, up front (status 2, the
// command's own words), instead of failing every drawing of the archive one by one.
TEST(Batch, OptionsTheCommandRefusesStopTheBatchBeforeAnyDrawing) {
    Archive archive;
    struct Row {
        std::vector<std::string> options;
        const char* said;
    };
    const Row rows[] = {
        {{"check", "--scale", "BAD"}, "check: --scale takes the N of 1:N"},
        {{"check", "--scale=0"}, "check: --scale takes the N of 1:N"},
        {{"check", "--area-rule", "foo"}, "check: --area-rule takes imar, kirsal or none"},
        {{"check", "--format", "xml"}, "check: --format takes text or json"},
        {{"check", "--bogus"}, "check: unknown option '--bogus'"},
        {{"export", "--format", "xyz"}, "export: --format 'xyz' is none of"},
        {{"export", "--format", "kml"}, "so the drawing's coordinate system must be named"},
        {{"export", "--format", "dxf", "--to", "TM30"}, "export: --to needs the drawing's"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> argv = {"batch"};
        argv.insert(argv.end(), row.options.begin(), row.options.end());
        argv.push_back(archive.dir.file("arch"));
        if (row.options[0] == "export") {
            argv.insert(argv.end(), {"-o", archive.dir.file("out")});
        }
        const CliResult result = RunCli(argv);
        EXPECT_EQ(result.status, 2) << row.options[1] << "\n" << result.err;
        EXPECT_NE(result.err.find(row.said), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("failed: "), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << row.options[1];
        EXPECT_FALSE(fs::exists(archive.dir.file("out"))) << row.options[1];
    }
    // Written --NAME=VALUE, as batch's help allows, check's options reach each run as meant.
    const CliResult written = RunCli(
        {"batch", "check", "--scale=500", "--area-rule=none", "--format=json", archive.sample});
    EXPECT_NE(written.status, 2) << written.err;
    EXPECT_EQ(written.err.find("failed: "), std::string::npos) << written.err;
}

// A plotaktar-cli whose helper programs are not installed beside it: every command that needs
// one says so once, with the status of a broken installation, before any drawing is read and
// with nothing written.
TEST(Batch, AMissingHelperIsSaidOnceBeforeTheFirstDrawing) {
    Archive archive;
    const std::string alone = archive.dir.file("bin/plotaktar-cli");
    fs::create_directories(archive.dir.path() / "bin");
    fs::copy_file(PLOTAKTAR_CLI, alone);
    struct Row {
        std::vector<std::string> args;
        const char* helper;
    };
    const std::string arch = archive.dir.file("arch");
    const std::string out = archive.dir.file("out");
    const Row rows[] = {
        {{"batch", "export", "--format", "dxf", arch, "-o", out}, "plotaktar-export"},
        {{"batch", "export", "--format", "gpkg", "--crs", "TM30", arch, "-o", out},
         "plotaktar-export"},
        {{"batch", "check", arch}, "plotaktar-check"},
        {{"export", archive.sample, "-o", out + ".dxf"}, "plotaktar-export"},
        {{"check", archive.sample}, "plotaktar-check"},
        {{"render", archive.sample, "-o", out + ".png"}, "plotaktar-render"},
        {{"diff", archive.sample, archive.sample, "-o", out + ".png"}, "plotaktar-render"},
    };
    for (const Row& row : rows) {
        const std::string what = row.args[0] + " " + row.args[1];
        CliStart start;
        start.program = alone;
        const CliResult r = RunCliWith(row.args, {}, start);
        EXPECT_EQ(r.status, 2) << what << "\n" << r.err;
        EXPECT_EQ(Count(r.err, "cannot start"), 1u) << what << "\n" << r.err;
        EXPECT_NE(r.err.find(std::string("plotaktar-cli: cannot start ") + row.helper + " ("),
                  std::string::npos)
            << what << "\n"
            << r.err;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_FALSE(fs::exists(out)) << what;
        EXPECT_FALSE(fs::exists(out + ".dxf") || fs::exists(out + ".png")) << what;
    }
}

// A drawing without a label file beside it is the usual case in some archives: batch counts
// them in its summary instead of a line each. Two label files that differ only in case are
// named, as convert names them, and neither is read.
TEST(Batch, DrawingsWithoutLabelFilesAreCountedInTheSummary) {
    Archive archive;
    const std::string q = archive.dir.write("arch/b/q.gplt", ReadFile(Sample("pafta12.gplt")));
    archive.dir.write("arch/b/q.YAZ", ReadFile(Sample("pafta12.yaz")));
    archive.dir.write("arch/b/Q.yaz", ReadFile(Sample("pafta12.yaz")));
    const std::string several = q + ": warning: 2 label files beside it differ only in case (" +
                                archive.dir.file("arch/b/Q.yaz") + ", " +
                                archive.dir.file("arch/b/q.YAZ") + "); no labels\n";
    const std::string arch = archive.dir.file("arch");
    const struct {
        std::vector<std::string> args;
        const char* summary;
    } cases[] = {
        // bare.gplt and badlayer.gplt; q.gplt is named instead.
        {{"batch", arch, "-o", archive.dir.file("out")},
         "batch convert: 4 drawings, 3 ok, 0 skipped, 1 failed, 2 without label files in "},
        {{"batch", arch, "-o", archive.dir.file("bare"), "--no-labels"},
         "batch convert: 4 drawings, 3 ok, 0 skipped, 1 failed in "},
        // Counted by batch, not by the command it runs for each drawing.
        {{"batch", "check", arch}, " with error findings, 2 without label files in "},
    };
    for (const auto& c : cases) {
        const CliResult result = RunCli(c.args);
        if (result.err.find("this build has no check") != std::string::npos) {
            continue;
        }
        const std::string summary =
            result.out.substr(result.out.rfind('\n', result.out.size() - 2) + 1);
        EXPECT_NE(summary.find(c.summary), std::string::npos) << summary;
        EXPECT_EQ(result.err.find("no label file beside it"), std::string::npos) << result.err;
        const bool noLabels = c.args.back() == "--no-labels";
        EXPECT_EQ(Count(result.err, several), noLabels ? 0u : 1u) << result.err;
    }
}

// A report that a full disk cuts short is named, the status says so, and the old report at its
// name stays as it was: the report is put in place only whole.
TEST(Batch, AReportCutShortByAFullDiskLeavesTheOldOne) {
    TempDir dir;
    const std::string drawing = ReadFile(Sample("pafta12.gplt"));
    fs::create_directory(dir.path() / "arch");
    for (int i = 0; i < 100; ++i) {
        dir.write("arch/d" + std::to_string(i) + ".gplt", drawing);
    }
    const fs::path mnt = dir.path() / "mnt";
    std::optional<std::string> outcome = WithSmallTmpfs(
        mnt,
        [&] {
            dir.write("mnt/r.json", "old");
            const CliResult r =
                RunCli({"batch", "arch", "-o", "out", "--report", "mnt/r.json"}, dir.path());
            std::string seen = std::to_string(r.status) + " " + ReadFile(dir.file("mnt/r.json"));
            for (const auto& entry : fs::directory_iterator(mnt)) {
                seen += " " + entry.path().filename().string();
            }
            return seen + "\n" + r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1);
        },
        "16k");
    if (!outcome) {
        GTEST_SKIP() << "needs a tmpfs mount (root or CAP_SYS_ADMIN)";
    }
    EXPECT_EQ(*outcome,
              "2 old r.json\nplotaktar-cli: mnt/r.json: the report could not be written "
              "completely (No space left on device); mnt/r.json left as it was\n");
}

// What a batch could not do is named and in its status: a report it could not write whole, a
// folder or drawing under a path that cannot be read; a drawing named like an option is a
// drawing to export and check too. Rows marked `asNobody` run without root, which reads
// everything.
// What standard output says of each drawing, without its time, in the order of the paths.
std::vector<std::string> SaidPerDrawing(const std::string& out) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = out.substr(at, end - at);
        if (line.starts_with("batch ")) {
            continue;  // the summary, with the run's time
        }
        lines.push_back(line.substr(0, line.rfind(" (")));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(Batch, AnArchiveLookedAtOnSeveralThreadsGivesWhatOneThreadGives) {
    // Enough drawings for the archive's files to be looked at on several threads: with label
    // files and without, two that would write one output, one named that does not exist, and
    // on a second run some whose inputs changed since their outputs were written.
    TempDir dir;
    const std::string geometry = ReadFile(Sample("pafta12.gplt"));
    const std::string labels = ReadFile(Sample("pafta12.yaz"));
    for (int i = 0; i < 240; ++i) {
        const std::string name = "arch/f" + std::to_string(i % 7) + "/d" + std::to_string(i);
        fs::create_directories(dir.path() / ("arch/f" + std::to_string(i % 7)));
        dir.write(name + ".gplt", geometry);
        if (i % 3 == 0) {
            dir.write(name + ".yaz", labels);
        }
    }
    // A link to a folder is not followed: this one would find the archive again, and again.
    fs::create_directory_symlink(dir.path() / "arch", dir.path() / "arch/f1/again");
    fs::create_directories(dir.path() / "f5");
    dir.write("f5/d5.gplt", geometry);  // its output is that of arch/f5/d5.gplt under "out"
    const std::vector<std::string> paths = {"arch", "missing.gplt", "f5/d5.gplt"};
    auto run = [&](const char* jobs, bool force) {
        std::vector<std::string> args = {"batch", "-j", jobs, "-o", "out"};
        if (force) {
            args.push_back("--force");
        }
        args.insert(args.end(), paths.begin(), paths.end());
        return RunCli(args, dir.path());
    };
    const CliResult one = run("1", true);
    const CliResult four = run("4", true);
    EXPECT_EQ(one.status, 1) << one.err;
    EXPECT_EQ(four.status, 1) << four.err;
    EXPECT_EQ(SaidPerDrawing(four.out), SaidPerDrawing(one.out));
    EXPECT_EQ(Count(four.out, "ok "), 240u) << four.out;
    EXPECT_NE(four.err.find("missing.gplt: No such file or directory"), std::string::npos);
    EXPECT_NE(four.err.find("is also that of arch/f5/d5.gplt"), std::string::npos) << four.err;
    EXPECT_EQ(Count(four.out, "without label files"), 1u);

    // Inputs newer than their outputs run again; the others are skipped.
    for (int i = 0; i < 240; i += 11) {
        const fs::path input =
            dir.path() / ("arch/f" + std::to_string(i % 7) + "/d" + std::to_string(i) + ".gplt");
        fs::last_write_time(input, fs::file_time_type::clock::now() + std::chrono::hours(1));
    }
    const CliResult again = run("4", false);
    EXPECT_EQ(Count(again.out, "ok "), 22u) << again.out;
    EXPECT_EQ(Count(again.out, "skipped "), 218u);
    const CliResult againAlone = run("1", false);
    EXPECT_EQ(SaidPerDrawing(againAlone.out), SaidPerDrawing(again.out));
}

TEST(Batch, WhatCannotBeDoneIsNamedAndCounted) {
    struct Case {
        std::vector<std::string> args;
        std::function<void(const TempDir&)> prepare;
        int status;
        std::string said;  // on standard error, or with `onOutput` on standard output
        bool onOutput = false;
        bool asNobody = false;
    };
    const std::vector<Case> cases = {
        {{"batch", "arch", "--report", "/dev/full"},
         {},
         2,
         "plotaktar-cli: /dev/full: the report could not be written completely (No space left "
         "on device)\n"},
        {{"batch", "export", "--format", "dxf", "--", "-a.gplt"},
         [](const TempDir& d) { d.write("-a.gplt", ReadFile(Sample("pafta12.gplt"))); },
         0,
         "ok -a.gplt -> -a.dxf",
         true},
        {{"batch", "check", "--", "-a.gplt"},
         [](const TempDir& d) { d.write("-a.gplt", ReadFile(Sample("pafta12.gplt"))); },
         3,
         "findings -a.gplt",
         true},
        {{"batch", "check", "arch"},
         [](const TempDir& d) { fs::create_symlink(d.path() / "none", d.path() / "arch/x.gplt"); },
         1,
         "plotaktar-cli: arch/x.gplt: No such file or directory\n"},
        {{"batch", "check", "arch"},
         [](const TempDir& d) {
             fs::create_directories(d.path() / "arch/locked");
             d.write("arch/locked/q.gplt", ReadFile(Sample("pafta12.gplt")));
             fs::permissions(d.path() / "arch/locked", fs::perms::none);
         },
         1,
         "plotaktar-cli: arch/locked: Permission denied (a folder that cannot be read; its "
         "drawings are not found)\n",
         false,
         true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::create_directories(dir.path() / "arch");
        dir.write("arch/p.gplt", ReadFile(Sample("pafta12.gplt")));
        if (c.prepare) {
            c.prepare(dir);
        }
        const std::string row = ::testing::PrintToString(c.args);
        CliResult r;
        if (c.asNobody) {
            const std::optional<std::string> said = RunInChild(
                [&] {
                    const CliResult run = RunCli(c.args, dir.path());
                    return std::to_string(run.status) + "\n" + run.err;
                },
                true);
            if (!said) {
                continue;  // no way to give up root here
            }
            r.status = std::stoi(*said);
            r.err = said->substr(said->find('\n') + 1);
        } else {
            r = RunCli(c.args, dir.path());
        }
        if (fs::exists(dir.path() / "arch/locked")) {
            fs::permissions(dir.path() / "arch/locked", fs::perms::owner_all);
        }
        EXPECT_EQ(r.status, c.status) << row << "\n" << r.err;
        EXPECT_NE((c.onOutput ? r.out : r.err).find(c.said), std::string::npos) << row << "\n"
                                                                                << r.out << r.err;
        EXPECT_EQ(r.err.find("unknown option"), std::string::npos) << row;
    }
}

}  // namespace
}  // namespace plotaktar::testing
