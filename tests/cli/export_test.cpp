// plotaktar-cli export end to end: the sample written to every exchange format and read back
// by independent readers (ezdxf, ogrinfo, cs2cs), and the bad inputs that must lose nothing.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

std::set<std::string> Listing(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        names.insert(fs::relative(entry.path(), dir.path()).generic_string());
    }
    return names;
}

// The last line of a text.
std::string LastLine(const std::string& text) {
    const size_t end = text.empty() || text.back() != '\n' ? text.size() : text.size() - 1;
    const size_t start = text.rfind('\n', end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start + 1));
}

constexpr const char* kSampleSummary =
    "37 features (points 15, lines 5, parcels 3, labels 11, symbols 3), 0 left out";

TEST(Export, SampleDxfPassesTheAuditAndHoldsEveryFeatureWhereItWas) {
    TempDir dir;
    CliResult r = RunCli({"export", Sample("pafta12.gplt"), "-o", "p.dxf"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LastLine(r.err), std::string("p.dxf: ") + kSampleSummary);
    EXPECT_THAT(r.err, HasSubstr("p.dxf: no coordinate system given (--crs)"));

    const std::string facts = Shell("/usr/bin/python3 " + std::string(PLOTAKTAR_CLI_DATA_DIR) +
                                    "/dxf_facts.py " + dir.file("p.dxf") + " 2>&1");
    EXPECT_THAT(facts, HasSubstr("audit errors 0\n"));
    EXPECT_THAT(facts, HasSubstr("version AC1018 cp1254 units 6\n"));
    // Layers: Turkish names intact, "Renk" as the colour, a switched-off layer negated, the
    // line type by the shared table, the thickness as line weight.
    EXPECT_THAT(facts, HasSubstr("layer NİRENGİ 1 CONTINUOUS 18\n"));
    EXPECT_THAT(facts, HasSubstr("layer ŞEV 30 DOT 18\n"));
    EXPECT_THAT(facts, HasSubstr("layer ESKİ_SINIR -9 DASHDOT 13\n"));
    // Points: a block per kind with number and height as attributes, at Y, X, Z.
    EXPECT_THAT(facts, HasSubstr("INSERT NIRENGI NİRENGİ 512345.670 4512345.670 123.450 "
                                 "NUMARA=N.12 Z=123.45\n"));
    EXPECT_THAT(facts, HasSubstr("INSERT POLIGON POLİGON 512289.400 4512401.120 118.020 "
                                 "NUMARA=P.1001 Z=118.02\n"));
    EXPECT_THAT(facts, HasSubstr("INSERT NOKTA AĞAÇ 512285.180 4512366.050 119.690 "
                                 "NUMARA=2511 Z=119.69\n"));
    // Lines in 3D, parcels closed with their corners, their "ada/parsel" text.
    EXPECT_THAT(facts, HasSubstr("LINE YOL_KENARI 512301.450 4512360.120 119.800 512318.020 "
                                 "4512372.480 119.950\n"));
    EXPECT_THAT(facts, HasSubstr("LWPOLYLINE PARSEL closed=True 512338.200,4512351.770 "
                                 "512369.410,4512360.080 512381.950,4512338.620 "
                                 "512362.300,4512318.150 512345.050,4512322.400\n"));
    EXPECT_THAT(facts, HasSubstr("TEXT PARSEL [105/13] "));
    // Labels: text, height, rotation 90 - 0.9 * Açı, width En/Boy.
    EXPECT_THAT(facts, HasSubstr("TEXT YAZI [ADA 105] 512340.000 4512350.000 h=2.5 r=0.00 "
                                 "w=1.00\n"));
    EXPECT_THAT(facts, HasSubstr("TEXT YAZI [PAFTA 12 - GÖLBAŞI] 512290.100 4512301.750 h=3 "
                                 "r=-11.16 w=1.00\n"));
    EXPECT_THAT(facts, HasSubstr("[Şehit Öğretmen İlhan Sokağı]"));
    EXPECT_THAT(facts, HasSubstr("TEXT YAZI [Çeşme Sokağı] 512388.450 4512352.100 h=2 r=0.00 "
                                 "w=0.80\n"));
    // Symbols: the block of their number at their point.
    EXPECT_THAT(facts, HasSubstr("INSERT SEMBOL_5 POLİGON 512289.400 4512401.120 118.020"));

    // GDAL's own reader takes the code page too.
    EXPECT_THAT(Shell("ogrinfo -ro -al -q " + dir.file("p.dxf") + " 2>&1"),
                HasSubstr("Layer (String) = NİRENGİ"));
}

// A plot file is exported from what its records carry: no symbols, no line-end names, no pens;
// a record that cannot be read is named by its line; another program's .plt is refused.
TEST(Export, APlotFileIsExportedFromItsRecordsAndItsBadLinesAreNamed) {
    TempDir dir;
    ASSERT_EQ(RunCli({"convert", Sample("pafta12.gplt"), "-o", "p.plt"}, dir.path()).status, 0);
    CliResult r = RunCli({"export", "p.plt", "-o", "p.dxf"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LastLine(r.err),
              "p.dxf: 34 features (points 15, lines 5, parcels 3, labels 11, symbols 0), 0 left "
              "out");
    const std::string facts = Shell("/usr/bin/python3 " + std::string(PLOTAKTAR_CLI_DATA_DIR) +
                                    "/dxf_facts.py " + dir.file("p.dxf") + " 2>&1");
    EXPECT_THAT(facts, HasSubstr("audit errors 0\n"));
    EXPECT_THAT(facts, HasSubstr("INSERT NIRENGI NİRENGİ 512345.670 4512345.670 123.450 "
                                 "NUMARA=N.12 Z=123.45\n"));
    EXPECT_THAT(facts, HasSubstr("LWPOLYLINE PARSEL closed=True 512338.200,4512351.770 "
                                 "512369.410,4512360.080 512381.950,4512338.620 "
                                 "512362.300,4512318.150 512345.050,4512322.400\n"));
    EXPECT_THAT(facts, HasSubstr("TEXT YAZI [ADA 105] 512340.000 4512350.000 h=2.5 r=0.00 "));

    r = RunCli({"export", "p.plt", "-o", "p.geojson", "--crs", "TM30"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(Shell("ogrinfo -ro -so -al " + dir.file("p.geojson") + " 2>&1"),
                HasSubstr("Feature Count: 34"));

    std::string bytes = ReadFile(dir.file("p.plt"));
    const size_t at = bytes.find("512345.67");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 9, "5123x5.67");
    const std::string bad = dir.write("b.plt", bytes);
    const std::string line = std::to_string(
        std::count(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(at), '\n') + 1);
    r = RunCli({"export", "b.plt", "-o", "b.dxf"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("b.plt:" + line +
                                 ": left out: point 'N.12': Y '5123x5.67' is "
                                 "not a number\n"));
    EXPECT_THAT(LastLine(r.err), HasSubstr("1 left out"));

    dir.write("h.plt", "IN;SP1;PU0,0;\r\n");
    r = RunCli({"export", "h.plt", "-o", "h.dxf"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("h.plt: not a plot file"));
    EXPECT_FALSE(fs::exists(dir.path() / "h.dxf"));
}

TEST(Export, GisFormatsCarryTheCoordinateSystemAndLandWhereCs2csPutsThem) {
    TempDir dir;
    for (const char* name : {"p.gpkg", "p.shp", "p.geojson", "p.kml"}) {
        CliResult r =
            RunCli({"export", Sample("pafta12.gplt"), "-o", name, "--crs", "TM30"}, dir.path());
        ASSERT_EQ(r.status, 0) << name << r.err;
        // A Shapefile is written as a set a kind, which the line names instead of FILE.
        EXPECT_EQ(LastLine(r.err), std::string(name) == "p.shp"
                                       ? std::string("p-*.shp: 5 sets, ") + kSampleSummary
                                       : std::string(name) + ": " + kSampleSummary);
    }
    const std::string gpkg = Shell("ogrinfo -ro -so " + dir.file("p.gpkg") + " noktalar 2>&1");
    EXPECT_THAT(gpkg, HasSubstr("Feature Count: 15"));
    EXPECT_THAT(gpkg, HasSubstr("ID[\"EPSG\",5254]"));
    const std::string parcels =
        Shell("ogrinfo -ro -al -q " + dir.file("p.gpkg") + " parseller 2>&1");
    EXPECT_THAT(parcels, HasSubstr("alan (String) = 986.75"));
    EXPECT_THAT(parcels, HasSubstr("POLYGON ((512338.2 4512351.77,"));

    for (const char* kind : {"noktalar", "hatlar", "parseller", "yazilar", "semboller"}) {
        for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"}) {
            EXPECT_TRUE(fs::exists(dir.path() / (std::string("p-") + kind + ext))) << kind << ext;
        }
    }
    EXPECT_EQ(ReadFile(dir.file("p-yazilar.cpg")), "UTF-8");
    EXPECT_THAT(Shell("ogrinfo -ro -al -q " + dir.file("p-yazilar.shp") + " 2>&1"),
                HasSubstr("text (String) = Şehit Öğretmen İlhan Sokağı"));

    // Triangulation point N.12 in the KML, against cs2cs from EPSG:5254 (northing first there).
    std::istringstream cs2cs(
        Shell("echo 4512345.67 512345.67 | cs2cs -f %.10f EPSG:5254 EPSG:4326"));
    double latitude = 0, longitude = 0;
    cs2cs >> latitude >> longitude;
    const std::string kml = ReadFile(dir.file("p.kml"));
    const size_t n12 = kml.find("<name>N.12</name>");
    ASSERT_NE(n12, std::string::npos);
    const size_t at = kml.find("<coordinates>", n12) + std::string("<coordinates>").size();
    double kmlLongitude = 0, kmlLatitude = 0;
    ASSERT_EQ(std::sscanf(kml.c_str() + at, "%lf,%lf", &kmlLongitude, &kmlLatitude), 2);
    EXPECT_NEAR(kmlLongitude, longitude, 1e-7);
    EXPECT_NEAR(kmlLatitude, latitude, 1e-7);
    EXPECT_NEAR(longitude, 30.146, 0.01);  // the drawing lies east of 30°E, not at the origin

    // --to: from ED50 to TUREF, a change of datum, as cs2cs does it.
    CliResult to = RunCli({"export", Sample("pafta12.gplt"), "-o", "to.gpkg", "--crs", "ED50-TM30",
                           "--to", "EPSG:5254"},
                          dir.path());
    ASSERT_EQ(to.status, 0) << to.err;
    std::istringstream shifted(
        Shell("echo 4512345.67 512345.67 | cs2cs -f %.4f EPSG:2320 EPSG:5254"));
    double north = 0, east = 0;
    shifted >> north >> east;
    const std::string moved = Shell("ogrinfo -ro -al -q -where \"number='N.12'\" " +
                                    dir.file("to.gpkg") + " noktalar 2>&1");
    double gotEast = 0, gotNorth = 0;
    const size_t point = moved.find("POINT (");
    ASSERT_NE(point, std::string::npos) << moved;
    ASSERT_EQ(std::sscanf(moved.c_str() + point, "POINT (%lf %lf)", &gotEast, &gotNorth), 2);
    EXPECT_NEAR(gotEast, east, 1e-3);
    EXPECT_NEAR(gotNorth, north, 1e-3);
    EXPECT_GT(std::fabs(gotNorth - 4512345.67), 50);  // the datums differ by far more

    const std::string geojson = ReadFile(dir.file("p.geojson"));
    EXPECT_THAT(geojson, HasSubstr("\"kind\": \"Yazı\""));
    EXPECT_THAT(geojson, HasSubstr("\"number\": \"N.12\""));
}

// Bad records are named and counted and the rest is written; bad targets leave every file as
// it was and no temporary behind.
TEST(Export, BadInputIsNamedAndNothingIsLostOrHalfWritten) {
    TempDir dir;
    dir.write("bad.gplt",
              "tab 1 1 N\xDDRENG\xDD 1 0 1 0.18\r\n"
              "nir 12 4512345.67 512345.67 123.45 1\r\n"
              "nir 13 45123a5.67 512345.67 123.45 1\r\n"
              "nok 20 4512300 512300 10 8a\r\n"
              "nok 21 4512310 512310 10 7\r\n"
              "sem 99 31 1 1 0 1\r\n"
              "par 1 2 100.0 1\r\n"
              "1 2 1 512300 4512300 0\r\n"
              "1 2 2 512310 4512300 0\r\n"
              "par 1 3 100.0 1\r\n"
              "1 3 1 512300 4512300 0\r\n"
              "1 3 2 5123x0 4512300 0\r\n"
              "1 3 3 512310 4512310 0\r\n");
    // A label whose layer is no number.
    dir.write("bad.yaz", "4512350.00 512340.00 100 2.5 ETIKET   x\r\n");
    CliResult r = RunCli({"export", "bad.gplt", "-o", "bad.dxf"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:3: left out: point 'N.13': X '45123a5.67' is not a "
                                 "number\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:4: on no layer: layer '8a' is not a layer number\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:5: on no layer: layer '7' names no declared layer\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:6: left out: symbol '31' at '99': no point of that "
                                 "number in the drawing\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:7: left out: parcel '1'/'2': 2 corners, fewer than "
                                 "3\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.gplt:10: left out: parcel '1'/'3': corner 2 Y '5123x0' is "
                                 "not a number\n"));
    EXPECT_THAT(r.err, HasSubstr("bad.yaz:1: on no layer: layer 'x' is not a layer number\n"));
    EXPECT_EQ(LastLine(r.err),
              "bad.dxf: 4 features (points 3, lines 0, parcels 0, labels 1, "
              "symbols 0), 4 left out");
    const std::string facts = Shell("/usr/bin/python3 " + std::string(PLOTAKTAR_CLI_DATA_DIR) +
                                    "/dxf_facts.py " + dir.file("bad.dxf") + " 2>&1");
    EXPECT_THAT(facts, HasSubstr("audit errors 0\n"));
    EXPECT_THAT(facts, HasSubstr("INSERT NIRENGI NİRENGİ 512345.670"));
    EXPECT_THAT(facts, HasSubstr("INSERT NOKTA 0 512300.000 4512300.000 10.000 NUMARA=20"));
    EXPECT_THAT(facts, HasSubstr("TEXT 0 [ETIKET]"));

    // As Shapefile sets: a set for every kind, and the line says which hold no feature.
    r = RunCli({"export", "bad.gplt", "-o", "bad.shp"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LastLine(r.err),
              "bad-*.shp: 5 sets, 4 features (points 3, lines 0, parcels 0, labels 1, "
              "symbols 0), 4 left out; the sets of lines, parcels and symbols hold no feature");
    EXPECT_THAT(Shell("ogrinfo -ro -so " + dir.file("bad-hatlar.shp") + " bad-hatlar 2>&1"),
                HasSubstr("Feature Count: 0"));

    // Targets that cannot be written: each file as it was, nothing new beside it.
    dir.write("old.kml", "old");
    dir.write("old-noktalar.shp", "old");
    fs::create_directory(dir.path() / "folder.gpkg");
    const std::set<std::string> before = Listing(dir);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"-o", "old.kml"}, 2, "KML is always in WGS 84 longitude and latitude"},
        {{"-o", "x.geojson", "--crs", "TM31"}, 2, "--crs 'TM31' is no coordinate system"},
        {{"-o", "x.geojson", "--crs=TM31"}, 2, "--crs 'TM31' is no coordinate system"},
        {{"-o", "x.gpkg", "--to", "TM30"}, 2, "--to needs the drawing's coordinate system"},
        {{"-o", "x.gpkg", "--crs", "EPSG:999999"}, 2, "EPSG:999999 is not a coordinate system"},
        {{"-o", "x.txt"}, 2, "the output must end in .dxf, .gpkg, .shp, .geojson or .kml"},
        {{"-o", "none/x.gpkg"}, 1, "none/x.gpkg: Invalid filename (the folder none/ does not"},
        {{"-o", "none/x.shp"}, 1, "none/x.shp: Invalid filename (the folder none/ does not"},
        {{"-o", "none/x.dxf"}, 1, "none/x.dxf: Invalid filename (the folder none/ does not"},
        {{"-o", "folder.gpkg"}, 1, "folder.gpkg: File access denied"},
        {{"-o", "bad.gplt", "--format", "dxf"}, 2, "is an input file of this conversion"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"export", "bad.gplt"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliResult failed = RunCli(args, dir.path());
        EXPECT_EQ(failed.status, c.status) << c.err << "\n" << failed.err;
        EXPECT_THAT(failed.err, HasSubstr(c.err));
    }
    if (geteuid() != 0) {  // root writes files whatever their permissions
        chmod(dir.file("old-noktalar.shp").c_str(), 0444);
        CliResult locked = RunCli({"export", "bad.gplt", "-o", "old.shp"}, dir.path());
        EXPECT_EQ(locked.status, 1);
        EXPECT_THAT(locked.err, HasSubstr("File access denied"));
    }
    EXPECT_EQ(Listing(dir), before);
    EXPECT_EQ(ReadFile(dir.file("old.kml")), "old");
    EXPECT_EQ(ReadFile(dir.file("old-noktalar.shp")), "old");
}

// One way of writing an output: the arguments after the command word, with OUT where the
// output's name goes.
struct Writing {
    std::string name;  // the row's name in failure messages
    std::vector<std::string> args;
    std::string extension;
};

std::vector<std::string> WithOutput(const Writing& w, const std::string& output) {
    std::vector<std::string> args;
    for (const std::string& arg : w.args) {
        args.push_back(arg == "OUT" ? output : arg);
    }
    return args;
}

// Every command and format that writes a regular file, on the sample drawing.
std::vector<Writing> EveryWriting() {
    const std::string sample = Sample("pafta12.gplt");
    std::vector<Writing> all = {
        {"convert", {"convert", sample, "-o", "OUT"}, ".plt"},
        {"render", {"render", sample, "-o", "OUT"}, ".png"},
        {"sheets", {"render", sample, "--scale", "1000", "-o", "OUT"}, ".pdf"},
    };
    for (const char* format : {"dxf", "gpkg", "shp", "geojson", "kml"}) {
        all.push_back(
            {format, {"export", sample, "--crs", "TM30", "-o", "OUT"}, std::string(".") + format});
    }
    return all;
}

// A failed run in one line: its status and its last line on standard error.
std::string Outcome(const CliResult& r) {
    return std::to_string(r.status) + " " + LastLine(r.err);
}

std::map<std::string, std::string> Contents(const TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), dir.path()).generic_string()] =
                ReadFile(entry.path().string());
        }
    }
    return files;
}

