// `plotaktar-cli render` starts plotaktar-render, the program that draws with Qt.

#include "cli/helper_launch.h"
#include "cli/render_command.h"

namespace plotaktar::cli {

int StartRender(const std::vector<std::string>& args, std::FILE* err) {
    return StartHelper({"plotaktar-render", PLOTAKTAR_RENDER_FROM_BINDIR}, args,
                       ParseRender(args).output, err);
}

}  // namespace plotaktar::cli
