// `plotaktar-cli render` starts plotaktar-render, the program that draws with Qt.

#include "cli/diff_command.h"
#include "cli/helper_launch.h"
#include "cli/render_command.h"

namespace plotaktar::cli {

int StartRender(const std::vector<std::string>& args, std::FILE* err) {
    return StartHelper(RenderHelper(), args, ParseRender(args).output, err);
}

// `diff -o` compares in plotaktar-render too, which draws the picture of the changes.
int StartDiffPicture(const std::vector<std::string>& args, const std::string& output,
                     std::FILE* err) {
    return StartHelper(RenderHelper(), args, output, err);
}

}  // namespace plotaktar::cli
