// The command line as plotaktar-cli and its helpers read it: every spelling the tool has always
// taken, the refusals in its own words, and a help for every command.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cli/batch_args.h"
#include "cli/check_command.h"
#include "cli/check_glance.h"
#include "cli/command_line.h"
#include "cli/diff_command.h"
#include "cli/export_command.h"
#include "cli/render_command.h"

namespace plotaktar::cli {
namespace {

using Args = std::vector<std::string>;

struct Spelling {
    Args args;
    std::function<void(const Args&)> expect;
};

TEST(CommandLine, EverySpellingIsReadAsBefore) {
    auto convert = [](const Args& a) { return ParseCommandLine(a).convert; };
    auto batch = [](const Args& a) { return ParseCommandLine(a).batch; };
    const Spelling spellings[] = {
        {{"convert", "p.gplt", "-o", "out.plt"},
         [&](const Args& a) {
             EXPECT_EQ(convert(a).geometry, "p.gplt");
             EXPECT_EQ(convert(a).output, "out.plt");
         }},
        // After "--" names are names, whatever they start with; "-" is a name anywhere.
        {{"convert", "-o", "-", "--", "-p.gplt", "--no-labels"},
         [&](const Args& a) {
             EXPECT_EQ(convert(a).output, "-");
             EXPECT_EQ(convert(a).geometry, "-p.gplt");
             EXPECT_EQ(convert(a).labels, "--no-labels");
             EXPECT_FALSE(convert(a).noLabels);
         }},
        // A path that starts with "/" is a path, in the Windows build too.
        {{"convert", "/d/p.gplt", "/d/p.yaz", "-o", "/d/p.plt"},
         [&](const Args& a) {
             EXPECT_EQ(convert(a).geometry, "/d/p.gplt");
             EXPECT_EQ(convert(a).labels, "/d/p.yaz");
         }},
        {{"convert", "--no-labels", "p.gplt", "-o", "--"},
         [&](const Args& a) {
             EXPECT_TRUE(convert(a).noLabels);
             EXPECT_EQ(convert(a).output, "--");
         }},
        {{"export", "p.gplt", "-o", "x.geojson", "--crs", "TM30"},
         [](const Args& a) { EXPECT_EQ(ParseExport(a).crs, 5254); }},
        {{"export", "p.gplt", "-o", "x.geojson", "--crs=TM30", "--to=EPSG:4326"},
         [](const Args& a) {
             EXPECT_EQ(ParseExport(a).crs, 5254);
             EXPECT_EQ(ParseExport(a).to, 4326);
         }},
        {{"export", "--format=shp", "-o", "x", "p.gplt", "p.yaz"},
         [](const Args& a) {
             EXPECT_EQ(ParseExport(a).format, "shp");
             EXPECT_EQ(ParseExport(a).labels, "p.yaz");
         }},
        {{"render", "p.gplt", "-o", "x.pdf", "--scale", "1:1000"},
         [](const Args& a) { EXPECT_EQ(ParseRender(a).scale, 1000); }},
        {{"render", "p.gplt", "-o", "x.pdf", "--scale=1/2500", "--paper", "A4", "--landscape"},
         [](const Args& a) {
             EXPECT_EQ(ParseRender(a).scale, 2500);
             EXPECT_EQ(ParseRender(a).paper, "A4");
             EXPECT_EQ(ParseRender(a).orientation, 1);
         }},
        {{"render", "p.plt", "-o", "x.png", "--size", "10x20"},
         [](const Args& a) {
             EXPECT_EQ(ParseRender(a).width, 10);
             EXPECT_EQ(ParseRender(a).height, 20);
             EXPECT_FALSE(ParseRender(a).sheet);
         }},
        {{"render", "p.gplt", "-o", "x.pdf", "--scale", "auto", "--title", "-x"},
         [](const Args& a) {
             EXPECT_EQ(ParseRender(a).scale, 0);
             EXPECT_EQ(ParseRender(a).title, "-x");
         }},
        {{"check", "p.gplt", "--scale", "500"},
         [](const Args& a) { EXPECT_EQ(ParseCheck(a).scale, 500); }},
        {{"check", "p.gplt", "--scale", "1/500", "--area-rule=kirsal", "--format", "json"},
         [](const Args& a) {
             EXPECT_EQ(ParseCheck(a).scale, 500);
             EXPECT_EQ(ParseCheck(a).areaRule, "kirsal");
             EXPECT_TRUE(ParseCheck(a).json);
         }},
#ifndef _WIN32
        {{"diff", "a.gplt", "b.plt", "--old-labels", "x.yaz", "--tolerance", "0.5", "--format",
          "json"},
         [](const Args& a) {
             const DiffArgs diff = ParseDiff(a);
             EXPECT_EQ(diff.oldPath, "a.gplt");
             EXPECT_EQ(diff.newPath, "b.plt");
             EXPECT_EQ(diff.oldLabels, "x.yaz");
             EXPECT_EQ(diff.tolerance, 0.5);
             EXPECT_TRUE(diff.json);
         }},
        // Options anywhere among the files, "=" or not; the picture's options in their order.
        {{"diff", "--new-no-labels", "a.gplt", "--tolerance=2", "-o", "f.pdf", "b.gplt", "--scale",
          "1:500", "--landscape", "--paper=A4", "--old-no-labels"},
         [](const Args& a) {
             const DiffArgs diff = ParseDiff(a);
             EXPECT_EQ(diff.newPath, "b.gplt");
             EXPECT_TRUE(diff.oldNoLabels);
             EXPECT_TRUE(diff.newNoLabels);
             EXPECT_EQ(diff.tolerance, 2);
             EXPECT_EQ(diff.output, "f.pdf");
             EXPECT_EQ(diff.pictureOptions,
                       (Args{"--scale", "1:500", "--landscape", "--paper", "A4"}));
             EXPECT_FALSE(diff.json);
         }},
        {{"diff", "a.gplt", "-o", "-f.png", "--size", "10x20", "--", "-b.gplt"},
         [](const Args& a) {
             const DiffArgs diff = ParseDiff(a);
             EXPECT_EQ(diff.output, "-f.png");
             EXPECT_EQ(diff.newPath, "-b.gplt");
             EXPECT_EQ(diff.pictureOptions, (Args{"--size", "10x20"}));
         }},
#endif
        {{"batch", "a", "-j", "4"}, [&](const Args& a) { EXPECT_EQ(batch(a).jobs, 4); }},
        {{"batch", "a", "-j4"}, [&](const Args& a) { EXPECT_EQ(batch(a).jobs, 4); }},
        {{"batch", "a", "--jobs", "4"}, [&](const Args& a) { EXPECT_EQ(batch(a).jobs, 4); }},
        {{"batch", "a", "--jobs=4", "-j", "2"},
         [&](const Args& a) { EXPECT_EQ(batch(a).jobs, 2); }},
        {{"batch", "-0", "-", "a"},
         [&](const Args& a) {
             EXPECT_TRUE(batch(a).nulSeparated);
             EXPECT_TRUE(batch(a).fromStandardInput);
             EXPECT_EQ(batch(a).paths, Args{"a"});
         }},
        {{"batch", "--", "-0", "a"},
         [&](const Args& a) {
             EXPECT_FALSE(batch(a).nulSeparated);
             EXPECT_EQ(batch(a).paths, (Args{"-0", "a"}));
         }},
        {{"batch", "convert", "--", "-", "-a"},
         [&](const Args& a) {
             EXPECT_FALSE(batch(a).fromStandardInput);
             EXPECT_EQ(batch(a).paths, (Args{"-", "-a"}));
         }},
        {{"batch", "export", "a", "--format", "dxf", "--crs=TM30", "-o", "out", "--no-labels"},
         [&](const Args& a) {
             EXPECT_EQ(batch(a).command, BatchArgs::Command::Export);
             EXPECT_EQ(batch(a).commandOptions, (Args{"--format", "dxf", "--crs", "TM30"}));
             EXPECT_EQ(batch(a).format, "dxf");
             EXPECT_EQ(batch(a).outputFolder, "out");
             EXPECT_TRUE(batch(a).noLabels);
         }},
        {{"batch", "check", "a", "--scale", "1:500", "--report", "r.json"},
         [&](const Args& a) {
             EXPECT_EQ(batch(a).commandOptions, (Args{"--scale", "1:500"}));
             EXPECT_EQ(batch(a).report, "r.json");
         }},
    };
    for (const Spelling& spelling : spellings) {
        SCOPED_TRACE(::testing::PrintToString(spelling.args));
        try {
            spelling.expect(spelling.args);
        } catch (const UsageError& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST(CommandLine, RefusalsAreSaidInTheToolsWordsBeforeAnythingRuns) {
    struct Refusal {
        Args args;
        std::string message;
        std::string help;  // the command whose help the Try line names
    };
    const Refusal refusals[] = {
        {{"convert", "p.gplt", "--force"}, "convert: unknown option '--force'", "convert"},
        {{"convert", "p.gplt", "-x", "--bogus=1"}, "convert: unknown option '-x'", "convert"},
        {{"convert", "-0", "p.gplt"}, "convert: unknown option '-0'", "convert"},
        {{"convert", "p.gplt", "--no-labels=yes"},
         "convert: unknown option '--no-labels=yes'",
         "convert"},
        {{"convert", "p.gplt", "-o"}, "convert: -o needs an OUTPUT path", "convert"},
        {{"convert", "p.gplt", "-o", ""}, "convert: empty OUTPUT path", "convert"},
        {{"export", "p.gplt", "-o", "x.dxf", "--crs"}, "export: --crs needs a value", "export"},
        {{"export", "p.gplt", "-o", "x.dxf", "--crs="}, "export: --crs needs a value", "export"},
        {{"export", "p.gplt", "-o", "x.dxf", "--crs", "TM30", "--crs=TM33"},
         "export: --crs given twice",
         "export"},
        {{"render", "p.gplt", "-o", "x.pdf", "--scale", "2:1000"},
         "render: --scale takes the N of 1:N, 1 to 1000000, or auto; not '2:1000'",
         "render"},
        {{"render", "p.gplt", "-o", "x.pdf", "--paper", "A4"},
         "render: --paper needs --scale",
         "render"},
        {{"render", "p.gplt", "-o", "x.pdf", "--scale", "auto", "--portrait", "--landscape"},
         "render: --landscape and --portrait given together or twice",
         "render"},
        {{"check", "p.gplt", "--scale", "1:0"},
         "check: --scale takes the N of 1:N, 1 to 1000000; not '1:0'",
         "check"},
        {{"batch", "a", "-j"}, "batch convert: -j needs a value", "batch convert"},
        {{"batch", "a", "--jobs=0"},
         "batch convert: -j needs a number of workers from 1 to 1024, not '0'",
         "batch convert"},
        {{"batch", "a", "--crs", "TM30"}, "batch convert: unknown option '--crs'", "batch convert"},
        {{"batch", "-0", "a"},
         "batch convert: -0 reads paths from standard input, which needs -",
         "batch convert"},
        // The options handed to every export or check are checked once, before the first drawing.
        {{"batch", "export", "a", "--format", "dxf", "--bogus"},
         "batch export: unknown option '--bogus'",
         "batch export"},
        {{"batch", "export", "a", "--crs", "TM30"},
         "batch export: --format is needed (it names the outputs' extension)",
         "batch export"},
        {{"batch", "export", "a", "--format", "dxf", "--crs", "TM31"},
         "batch export: --crs 'TM31' is no coordinate system",
         "batch export"},
        {{"batch", "export", "a", "--format", "geojson"}, "batch export: GeoJSON", "batch export"},
        {{"batch", "export", "a", "--format", "xyz"},
         "batch export: --format 'xyz' is none of dxf, gpkg, shp, geojson, kml",
         "batch export"},
        {{"batch", "check", "a", "--scale", "big"},
         "batch check: --scale takes the N of 1:N, 1 to 1000000; not 'big'",
         "batch check"},
        {{"batch", "check", "a", "--area-rule", "x"},
         "batch check: --area-rule takes imar, kirsal or none",
         "batch check"},
        {{"batch", "check", "a", "--crs", "TM30"},
         "batch check: unknown option '--crs'",
         "batch check"},
#ifndef _WIN32
        {{"diff", "a.gplt"}, "diff: OLD and NEW are needed; diff takes OLD NEW", "diff"},
        {{"diff", "a.gplt", "b.gplt", "c.gplt"},
         "diff: too many files; diff takes OLD NEW",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "--tolerance", "0"},
         "diff: --tolerance takes a positive number of metres; not '0'",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "--tolerance=-0.5"},
         "diff: --tolerance takes a positive number of metres; not '-0.5'",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "--tolerance", "nan"},
         "diff: --tolerance takes a positive number of metres; not 'nan'",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "--tolerance"}, "diff: --tolerance needs a value", "diff"},
        {{"diff", "a.gplt", "b.gplt", "--tolerance", "1", "--tolerance", "2"},
         "diff: --tolerance given twice",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "--format", "xml"},
         "diff: --format takes text or json",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "--old-labels", "a.yaz", "--old-no-labels"},
         "diff: --old-labels and --old-no-labels given together",
         "diff"},
        {{"diff", "a.gplt", "b.plt", "--new-no-labels"},
         "diff: new is a plot file, which holds its labels",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "--scale", "500"},
         "diff: --scale is for the picture, which -o names",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "--paper", "A4"},
         "diff: --paper is for the picture, which -o names",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "-o", "f.png", "--paper", "A4"},
         "diff: --paper needs --scale",
         "diff"},
        {{"diff", "a.gplt", "b.gplt", "-o", "f.txt"}, "diff: the output must end in", "diff"},
        {{"diff", "a.gplt", "b.gplt", "-o", ""}, "diff: -o needs a file name", "diff"},
        {{"diff", "a.gplt", "b.gplt", "--no-labels"}, "diff: unknown option '--no-labels'", "diff"},
