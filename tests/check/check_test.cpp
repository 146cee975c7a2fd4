// The drawing check: one drawing with a planted fault of each kind and the same drawing
// without them, the sample's three parcel areas, areas against Shapely, and the command's
// statuses and JSON.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "check/check_files.h"
#include "check/check_report.h"
#include "check/parcel_geometry.h"
#include "import/import_files.h"
#include "import/source_lines.h"
#include "process.h"
#include "test_support.h"

namespace plotaktar::check {
namespace {

using plotaktar::testing::CrLf;
using plotaktar::testing::ReadFile;
using plotaktar::testing::RunCli;
using plotaktar::testing::Sample;
using plotaktar::testing::TempDir;

// A geometry line and the finding it plants (empty for a line the clean drawing keeps too;
// "-" for a planted line whose finding lies on another line).
struct PlantedLine {
    const char* text;
    const char* code;
};

// The planted faults. Parcel 200/4 is in row 4, the column that lines of no words met before
// the first parcel go to, so the five lines "*" leave it five corners against its count 4.
const PlantedLine kPlanted[] = {
    {"tab 1 1 SINIR 1 0 1 0.18", ""},
    {"tab 2 1 DETAY 8 0 1 0.13", ""},
    {"tab 3 1 PARSEL 1 0 1 0.35", ""},
    {"nir 12 4512345.67 512345.67 123.45 1", ""},
    {"pol 1001 4512401.12 512289.40 118.02 2", ""},
    {"nok 2501 4512360.12 512301.45 119.80 2", ""},
    {"nok 2502 4512372.48 512318.02 119.95 2", ""},
    {"nok 2501 4512390.00 512330.00 119.80 2", "point-duplicate-number"},
    {"nok 2503 4512372.4805 512318.0203 119.95 2", "point-duplicate-position"},
    {"nok 2504 4512350.00 512310.00 120.00 8a", "record-failed"},
    {"nok 2505 45123x0.00 512320.00 120.00 2", "coordinate-unreadable"},
    {"nok 2506 4522350.00 512320.00 120.00 2", "outlier"},
    {"nok 2507 4512355.00 512325.00 120.00 7", "feature-undeclared-layer"},
    {"hat 2501 512301.45 4512360.12 119.80 2502 512318.02 4512372.48 119.95 2", ""},
    {"hat 2501 512301.45 4512360.12 119.80 2502 512318.52 4512372.48 119.95 2",
     "line-endpoint-mismatch"},
    {"hat 0 512310.00 4512330.00 0 0 512310.00 4512330.00 0 2", "line-zero-length"},
    {"sem 1001 5 0.50 0.50 0 2", ""},
    {"sem 9999 31 1.00 1.00 0 2", "symbol-point-missing"},
    {"*", "-"},
    {"*", "-"},
    {"*", "-"},
    {"*", "-"},
    {"*", "-"},
    {"par 200 1 100.00 3", ""},
    {"200 1 1 512400.00 4512400.00 0", ""},
    {"200 1 2 512410.00 4512400.00 0", ""},
    {"200 1 3 512410.00 4512410.00 0", ""},
    {"200 1 4 512400.00 4512410.00 0", ""},
    {"par 200 2 100.00 3", "parcel-overlap"},
    {"200 2 1 512409.00 4512400.00 0", "-"},
    {"200 2 2 512419.00 4512400.00 0", "-"},
    {"200 2 3 512419.00 4512410.00 0", "-"},
    {"200 2 4 512409.00 4512410.00 0", "-"},
    {"par 200 3 0.00 3", "parcel-self-intersection"},
    {"200 3 1 512430.00 4512400.00 0", "-"},
    {"200 3 2 512440.00 4512410.00 0", "-"},
    {"200 3 3 512440.00 4512400.00 0", "-"},
    {"200 3 4 512430.00 4512410.00 0", "-"},
    {"par 200 4 100.00 3", ""},
    {"200 4 1 512460.00 4512400.00 0", ""},
    {"200 4 2 512470.00 4512400.00 0", ""},
    {"200 4 3 512470.00 4512410.00 0", ""},
    {"200 4 4 512460.00 4512410.00 0", ""},
    {"par 200 5 99.70 3", "-"},
    {"200 5 1 512390.00 4512400.00 0", "-"},
    {"200 5 2 512399.97 4512400.00 0", "parcel-sliver"},
    {"200 5 3 512399.97 4512410.00 0", "-"},
    {"200 5 4 512390.00 4512410.00 0", "-"},
    {"par 200 6 0.00 3", "parcel-too-few-corners"},
    {"200 6 1 512450.00 4512450.00 0", "-"},
    {"200 6 2 512451.00 4512450.00 0", "-"},
    {"par 200 7 150.00 3", "parcel-area"},
    {"200 7 1 512480.00 4512400.00 0", "-"},
    {"200 7 2 512490.00 4512400.00 0", "-"},
    {"200 7 3 512490.00 4512410.00 0", "-"},
    {"200 7 4 512480.00 4512410.00 0", "-"},
    {"par 200 1 25.00 3", "parcel-duplicate"},
    {"200 1 1 512500.00 4512400.00 0", "-"},
    {"200 1 2 512505.00 4512400.00 0", "-"},
    {"200 1 3 512505.00 4512405.00 0", "-"},
    {"200 1 4 512500.00 4512405.00 0", "-"},
    {"par 200 9 0.00 3", "export-stops"},
};

// Label lines: x, y, angle, size, the text and the layer in the last three characters.
const PlantedLine kPlantedLabels[] = {
    {"4512405.00 512405.00 100 2.0 200/1   3", ""},
    {"4512420.00 512420.00 100 2.0 DERE   9", "label-undeclared-layer"},
};

std::string Join(const PlantedLine* lines, size_t n, bool planted) {
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        if (planted || *lines[i].code == '\0') {
            text += lines[i].text;
            text += "\r\n";
        }
    }
    return text;
}

Findings Check(const TempDir& dir, bool planted, const CheckOptions& options = {}) {
    const ImportPaths paths{dir.write(planted ? "planted.gplt" : "clean.gplt",
                                      Join(kPlanted, std::size(kPlanted), planted)),
                            dir.write(planted ? "planted.yaz" : "clean.yaz",
                                      Join(kPlantedLabels, std::size(kPlantedLabels), planted)),
                            ""};
    ImportObserver quiet;
    return CheckFiles(paths, options, quiet);
}

std::string Listing(const Findings& findings) {
    return FindingsText(findings, {"GEOMETRY", "LABELS", "COMPANION"});
}

TEST(Check, FindsEachPlantedFaultOnItsLineAndNothingInTheDrawingWithoutThem) {
    TempDir dir;
    const Findings findings = Check(dir, true);
    std::set<std::pair<std::string, uint64_t>> found;
    std::set<std::string> codes;
    for (const Finding& f : findings) {
        found.emplace(std::string(f.code), f.line);
        codes.emplace(f.code);
    }
    for (size_t i = 0; i < std::size(kPlanted); ++i) {
        const std::string code = kPlanted[i].code;
        if (!code.empty() && code != "-") {
            EXPECT_TRUE(found.count({code, i + 1})) << code << " on line " << i + 1 << "\n"
                                                    << Listing(findings);
        }
    }
    EXPECT_TRUE(found.count({"label-undeclared-layer", 2})) << Listing(findings);
    for (const CodeEntry& entry : kCodes) {
        if (entry.code != "parcel-overlay-failed") {
            EXPECT_TRUE(codes.count(std::string(entry.code))) << entry.code;
        }
    }
    // The record named as the tables show it, with the value that failed.
    for (const Finding& f : findings) {
        if (f.code == "record-failed") {
            EXPECT_EQ(f.table, TableId::DetailPoints);
            EXPECT_EQ(f.row, 5);
            EXPECT_NE(f.message.find("nokta kaydı okunamadı: Tabaka No '8a'"), std::string::npos)
                << f.message;
        }
        if (f.code == "parcel-corner-count") {
            EXPECT_EQ(f.row, 4);
            EXPECT_EQ(f.line, 39u);  // the parcel's own line, not one of the early lines
        }
        if (f.code == "parcel-overlap") {
            ASSERT_FALSE(f.values.empty());
            EXPECT_NEAR(f.values[0].value, 10.0, 1e-9);
        }
    }

    const Findings clean = Check(dir, false);
    EXPECT_TRUE(clean.empty()) << Listing(clean);
}

Findings OfCode(const Findings& findings, std::string_view code) {
    Findings of;
    for (const Finding& f : findings) {
        if (f.code == code) {
            of.push_back(f);
        }
    }
    return of;
}

double Value(const Finding& f, std::string_view name) {
    for (const FindingValue& v : f.values) {
        if (v.name == name) {
            return v.value;
        }
    }
    ADD_FAILURE() << "no value " << name << " in " << f.message;
    return 0;
}

// The viewer numbers the check's lines from the bytes its import read: the same lines as a
// second reading of the files, and still those of the version imported once the files change.
TEST(Check, RowLinesFromTheImportedBytesAreThoseOfTheVersionImported) {
    TempDir dir;
    const std::string geometry = ReadFile(Sample("pafta12.gplt"));
    const ImportPaths paths{dir.write("p.gplt", geometry),
                            dir.write("p.yaz", ReadFile(Sample("pafta12.yaz"))),
                            dir.write("p.yfn", ReadFile(Sample("pafta12.yfn")))};
    Workspace workspace;
    ImportObserver quiet;
    ImportedBytes imported;
    ImportFiles(workspace, paths, quiet, &imported);
    auto fromBytes = [&] {
        RowLines lines;
        lines.readGeometry(imported.geometry);
        lines.readLabels(imported.labels, imported.companion, workspace);
        return lines;
    };
    auto fromFiles = [&] {
        RowLines lines;
        lines.readGeometry(paths.geometry);
        lines.readLabels(paths.labels, paths.companion, workspace);
        return lines;
    };
    // Every row's line, and the parcels' corners, as "table row column file line" lines.
    auto listed = [&](const RowLines& lines) {
        std::string all;
        for (const TableEntry& table : kTables) {
            const int columns = table.id == TableId::ParcelCorners ? 8 : 1;
            for (int column = 0; column < columns; ++column) {
                for (int row = 1; row < workspace.table(table.id).rowCount(); ++row) {
                    const RowLine line = lines.of(table.id, row, column);
                    if (line.line != 0) {
                        all += std::to_string(TableNumber(table.id)) + " " + std::to_string(row) +
                               " " + std::to_string(column) + " " +
                               std::to_string(static_cast<int>(line.file)) + " " +
                               std::to_string(line.line) + "\n";
                    }
                }
            }
        }
        return all;
    };
    const std::string imports = listed(fromBytes());
    EXPECT_EQ(imports, listed(fromFiles()));
    EXPECT_GT(std::count(imports.begin(), imports.end(), '\n'), 40);
    // Label rows are numbered from the label file and from its companion.
    EXPECT_NE(imports.find(" 0 1 1\n"), std::string::npos);
    EXPECT_NE(imports.find(" 0 2 1\n"), std::string::npos);

    // The geometry file emptied on disk: a second reading finds none of its rows.
    dir.write("p.gplt", "");
    EXPECT_EQ(listed(fromFiles()).find(" 0 0 "), std::string::npos);
    EXPECT_EQ(listed(fromBytes()), imports);

    RowLines none;
    none.readGeometry(SharedBytes());
    none.readLabels(SharedBytes(), SharedBytes(), workspace);
    EXPECT_EQ(listed(none), "");
}

TEST(Check, TheSamplesParcelsMissTheirDeclaredAreasAndTheRuleAndScaleMoveTheLimit) {
    const std::string samples = PLOTAKTAR_SAMPLES_DIR;
    const ImportPaths paths{samples + "/pafta12.gplt", samples + "/pafta12.yaz",
                            samples + "/pafta12.yfn"};
    ImportObserver quiet;
    const Findings findings = CheckFiles(paths, {}, quiet);
    ASSERT_EQ(findings.size(), 3u) << Listing(findings);
    const double areas[] = {1152.04, 1202.73, 829.24};
    const double declared[] = {1250.40, 986.75, 2310.05};
    const uint64_t lines[] = {34, 39, 45};
    for (size_t i = 0; i < 3; ++i) {
        const Finding& f = findings[i];
        EXPECT_EQ(f.code, "parcel-area");
        EXPECT_EQ(f.severity, Severity::Error);
        EXPECT_EQ(f.line, lines[i]);
        EXPECT_EQ(f.row, static_cast<int>(i) + 1);
        EXPECT_NEAR(Value(f, "computed_area"), areas[i], 0.005);
        EXPECT_DOUBLE_EQ(Value(f, "declared_area"), declared[i]);
        EXPECT_DOUBLE_EQ(Value(f, "limit"),
                         0.013 * std::sqrt(1000 * declared[i]) + 0.0003 * declared[i]);
    }
    // The rural rule at 1:5000 allows 0.0004 * 5000 * sqrt(F) + 0.0003 * F: 105/12's 98.36 m²
    // (limit 71.1 m²) still fails, 1480.81 m² on 2310.05 m² (limit 96.8 m²) too.
    CheckOptions rural{5000, AreaRule::Kirsal};
    EXPECT_EQ(OfCode(CheckFiles(paths, rural, quiet), "parcel-area").size(), 3u);
    // At 1:100000 every difference is within the rural limit; without a rule each is only told.
    EXPECT_TRUE(CheckFiles(paths, {100000, AreaRule::Kirsal}, quiet).empty());
    const Findings told = CheckFiles(paths, {1000, AreaRule::None}, quiet);
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(CountFindings(told).errors, 0u);
}

// Parcels of many corners, each row of which once took minutes or more: the sliver test
// measured every corner against the whole of a neighbour's boundary, and a parcel that crosses
// itself was made valid however many its corners. Guarded by ctest's TIMEOUT (its own test,
// check_large_parcels_test), not by a clock here.
TEST(CheckLargeParcels, CheckWithinTheirTimeAndSayWhatTheyLeaveOut) {
    struct Row {
        const char* what;
        int corners;         // of each of the two circles, 100 m across
        double apart;        // their centres, metres
        bool crossed;        // the first crosses itself (two corners swapped)
        size_t overlaps;     // parcel-overlap findings
        size_t slivers;      // at least this many parcel-sliver findings
        const char* failed;  // the parcel-overlay-failed message, or nothing
    };
    const Row rows[] = {
        {"two circles overlapping", 50'000, 50, false, 1, 0, nullptr},
        {"two circles 2 cm apart", 50'000, 0.02, false, 1, 90'000, nullptr},
        {"a crossed circle at the limit", 10'000, 50, true, 1, 0, nullptr},
        {"a crossed circle beyond it", 10'001, 50, true, 0, 0,
         "200/1: çok karmaşık (10001 köşe); üst üste binme denetlenmedi"},
        {"a crossed circle beyond it, alone", 10'001, 500, true, 0, 0, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string geometry = "tab 1 1 PARSEL 1 0 1 0.35\r\n";
        char line[96];
        for (int p = 1; p <= 2; ++p) {
            geometry += "par 200 " + std::to_string(p) + " 31415.93 1\r\n";
            for (int c = 0; c < row.corners; ++c) {
                const int at = row.crossed && p == 1 && c < 2 ? 1 - c : c;
                const double angle = 2 * M_PI * at / row.corners;
                std::snprintf(line, sizeof line, "200 %d %d %.3f %.3f 0\r\n", p, c + 1,
                              500000 + (p - 1) * row.apart + 100 * std::cos(angle),
                              4500000 + 100 * std::sin(angle));
                geometry += line;
            }
        }
        TempDir dir;
        ImportObserver quiet;
        const Findings findings =
            CheckFiles({dir.write("large.gplt", geometry), "", ""}, {}, quiet);
        EXPECT_EQ(OfCode(findings, "parcel-self-intersection").size(), row.crossed ? 1u : 0u);
        EXPECT_EQ(OfCode(findings, "parcel-overlap").size(), row.overlaps);
        EXPECT_GE(OfCode(findings, "parcel-sliver").size(), row.slivers);
        const Findings failed = OfCode(findings, "parcel-overlay-failed");
        ASSERT_EQ(failed.size(), row.failed ? 1u : 0u) << Listing(failed);
        if (row.failed) {
            EXPECT_EQ(failed[0].message, row.failed);
            EXPECT_EQ(failed[0].row, 1);
        }
    }
}

// The parcels' geometry that would run for minutes (512 circles of 1,000 corners over each
// other: every parcel overlaps every other, each corner lies near 511 boundaries), on both
// threads, is cancelled while they work: it throws CheckCancelled once the other thread has
// stopped too. Guarded by ctest's TIMEOUT; the time from the cancel
// to the throw is recorded (stopped_ms), not judged.
TEST(CheckLargeParcels, ACancelStopsTheParcelsGeometryOnBothThreads) {
    std::vector<ParcelShape> parcels;
    const int corners = 1'000;
    for (int p = 1; p <= 512; ++p) {
        ParcelShape& parcel = parcels.emplace_back();
        parcel.row = p;
        parcel.name = "200/" + std::to_string(p);
        for (int c = 0; c < corners; ++c) {
            const double angle = 2 * M_PI * c / corners;
            parcel.ring.push_back(
                {500000 + 0.002 * p + 100 * std::cos(angle), 4500000 + 100 * std::sin(angle)});
        }
    }
    RowLines lines;
    Findings findings;
    Reporter report(lines, findings);
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point cancelledAt;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        cancelledAt = std::chrono::steady_clock::now();
        cancel = true;
    });
    EXPECT_THROW(CheckParcelGeometry(parcels, report, &cancel), CheckCancelled);
    const auto stopped = std::chrono::steady_clock::now();
    canceller.join();
    RecordProperty(
        "stopped_ms",
        static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(stopped - cancelledAt).count()));
}

// Star parcels {n/m}, whose n sides meet each other n(m-1) times, 5 m apart and 20 m across:
// a repair below the crossings' cap goes on to the overlay; one at or above it, or beyond the
// drawing's share of repair work, is reported without its repair, so that none takes minutes.
TEST(CheckLargeParcels, CrossedParcelsAreRepairedOnlyWithinTheirCrossingsAndTheDrawingsShare) {
    struct Row {
        const char* what;
        int stars;           // crossed parcels in a row
        int corners, step;   // {corners/step}; step 1: a circle, its first two corners swapped
        bool neighbour;      // a simple circle overlapping the first
        size_t overlaps;     // parcel-overlap findings
        size_t notRepaired;  // parcel-overlay-failed findings, all with `failed`
        const char* failed;  // the first of them
    };
    const Row rows[] = {
        {"189 crossings, under the cap", 1, 21, 10, true, 1, 0, nullptr},
        {"230 crossings, over it", 1, 23, 11, true, 0, 1,
         "200/1: çok karmaşık (23 köşe, en az 200 kesişme); üst üste binme denetlenmedi"},
        {"a 301-corner star beside a neighbour", 1, 301, 150, true, 0, 1,
         "200/1: çok karmaşık (301 köşe, en az 200 kesişme); üst üste binme denetlenmedi"},
        {"a 301-corner star alone", 1, 301, 150, false, 0, 0, nullptr},
        // Each costs 44² of 200² + 660/4: twenty are repaired, and their overlaps with the next two
        // found.
        {"sixty small stars", 60, 11, 5, false, 19 + 18, 40,
         "200/21: çizimin onarım payı tükendi (11 köşe, 44 kesişme); üst üste binme "
         "denetlenmedi"},
        // Large parcels cost 16 a corner of 16 × 10,000 + 22,000/2: five are repaired, and their
        // overlaps with the next three found.
        {"eleven crossed circles of 2,000 corners", 11, 2'000, 1, false, 4 + 3 + 2, 6,
         "200/6: çizimin onarım payı tükendi (2000 köşe, 1 kesişme); üst üste binme "
         "denetlenmedi"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string geometry = "tab 1 1 PARSEL 1 0 1 0.35\r\n";
        char line[96];
        auto add = [&](int p, int corners, int step, double east) {
            geometry += "par 200 " + std::to_string(p) + " 314.16 1\r\n";
            for (int c = 0; c < corners; ++c) {
                const int at = step == 1 && p <= row.stars && c < 2 ? 1 - c : c * step % corners;
                const double angle = 2 * M_PI * at / corners;
                std::snprintf(line, sizeof line, "200 %d %d %.3f %.3f 0\r\n", p, c + 1,
                              east + 10 * std::cos(angle), 4500000 + 10 * std::sin(angle));
                geometry += line;
            }
        };
        for (int p = 1; p <= row.stars; ++p) {
            add(p, row.corners, row.step, 500000 + 5.0 * p);
        }
        if (row.neighbour) {
            add(row.stars + 1, 64, 1, 500000 + 2.5);
        }
        TempDir dir;
        ImportObserver quiet;
        const Findings findings =
            CheckFiles({dir.write("stars.gplt", geometry), "", ""}, {}, quiet);
        EXPECT_EQ(OfCode(findings, "parcel-self-intersection").size(),
                  static_cast<size_t>(row.stars));
        EXPECT_EQ(OfCode(findings, "parcel-overlap").size(), row.overlaps);
        const Findings failed = OfCode(findings, "parcel-overlay-failed");
        ASSERT_EQ(failed.size(), row.notRepaired) << Listing(failed);
        if (row.failed) {
            EXPECT_EQ(failed[0].message, row.failed);
        }
    }
}

// Parcels of random shape, convex or not, whose areas the check and Shapely compute apart.
TEST(Check, AreasFromTheCornersAgreeWithShapely) {
    if (std::system("/usr/bin/python3 -c 'import shapely' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3-shapely is not installed";
    }
    TempDir dir;
    std::string geometry = "tab 1 1 PARSEL 1 0 1 0.35\r\n";
    std::string corners;
    uint64_t state = 7;
    auto random = [&](int lo, int hi) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return lo + static_cast<int>((state >> 33) % static_cast<uint64_t>(hi - lo + 1));
    };
    const int parcels = 200;
    for (int p = 1; p <= parcels; ++p) {
        geometry += "par 300 " + std::to_string(p) + " 0.00 1\r\n";
        // A star-shaped ring around a centre: never crossing itself, often not convex.
        const int n = random(3, 12);
        const double east = 500000 + 100.0 * p, north = 4500000;
        for (int k = 0; k < n; ++k) {
            const double angle = 2 * 3.141592653589793 * k / n;
            const double radius = random(100, 5000) / 100.0;
            char corner[128];
            std::snprintf(corner, sizeof corner, "%.2f %.2f", east + radius * std::cos(angle),
                          north + radius * std::sin(angle));
            geometry +=
                "300 " + std::to_string(p) + " " + std::to_string(k + 1) + " " + corner + " 0\r\n";
            corners += corner;
            corners += k + 1 < n ? ";" : "\n";
        }
    }
    const std::string samples = PLOTAKTAR_SAMPLES_DIR;
    // The sample's three parcels, as its corner lines give them.
    corners +=
        "512301.45 4512340.12;512338.20 4512351.77;512345.05 4512322.40;"
        "512308.66 4512310.93\n";
    corners +=
        "512338.20 4512351.77;512369.41 4512360.08;512381.95 4512338.62;"
        "512362.30 4512318.15;512345.05 4512322.40\n";
    corners += "512290.12 4512402.66;512333.48 4512415.20;512318.02 4512372.48\n";
    const std::string cornerFile = dir.write("corners.txt", corners);
    const std::string script =
        dir.write("areas.py",
                  "import sys\nfrom shapely.geometry import Polygon\n"
                  "for line in open(sys.argv[1]):\n"
                  "    ring = [tuple(map(float, c.split())) for c in line.strip().split(';')]\n"
                  "    print(repr(Polygon(ring).area))\n");
    const std::string out = dir.file("areas.out");
    ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " " + cornerFile + " > " + out).c_str()),
              0);
    std::ifstream shapely(out);
    std::vector<double> expected;
    for (double area; shapely >> area;) {
        expected.push_back(area);
    }
    ASSERT_EQ(expected.size(), static_cast<size_t>(parcels) + 3);

    ImportObserver quiet;
    Findings told = OfCode(
        CheckFiles({dir.write("random.gplt", geometry), "", ""}, {1000, AreaRule::None}, quiet),
        "parcel-area");
    const Findings sample =
        OfCode(CheckFiles({samples + "/pafta12.gplt", "", ""}, {1000, AreaRule::None}, quiet),
               "parcel-area");
    for (const Finding& f : sample) {
        told.push_back(f);
    }
    ASSERT_EQ(told.size(), expected.size());
    for (size_t i = 0; i < told.size(); ++i) {
        EXPECT_NEAR(Value(told[i], "computed_area"), expected[i], 1e-6 * expected[i]) << i;
    }
}

