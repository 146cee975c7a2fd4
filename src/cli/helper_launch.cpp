// plotaktar-cli starts the programs that need heavy libraries (plotaktar-render for Qt's
// drawing, and so on): beside plotaktar-cli in the build folder, in the library-executable
// folder once installed. plotaktar-cli itself loads none of them, so `convert` needs no more
// memory or address space than the conversion itself.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "cli/helper_launch.h"
#include "platform/files.h"
#include "platform/program.h"

namespace plotaktar::cli {

namespace {

// What an abnormal end of the helper means for its output (the value of its "-o"): a file is
// only ever replaced whole, so it stays as it was; a device, a pipe or a socket is written in
// place and may have taken part of the bytes.
std::string OutputAfterAbnormalEnd(const std::vector<std::string>& args) {
    for (size_t i = 0; i + 1 < args.size() && args[i] != "--"; ++i) {
        if (args[i] == "-o" && !platform::NonFileKind(args[i + 1]).empty()) {
            return "; " + args[i + 1] + " may be incomplete\n";
        }
    }
    return "; the output was left as it was\n";
}

}  // namespace

int StartHelper(const HelperProgram& helper, const std::vector<std::string>& args, std::FILE* err) {
    std::fflush(stdout);
    std::fflush(err);
    const platform::ProgramEnd end =
        platform::RunProgramBeside({helper.name, helper.installed}, args);
    if (!end.started) {
        std::string line = "plotaktar-cli: cannot start " + helper.name + " (" + end.cause + ")\n";
        std::fwrite(line.data(), 1, line.size(), err);
        return kExitFailed;
    }
    // A temporary file or folder the program still had when it ended is never left beside
    // the output.
    if (!end.reported.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(end.reported, ignored);
    }
    if (end.signal == 0) {
        return end.status;
    }
    std::string line = "plotaktar-cli: " + helper.name + " ended abnormally (signal " +
                       std::to_string(end.signal) + ", " + strsignal(end.signal) + ")";
    if (end.signal == SIGKILL) {
        line += "; the system may have run out of memory";
    }
    line += OutputAfterAbnormalEnd(args);
    std::fwrite(line.data(), 1, line.size(), err);
    return kExitFailed;
}

}  // namespace plotaktar::cli