// A regular file is only ever replaced by renaming a complete temporary over it: where its
// folder takes no new files, or (another user's file in a sticky folder) refuses the rename,
// every command refuses before writing, says why and leaves the file as it was. Runs the
// commands as nobody, since root passes every permission check.
TEST(Outputs, ARegularFileIsOnlyEverReplacedWhole) {
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    fs::create_directory(dir.path() / "locked");
    fs::create_directory(dir.path() / "sticky");
    const std::vector<Writing> writings = EveryWriting();
    for (const Writing& w : writings) {
        for (const char* folder : {"locked/", "sticky/"}) {
            // A Shapefile's old sets are its files; the others' old file is the output itself.
            const std::string name =
                std::string(folder) + (w.name == "shp" ? "out-noktalar.shp" : "out" + w.extension);
            dir.write(name, "old " + w.name);
            ASSERT_EQ(chmod(dir.file(name).c_str(), 0666), 0);
        }
    }
    ASSERT_EQ(chmod(dir.file("locked").c_str(), 0555), 0);
    ASSERT_EQ(chmod(dir.file("sticky").c_str(), 01777), 0);
    const std::map<std::string, std::string> before = Contents(dir);

    std::optional<std::string> outcomes = RunInChild(
        [&] {
            std::string lines;
            for (const Writing& w : writings) {
                for (const char* folder : {"locked/", "sticky/"}) {
                    const std::string out = folder + ("out" + w.extension);
                    lines += w.name + " " + Outcome(RunCli(WithOutput(w, out), dir.path())) + "\n";
                }
            }
            return lines;
        },
        true);
    if (!outcomes) {
        GTEST_SKIP() << "needs an unprivileged user: cannot drop to nobody here";
    }
    std::string expected;
    for (const Writing& w : writings) {
        const std::string locked = "locked/out" + w.extension;
        const std::string sticky = "sticky/out" + w.extension;
        expected += w.name + " 1 plotaktar-cli: " + locked +
                    ": File access denied (its folder locked/ takes no new files)" +
                    (w.name == "shp" ? "" : "; " + locked + " left as it was") + "\n";
        if (geteuid() != 0) {
            continue;  // the sticky folder and its files are the test's own: no refusal
        }
        // The Shapefile's sets are moved aside by rename, which the sticky folder refuses.
        expected += w.name + " 1 plotaktar-cli: " + sticky +
                    (w.name == "shp" ? ": File access denied (Operation not permitted)"
                                     : ": File access denied (its folder sticky/ lets only the "
                                       "file's owner replace it); " +
                                           sticky + " left as it was") +
                    "\n";
    }
    if (geteuid() == 0) {
        EXPECT_EQ(*outcomes, expected);
        EXPECT_EQ(Contents(dir), before);
    } else {
        for (const Writing& w : writings) {
            EXPECT_THAT(*outcomes, HasSubstr(w.name + " 1 plotaktar-cli: locked/out" + w.extension +
                                             ": File access denied (its folder"));
        }
    }
}

