// `diff` in a build without the comparison (the Windows command-line tool).

#include "cli/commands.h"
#include "cli/diff_command.h"

namespace plotaktar::cli {

int StartDiff(const std::vector<std::string>&, std::FILE* err) {
    std::fputs("plotaktar-cli: diff needs the Linux build; this build has no diff command\n", err);
    return kExitUsage;
}

}  // namespace plotaktar::cli
