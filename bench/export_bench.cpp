// Export figures on a synthetic 1,000,000-record workspace: CPU and wall time of assembling the
// plot file in memory and of saving it through the atomic file output.
//
// Not part of the CMake build; compile against a built core library, for example:
//   g++ -std=c++20 -O2 -Isrc bench/export_bench.cpp build-x/src/libplotaktar_core.a -o /tmp/eb
//   /tmp/eb [directory for the output file]

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "model/session.h"
#include "plotfile/plot_file.h"
#include "plotfile/plot_writer.h"

namespace {

double Seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string Number(int n, const char* suffix) {
    return std::to_string(n) + suffix;
}

void Fill(plotaktar::Table& grid, int rows, int layerColumn, int columns) {
    grid.setColCount(columns);
    grid.setRowCount(rows + 1);
    for (int row = 1; row <= rows; ++row) {
        for (int col = 1; col < columns; ++col) {
            grid.setCell(col, row,
                         col == layerColumn ? std::to_string(row % 100 + 1)
                                            : Number(4500000 + row * 7 + col, ".67"));
        }
    }
}

// One drawing of 1,000,000 records: points, labels, lines and parcels of four corners.
void Build(plotaktar::Workspace& ws) {
    for (int layer = 1; layer <= 100; ++layer) {
        ws.layerTable.setField(layer, 3, "LAYER" + std::to_string(layer));
        ws.layerTable.setField(layer, 8, "1");
    }
    Fill(ws.grid(1), 50000, 5, 6);
    Fill(ws.grid(2), 50000, 5, 6);
    Fill(ws.grid(3), 500000, 5, 6);
    Fill(ws.grid(5), 200000, 9, 10);
    Fill(ws.grid(6), 100000, 7, 11);
    const int parcels = 100000;
    Fill(ws.grid(8), parcels, 4, 6);
    plotaktar::Table& corners = ws.grid(11);
    corners.setColCount(parcels + 1);
    corners.setRowCount(5);
    for (int j = 1; j <= parcels; ++j) {
        ws.grid(8).setCell(5, j, "4");
        for (int i = 1; i <= 4; ++i) {
            corners.setCell(j, i, std::to_string(i) + " 512345.67 4512345.67 0.00");
        }
    }
    ws.flags.setAll("1");
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : "/tmp";
    plotaktar::Session session;
    Build(session.workspace);

    double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    double wall = Seconds(CLOCK_MONOTONIC);
    std::string bytes = plotaktar::PlotFileBytes(session.workspace);
    std::printf("in memory: %.3f s CPU, %.3f s wall, %zu bytes\n",
                Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu, Seconds(CLOCK_MONOTONIC) - wall,
                bytes.size());

    std::string path = dir + "/plotaktar-export-bench.plt";
    cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    wall = Seconds(CLOCK_MONOTONIC);
    plotaktar::SavePlotFile(session.workspace, path);
    std::printf("to %s: %.3f s CPU, %.3f s wall\n", path.c_str(),
                Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu, Seconds(CLOCK_MONOTONIC) - wall);
    unlink(path.c_str());
    return 0;
}