TEST(CheckCommand, StatusesTextAndJson) {
    const std::string samples = PLOTAKTAR_SAMPLES_DIR;
    TempDir dir;
    const std::string clean = dir.write("clean.gplt", Join(kPlanted, std::size(kPlanted), false));
    const std::string planted =
        dir.write("planted.gplt", Join(kPlanted, std::size(kPlanted), true));

    auto sample = RunCli({"check", samples + "/pafta12.gplt"});
    EXPECT_EQ(sample.status, 3) << sample.err;
    EXPECT_NE(sample.out.find("pafta12.gplt:34: error: parcel-area: 105/12: köşelerden alan "
                              "1152.04 m²"),
              std::string::npos)
        << sample.out;
    EXPECT_NE(sample.out.find("3 errors, 0 warnings (parcel-area 3)\n"), std::string::npos);

    auto ok = RunCli({"check", clean, "--no-labels"});
    EXPECT_EQ(ok.status, 0) << ok.out << ok.err;
    EXPECT_EQ(ok.out, "0 errors, 0 warnings\n");

    // A failing record goes to standard error as convert prints it, and is a finding too.
    auto bad = RunCli({"check", planted, "--no-labels", "--format", "json"});
    EXPECT_EQ(bad.status, 3);
    EXPECT_NE(bad.err.find("planted.gplt:10: nokta\n"), std::string::npos) << bad.err;
    const std::string json = dir.write("planted.json", bad.out);
    // Read back by an independent parser: every finding has its keys, and the summary adds up.
    const std::string script = dir.write(
        "read.py",
        "import json, sys\nd = json.load(open(sys.argv[1]))\n"
        "f = d['findings']\ns = d['summary']\n"
        "assert all(set(['code','severity','file','line','table','row','message']) <= set(x) "
        "for x in f)\n"
        "assert s['errors'] + s['warnings'] == len(f) == sum(s['by_code'].values())\n"
        "a = [x for x in f if x['code'] == 'parcel-area'][0]\n"
        "assert a['table'] == 'Ada Parsel' and a['row'] == 7 and a['declared_area'] == 150\n"
        "assert a['computed_area'] == 100 and a['difference'] == 50\n"
        "print(len(f))\n");
    EXPECT_EQ(std::system(("/usr/bin/python3 " + script + " " + json).c_str()), 0) << bad.out;

    EXPECT_EQ(RunCli({"check", dir.file("missing.gplt")}).status, 2);
    // A plot file is refused, not passed with no finding.
    const auto plot = RunCli({"check", dir.write("p.PLT", "TA  SINIR\r\n"), "--format", "json"});
    EXPECT_EQ(plot.status, 2);
    EXPECT_EQ(plot.out, "");
    EXPECT_NE(plot.err.find("p.PLT: a plot file has no tables to check"), std::string::npos)
        << plot.err;
    // A scale is the N of 1:N as render takes it: outside 1 to 1,000,000 no area could ever be
    // out of its limit (or every one would be).
    for (const char* scale : {"0", "1e308", "0.0001", "1000001", "1000.5", "-1000", "", "inf"}) {
        const auto refused = RunCli({"check", clean, "--no-labels", "--scale", scale});
        EXPECT_EQ(refused.status, 2) << scale;
        EXPECT_NE(refused.err.find("check: --scale takes the N of 1:N, 1 to 1000000; not '" +
                                   std::string(scale) + "'"),
                  std::string::npos)
            << refused.err;
        EXPECT_EQ(refused.out, "") << scale;
    }
    for (const char* scale : {"1", "1000000"}) {
        EXPECT_EQ(RunCli({"check", clean, "--no-labels", "--scale", scale}).status, 0) << scale;
    }
    EXPECT_EQ(RunCli({"check", clean, "--area-rule", "tapu"}).status, 2);
    EXPECT_EQ(RunCli({"check", clean, "--format", "xml"}).status, 2);
}

