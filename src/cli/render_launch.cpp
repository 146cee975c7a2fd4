// `plotaktar-cli render` starts plotaktar-render, the program that draws with Qt: beside
// plotaktar-cli in the build folder, in the library-executable folder once installed.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/render_command.h"
#include "platform/program.h"

namespace plotaktar::cli {

int StartRender(const std::vector<std::string>& args, std::FILE* err) {
    std::fflush(stdout);
    std::fflush(err);
    const platform::ProgramEnd end =
        platform::RunProgramBeside({"plotaktar-render", PLOTAKTAR_RENDER_FROM_BINDIR}, args);
    if (!end.started) {
        std::string line = "plotaktar-cli: cannot start plotaktar-render (" + end.cause + ")\n";
        std::fwrite(line.data(), 1, line.size(), err);
        return kExitFailed;
    }
    // A temporary the drawing program still had when it ended is never left beside the output.
    if (!end.reported.empty()) {
        unlink(end.reported.c_str());
    }
    if (end.signal == 0) {
        return end.status;
    }
    std::string line = "plotaktar-cli: plotaktar-render ended abnormally (signal " +
                       std::to_string(end.signal) + ", " + strsignal(end.signal) + ")";
    if (end.signal == SIGKILL) {
        line += "; the system may have run out of memory";
    }
    line += "; the output was left as it was\n";
    std::fwrite(line.data(), 1, line.size(), err);
    return kExitFailed;
}

}  // namespace plotaktar::cli
