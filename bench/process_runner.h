#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

#include "bench_support.h"

namespace plotaktar::bench {

struct ProcessRun {
    Timing time;  // its CPU time: the child's user and system time
    double peakResidentMiB = 0;
    int exitStatus = -1;
};

// Runs programs from a small helper process forked at start-up, before the harness grows.
// A child's peak resident set (ru_maxrss) starts from what its parent held when it forked
// or spawned it: run from the harness after an import of a big drawing, every child would
// report the harness's size instead of its own.
class ProcessRunner {
  public:
    ProcessRunner();
    ~ProcessRunner();
    ProcessRunner(const ProcessRunner&) = delete;
    ProcessRunner& operator=(const ProcessRunner&) = delete;

    // Runs `args` (the program's path first) with standard output and error going to `log`,
    // and waits for it: wall time from the spawn to its end, CPU time and peak resident set.
    ProcessRun run(const std::vector<std::string>& args, const std::string& log);

  private:
    pid_t helper_ = -1;
    int requests_ = -1;
    int replies_ = -1;
};

}  // namespace plotaktar::bench
