// `check` in a build without the geometry library (the Windows command-line tool).

#include "cli/check_command.h"
#include "cli/commands.h"

namespace plotaktar::cli {

int StartCheck(const std::vector<std::string>&, std::FILE* err) {
    std::fputs("plotaktar-cli: check needs the Linux build; this build has no check command\n",
               err);
    return kExitUsage;
}

}  // namespace plotaktar::cli
