#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace plotaktar::cli {

// A program of this package that plotaktar-cli starts for a command: its name (found beside
// plotaktar-cli in a build folder) and its path relative to the installed plotaktar-cli.
struct HelperProgram {
    std::string name;
    std::string installed;
};

// Starts the helper with `args` and this program's standard streams and waits for it. Returns
// its exit status; kExitFailed, with a line on `err`, when it cannot be started, ends by a
// signal (out of memory among the causes named) or cannot load its libraries under an
// address-space limit. What it left beside `output` (empty: it writes no file) is cleaned up
// (CleanUpAfter). A stop signal that came meanwhile, passed on to the helper, ends this program
// by the same signal once the helper has ended and its leftovers are cleaned up.
int StartHelper(const HelperProgram& helper, const std::vector<std::string>& args,
                const std::string& output, std::FILE* err);

}  // namespace plotaktar::cli
