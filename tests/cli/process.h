#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace plotaktar::testing {

#ifdef PLOTAKTAR_SAMPLES_DIR
// A file of the samples folder.
inline std::string Sample(std::string_view name) {
    return std::string(PLOTAKTAR_SAMPLES_DIR) + "/" + std::string(name);
}
#endif

// What one run of plotaktar-cli left behind.
struct CliResult {
    int status = -1;  // exit status, or -(signal number) when it was killed
    std::string out;
    std::string err;
};

// Runs plotaktar-cli with `args` in the directory `cwd` (the test's own when empty), with
// standard input from /dev/null, and collects its exit status and both output streams.
CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& cwd = {});

#ifndef _WIN32
// How RunCliWith starts plotaktar-cli beyond RunCli: in a process group of its own, with the
// stop signals at their default (as from a terminal), and the following.
struct CliStart {
    std::vector<std::string> environment;  // NAME=VALUE added to the test's own
    size_t addressSpaceLimit = 0;          // RLIMIT_AS in bytes; 0: the test's own
    size_t fileSizeLimit = 0;  // RLIMIT_FSIZE in bytes, SIGXFSZ at its default; 0: the test's own
    // Called with the process id (its group's too) once started; it may signal the group.
    std::function<void(int pid)> started;
    // Another copy of plotaktar-cli to run (one without its helpers beside it); empty: the
    // built one.
    std::string program;
};
CliResult RunCliWith(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                     const CliStart& start);
#endif

}  // namespace plotaktar::testing