// A cell that is no number is named by check in the words export leaves its record out with,
// both ends of a line and both fields of a corner as well as the first.
TEST(CheckCommand, UnreadableCellsAreNamedAsExportNamesThem) {
    TempDir dir;
    const std::string geometry = dir.write("u.gplt", CrLf({
                                                         "tab 1 1 A 1 0 1 0.1",
                                                         "nok 1 45a 51b 1 1",
                                                         "hat 1 5 6 0 2 7c 8d 0 1",
                                                         "par 10 1 100 1",
                                                         "10 1 1 5 6 0",
                                                         "10 1 2 zz 7 0",
                                                         "10 1 3 7 8 0",
                                                     }));
    const auto checked = RunCli({"check", geometry, "--no-labels"});
    EXPECT_EQ(checked.status, 3) << checked.err;
    const auto exported = RunCli({"export", geometry, "--no-labels", "-o", dir.file("u.dxf")});
    for (const char* first :
         {"u.gplt:2: left out: point '1': Y '51b' is not a number",
          "u.gplt:3: left out: line '1'-'2': Y '7c' is not a number",
          "u.gplt:4: left out: parcel '10'/'1': corner 2 Y 'zz' is not a number"}) {
        EXPECT_NE(exported.err.find(first), std::string::npos) << exported.err;
    }
    for (const char* finding : {"u.gplt:2: error: coordinate-unreadable: X '45a' is not a number",
                                "u.gplt:2: error: coordinate-unreadable: Y '51b' is not a number",
                                "u.gplt:3: error: coordinate-unreadable: Y '7c' is not a number",
                                "u.gplt:3: error: coordinate-unreadable: X '8d' is not a number",
                                "u.gplt:6: error: coordinate-unreadable: corner 2 Y 'zz' is not "
                                "a number"}) {
        EXPECT_NE(checked.out.find(finding), std::string::npos) << checked.out;
    }
}

}  // namespace
}  // namespace plotaktar::check
