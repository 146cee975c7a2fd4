#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "process_runner.h"

namespace plotaktar::bench {

// What one figure of the table measured: the median time of its runs and, for a program run
// as a process, the median of its peak resident sets.
struct Measured {
    Timing time;
    double peakMiB = 0;
    // What the peak is a multiple of in the table: the drawing's input when 0, otherwise these
    // MiB, named `inputName` (a comparison reads two drawings).
    double inputMiB = 0;
    const char* inputName = "input";
};

// The figures of one drawing by name, as the code measured them or the table's commands did.
class Measurements {
  public:
    void set(const std::string& name, Timing time, double peakMiB = 0) {
        figures_[name] = {time, peakMiB};
    }
    void setAgainst(const std::string& name, Timing time, double peakMiB, double inputMiB,
                    const char* inputName) {
        figures_[name] = {time, peakMiB, inputMiB, inputName};
    }
    const Measured* find(std::string_view name) const {
        auto found = figures_.find(std::string(name));
        return found == figures_.end() ? nullptr : &found->second;
    }

  private:
    std::map<std::string, Measured> figures_;
};

// One row of the table `make bench` prints. A row shows the figure `figure`: one that the
// harness's code measures (the floor, the import, the viewer ...), or, when `command` is given,
// the median of running that command as a process (placeholders {cli}, {geometry}, {labels},
// {scratch}, the harness's folder for outputs, which rows after it may read, {archive}, the
// folder of drawings given with --archive, and {gdal_plugins}, the folder of the built GDAL read
// driver). A row whose figure was not measured (the viewer not
// built, --no-export, no archive) is left out.
struct Row {
    std::string_view label;   // what was done, as a user would do it
    std::string_view figure;  // the name of the figure shown
    std::string_view base;    // the figure the ratio is to ("floor", "convert" ...), or none
    std::string_view target;  // the target, in words
    std::string_view peer;    // the figure shown as the peer (ogr2ogr ...), or a text
    std::vector<std::string> command = {};
};

// The rows of the table, in their order: the one place a figure is added to `make bench`.
const std::vector<Row>& TableRows();

// Runs the rows that have commands, `runs` times each, and adds their medians to `figures`.
// A command that fails throws, its log quoted.
// Rows with a placeholder that has no value are passed over.
void RunCommandRows(const Drawing& drawing, const std::string& cli, const std::string& scratch,
                    const std::string& archive, ProcessRunner& runner, int runs,
                    Measurements& figures);

// The table as Markdown: row, time, peak (with its ratio to the input), ratio, target, peer.
std::string TableText(const Measurements& figures, double inputMiB);

}  // namespace plotaktar::bench
