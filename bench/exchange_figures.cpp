#include "exchange_figures.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace plotaktar::bench {

namespace {

ProcessRun Checked(ProcessRunner& runner, const std::vector<std::string>& args,
                   const std::string& log) {
    ProcessRun run = runner.run(args, log);
    if (run.exitStatus != 0) {
        throw std::runtime_error(args[0] + " exited with " + std::to_string(run.exitStatus) +
                                 ":\n" + ReadWholeFile(log));
    }
    return run;
}

}  // namespace

ExchangeFigures MeasureExchange(const Drawing& drawing, ProcessRunner& runner,
                                const std::string& cli, const ScratchDir& scratch, int runs) {
    ExchangeFigures figures;
    const std::string log = scratch.file("exchange.log");
    const std::string dxf = scratch.file("export.dxf");
    const std::string gpkg = scratch.file("export.gpkg");
    std::vector<Timing> dxfRuns, gpkgRuns, ogrDxfRuns, ogrGpkgRuns;
    std::vector<double> dxfPeaks, gpkgPeaks;
    for (int i = 0; i < runs; ++i) {
        ProcessRun run = Checked(
            runner, {cli, "export", drawing.geometry, drawing.labels, "-o", dxf, "--crs", "TM30"},
            log);
        dxfRuns.push_back(run.time);
        dxfPeaks.push_back(run.peakResidentMiB);
        std::filesystem::remove(gpkg);
        run = Checked(
            runner, {cli, "export", drawing.geometry, drawing.labels, "-o", gpkg, "--crs", "TM30"},
            log);
        gpkgRuns.push_back(run.time);
        gpkgPeaks.push_back(run.peakResidentMiB);
    }
    // The summary is the last line; the lines before it name the records left out.
    std::string summary = ReadWholeFile(log);
    if (!summary.empty() && summary.back() == '\n') {
        summary.pop_back();
    }
    figures.notes.push_back("export: " + summary.substr(summary.rfind('\n') + 1));

    // The same features as CSV files with WKT geometry, one a layer, for ogr2ogr to read.
    const std::string csv = scratch.file("csv");
    Checked(runner, {"/usr/bin/ogr2ogr", "-f", "CSV", "-lco", "GEOMETRY=AS_WKT", csv, gpkg}, log);
    const std::string ogrDxf = scratch.file("ogr.dxf");
    const std::string ogrGpkg = scratch.file("ogr.gpkg");
    for (int i = 0; i < runs; ++i) {
        std::filesystem::remove(ogrDxf);
        std::filesystem::remove(ogrGpkg);
        ogrDxfRuns.push_back(
            // DXF holds one layer of entities and no fields of ours: every kind is appended
            // to it and the fields it refuses are passed over.
            Checked(runner,
                    {"/usr/bin/ogr2ogr", "-f", "DXF", ogrDxf, csv, "-skipfailures", "-append",
                     "-nln", "entities"},
                    log)
                .time);
        ogrGpkgRuns.push_back(
            Checked(runner, {"/usr/bin/ogr2ogr", "-f", "GPKG", ogrGpkg, csv}, log).time);
    }
    figures.dxf = MedianTiming(dxfRuns);
    figures.gpkg = MedianTiming(gpkgRuns);
    figures.ogrDxf = MedianTiming(ogrDxfRuns);
    figures.ogrGpkg = MedianTiming(ogrGpkgRuns);
    figures.dxfPeakMiB = MedianOf(dxfPeaks);
    figures.gpkgPeakMiB = MedianOf(gpkgPeaks);
    return figures;
}

}  // namespace plotaktar::bench
