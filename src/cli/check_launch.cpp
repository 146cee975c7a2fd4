// `plotaktar-cli check` starts plotaktar-check, the program that checks with GEOS.

#include "cli/check_command.h"
#include "cli/helper_launch.h"

namespace plotaktar::cli {

int StartCheck(const std::vector<std::string>& args, std::FILE* err) {
    return StartHelper(CheckHelper(), args, {}, err);
}

}  // namespace plotaktar::cli
