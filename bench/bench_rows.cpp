// The rows of the table `make bench` prints, in their order. A figure is added with one line
// here: the harness's code measures the figures named without a command; a row with a command
// is measured by running it (see Row in bench_table.h).
#include "bench_table.h"

namespace plotaktar::bench {

const std::vector<Row>& TableRows() {
    static const std::vector<Row> rows = {
        // label, figure, ratio to, target, peer[, command]
        {"floor: read the three files, write and sync the plot file's bytes", "floor", "", "", ""},
        {"`plotaktar-cli convert`", "convert", "floor", "≤ 2.5 × floor, peak ≤ 3 × input", "floor"},
        {"import, the window's \"AÇ\" (in process)", "import", "floor", "", ""},
        {"export, the window's \"KAYDET\" (in process)", "export", "floor", "", ""},
        {"`check`", "check", "convert", "≤ 10 × convert, peak ≤ 4 × input", ""},
        {"`diff` against a revision (`--format json`)", "diff", "convert",
         "≤ 5 × convert, peak ≤ 3 × both inputs", ""},
        {"`export` to DXF", "export_dxf", "convert", "≤ 30 × convert, peak ≤ 4 × input",
         "ogr2ogr_dxf"},
        {"`export` to GeoPackage", "export_gpkg", "convert", "≤ 30 × convert, peak ≤ 4 × input",
         "ogr2ogr_gpkg"},
        {"of it the spatial indexes, built in bulk (in process)", "gpkg_index",
         "export_gpkg_unindexed", "≤ 0.25 × the GeoPackage without them", ""},
        {"the same GeoPackage without spatial indexes", "export_gpkg_unindexed", "convert", "", ""},
        {"GDAL's read driver: `ogrinfo -ro -so -al` on the drawing",
         "ogrinfo_driver",
         "convert",
         "≤ 2 × convert, peak ≤ 3 × input",
         "",
         {"/usr/bin/env", "GDAL_DRIVER_PATH={gdal_plugins}", "ogrinfo", "-ro", "-so", "-al",
          "{geometry}"}},
        {"`plotaktar-view`: started to the whole drawing shown", "viewer_shown", "convert",
         "≤ 1500 ms, peak ≤ 4 × input", ""},
        {"`plotaktar-view`: longest pan or zoom step, paint included", "viewer_frame_max", "",
         "≤ 16 ms", ""},
        {"`plotaktar-view`: longest pick", "viewer_pick_max", "", "≤ 16 ms", ""},
        {"`render` to a 1600 × 1000 PNG", "render_png", "convert", "≤ 1500 ms", ""},
        {"`render --scale 5000 --paper A0` to PDF (sheets)", "sheets_pdf", "convert",
         "≤ 10 × convert, peak ≤ 4 × input", ""},
        {"window: biggest page refreshed after the import", "view_refresh", "", "", ""},
        {"window: scrolled to its last row", "view_scroll", "", "", ""},
        {"window: \"KAYDET\" with its paint", "view_save", "convert", "", ""},
        {"window: Ctrl+C of 1,000,000 rows × 10 columns (peak: memory the copy took)", "view_copy",
         "", "", ""},
        {"archive: `batch -j 1`",
         "archive_batch_j1",
         "archive_batch_j2",
         "≥ 1.7 × `-j 2`",
         "",
         {"{cli}", "batch", "{archive}", "-j", "1", "--force", "-o", "{scratch}/archive-j1"}},
        {"archive: `batch -j 2`",
         "archive_batch_j2",
         "",
         "",
         "",
         {"{cli}", "batch", "{archive}", "-j", "2", "--force", "-o", "{scratch}/archive-j2"}},
        {"archive: a shell loop of `convert`",
         "archive_loop",
         "archive_batch_j2",
         "≥ 2 × `batch -j 2`",
         "",
         {"/bin/sh", "-c",
          "cd \"$1\" && for f in */*.gplt; do mkdir -p \"$2/${f%/*}\" && "
          "\"$0\" convert \"$f\" -o \"$2/${f%.gplt}.plt\" || exit 1; done",
          "{cli}", "{archive}", "{scratch}/archive-loop"}},
    };
    return rows;
}

}  // namespace plotaktar::bench
