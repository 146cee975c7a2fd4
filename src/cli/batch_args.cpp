#include "cli/batch_args.h"

#include <charconv>

#include "cli/check_command.h"
#include "cli/command_line.h"
#include "cli/export_command.h"

namespace plotaktar::cli {

namespace {

// The options of export and check that take a value in the next argument; any of their
// options may also be written --NAME=VALUE.
bool TakesValue(const std::string& option) {
    for (const char* name :
         {"--format", "--crs", "--to", "--point-numbers", "--scale", "--area-rule", "--size"}) {
        if (option == name) {
            return true;
        }
    }
    return false;
}

int ParseJobs(const std::string& text) {
    int jobs = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, jobs);
    if (ec != std::errc() || ptr != end || jobs < 1 || jobs > 1024) {
        throw UsageError("batch: -j needs a number of workers from 1 to 1024, not '" + text + "'");
    }
    return jobs;
}

}  // namespace

const char* BatchCommandName(BatchArgs::Command command) {
    switch (command) {
        case BatchArgs::Command::Export:
            return "export";
        case BatchArgs::Command::Check:
            return "check";
        case BatchArgs::Command::Convert:
            break;
    }
    return "convert";
}

BatchArgs ParseBatch(const std::vector<std::string>& args) {
    BatchArgs batch;
    size_t i = 1;
    if (i < args.size()) {
        if (args[i] == "convert" || args[i] == "export" || args[i] == "check") {
            batch.command = args[i] == "convert"  ? BatchArgs::Command::Convert
                            : args[i] == "export" ? BatchArgs::Command::Export
                                                  : BatchArgs::Command::Check;
            ++i;
        }
    }
    const std::string name = std::string("batch ") + BatchCommandName(batch.command);
    auto value = [&](const std::string& option) -> const std::string& {
        if (i + 1 == args.size()) {
            throw UsageError(name + ": " + option + " needs a value");
        }
        return args[++i];
    };
    bool optionsEnded = false;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            if (arg.empty()) {
                throw UsageError(name + ": empty PATH");
            }
            batch.paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-") {
            batch.fromStandardInput = true;
        } else if (arg == "-0") {
            batch.nulSeparated = true;
        } else if (arg == "-j" || arg == "--jobs") {
            batch.jobs = ParseJobs(value(arg));
        } else if (arg.rfind("-j", 0) == 0 && arg.size() > 2) {
            batch.jobs = ParseJobs(arg.substr(2));
        } else if (arg == "-o") {
            if (batch.outputFolder) {
                throw UsageError(name + ": -o given twice");
            }
            batch.outputFolder = value(arg);
            if (batch.outputFolder->empty()) {
                throw UsageError(name + ": empty OUTDIR");
            }
        } else if (arg == "--report") {
            batch.report = value(arg);
            if (batch.report->empty()) {
                throw UsageError(name + ": empty report path");
            }
        } else if (arg == "--force") {
            batch.force = true;
        } else if (arg == "--no-labels") {
            batch.noLabels = true;
        } else if (batch.command == BatchArgs::Command::Convert) {
            throw UsageError(name + ": unknown option '" + arg + "'");
        } else {
            // The command's own option, handed to each of its runs as given.
            batch.commandOptions.push_back(arg);
            std::string format;
            if (arg.rfind("--format=", 0) == 0) {
                format = arg.substr(9);
            } else if (TakesValue(arg)) {
                batch.commandOptions.push_back(value(arg));
                if (arg == "--format") {
                    format = batch.commandOptions.back();
                }
            }
            if (!format.empty()) {
                batch.format = format;
            }
        }
    }
    if (batch.paths.empty() && !batch.fromStandardInput) {
        throw UsageError(name + ": no PATH given (drawings, folders, or - for standard input)");
    }
    if (batch.nulSeparated && !batch.fromStandardInput) {
        throw UsageError(name + ": -0 reads paths from standard input, which needs -");
    }
    if (batch.command == BatchArgs::Command::Export && batch.format.empty()) {
        throw UsageError(name + ": --format is needed (it names the outputs' extension)");
    }
    if (batch.command == BatchArgs::Command::Check && batch.outputFolder) {
        throw UsageError(name + ": check writes no output file; -o is not for it");
    }
    // The command's options as each drawing's run will read them: what it refuses stops the
    // batch here, once, in the command's own words, instead of failing every drawing.
    if (batch.command != BatchArgs::Command::Convert) {
        const bool exports = batch.command == BatchArgs::Command::Export;
        std::vector<std::string> run = {BatchCommandName(batch.command)};
        if (exports) {
            run.insert(run.end(), {"-o", "drawing"});
        }
        run.insert(run.end(), batch.commandOptions.begin(), batch.commandOptions.end());
        run.insert(run.end(), {"--", "drawing.gplt"});
        exports ? (void)ParseExport(run) : (void)ParseCheck(run);
    }
    return batch;
}

}  // namespace plotaktar::cli
