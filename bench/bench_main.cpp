// plotaktar_bench: what a user of a big drawing feels, side by side with the physical floor.
//
//   plotaktar_bench [--runs R] [--cli PATH] [--no-view] [--no-export] [--archive DIR]
//                   [--callgrind BASE] BASE...
//
// For each generated drawing BASE (BASE.gplt, BASE.yaz, BASE.yfn) it prints one table (Markdown)
// of every figure beside its target and its peer (the rows are in bench_rows.cpp), then one
// `name value unit` line per figure, each the median of R runs (5 by default); with several
// drawings it ends with the growth of every figure from one drawing to the next. --archive adds
// the rows of a folder of drawings converted by `batch` and by a loop of `convert`;
// --callgrind counts convert's instructions on the drawing BASE.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "bench_table.h"
#include "core_figures.h"
#ifdef PLOTAKTAR_BENCH_EXPORT
#include "exchange_figures.h"
#endif
#include "model/messages.h"
#include "revision.h"

#ifdef PLOTAKTAR_BENCH_VIEW
#include <QApplication>

#include "view_figure.h"
#endif
#ifdef PLOTAKTAR_BENCH_VIEWER
#include "sheet_figures.h"
#include "viewer_figures.h"
#endif

namespace plotaktar::bench {
namespace {

struct Options {
    int runs = 5;
    std::string cli = PLOTAKTAR_CLI_PATH;
    bool view = true;
    bool exchange = true;   // --no-export leaves the exchange formats' figures out
    std::string archive;    // a folder of drawings for the archive's rows
    std::string callgrind;  // the drawing convert's instructions are counted on
    std::vector<std::string> bases;
};

struct Result {
    uint64_t records = 0;
    std::vector<Figure> figures;
    Measurements measured;  // the figures the table shows
    double inputMiB = 0;
    std::vector<std::string> notes;

