#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace plotaktar::testing {

// What one run of plotaktar-cli left behind.
struct CliResult {
    int status = -1;  // exit status, or -(signal number) when it was killed
    std::string out;
    std::string err;
};

// Runs plotaktar-cli with `args` in the directory `cwd` (the test's own when empty), with
// standard input from /dev/null, and collects its exit status and both output streams.
CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& cwd = {});

}  // namespace plotaktar::testing
