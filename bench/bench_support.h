#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "testing/scripted_ui.h"

namespace plotaktar::bench {

// The three files of one generated drawing (BASE.gplt, BASE.yaz, BASE.yfn).
struct Drawing {
    explicit Drawing(const std::string& base);

    std::string geometry;
    std::string labels;
    std::string companion;
    uint64_t geometryLines = 0;
    uint64_t inputBytes = 0;  // all three files
};

// One printed figure: `name value unit`, plus a caption for the human table.
struct Figure {
    std::string name;
    double value;
    std::string unit;
    std::string caption;
};

double Milliseconds(std::chrono::steady_clock::duration d);

// Wall time and the process's CPU time (all threads, user and system) of one run. On a busy
// machine the wall time grows with the load; the CPU time much less.
struct Timing {
    double wallMs = 0;
    double cpuMs = 0;
};

// Starts both clocks; elapsed() reads them.
class Stopwatch {
  public:
    Stopwatch();
    Timing elapsed() const;

  private:
    std::chrono::steady_clock::time_point wall_;
    double cpuMs_;
};

// The median of each clock over several runs.
Timing MedianTiming(const std::vector<Timing>& runs);

double MedianOf(std::vector<double> values);

// A fresh directory under the temporary directory, removed with its files at destruction.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string file(std::string_view name) const;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);
std::string LoadAverage();

// The machine the figures were taken on: processor, cores, memory, system, load average.
std::string MachineText();

}  // namespace plotaktar::bench