// A device, a pipe or a socket is written in place, so only a format of one file written
// straight through takes it; one of several files or a temporary of its own refuses it before
// it reads the drawing, and nothing is made beside it.
TEST(Outputs, DevicesPipesAndSocketsTakeOnlyFormatsOfOneFile) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0644), 0);
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listening, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.file("socket");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size());
    ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::pair<std::string, std::string> targets[] = {
        {"/dev/null", "a device"}, {"pipe", "a pipe"}, {"socket", "a socket"}};
    const std::pair<std::string, std::string> refusing[] = {
        {"gpkg", "GeoPackage output"},         {"shp", "Shapefile output"},
        {"geojson", "GeoJSON output"},         {"kml", "KML output"},
        {"sheets", "sheets of several pages"},
    };
    for (const auto& [target, kind] : targets) {
        for (const auto& [format, what] : refusing) {
            // The output's extension names the format: a link to the target carries it.
            const std::string link = "to-" + fs::path(target).filename().string() + "." +
                                     (format == "sheets" ? std::string("png") : format);
            fs::create_symlink(target == "/dev/null" ? target : dir.file(target),
                               dir.path() / link);
            const std::vector<std::string> args =
                format == "sheets"
                    ? std::vector<std::string>{"render",  Sample("pafta12.gplt"),
                                               "--scale", "100",
                                               "-o",      link}
                    : std::vector<std::string>{
                          "export", Sample("pafta12.gplt"), "--crs", "TM30", "-o", link};
            CliResult r = RunCli(args, dir.path());
            EXPECT_EQ(Outcome(r), "2 plotaktar-cli: " + link + ": is " + kind + "; " + what +
                                      " can only be written to files")
                << r.err;
        }
    }
    // A page of sheets is written beside the output: a pipe in its place refuses them all.
    ASSERT_EQ(mkfifo(dir.file("sheet-1.png").c_str(), 0644), 0);
    EXPECT_EQ(
        Outcome(RunCli({"render", Sample("pafta12.gplt"), "--scale", "100", "-o", "sheet.png"},
                       dir.path())),
        "2 plotaktar-cli: sheet.png: its page sheet-1.png is a pipe; sheets of several "
        "pages can only be written to files");
    fs::remove(dir.path() / "sheet-1.png");

    // A DXF, a single picture and a plot file still go to a device.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"export", Sample("pafta12.gplt"), "-o", "dev.dxf"},
          std::vector<std::string>{"render", Sample("pafta12.gplt"), "-o", "dev.png"},
          std::vector<std::string>{"convert", Sample("pafta12.gplt"), "-o", "/dev/null"}}) {
        fs::create_symlink("/dev/null", dir.path() / "dev.dxf");
        fs::create_symlink("/dev/null", dir.path() / "dev.png");
        CliResult r = RunCli(args, dir.path());
        EXPECT_EQ(r.status, 0) << args[0] << "\n" << r.err;
        fs::remove(dir.path() / "dev.dxf");
        fs::remove(dir.path() / "dev.png");
    }
    close(listening);
    // Nothing named after the device was made beside it (/dev/null-noktalar.shp, /dev/.null.tmp-*).
    for (const auto& entry : fs::directory_iterator("/dev")) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "null" || (!name.starts_with("null") && !name.starts_with(".null")))
            << name;
    }
    std::set<std::string> expected = {"pipe", "socket"};
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (!entry.is_symlink()) {
            EXPECT_TRUE(expected.count(entry.path().filename().string()))
                << entry.path() << " was made beside the outputs";
        }
    }
}

