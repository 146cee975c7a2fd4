#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace plotaktar::cli {

class CommandDefinition;

// The status of a check that found at least one error.
constexpr int kExitFindings = 3;

struct CheckArgs {
    std::string geometry;
    std::string labels;             // empty: the one beside GEOMETRY, if any
    bool noLabels = false;          // --no-labels: no label file at all
    double scale = 1000;            // --scale N: the scale's denominator
    std::string areaRule = "imar";  // --area-rule imar|kirsal|none
    bool json = false;              // --format json
};

// Reads the arguments of `check` (args[0] is "check"). Throws UsageError.
CheckArgs ParseCheck(const std::vector<std::string>& args);
// What `check` takes and its help.
const CommandDefinition& CheckCommand();

// `plotaktar-cli check`: hands `args` to plotaktar-check, the program that checks with GEOS, so
// that plotaktar-cli itself loads no geometry library, and returns its status (0 no error
// found, 3 errors found, 1 the check failed, 2 usage or an unreadable input). A build without
// it says so, with status 2.
int StartCheck(const std::vector<std::string>& args, std::FILE* err);

// plotaktar-check's work: imports the drawing as convert does (failing records on `err` as
// convert prints them), checks it and writes the findings to `out` as text or JSON.
int RunCheck(const CheckArgs& args, std::FILE* out, std::FILE* err);

}  // namespace plotaktar::cli
