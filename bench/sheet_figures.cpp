// Sheets of a scattered drawing: as many sheets as points, in a grid of many more cells, so that
// the time and the PDF's size show whether sheets grow linearly in their number.

#include "sheet_figures.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

namespace plotaktar::bench {

ScatteredSheets MeasureScatteredSheets(ProcessRunner& runner, const std::string& cli, int points,
                                       int runs) {
    ScratchDir scratch;
    const std::string geometry = scratch.file("scattered.gplt");
    {
        std::ofstream out(geometry, std::ios::binary);
        out << "tab 1 1 NOKTA 1 0 1 0.18\r\n";
        // 400 m apart with up to 40 m of jitter: more than a sheet (130 x 65 m, or 85 x 110 m)
        // between any two, so each is on its own.
        std::mt19937 random(1);
        std::uniform_real_distribution<double> jitter(0, 40);
        const int side = static_cast<int>(std::ceil(std::sqrt(points)));
        char line[96];
        for (int i = 0; i < points; ++i) {
            std::snprintf(line, sizeof line, "nok %d %.2f %.2f 0 1\r\n", i + 1,
                          4500000 + 400.0 * (i / side) + jitter(random),
                          500000 + 400.0 * (i % side) + jitter(random));
            out << line;
        }
        if (!out) {
            throw std::runtime_error(geometry + ": could not be written");
        }
    }
    const std::string pdf = scratch.file("scattered.pdf");
    std::vector<Timing> times;
    std::vector<double> peaks;
    for (int r = 0; r < runs; ++r) {
        ProcessRun run = runner.run(
            {cli, "render", geometry, "--no-labels", "-o", pdf, "--scale", "500", "--paper", "A4"},
            scratch.file("scattered.log"));
        if (run.exitStatus != 0) {
            throw std::runtime_error("plotaktar-cli render of scattered sheets exited with " +
                                     std::to_string(run.exitStatus));
        }
        times.push_back(run.time);
        peaks.push_back(run.peakResidentMiB);
    }
    ScatteredSheets figures;
    figures.time = MedianTiming(times);
    figures.peakMiB = MedianOf(peaks);
    // One page a point, and the index.
    figures.bytesPerPage =
        static_cast<double>(std::filesystem::file_size(pdf)) / static_cast<double>(points + 1);
    return figures;
}

}  // namespace plotaktar::bench
