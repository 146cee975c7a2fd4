// plotaktar-cli: the import and export of the window's buttons, without a window.

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/check_command.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/diff_command.h"
#include "cli/export_command.h"
#include "cli/render_command.h"
#include "model/message_text.h"
#include "platform/program.h"
#include "platform/stop_signals.h"

namespace {

int Finish(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("plotaktar-cli: cannot write standard output\n", stderr);
        return status == plotaktar::cli::kExitOk ? plotaktar::cli::kExitFailed : status;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace plotaktar::cli;
    // Before any thread: a stop signal then removes the temporaries of what is being written.
    plotaktar::platform::TakeStopSignals();
    plotaktar::platform::UseByteStandardStreams();
#ifdef SIGPIPE
    // A reader that closes the output early is a write error with a message, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    std::vector<std::string> args = plotaktar::platform::ProgramArguments(argc, argv);
    CommandLine line;
    try {
        line = ParseCommandLine(args);
    } catch (const UsageError& e) {
        // The arguments it quotes may hold anything a file name can.
        std::fprintf(stderr, "plotaktar-cli: %s\nTry 'plotaktar-cli --help'.\n",
                     plotaktar::EscapedText(e.what()).c_str());
        return kExitUsage;
    }
    switch (line.action) {
        case CommandLine::Action::Help:
            std::fputs(UsageText(), stdout);
            return Finish(kExitOk);
        case CommandLine::Action::Version:
            std::puts("plotaktar-cli " PLOTAKTAR_VERSION);
            return Finish(kExitOk);
        case CommandLine::Action::Convert:
            return Finish(RunConvert(line.convert, stdout, stderr));
        case CommandLine::Action::Run:
            return Finish(RunSession(line.steps, stdout, stderr));
        case CommandLine::Action::Render:
            return Finish(StartRender(args, stderr));
        case CommandLine::Action::Batch:
            return Finish(RunBatch(line.batch, stdin, stdout, stderr));
        case CommandLine::Action::Check:
            return Finish(StartCheck(args, stderr));
        case CommandLine::Action::Export:
            return Finish(StartExport(args, stderr));
        case CommandLine::Action::Diff:
            return Finish(StartDiff(args, stderr));
    }
    return kExitUsage;
}
