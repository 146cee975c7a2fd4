#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/user_interface.h"

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

// A user who confirms the given paths in the open dialogs and the save dialog and swallows the
// message boxes, counting them.
class ScriptedUi : public UserInterface {
  public:
    std::string geometry;
    std::string labels;
    std::string savePath;
    std::vector<std::string> messages;
    uint64_t failedRecords = 0;
    std::string firstFailure;

    bool runOpenDialog(OpenDialogId dialog, std::string_view filter,
                       OpenDialogState& state) override;
    bool runSaveDialog(std::string_view filter, std::string& fileName) override;
    void showMessage(std::string_view text) override { messages.emplace_back(text); }
    void recordFailed(std::string_view word, uint64_t lineNumber) override;
};

// A fresh directory under the temporary directory, removed with its files at destruction.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string file(std::string_view name) const;

  private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);
std::string LoadAverage();

}  // namespace plotaktar::bench
