#pragma once

// The main function of a program plotaktar-cli starts (plotaktar-render, plotaktar-export,
// plotaktar-check): byte streams, the report channel, the arguments of the command it serves,
// read by `parse`, then `run`, and standard output flushed and checked.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "platform/program.h"
#include "platform/stop_signals.h"

namespace plotaktar::cli {

template <class Parse, class Run>
int HelperMain(int argc, char** argv, std::string_view command, Parse parse, Run run) {
    platform::TakeStopSignals();
    platform::UseByteStandardStreams();
    // Nothing left behind yet; this also keeps the report channel from programs started later.
    platform::ReportLeftBehind({});
    const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    decltype(parse(args)) parsed;
    try {
        if (args.empty() || args[0] != command) {
            throw UsageError("plotaktar-" + std::string(command) +
                             " is started by 'plotaktar-cli " + std::string(command) + "'");
        }
        parsed = parse(args);
    } catch (const HelpRequested& help) {
        std::fputs(help.what(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    } catch (const UsageError& e) {
        std::fputs(UsageErrorText(e).c_str(), stderr);
        return kExitUsage;
    }
    const int status = run(parsed);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("plotaktar-cli: cannot write standard output\n", stderr);
        // What the program wrote there (check's findings, for one) is lost: the run failed.
        return status == kExitUsage ? status : kExitFailed;
    }
    return status;
}

}  // namespace plotaktar::cli
