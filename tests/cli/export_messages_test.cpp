// What export, check and batch say and write for drawings that try to break them: systems of
// the wrong kind refused before anything is opened, points PROJ cannot place left out by line,
// numbers and views no CAD reader stops at, names CAD would take for one, control characters
// from cells and file names in windows-1254 bytes.

#include <cstdlib>
#include <filesystem>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// 1 followed by 308 zeros: the largest coordinate a cell can hold, whose extent is no double.
const std::string kHuge = "1" + std::string(308, '0');

// 1e200: a parcel's area of such corners is no double.
const std::string kE200 = "1" + std::string(200, '0');

// Lines of a drawing file, each ended by CR LF.
std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// A drawing that meets every class at once: layers and symbols equal but for case or cleaning,
// a layer number of terminal controls, points at the ends of the doubles, a parcel of 5e43 m²
// and one whose area is no double.
std::string HostileDrawing() {
    const std::string e22 = "1" + std::string(22, '0');
    return Lines({"tab 1 1 YOL 1 0 1 0.18", "tab 2 1 yol 2 0 1 0.18", "tab 3 1 A<B 3 0 1 0.18",
                  "tab 4 1 A>B 3 0 1 0.18", "nok 12 4512345 512345 1 \x1b]0;X\x07\x1b[2J1",
                  "nok 13 " + kHuge + " -" + kHuge + " 1 1",
                  "nok 14 -" + kHuge + " " + kHuge + " 1 1", "sem 12 sa 1 1 0 1",
                  "sem 12 SA 1 1 0 1", "par 1 2 100.0 1", "1 2 1 0 0 0", "1 2 2 " + e22 + " 0 0",
                  "1 2 3 " + e22 + " " + e22 + " 0", "par 1 3 100.0 1", "1 3 1 0 0 0",
                  "1 3 2 " + kE200 + " 0 0", "1 3 3 " + kE200 + " " + kE200 + " 0"});
}

// Its labels: fonts equal but for case (the label file's labels are in "Ovalt"), and a width
// factor beyond the doubles.
void WriteHostileLabels(const TempDir& dir) {
    const std::string tiny = "0." + std::string(299, '0') + "1";
    dir.write("h.yaz", Lines({"4512350.00 512340.00 100 2.5 ETIKET 1"}));
    dir.write("h.yfn",
              Lines({"ovalt 4512352.10 512388.45 2.0 1.6 100 1 0 0 A",
                     "OVALT 4512352.10 512388.45 2.0 1.6 100 1 0 0 B",
                     "romans 4512352.10 512388.45 " + tiny + " " + kE200 + " 100 1 0 0 C"}));
}

std::set<std::string> Names(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        names.insert(fs::relative(entry.path(), dir.path()).string());
    }
    return names;
}

// Runs a Python program of Debian's on `file`, returning what it printed.
std::string Python(const TempDir& dir, const std::string& program, const std::string& file) {
    const std::string script = dir.write("read.py", program);
    const std::string out = dir.file("read.out");
    std::system(
        ("/usr/bin/python3 " + script + " " + dir.file(file) + " > " + out + " 2>&1").c_str());
    const std::string text = ReadFile(out);
    fs::remove(script);
    fs::remove(out);
    return text;
}

