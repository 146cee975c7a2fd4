// plotaktar-check: the check of `plotaktar-cli check`, in a program of its own so that
// plotaktar-cli itself loads no geometry library and `convert` keeps its small footprint.
// plotaktar-cli starts it with its own arguments ("check" ...).

#include "cli/check_command.h"
#include "cli/helper_main.h"

int main(int argc, char** argv) {
    using namespace plotaktar::cli;
    return HelperMain(
        argc, argv, "check", [](const std::vector<std::string>& args) { return ParseCheck(args); },
        [](const CheckArgs& check) { return RunCheck(check, stdout, stderr); });
}
