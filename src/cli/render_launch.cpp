// `plotaktar-cli render` starts plotaktar-render, the program that draws with Qt: beside
// plotaktar-cli in the build folder, in the library-executable folder once installed.

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/render_command.h"
#include "platform/program.h"

namespace plotaktar::cli {

int StartRender(const std::vector<std::string>& args, std::FILE* err) {
    std::fflush(stdout);
    std::fflush(err);
    const std::string cause = platform::ReplaceWithProgramBeside(
        {"plotaktar-render", PLOTAKTAR_RENDER_FROM_BINDIR}, args);
    std::string line = "plotaktar-cli: cannot start plotaktar-render (" + cause + ")\n";
    std::fwrite(line.data(), 1, line.size(), err);
    return kExitFailed;
}

}  // namespace plotaktar::cli