TEST(ExportMessages, StatusesAndMessagesOfHostileDrawingsAndSystems) {
    TempDir dir;
    dir.write("h.gplt", HostileDrawing());
    WriteHostileLabels(dir);
    dir.write("g.gplt",
              "tab 1 1 YOL 1 0 1 0.18\r\nnok 13 4512360 1000000000000 1 1\r\n"
              "nok 14 4512345 512345 1 1\r\n");
    dir.write("\xfe\xdd.gplt", "tab 1 1 YOL 1 0 1 0.18\r\nnok 14 4512345 512345 1 x\r\n");
    struct Row {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> said;  // on standard error, each
        std::string output = {};        // a file written, or none
    };
    const std::string wrong = "o.dxf: coordinate system of the wrong kind: ";
    const Row rows[] = {
        {{"g.gplt", "-o", "o.dxf", "--crs", "EPSG:4326"},
         2,
         {wrong + "--crs EPSG:4326 is a geographic 2D system; the drawing's system must be "
                  "projected"}},
        {{"g.gplt", "-o", "o.dxf", "--crs", "EPSG:5703"}, 2, {"--crs EPSG:5703 is a vertical"}},
        {{"g.gplt", "-o", "o.dxf", "--crs", "EPSG:4978"}, 2, {"--crs EPSG:4978 is a geocentric"}},
        {{"g.gplt", "-o", "o.dxf", "--crs", "EPSG:5555"}, 2, {"--crs EPSG:5555 is a compound"}},
        {{"g.gplt", "-o", "o.dxf", "--crs", "TM30", "--to", "EPSG:5703"},
         2,
         {wrong + "--to EPSG:5703 is a vertical system; --to must be projected or geographic"}},
        {{"g.gplt", "-o", "o.dxf", "--crs", "TM30", "--to", "EPSG:4979"},
         2,
         {"--to EPSG:4979 is a geographic 3D system"}},
        // A usage error quotes what was given, escaped.
        {{"g.gplt", "-o", "o.dxf", "--crs", "T\x1b[2J"},
         2,
         {"--crs 'T\\x1b[2J' is no coordinate system"}},
        // Nothing read before the refusal: a missing input is not what is said.
        {{"none.gplt", "-o", "o.kml", "--crs", "EPSG:4326"}, 2, {"is a geographic 2D system"}},
        {{"g.gplt", "-o", "o.kml", "--crs", "TM30", "--to", "EPSG:2320"},
         0,
         {"o.kml: --to EPSG:2320 is not used: KML is always in WGS 84 longitude and latitude "
          "(EPSG:4326)\n"},
         "o.kml"},
        // A point PROJ cannot place is left out by its line, in every format.
        {{"g.gplt", "-o", "o.dxf", "--crs", "TM30", "--to", "EPSG:4326"},
         0,
         {"g.gplt:2: left out: point '13': Y 1e+12 X 4512360 has no place in EPSG:4326\n",
          "o.dxf: 1 features (points 1, lines 0, parcels 0, labels 0, symbols 0), 1 left out\n"},
         "o.dxf"},
        {{"g.gplt", "-o", "o.geojson", "--crs", "TM30"},
         0,
         {"g.gplt:2: left out: point '13'", "1 left out\n"},
         "o.geojson"},
        {{"g.gplt", "-o", "o.gpkg", "--crs", "TM30", "--to", "EPSG:4326"},
         0,
         {"g.gplt:2: left out: point '13'", "1 left out\n"},
         "o.gpkg"},
        // Names, controls and the view of the hostile drawing.
        {{"h.gplt", "h.yaz", "-o", "h.dxf"},
         0,
         {"h.gplt:2: layer 'yol' written as 'yol~2'\n",
          "h.yfn:1: style 'ovalt' written as 'ovalt~2'\n",
          "h.yfn:2: style 'OVALT' written as 'OVALT~3'\n",
          "h.yfn:3: left out: label 'C': En / Boy too large for a number of any format\n",
          "h.gplt:14: left out: parcel '1'/'3': too large for a number of any format\n",
          "h.gplt:4: layer 'A>B' written as 'A_B~2'\n",
          "h.gplt:9: block 'SEMBOL_SA' written as 'SEMBOL_SA~2'\n",
          "h.gplt: warning: the drawing's extent is too large for a view; none written\n",
          "h.gplt:5: on no layer: layer ']0;X\\x07\\x1b[2J1' is not a layer number\n"},
         "h.dxf"},
        // A name in windows-1254 bytes is named decoded.
        {{"\xfe\xdd.gplt", "-o", "\xfe\xdd.dxf"},
         0,
         {"şİ.gplt:2: on no layer: layer 'x'", "şİ.dxf: 1 features"},
         "\xfe\xdd.dxf"},
    };
    for (const Row& row : rows) {
        const std::set<std::string> before = Names(dir);
        std::vector<std::string> args = {"export"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        if (row.args[1] != "h.yaz") {
            args.push_back("--no-labels");
        }
        const CliResult r = RunCli(args, dir.path());
        EXPECT_EQ(r.status, row.status) << row.args[2] << "\n" << r.err;
        for (const std::string& said : row.said) {
            EXPECT_THAT(r.err, HasSubstr(said)) << row.args[2];
        }
        EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
        std::set<std::string> expected = before;
        if (!row.output.empty()) {
            expected.insert(row.output);
        }
        EXPECT_EQ(Names(dir), expected) << row.args[2];
        if (!row.output.empty()) {
            fs::remove(dir.path() / row.output);
        }
    }
}

TEST(ExportMessages, HostileDxfIsReadToItsEndWithItsNamesApart) {
    TempDir dir;
    dir.write("h.gplt", HostileDrawing());
    WriteHostileLabels(dir);
    const CliResult r = RunCli({"export", "h.gplt", "h.yaz", "-o", "h.dxf"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string facts = Python(dir,
                                     "import sys, ezdxf\n"
                                     "doc = ezdxf.readfile(sys.argv[1])\n"
                                     "print('audit', len(doc.audit().errors))\n"
                                     "print('ext', tuple(doc.header['$EXTMIN']), "
                                     "tuple(doc.header['$EXTMAX']))\n"
                                     "print('layers', sorted(l.dxf.name for l in doc.layers))\n"
                                     "print('styles', sorted((s.dxf.name, s.dxf.font) "
                                     "for s in doc.styles))\n"
                                     "for e in doc.modelspace().query('TEXT'):\n"
                                     "    print('text', e.dxf.text, e.dxf.style)\n"
                                     "for e in doc.modelspace().query('INSERT'):\n"
                                     "    print('insert', e.dxf.name)\n"
                                     "for e in doc.modelspace().query('LWPOLYLINE'):\n"
                                     "    print('area', e.get_xdata('PLOTAKTAR')[-1][1])\n",
                                     "h.dxf");
    EXPECT_THAT(facts, HasSubstr("audit 0\n"));
    EXPECT_THAT(facts, HasSubstr("ext (0.0, 0.0, 0.0) (100.0, 100.0, 0.0)\n"));
    EXPECT_THAT(facts, HasSubstr("layers ['0', 'A_B', 'A_B~2', 'Defpoints', 'YOL', 'yol~2']"));
    EXPECT_THAT(facts, HasSubstr("insert SEMBOL_sa\ninsert SEMBOL_SA~2\n"));
    EXPECT_THAT(facts, HasSubstr("styles [('OVALT~3', 'OVALT'), ('Ovalt', 'Ovalt'), ('Standard', "
                                 "'txt'), ('ovalt~2', 'ovalt'), ('romans', 'romans')]\n"));
    EXPECT_THAT(facts, HasSubstr("text A ovalt~2\ntext B OVALT~3\n"));
    EXPECT_THAT(facts, HasSubstr("area 5e+43\n"));

    // A point PROJ cannot place is out of the view too: the view is that of the point left.
    dir.write("g.gplt",
              "tab 1 1 YOL 1 0 1 0.18\r\nnok 13 4512360 1000000000000 1 1\r\n"
              "nok 14 4512345 512345 1 1\r\n");
    ASSERT_EQ(RunCli({"export", "g.gplt", "--no-labels", "-o", "g.dxf", "--crs", "TM30", "--to",
                      "EPSG:4326"},
                     dir.path())
                  .status,
              0);
    EXPECT_EQ(Python(dir,
                     "import sys, ezdxf\n"
                     "h = ezdxf.readfile(sys.argv[1]).header\n"
                     "print('%.4f %.4f' % tuple(h['$EXTMIN'])[:2], "
                     "'%.4f %.4f' % tuple(h['$EXTMAX'])[:2])\n",
                     "g.dxf"),
              "30.1462 40.7457 30.1462 40.7457\n");
}

TEST(ExportMessages, CheckAndBatchReportsStayValidJsonAndNameTheDrawing) {
    TempDir dir;
    fs::create_directory(dir.path() / "arch");
    dir.write("arch/\xfe\xdd.gplt",
              "tab 1 1 YOL 1 0 1 0.18\r\n"
              "nok 12 4512345 512345 1 \x1b]0;X\x07\x1b[2J1\r\n");
    const std::string read =
        "import json, sys\n"
        "for line in open(sys.argv[1], encoding='utf-8'):\n"
        "    v = json.loads(line) if line.startswith('{\"geometry') else None\n"
        "    print(v['geometry'] if v else '')\n";
    // check's JSON: the name decoded, the cell's controls escaped.
    CliResult r =
        RunCli({"check", "arch/\xfe\xdd.gplt", "--no-labels", "--format", "json"}, dir.path());
    dir.write("check.json", r.out);
    EXPECT_EQ(Python(dir,
                     "import json, sys\n"
                     "v = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                     "print(v['findings'][0]['file'], repr(v['findings'][0]['value']))\n",
                     "check.json"),
              "arch/şİ.gplt ']0;X\\x07\\x1b[2J1'\n");
    r = RunCli({"check", "arch/\xfe\xdd.gplt", "--no-labels"}, dir.path());
    EXPECT_THAT(r.out, HasSubstr("arch/şİ.gplt:2: error: record-failed: "));
    EXPECT_THAT(r.out, HasSubstr("']0;X\\x07\\x1b[2J1'"));
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);

    // batch's report and messages name the drawing decoded (its conversion fails at the cell).
    r = RunCli({"batch", "arch", "-o", "out", "--report", "r.json"}, dir.path());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(Python(dir, read, "r.json"), HasSubstr("arch/şİ.gplt\n"));
    EXPECT_THAT(r.err, HasSubstr("arch/şİ.gplt:2: the cell stopping the export"));
    EXPECT_THAT(r.err, HasSubstr("plotaktar-cli: failed: arch/şİ.gplt\n"));

    // batch export stops at the first refusal of a system: said once, nothing run or written.
    const std::set<std::string> before = Names(dir);
    r = RunCli(
        {"batch", "export", "arch", "-o", "exported", "--format", "dxf", "--crs", "EPSG:5703"},
        dir.path());
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.err,
              "plotaktar-cli: coordinate system of the wrong kind: --crs EPSG:5703 is a vertical "
              "system; the drawing's system must be projected (TM30, for instance)\n");
    EXPECT_EQ(Names(dir), before);
}

}  // namespace
}  // namespace plotaktar::testing