// A drawing of `points` points, big enough to fill a small disk in any format.
std::string ManyPoints(int points) {
    std::string bytes = "tab 1 1 SINIR 7 0 1 0.25\r\n";
    for (int i = 0; i < points; ++i) {
        bytes += "nir " + std::to_string(i + 1) + " " + std::to_string(4512000 + i / 100) + ".25 " +
                 std::to_string(512000 + i % 100) + ".75 " + std::to_string(100 + i % 50) +
                 ".5 1\r\n";
    }
    return bytes;
}

// A full disk is "Disk full" in every format, the old output as it was and no temporary left.
// Needs a mount of a small tmpfs (root or CAP_SYS_ADMIN); skipped elsewhere.
TEST(Outputs, AFullDiskIsDiskFullInEveryFormat) {
    TempDir dir;
    const std::string drawing = dir.write("big.gplt", ManyPoints(4000));
    const fs::path mnt = dir.path() / "mnt";
    const std::vector<Writing> writings = EveryWriting();
    std::optional<std::string> outcomes = WithSmallTmpfs(mnt, [&] {
        std::string lines;
        for (const Writing& w : writings) {
            std::vector<std::string> args = WithOutput(w, "mnt/out" + w.extension);
            args[1] = drawing;
            const std::string old =
                "mnt/" + (w.name == "shp" ? "out-noktalar.shp" : "out" + w.extension);
            dir.write(old, "old");
            lines += w.name + " " + Outcome(RunCli(args, dir.path()));
            lines += " | " + ReadFile(dir.file(old));
            for (const auto& entry : fs::directory_iterator(mnt)) {
                if (entry.path().filename() != fs::path(old).filename()) {
                    lines += " " + entry.path().filename().string();
                }
            }
            fs::remove(dir.file(old));
            lines += "\n";
        }
        return lines;
    });
    if (!outcomes) {
        GTEST_SKIP() << "needs a tmpfs mount (root or CAP_SYS_ADMIN)";
    }
    std::string expected;
    for (const Writing& w : writings) {
        const std::string out = "mnt/out" + w.extension;
        expected += w.name + " 1 plotaktar-cli: " + out + ": Disk full (No space left on device)" +
                    (w.name == "shp" ? "" : "; " + out + " left as it was") + " | old\n";
    }
    EXPECT_EQ(*outcomes, expected);
}