    double value(const std::string& name) const {
        for (const Figure& f : figures) {
            if (f.name == name) {
                return f.value;
            }
        }
        return 0;
    }
};

bool SameFile(const std::string& a, const std::string& b) {
    try {
        return ReadWholeFile(a) == ReadWholeFile(b);
    } catch (const std::exception&) {
        return false;
    }
}

Result Measure(const std::string& base, const Options& options, ProcessRunner& runner) {
    Result result;
    Drawing drawing(base);
    result.records = drawing.geometryLines;
    ScratchDir scratch;
    const int runs = options.runs;
    auto add = [&](std::string name, double value, std::string unit, std::string caption) {
        result.figures.push_back({std::move(name), value, std::move(unit), std::move(caption)});
    };
    // A figure of the table: a time and, for a process, its peak.
    auto shown = [&](const std::string& name, Timing time, double peakMiB = 0) {
        result.measured.set(name, time, peakMiB);
    };
    auto shownMs = [&](const std::string& name, double ms, double peakMiB = 0) {
        result.measured.set(name, Timing{ms, 0}, peakMiB);
    };
    result.notes.push_back("load average before: " + LoadAverage());

    // The floors and the process run alternate, so that all see the same machine. A first
    // conversion, not counted, gives the number of bytes the floor writes.
    std::vector<Timing> readFloorRuns, floorRuns, convertRuns;
    std::vector<double> convertPeaks;
    uint64_t lines = 0;
    std::string convertOutput = scratch.file("convert.plt");
    std::string convertLog = scratch.file("convert.log");
    ConvertOnce(runner, options.cli, drawing, convertOutput, convertLog);
    const uint64_t outputBytes = std::filesystem::file_size(convertOutput);
    for (int i = 0; i < runs; ++i) {
        readFloorRuns.push_back(ReadFloorOnce(drawing, lines));
        floorRuns.push_back(FloorOnce(drawing, outputBytes, scratch.file("floor.out")));
        ProcessRun run = ConvertOnce(runner, options.cli, drawing, convertOutput, convertLog);
        if (run.exitStatus != 0) {
            throw std::runtime_error("plotaktar-cli convert exited with " +
                                     std::to_string(run.exitStatus) + ":\n" +
                                     ReadWholeFile(convertLog));
        }
        convertRuns.push_back(run.time);
        convertPeaks.push_back(run.peakResidentMiB);
    }

#ifdef PLOTAKTAR_BENCH_CHECK
    // plotaktar-cli check of the same drawing (findings as JSON into the log), beside convert.
    std::vector<Timing> checkRuns;
    std::vector<double> checkPeaks;
    std::string checkLog = scratch.file("check.log");
    for (int i = 0; i < runs; ++i) {
        ProcessRun run = runner.run(
            {options.cli, "check", drawing.geometry, drawing.labels, "--format", "json"}, checkLog);
        if (run.exitStatus != 0 && run.exitStatus != 3) {
            throw std::runtime_error("plotaktar-cli check exited with " +
                                     std::to_string(run.exitStatus) + ":\n" +
                                     ReadWholeFile(checkLog));
        }
        checkRuns.push_back(run.time);
        checkPeaks.push_back(run.peakResidentMiB);
    }
#endif

#ifdef PLOTAKTAR_BENCH_DIFF
    // plotaktar-cli diff of the drawing against a revision of it, beside convert.
    const Drawing revision = WriteRevision(drawing, scratch.file("revision"));
    std::vector<Timing> diffRuns;
    std::vector<double> diffPeaks;
    std::string diffLog = scratch.file("diff.log");
    for (int i = 0; i < runs; ++i) {
        ProcessRun run =
            runner.run({options.cli, "diff", drawing.geometry, revision.geometry, "--old-labels",
                        drawing.labels, "--new-labels", revision.labels, "--format", "json"},
                       diffLog);
        if (run.exitStatus != 3) {
            throw std::runtime_error("plotaktar-cli diff exited with " +
                                     std::to_string(run.exitStatus) + ":\n" +
                                     ReadWholeFile(diffLog));
        }
        diffRuns.push_back(run.time);
        diffPeaks.push_back(run.peakResidentMiB);
    }
    {
        // What the comparison found, by code, from its summary line.
        const std::string json = ReadWholeFile(diffLog);
        const size_t at = json.find("\"by_code\": ");
        if (at != std::string::npos) {
            result.notes.push_back("diff: " + json.substr(at, json.find('}', at) - at + 1));
        }
    }
    const double bothInputsMiB =
        static_cast<double>(drawing.inputBytes + revision.inputBytes) / (1024.0 * 1024.0);
#endif

    std::unique_ptr<Session> session;
    ScriptedUi ui;
    std::vector<Timing> importRuns, exportRuns;
    for (int i = 0; i < runs; ++i) {
        session.reset();
        session = std::make_unique<Session>();
        importRuns.push_back(ImportOnce(*session, drawing, ui));
    }
    if (ui.messages.size() != 1 || !ui.failures.empty()) {
        std::string first = ui.failures.empty() ? std::string()
                                                : ui.failures[0].first + " at geometry line " +
                                                      std::to_string(ui.failures[0].second);
        result.notes.push_back("import showed " + std::to_string(ui.messages.size()) +
                               " messages and " + std::to_string(ui.failures.size()) +
                               " failing records (first: " + first + ")");
    }
    std::string exportOutput = scratch.file("export.plt");
    for (int i = 0; i < runs; ++i) {
        exportRuns.push_back(ExportOnce(*session, exportOutput, ui));
    }
    if (ui.messages.empty() || ui.messages.back() != kSavedMessage) {
        result.notes.push_back("export did not end with its closing message");
    }
    if (!SameFile(exportOutput, convertOutput)) {
        result.notes.push_back("WARNING: the export's plot file differs from convert's");
    }
    uint64_t tablesBytes = TablesMemory(*session);
    int biggestRows = 0;
    int biggest = BiggestGrid(*session, biggestRows);
    session.reset();

    Timing readFloor = MedianTiming(readFloorRuns);
    Timing floor = MedianTiming(floorRuns);
    Timing import = MedianTiming(importRuns);
    Timing exported = MedianTiming(exportRuns);
    Timing convert = MedianTiming(convertRuns);
    double peakMiB = MedianOf(convertPeaks);
    double inputMiB = static_cast<double>(drawing.inputBytes) / (1024.0 * 1024.0);
    std::string gridName = "StringGrid" + std::to_string(biggest);

    result.inputMiB = inputMiB;
    shown("floor", floor);
    shown("read_floor", readFloor);
    shown("import", import);
    shown("export", exported);
    shown("convert", convert, peakMiB);
    add("input_bytes", static_cast<double>(drawing.inputBytes), "B", "input, three files");
    add("read_floor", readFloor.wallMs, "ms", "read the three files and count their lines");
    add("floor", floor.wallMs, "ms", "read them, write and fsync the plot file's bytes");
    add("import", import.wallMs, "ms", "BitBtn1Click into a fresh Session");
    add("export", exported.wallMs, "ms", "SpeedButton1Click to a plot file");
    add("convert", convert.wallMs, "ms", "plotaktar-cli convert, wall time");
    add("convert_peak_rss", peakMiB, "MiB", "plotaktar-cli convert, peak resident");
    add("floor_cpu", floor.cpuMs, "ms", "CPU time of the same runs");
    add("import_cpu", import.cpuMs, "ms", "");
    add("export_cpu", exported.cpuMs, "ms", "");
    add("convert_cpu", convert.cpuMs, "ms", "");
    add("tables_memory", static_cast<double>(tablesBytes) / (1024.0 * 1024.0), "MiB",
        "the tables' own storage after the import");
#ifdef PLOTAKTAR_BENCH_VIEW
    if (options.view) {
        ViewTimes view = MeasureView(drawing, runs);
        gridName = "StringGrid" + std::to_string(view.grid);
        shownMs("view_refresh", view.refreshMs);
        shownMs("view_scroll", view.scrollMs);
        shownMs("view_save", view.saveMs);
        shownMs("view_copy", view.copyMs, view.copyPeakMiB);
        add("view_refresh", view.refreshMs, "ms",
            "import end to " + gridName + " reset and painted");
        add("view_scroll", view.scrollMs, "ms", "scroll to its last row and paint");
        if (view.tabSwitchMs > 0) {
            add("view_tab_switch", view.tabSwitchMs, "ms", "bring its page to the front, paint");
        }
        add("view_save", view.saveMs, "ms", "the window busy with the save button's command");
        add("view_copy", view.copyMs, "ms",
            "Ctrl+C of " + std::to_string(view.copyRows) + " rows x 10 columns");
        add("view_copy_peak", view.copyPeakMiB, "MiB",
            "memory the copy took, for " + std::to_string(view.copyTextMiB) + " MiB of text");
        result.notes.push_back("view: " + view.subject + "; after the scroll: " + view.check);
    }
#endif
#ifdef PLOTAKTAR_BENCH_VIEWER
    if (options.view) {
        ViewerFigures viewer =
            MeasureViewer(drawing, runner, options.cli, PLOTAKTAR_VIEWER_PATH, runs);
        shownMs("viewer_shown", viewer.shownMs, viewer.peakMiB);
        shownMs("viewer_frame_max", viewer.longestFrameMs);
        shownMs("viewer_pick_max", viewer.longestPickMs);
        shownMs("render_png", viewer.renderMs, viewer.renderPeakMiB);
        shown("sheets_pdf", viewer.sheets, viewer.sheetsPeakMiB);
        add("viewer_shown", viewer.shownMs, "ms",
            "plotaktar-view start to the whole drawing on screen (target 1500)");
        add("viewer_process", viewer.shownWallMs, "ms", "the same run, process start to exit");
        add("viewer_first_picture", viewer.firstPictureMs, "ms",
            "in process: drawing loaded to its first picture");
        add("viewer_frame_max", viewer.longestFrameMs, "ms",
            "longest UI-thread pan/zoom step with its paint (target 16)");
        add("viewer_frame_median", viewer.medianFrameMs, "ms", "median of the same steps");
        add("viewer_pick_max", viewer.longestPickMs, "ms", "longest pick (target 16)");
        add("render_png", viewer.renderMs, "ms",
            "plotaktar-cli render to a 1600 x 1000 PNG, wall (target 1500)");
        add("render_peak_rss", viewer.renderPeakMiB, "MiB", "its peak resident");
        add("sheets_pdf", viewer.sheets.wallMs, "ms",
            "render --scale 5000 --paper A0 to PDF, wall");
        add("sheets_pdf/convert", viewer.sheets.wallMs / convert.wallMs, "x", "target: at most 10");
        add("sheets_pdf_cpu/convert_cpu", viewer.sheets.cpuMs / convert.cpuMs, "x",
            "the same in CPU time");
        add("sheets_peak/input_bytes", viewer.sheetsPeakMiB / inputMiB, "x", "target: at most 4");
        // Below the limit of 10,000 sheets by a margin: a point on a sheet's edge is drawn on
        // both sheets, and the generator's 10,000 points put one there, which the limit refused.
        const ScatteredSheets most = MeasureScatteredSheets(runner, options.cli, 9900, runs);
        const ScatteredSheets fewer = MeasureScatteredSheets(runner, options.cli, 2500, 1);
        add("sheets_scattered_10000", most.time.wallMs, "ms",
            "9,901 sheets of 9,900 scattered points, 1:500 on A4, to PDF (target: under 60000)");
        add("sheets_scattered_10000_cpu", most.time.cpuMs, "ms", "the same in CPU time");
        add("sheets_scattered_peak_rss", most.peakMiB, "MiB", "its peak resident");
        add("sheets_scattered_page_bytes", most.bytesPerPage, "B", "PDF bytes a page");
        add("sheets_scattered_growth", most.bytesPerPage / fewer.bytesPerPage, "x",
            "bytes a page at 9,901 over 2,500 sheets (target: about 1, linear)");
        add("viewer_peak_rss", viewer.peakMiB, "MiB", "plotaktar-view, peak resident");
        add("viewer_peak/input_bytes", viewer.peakMiB / inputMiB, "x", "target: at most 4");
        for (const std::string& note : viewer.notes) {
            result.notes.push_back(note);
        }
    }
#endif
#ifdef PLOTAKTAR_BENCH_EXPORT
    if (options.exchange) {
        ExchangeFigures exchange = MeasureExchange(drawing, runner, options.cli, scratch, runs);
        shown("export_dxf", exchange.dxf, exchange.dxfPeakMiB);
        shown("export_gpkg", exchange.gpkg, exchange.gpkgPeakMiB);
        shown("gpkg_index", exchange.gpkgIndex);
        shown("export_gpkg_unindexed", {exchange.gpkg.wallMs - exchange.gpkgIndex.wallMs,
                                        exchange.gpkg.cpuMs - exchange.gpkgIndex.cpuMs});
        shown("ogr2ogr_dxf", exchange.ogrDxf);
        shown("ogr2ogr_gpkg", exchange.ogrGpkg);
        add("export_dxf", exchange.dxf.wallMs, "ms", "plotaktar-cli export to DXF, wall");
        add("export_dxf_peak_rss", exchange.dxfPeakMiB, "MiB", "its peak resident");
        const double unindexedMs = exchange.gpkg.wallMs - exchange.gpkgIndex.wallMs;
        add("export_gpkg", exchange.gpkg.wallMs, "ms", "plotaktar-cli export to GeoPackage");
        add("export_gpkg_peak_rss", exchange.gpkgPeakMiB, "MiB",
            "its peak (target, 1,000,000 records: 220.2 before + 24 B a feature = 243)");
        add("gpkg_index", exchange.gpkgIndex.wallMs, "ms",
            "of it its spatial indexes, built in bulk (in process)");
        add("export_gpkg_unindexed", unindexedMs, "ms", "the same GeoPackage without them");
        add("export_gpkg/unindexed", exchange.gpkg.wallMs / unindexedMs, "x",
            "target: at most 1.25");
        add("export_gpkg_cpu/unindexed",
            exchange.gpkg.cpuMs / (exchange.gpkg.cpuMs - exchange.gpkgIndex.cpuMs), "x",
            "the same in CPU time");
        add("ogr2ogr_dxf", exchange.ogrDxf.wallMs, "ms", "ogr2ogr, the same features from CSV");
        add("ogr2ogr_gpkg", exchange.ogrGpkg.wallMs, "ms",
            "ogr2ogr, the same from CSV, GDAL's spatial index");
        add("export_dxf/convert", exchange.dxf.wallMs / convert.wallMs, "x", "target: at most 30");
        add("export_gpkg/convert", exchange.gpkg.wallMs / convert.wallMs, "x",
            "target: at most 30");
        add("export_peak/input_bytes",
            std::max(exchange.dxfPeakMiB, exchange.gpkgPeakMiB) / inputMiB, "x",
            "target: at most 4");
        for (const std::string& note : exchange.notes) {
            result.notes.push_back(note);
        }
    }
#endif
#ifdef PLOTAKTAR_BENCH_CHECK
    const Timing checked = MedianTiming(checkRuns);
    const double checkPeakMiB = MedianOf(checkPeaks);
    shown("check", checked, checkPeakMiB);
    add("check", checked.wallMs, "ms", "plotaktar-cli check --format json, wall time");
    add("check_peak_rss", checkPeakMiB, "MiB", "plotaktar-check, peak resident");
    add("check/convert", checked.wallMs / convert.wallMs, "x", "target: at most 10");
    add("check_peak/input_bytes", checkPeakMiB / inputMiB, "x", "target: at most 4");
#endif
#ifdef PLOTAKTAR_BENCH_DIFF
    const Timing diffed = MedianTiming(diffRuns);
    const double diffPeakMiB = MedianOf(diffPeaks);
    result.measured.setAgainst("diff", diffed, diffPeakMiB, bothInputsMiB, "both inputs");
    add("diff", diffed.wallMs, "ms", "plotaktar-cli diff against a revision, --format json");
    add("diff_peak_rss", diffPeakMiB, "MiB", "its peak resident");
    add("diff/convert", diffed.wallMs / convert.wallMs, "x", "target: at most 5");
    add("diff_peak/both_inputs", diffPeakMiB / bothInputsMiB, "x", "target: at most 3");
#endif
    RunCommandRows(drawing, options.cli, scratch.path(), options.archive, runner, runs,
                   result.measured);
    for (const char* name : {"archive_batch_j1", "archive_batch_j2", "archive_loop"}) {
        if (const Measured* archive = result.measured.find(name)) {
            add(name, archive->time.wallMs, "ms", "");
        }
    }
    if (!options.archive.empty()) {
        // The three ways of converting the archive leave the same bytes.
        const std::string log = scratch.file("diff.log");
        const bool same = runner.run({"/usr/bin/diff", "-r", scratch.file("archive-j1"),
                                      scratch.file("archive-j2")},
                                     log)
                                  .exitStatus == 0 &&
                          runner.run({"/usr/bin/diff", "-r", scratch.file("archive-j1"),
                                      scratch.file("archive-loop")},
                                     log)
                                  .exitStatus == 0;
        result.notes.push_back(std::string("archive: `batch -j 1`, `-j 2` and the loop left ") +
                               (same ? "the same bytes" : "WARNING: different bytes"));
    }
    add("convert/floor", convert.wallMs / floor.wallMs, "x", "target: at most 2.5");
    add("convert/read_floor", convert.wallMs / readFloor.wallMs, "x", "");
    add("convert_cpu/floor_cpu", convert.cpuMs / floor.cpuMs, "x", "the same in CPU time");
    add("peak_memory/input_bytes", peakMiB / inputMiB, "x", "target: at most 3");
    result.notes.push_back("biggest table: " + gridName + ", " + std::to_string(biggestRows - 1) +
                           " data rows; lines counted by the floor: " + std::to_string(lines));
    result.notes.push_back("load average after: " + LoadAverage());
    return result;
}

void Print(const std::string& base, const Result& result, int runs) {
    std::printf("\n== %s: %llu geometry records, %.1f MiB of input, median of %d runs\n\n",
                base.c_str(), static_cast<unsigned long long>(result.records), result.inputMiB,
                runs);
    std::printf("%s\n", TableText(result.measured, result.inputMiB).c_str());
    for (const std::string& note : result.notes) {
        std::printf("- %s\n", note.c_str());
    }
    // Every figure for tools, one `name value unit` line each, its meaning after a '#'.
    std::printf("\nrecords %llu count\n", static_cast<unsigned long long>(result.records));
    for (const Figure& f : result.figures) {
        std::printf("%s %.3f %s%s%s\n", f.name.c_str(), f.value, f.unit.c_str(),
                    f.caption.empty() ? "" : "  # ", f.caption.c_str());
    }
    std::fflush(stdout);
}

// Each figure's growth from one drawing to the next, beside the growth of the records.
void PrintGrowth(const std::vector<Result>& results) {
    std::printf("\n== growth (figure ratio between successive drawings; records ratio first)\n");
    std::printf("  %-24s", "figure");
    for (size_t i = 1; i < results.size(); ++i) {
        std::printf(" %9llu->%-9llu", static_cast<unsigned long long>(results[i - 1].records),
                    static_cast<unsigned long long>(results[i].records));
    }
    std::printf("\n  %-24s", "records");
    for (size_t i = 1; i < results.size(); ++i) {
        std::printf(" %19.2f", static_cast<double>(results[i].records) /
                                   static_cast<double>(results[i - 1].records));
    }
    std::printf("\n");
    for (const Figure& f : results.front().figures) {
        if (f.unit == "x") {
            continue;
        }
        std::printf("  %-24s", f.name.c_str());
        for (size_t i = 1; i < results.size(); ++i) {
            double before = results[i - 1].value(f.name);
            std::printf(" %19.2f", before > 0 ? results[i].value(f.name) / before : 0.0);
        }
        std::printf("\n");
    }
}

// convert's instructions under callgrind: the figure that small changes are compared by on a
// machine whose speed drifts.
void PrintInstructions(const std::string& base, const std::string& cli, ProcessRunner& runner) {
    ScratchDir scratch;
    const Drawing drawing(base);
    const std::string log = scratch.file("callgrind.log");
    const ProcessRun run =
        runner.run({"/usr/bin/valgrind", "--tool=callgrind",
                    "--callgrind-out-file=" + scratch.file("callgrind.out"), cli, "convert",
                    drawing.geometry, drawing.labels, "-o", scratch.file("callgrind.plt")},
                   log);
    const std::string text = ReadWholeFile(log);
    const size_t at = text.find("Collected : ");
    if (run.exitStatus != 0 || at == std::string::npos) {
        throw std::runtime_error("callgrind of convert failed:\n" + text);
    }
    const unsigned long long instructions = std::strtoull(text.c_str() + at + 12, nullptr, 10);
    std::printf("\nconvert under callgrind, %llu geometry records: %llu instructions\n",
                static_cast<unsigned long long>(drawing.geometryLines), instructions);
    std::printf("convert_instructions %llu Ir\n", instructions);
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            options.runs = std::atoi(argv[++i]);
        } else if (arg == "--cli" && i + 1 < argc) {
            options.cli = argv[++i];
        } else if (arg == "--no-view") {
            options.view = false;
        } else if (arg == "--no-export") {
            options.exchange = false;
        } else if (arg == "--archive" && i + 1 < argc) {
            options.archive = argv[++i];
        } else if (arg == "--callgrind" && i + 1 < argc) {
            options.callgrind = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            throw std::runtime_error("unknown option " + arg);
        } else {
            options.bases.push_back(arg);
        }
    }
    if (options.bases.empty() || options.runs < 1) {
        throw std::runtime_error(
            "usage: plotaktar_bench [--runs R] [--cli PATH] [--no-view] [--no-export] "
            "[--archive DIR] [--callgrind BASE] BASE...");
    }
    return options;
}

}  // namespace
}  // namespace plotaktar::bench

int main(int argc, char** argv) {
    using namespace plotaktar::bench;
    try {
        // First, while the harness is still small (see ProcessRunner).
        ProcessRunner runner;
#ifdef PLOTAKTAR_BENCH_VIEW
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        QApplication app(argc, argv);
#endif
        Options options = ParseOptions(argc, argv);
        std::vector<Result> results;
        for (const std::string& base : options.bases) {
            results.push_back(Measure(base, options, runner));
            Print(base, results.back(), options.runs);
        }
        if (results.size() > 1) {
            PrintGrowth(results);
        }
        if (!options.callgrind.empty()) {
            PrintInstructions(options.callgrind, options.cli, runner);
        }
        std::printf("\n%s\n", MachineText().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "plotaktar_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
