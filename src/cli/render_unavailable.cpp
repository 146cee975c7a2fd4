// `render` in a build without the renderer (the Windows command-line tool has no Qt).

#include "cli/commands.h"
#include "cli/diff_command.h"
#include "cli/render_command.h"

namespace plotaktar::cli {

int StartRender(const std::vector<std::string>&, std::FILE* err) {
    std::fputs("plotaktar-cli: render needs the Linux build; this build has no render command\n",
               err);
    return kExitUsage;
}

int StartDiffPicture(const std::vector<std::string>&, const std::string&, std::FILE* err) {
    std::fputs("plotaktar-cli: this build has no renderer; diff draws no picture (-o)\n", err);
    return kExitUsage;
}

}  // namespace plotaktar::cli