#endif
        {{"--help", "convert"}, "--help takes no arguments", ""},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(::testing::PrintToString(refusal.args));
        try {
            ParseCommandLine(refusal.args);
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(refusal.message, 0), 0u) << e.what();
            const std::string help = refusal.help.empty() ? "" : refusal.help + " ";
            EXPECT_NE(UsageErrorText(e).find("\nTry 'plotaktar-cli " + help + "--help'.\n"),
                      std::string::npos)
                << UsageErrorText(e);
        }
    }
}

TEST(CommandLine, EveryCommandHasAHelpOfItsOptionsDefaultsAndExitStatuses) {
#ifndef _WIN32
    // The Windows build's help lists what it has in words of its own.
    const std::string tool = UsageText();
    for (const char* command : {"convert", "run", "render", "check", "export", "diff", "batch"}) {
        EXPECT_NE(tool.find(std::string("\n  ") + command + " "), std::string::npos) << command;
    }
#endif
    struct Help {
        Args args;
        std::vector<std::string> says;
    };
    const Help helps[] = {
        {{"convert", "--help"}, {"  GEOMETRY ", "  LABELS ", "  -o OUTPUT ", "  --no-labels "}},
        {{"run", "-h"}, {"  open GEOMETRY LABELS ", "  save OUTPUT ", "  dump STATE.json "}},
        {{"render", "p.gplt", "-h"},
         {"  --scale N|auto ", "(default: A3)", "(default: 300)", "(default: 1600x1000)"}},
        {{"export", "--help"}, {"  --crs CRS ", "  --to CRS ", "  --format FORMAT "}},
        {{"check", "--help"}, {"(default: 1000)", "(default: imar)", "Exit status: 0 no finding"}},
        {{"batch", "-h"}, {"  -j,--jobs N ", "(default: one per core)", "  -0 ", "130 after"}},
        {{"batch", "export", "--help"}, {"  --crs CRS ", "(handed to each run)"}},
        {{"batch", "check", "--help"}, {"  --area-rule RULE "}},
#ifndef _WIN32
        {{"diff", "a.gplt", "--help"},
         {"  OLD ", "  NEW ", "  --old-labels FILE ", "  --new-no-labels ", "  --tolerance M ",
          "(default: 0.01)", "(default: text)", "  -o PICTURE ", "  --scale N|auto ",
          "(for -o, as render)",
          "Exit status: 0 the two are the same within the tolerance; 3 they differ;"}},
#endif
    };
    for (const Help& help : helps) {
        SCOPED_TRACE(::testing::PrintToString(help.args));
        const CommandLine line = ParseCommandLine(help.args);
        EXPECT_EQ(line.action, CommandLine::Action::Help);
        EXPECT_NE(line.help.find("\nExit status: "), std::string::npos) << line.help;
        EXPECT_NE(line.help.find("  -h,--help "), std::string::npos) << line.help;
        EXPECT_EQ(line.help.find("--systems-only"), std::string::npos) << line.help;
        for (const std::string& said : help.says) {
            EXPECT_NE(line.help.find(said), std::string::npos) << said << "\n" << line.help;
        }
        size_t start = 0;
        for (size_t end; (end = line.help.find('\n', start)) != std::string::npos;
             start = end + 1) {
            EXPECT_LE(end - start, 100u) << line.help.substr(start, end - start);
        }
    }
    // A value that looks like a help request is a value.
    EXPECT_EQ(ParseCommandLine({"convert", "p.gplt", "-o", "--help"}).convert.output, "--help");
    EXPECT_EQ(ParseCommandLine({"convert", "--", "-h"}).convert.geometry, "-h");
}

