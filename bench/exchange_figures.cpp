#include "exchange_figures.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "gis/geopackage_index.h"

namespace plotaktar::bench {

namespace {

// Takes the spatial indexes out of a GeoPackage (the R-trees, their triggers and extension
// rows) and compacts it, so that it is the file the export writes before it indexes it.
void DropSpatialIndexes(const std::string& path) {
    sqlite3* db = nullptr;
    std::string sql;
    auto fail = [&](const std::string& what) {
        const std::string message = what + ": " + sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error(message);
    };
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        fail(path);
    }
    sqlite3_stmt* rows = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT 'rtree_' || table_name || '_' || column_name FROM "
                           "gpkg_extensions WHERE extension_name = 'gpkg_rtree_index'",
                           -1, &rows, nullptr) != SQLITE_OK) {
        fail(path);
    }
    while (sqlite3_step(rows) == SQLITE_ROW) {
        const std::string rtree = reinterpret_cast<const char*>(sqlite3_column_text(rows, 0));
        sql += "DROP TABLE \"" + rtree + "\";";
        for (const char* trigger :
             {"insert", "update1", "update2", "update3", "update4", "delete"}) {
            sql += "DROP TRIGGER \"" + rtree + "_" + trigger + "\";";
        }
    }
    sqlite3_finalize(rows);
    sql += "DROP TABLE gpkg_extensions; VACUUM;";
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(path);
    }
    sqlite3_close(db);
}

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
    // The indexes alone, built again on copies of the last export without them.
    const std::string unindexed = scratch.file("unindexed.gpkg");
    std::filesystem::copy_file(gpkg, unindexed, std::filesystem::copy_options::overwrite_existing);
    DropSpatialIndexes(unindexed);
    const std::string indexed = scratch.file("indexed.gpkg");
    std::vector<Timing> indexRuns;
    for (int i = 0; i < runs; ++i) {
        std::filesystem::copy_file(unindexed, indexed,
                                   std::filesystem::copy_options::overwrite_existing);
        Stopwatch watch;
        AddGeoPackageSpatialIndexes(indexed);
        indexRuns.push_back(watch.elapsed());
    }
    figures.gpkgIndex = MedianTiming(indexRuns);

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