// A GeoPackage whose disk fills up at any stage of its writing, the layers' styles among them
// (GDAL then cannot make their table, and says only that it is missing), is "Disk full".
TEST(Outputs, AGeoPackageOnAFullDiskIsDiskFullAtEveryStage) {
    TempDir dir;
    const std::string drawing = dir.write("big.gplt", ManyPoints(40000));
    const fs::path mnt = dir.path() / "mnt";
    for (const char* size : {"256k", "1m", "1200k"}) {
        std::optional<std::string> outcome = WithSmallTmpfs(
            mnt,
            [&] {
                dir.write("mnt/o.gpkg", "old");
                const CliResult r =
                    RunCli({"export", drawing, "--crs", "TM30", "-o", "mnt/o.gpkg"}, dir.path());
                return Outcome(r) + " | " + ReadFile(dir.file("mnt/o.gpkg"));
            },
            size);
        if (!outcome) {
            GTEST_SKIP() << "needs a tmpfs mount (root or CAP_SYS_ADMIN)";
        }
        EXPECT_EQ(*outcome,
                  "1 plotaktar-cli: mnt/o.gpkg: Disk full (No space left on device); mnt/o.gpkg "
                  "left as it was | old")
            << size;
    }
}

// A page of a set of sheets that cannot be written is named, not the name given to -o, and the
// pages are put in place all or none: every old page is as it was.
TEST(Outputs, ASheetPageThatCannotBeWrittenIsNamedAndNoOldPageIsReplaced) {
    TempDir dir;
    const fs::path mnt = dir.path() / "mnt";
    fs::create_directory(mnt);
    const std::vector<std::string> render = {
        "render", Sample("pafta12.gplt"), "--no-labels", "--scale", "200", "-o"};
    struct Row {
        std::string folder;  // "mnt/": a tmpfs of 1 MB
        std::string output;
        std::string inTheWay;  // a folder at one page's name
        std::string said;      // the end of the message after the folder
    };
    const std::vector<Row> rows = {
        {"", "s.png", "s-2.png", "s-2.png: File access denied (is a directory, not a file)"},
        {"", "v.svg", "v-7.svg", "v-7.svg: File access denied (is a directory, not a file)"},
        // The fourth page fills the disk; it is named with the old file it leaves.
        {"mnt/", "s.png", "",
         "s-3.png: Disk full (No space left on device); mnt/s-3.png left as it was"},
    };
    std::optional<std::string> outcomes = WithSmallTmpfs(
        mnt,
        [&] {
            std::string lines;
            for (const Row& row : rows) {
                const std::string stem = row.folder + row.output.substr(0, 1);
                const std::string extension = row.output.substr(1);
                for (const char* page : {"", "-1", "-3"}) {
                    dir.write(stem + page + extension, "old");
                }
                if (!row.inTheWay.empty()) {
                    fs::create_directory(dir.path() / (row.folder + row.inTheWay));
                }
                const std::map<std::string, std::string> before = Contents(dir);
                std::vector<std::string> args = render;
                args.push_back(row.folder + row.output);
                lines += Outcome(RunCli(args, dir.path()));
                lines += Contents(dir) == before ? " | old pages kept\n" : " | pages changed\n";
                for (const auto& entry : fs::directory_iterator(dir.path() / row.folder)) {
                    if (entry.path().filename().string().starts_with(row.output.substr(0, 1))) {
                        fs::remove_all(entry.path());
                    }
                }
            }
            return lines;
        },
        "1m");
    if (!outcomes) {
        GTEST_SKIP() << "needs a tmpfs mount (root or CAP_SYS_ADMIN)";
    }
    std::string expected;
    for (const Row& row : rows) {
        expected += "1 plotaktar-cli: " + row.folder + row.said + " | old pages kept\n";
    }
    EXPECT_EQ(*outcomes, expected);
}

