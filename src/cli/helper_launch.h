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

// The helpers of this build; a build that runs a command itself, or has none, defines none.
#ifdef PLOTAKTAR_EXPORT_FROM_BINDIR
inline HelperProgram ExportHelper() {
    return {"plotaktar-export", PLOTAKTAR_EXPORT_FROM_BINDIR};
}
#endif
#ifdef PLOTAKTAR_CHECK_FROM_BINDIR
inline HelperProgram CheckHelper() {
    return {"plotaktar-check", PLOTAKTAR_CHECK_FROM_BINDIR};
}
#endif
#ifdef PLOTAKTAR_RENDER_FROM_BINDIR
inline HelperProgram RenderHelper() {
    return {"plotaktar-render", PLOTAKTAR_RENDER_FROM_BINDIR};
}
#endif

// "plotaktar-cli: cannot start NAME (CAUSE)" and a line feed when `helper` is not installed
// where it is looked for (or cannot be run); the empty text when it can be started.
std::string HelperCannotStart(const HelperProgram& helper);

// Starts the helper with `args` and this program's standard streams and waits for it. Returns
// its exit status: kExitUsage, as for a broken installation, with a line on `err` when it
// cannot be started; kExitFailed, with a line on `err`, when it ends by a signal (out of memory
// among the causes named) or cannot load its libraries under an address-space limit. What it left
// beside `output` (empty: it writes no file) is cleaned up (CleanUpAfter). A stop signal that came
// meanwhile, passed on to the helper, ends this program by the same signal once the helper has
// ended and its leftovers are cleaned up.
int StartHelper(const HelperProgram& helper, const std::vector<std::string>& args,
                const std::string& output, std::FILE* err);

}  // namespace plotaktar::cli
