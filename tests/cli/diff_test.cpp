// plotaktar-cli diff as a process: its exit statuses, its refusals, the sample against its
// revision in samples/revizyon/, and a drawing against its own plot file.

#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

#ifdef _WIN32

TEST(Diff, TheWindowsBuildSaysItHasNoDiff) {
    // Its help too, and a usage error: there is no diff to read them for.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"diff", Sample("pafta12.gplt"), Sample("pafta12.gplt")},
          {"diff", "--help"},
          {"diff", "a.gplt"}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err,
                  "plotaktar-cli: diff needs the Linux build; this build has no diff command\n");
    }
}

#else

std::string Revision(std::string_view name) {
    return Sample("revizyon/" + std::string(name));
}

TEST(Diff, StatusesZeroWhenTheSameThreeWhenTheyDifferTwoForUsageAndUnreadableSides) {
    CliResult r = RunCli({"diff", Sample("pafta12.gplt"), Sample("pafta12.gplt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0 changes\n");

    r = RunCli({"diff", Sample("pafta12.gplt"), Revision("pafta12.gplt")});
    EXPECT_EQ(r.status, 3) << r.err;

    // A move of 0.35 m is no change within half a metre.
    r = RunCli({"diff", "--tolerance", "0.5", Sample("pafta12.gplt"), Revision("pafta12.gplt")});
    EXPECT_EQ(r.out.find("point-moved"), std::string::npos) << r.out;

    TempDir dir;
    const std::string missing = dir.file("yok.gplt");
    r = RunCli({"diff", Sample("pafta12.gplt"), missing});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("yok.gplt: No such file or directory"), std::string::npos) << r.err;

    // Another program's file named .plt is no drawing to compare.
    const std::string hpgl = dir.write("cizici.plt", "IN;SP1;PU0,0;PD100,100;\n");
    r = RunCli({"diff", hpgl, Sample("pafta12.gplt")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not a plot file"), std::string::npos) << r.err;

    const std::vector<std::vector<std::string> > usage = {
        {"diff", Sample("pafta12.gplt")},
        {"diff", "a.gplt", "b.gplt", "c.gplt"},
        {"diff", "a.gplt", "b.gplt", "--tolerance", "0"},
        {"diff", "a.gplt", "b.gplt", "--tolerance", "-0.5"},
        {"diff", "a.gplt", "b.gplt", "--tolerance", "nan"},
        {"diff", "a.gplt", "b.gplt", "--tolerance", "1cm"},
        {"diff", "a.gplt", "b.gplt", "--format", "xml"},
        {"diff", "a.plt", "b.gplt", "--old-labels", "a.yaz"},
        {"diff", "a.gplt", "b.gplt", "--new-labels", "b.yaz", "--new-no-labels"},
        {"diff", "a.gplt", "b.gplt", "--scale", "500"},
        {"diff", "a.gplt", "b.gplt", "-o", "fark.png", "--scale", "0"},
        {"diff", "a.gplt", "b.gplt", "-o", "fark.txt"},
    };
    for (const auto& args : usage) {
        r = RunCli(args, dir.path());
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_NE(r.err.find("Try 'plotaktar-cli diff --help'."), std::string::npos) << r.err;
    }
    EXPECT_NE(RunCli({"--help"}).out.find("diff OLD NEW"), std::string::npos);
    r = RunCli({"diff", "-h"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: plotaktar-cli diff OLD NEW", 0), 0u) << r.out;
}

TEST(Diff, TheSampleAgainstItsRevisionAsTextAndJson) {
    TempDir dir;
    CliResult r = RunCli({"diff", Sample("pafta12.gplt"), Revision("pafta12.gplt")});
    ASSERT_EQ(r.status, 3) << r.err;
    const std::string old = Sample("pafta12.gplt"), now = Revision("pafta12.gplt");
    EXPECT_NE(r.out.find(old + ":20 " + now + ":19 point-moved 2503 noktası 0.350 m kaydı\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(old + ":39 " + now +
                         ":40 parcel-divided 105/13 parseli bölündü: "
                         "105/14, 105/15\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("- " + Revision("pafta12.yaz") + ":4 label-added \"15\" yazısı eklendi\n"),
              std::string::npos);
    EXPECT_TRUE(r.out.ends_with(
        "\n14 changes (point-moved 1, point-height-changed 1, point-layer-changed 1, point-added "
        "1, point-removed 1, line-moved 1, line-added 1, parcel-area-changed 1, parcel-divided "
        "1, label-moved 1, label-changed 1, label-added 1, building-changed 1, layer-changed 1)\n"))
        << r.out;

    // The JSON read back by Python's own reader.
    r = RunCli({"diff", "--format", "json", Sample("pafta12.gplt"), Revision("pafta12.gplt")});
    ASSERT_EQ(r.status, 3);
    const std::string json = dir.write("fark.json", r.out);
    EXPECT_EQ(Shell("/usr/bin/python3 -c 'import json,sys; d = json.load(open(sys.argv[1])); "
                    "c = [x for x in d[\"changes\"] if x[\"code\"] == \"point-moved\"][0]; "
                    "print(len(d[\"changes\"]), d[\"summary\"][\"by_code\"][\"parcel-divided\"], "
                    "round(c[\"distance\"], 3), c[\"old_x\"], c[\"new_x\"], c[\"old_line\"], "
                    "d[\"summary\"][\"not_compared\"])' " +
                    json),
              "14 1 0.35 4512384.1 4512384.45 20 []\n");
}

// An archive's plot file against the drawing it came from: the same but for what a plot file
// does not hold, which the summary names.
TEST(Diff, ADrawingAgainstItsPlotFileDiffersInNothing) {
    TempDir dir;
    const std::string plot = dir.file("pafta12.plt");
    ASSERT_EQ(RunCli({"convert", Sample("pafta12.gplt"), "-o", plot}).status, 0);
    for (const auto& args : {std::vector<std::string>{"diff", plot, Sample("pafta12.gplt")},
                             std::vector<std::string>{"diff", Sample("pafta12.gplt"), plot}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.out, "0 changes; not compared: symbols, buildings, slopes, declared areas\n");
    }
    const std::string revised = dir.file("revizyon.plt");
    ASSERT_EQ(RunCli({"convert", Revision("pafta12.gplt"), "-o", revised}).status, 0);
    const CliResult r = RunCli({"diff", plot, revised, "--format", "json"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("\"not_compared\": [\"symbols\", \"buildings\", \"slopes\", "
                         "\"declared areas\"]"),
              std::string::npos);
    EXPECT_EQ(r.out.find("parcel-area-changed"), std::string::npos);
    EXPECT_NE(r.out.find("parcel-divided"), std::string::npos);
}

#endif

}  // namespace
}  // namespace plotaktar::testing
