// plotaktar-cli starts the programs that need heavy libraries (plotaktar-render for Qt's
// drawing, and so on): beside plotaktar-cli in the build folder, in the library-executable
// folder once installed. plotaktar-cli itself loads none of them, so `convert` needs no more
// memory or address space than the conversion itself.

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/helper_cleanup.h"
#include "cli/helper_launch.h"
#include "model/message_text.h"
#include "model/messages.h"
#include "platform/files.h"
#include "platform/program.h"
#include "platform/stop_signals.h"

namespace plotaktar::cli {

namespace {

// The status of a program whose dynamic loader could not load it (or its libraries).
constexpr int kLoaderFailed = 127;

bool AddressSpaceLimited() {
    struct rlimit limit;
    return getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
}

std::string LeftAsItWas(const std::string& output) {
    return output.empty() ? std::string()
                          : "; " + EscapedText(FileNameText(output)) + " left as it was";
}

std::string CannotStartLine(const HelperProgram& helper, const std::string& cause) {
    return "plotaktar-cli: cannot start " + helper.name + " (" + cause + ")\n";
}

}  // namespace

std::string HelperCannotStart(const HelperProgram& helper) {
    const std::string cause = platform::ProgramBesideCause({helper.name, helper.installed});
    return cause.empty() ? cause : CannotStartLine(helper, cause);
}

int StartHelper(const HelperProgram& helper, const std::vector<std::string>& args,
                const std::string& output, std::FILE* err) {
    std::fflush(stdout);
    std::fflush(err);
    const platform::ProgramEnd end =
        platform::RunProgramBeside({helper.name, helper.installed}, args);
    if (!end.started) {
        std::string line = CannotStartLine(helper, end.cause);
        std::fwrite(line.data(), 1, line.size(), err);
        return kExitUsage;
    }
    // What it still had beside the output when it ended never stays there.
    CleanUpAfter(end.leftBehind, helper.name, output, err);
    int status = end.status;
    std::string line;
    if (end.signal != 0) {
        line = "plotaktar-cli: " + helper.name + " ended abnormally (signal " +
               std::to_string(end.signal) + ", " + strsignal(end.signal) + ")";
        if (end.signal == SIGKILL) {
            line += "; the system may have run out of memory";
        }
        // A stop signal waits for a step that puts files in place: one that came during the
        // last step ends the program after it. A helper that had put its files in place ended
        // after them too, whatever ended it (out of memory while it named the records it left
        // out).
        const bool stopped =
            end.signal == SIGINT || end.signal == SIGTERM || end.signal == SIGHUP || end.cleanedUp;
        // A device, a pipe or a socket is written in place and may have taken part of the
        // bytes; a file is only ever replaced whole.
        if (!platform::NonFileKind(output).empty()) {
            line += "; " + EscapedText(FileNameText(output)) + " may be incomplete\n";
        } else {
            line += stopped ? "; the output is complete or as it was\n"
                            : "; the output was left as it was\n";
        }
        status = kExitFailed;
    } else if (end.status == kLoaderFailed && AddressSpaceLimited()) {
        // The loader's own text said why; in the program's terms it is memory, as any other
        // exhaustion under the limit, and batch tries it again alone.
        line = "plotaktar-cli: " + std::string(kOutOfMemoryMessage) + " (" + helper.name +
               " could not load its libraries under the address-space limit)" +
               LeftAsItWas(output) + "\n";
        status = kExitFailed;
    }
    std::fwrite(line.data(), 1, line.size(), err);
    if (end.stoppedBy != 0) {
        std::fflush(err);
        platform::EndBySignal(end.stoppedBy);
    }
    return status;
}

}  // namespace plotaktar::cli