// batch check's line of a drawing, read from the JSON check wrote: its counts as check's text
// gives them and its first findings as check's text lines, controls escaped as there.
TEST(CheckGlance, CountsAndFirstFindingsAsChecksTextSaysThem) {
    const std::string json =
        "{\"findings\": [\n"
        "  {\"code\": \"parcel-area\", \"severity\": \"error\", \"file\": \"a/ş.gplt\", "
        "\"line\": 34, \"table\": \"Ada Parsel\", \"row\": 1, \"message\": \"105/12: "
        "\\\"file\\\": \\\\ \\u001b[2J\\n\", \"limit\": 14.9, \"y\": 1, \"x\": 2},\n"
        "  {\"code\": \"layer-undeclared\", \"severity\": \"warning\", \"file\": \"a/ş.gplt\", "
        "\"line\": null, \"table\": \"Nokta\", \"row\": 2, \"message\": \"m2\"},\n"
        "  {\"code\": \"parcel-area\", \"severity\": \"error\", \"file\": \"a/ş.gplt\", "
        "\"line\": 40, \"table\": \"Ada Parsel\", \"row\": 3, \"message\": \"m3\"}\n"
        "],\n"
        " \"summary\": {\"errors\": 2, \"warnings\": 1, \"by_code\": {\"layer-undeclared\": 1, "
        "\"parcel-area\": 2}}}\n";
    const std::optional<CheckGlance> glance = GlanceAtCheck(json, 2);
    ASSERT_TRUE(glance);
    EXPECT_EQ(glance->summary, "2 errors, 1 warning (layer-undeclared 1, parcel-area 2)");
    EXPECT_EQ(glance->findings, 3u);
    ASSERT_EQ(glance->first.size(), 2u);
    EXPECT_EQ(glance->first[0],
              "a/ş.gplt:34: error: parcel-area: 105/12: \"file\": \\ \\x1b[2J\\x0a");
    EXPECT_EQ(glance->first[1], "a/ş.gplt: warning: layer-undeclared: m2");

    const std::optional<CheckGlance> none = GlanceAtCheck(
        "{\"findings\": [],\n \"summary\": {\"errors\": 0, \"warnings\": 0, "
        "\"by_code\": {}}}\n",
        3);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->summary, "0 errors, 0 warnings");
    EXPECT_EQ(none->findings, 0u);
    // check's text (--format text handed through), or JSON cut short: no counts.
    EXPECT_FALSE(GlanceAtCheck("p.gplt:3: error: x: y\n1 error, 0 warnings (x 1)\n", 3));
    EXPECT_FALSE(GlanceAtCheck(json.substr(0, json.size() - 40), 3));
}

}  // namespace
}  // namespace plotaktar::cli