// The process whose command line holds `program` and `argument`; 0 when there is none.
pid_t ProcessWith(const std::string& program, const std::string& argument) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string line = ReadFile(entry.path().string() + "/cmdline");
        if (line.find(program + '\0') != std::string::npos &&
            line.find(argument) != std::string::npos) {
            return static_cast<pid_t>(std::stol(name));
        }
    }
    return 0;
}

// A helper killed while it writes into a pipe has written part of the output: the message says
// so instead of promising the output was left as it was.
TEST(Outputs, AHelperKilledWritingIntoAPipeSaysItsOutputMayBeIncomplete) {
    TempDir dir;
    dir.write("big.gplt", ManyPoints(4000));
    ASSERT_EQ(mkfifo(dir.file("out.dxf").c_str(), 0644), 0);
    // A reader that never reads: the export fills the pipe and waits on it.
    const int reader = open(dir.file("out.dxf").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::thread killer([&] {
        pollfd waiting{reader, POLLIN, 0};
        if (poll(&waiting, 1, 60000) != 1) {
            return;
        }
        for (int tries = 0; tries < 1000; ++tries) {
            if (pid_t helper = ProcessWith("plotaktar-export", dir.file("big.gplt"))) {
                kill(helper, SIGKILL);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    CliResult r = RunCli({"export", dir.file("big.gplt"), "-o", dir.file("out.dxf")});
    killer.join();
    close(reader);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(LastLine(r.err),
              "plotaktar-cli: plotaktar-export ended abnormally (signal 9, "
              "Killed); the system may have run out of memory; " +
                  dir.file("out.dxf") + " may be incomplete");
}

}  // namespace
}  // namespace plotaktar::testing
