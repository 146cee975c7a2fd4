// `plotaktar-cli check` starts plotaktar-check, the program that checks with GEOS.

#include "cli/check_command.h"
#include "cli/helper_launch.h"

namespace plotaktar::cli {

int StartCheck(const std::vector<std::string>& args, std::FILE* err) {
    return StartHelper({"plotaktar-check", PLOTAKTAR_CHECK_FROM_BINDIR}, args, {}, err);
}

}  // namespace plotaktar::cli
