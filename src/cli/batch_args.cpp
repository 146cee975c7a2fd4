#include "cli/batch_args.h"

#include <charconv>

#include "cli/check_command.h"
#include "cli/command_definition.h"
#include "cli/command_line.h"
#include "cli/export_command.h"

namespace plotaktar::cli {

namespace {

int ParseJobs(const CommandDefinition& definition, const std::string& text) {
    int jobs = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, jobs);
    if (ec != std::errc() || ptr != end || jobs < 1 || jobs > 1024) {
        throw definition.refusal("-j needs a number of workers from 1 to 1024, not '" + text + "'");
    }
    return jobs;
}

CommandDefinition BatchOf(BatchArgs::Command command) {
    const std::string word = BatchCommandName(command);
    CommandDefinition definition(
        "batch " + word, "convert, export or check many drawings at once",
        "[OPTIONS] PATH... [-j N] [-o OUTDIR] [--report FILE.json]\n"
        "[--force] [--no-labels] [-0] [-]",
        "Runs " + word +
            " over many drawings, each with the .yaz beside it and its .yfn. A drawing whose "
            "output is newer than its inputs is skipped unless --force. One line per drawing "
            "goes to standard output (a progress bar on a terminal), its messages to standard "
            "error, then a summary. Ctrl+C stops starting drawings: every output is complete "
            "or as it was.");
    definition
        .argument("PATH", "a drawing (.gplt) or a folder searched recursively for .gplt files")
        .argument("-", "reads more paths from standard input, one a line")
        .option("-j,--jobs", "N", "the number of drawings run at once, 1 to 1024", "one per core")
        .option("-o", "OUTDIR", "outputs go to the same places under OUTDIR", "beside the drawings")
        .option("--report", "FILE.json",
                "one JSON object a line per drawing: paths, status, counts, failing records, "
                "messages, check's findings, seconds")
        .flag("--force", "run drawings whose outputs are newer than their inputs too")
        .flag("--no-labels", "read no label files")
        .flag("-0", "the paths read from standard input end with NUL, not a line feed");
    if (command == BatchArgs::Command::Export) {
        definition.handThrough(ExportCommand());
    } else if (command == BatchArgs::Command::Check) {
        definition.handThrough(CheckCommand());
    }
    definition.exitStatus(
        "Exit status: 0 every drawing succeeded; 1 some failed (each is named on standard "
        "error); 3 for check when none failed but some had error findings; 2 a usage error, an "
        "output that is an input, or an OUTDIR or report that cannot be written (completely); "
        "130 after Ctrl+C.");
    return definition;
}

// The options handed through, checked as the command reads them, so that a mistake stops the
// batch before its first drawing rather than failing every drawing alike.
void CheckHandedThrough(const CommandDefinition& definition, const BatchArgs& batch) {
    std::vector<std::string> line = {BatchCommandName(batch.command)};
    line.insert(line.end(), batch.commandOptions.begin(), batch.commandOptions.end());
    try {
        if (batch.command == BatchArgs::Command::Export) {
            line.insert(line.end(), {"-o", "drawing." + batch.format, "--", "drawing.gplt"});
            (void)ParseExport(line);
        } else {
            line.insert(line.end(), {"--", "drawing.gplt"});
            (void)ParseCheck(line);
        }
    } catch (const UsageError& e) {
        const std::string what = e.what();
        throw definition.refusal(what.substr(what.find(": ") + 2));
    }
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

const CommandDefinition& BatchCommand(BatchArgs::Command command) {
    static const CommandDefinition definitions[] = {BatchOf(BatchArgs::Command::Convert),
                                                    BatchOf(BatchArgs::Command::Export),
                                                    BatchOf(BatchArgs::Command::Check)};
    return definitions[static_cast<int>(command)];
}

BatchArgs ParseBatch(const std::vector<std::string>& args) {
    BatchArgs batch;
    size_t first = 1;
    if (first < args.size()) {
        if (args[first] == "convert" || args[first] == "export" || args[first] == "check") {
            batch.command = args[first] == "convert"  ? BatchArgs::Command::Convert
                            : args[first] == "export" ? BatchArgs::Command::Export
                                                      : BatchArgs::Command::Check;
            ++first;
        }
    }
    const CommandDefinition& definition = BatchCommand(batch.command);
    const ParsedCommand parsed = definition.parse(args, first);
    // "-" reads paths from standard input where options may stand; after "--" it is a path.
    size_t optionsEnd = first;
    while (optionsEnd < args.size() && args[optionsEnd] != "--") {
        ++optionsEnd;
    }
    size_t standardInputMarks = 0;
    for (size_t i = first; i < optionsEnd; ++i) {
        standardInputMarks += args[i] == "-" ? 1 : 0;
    }
    for (const std::string& path : parsed.arguments) {
        if (path == "-" && standardInputMarks > 0) {
            --standardInputMarks;
            batch.fromStandardInput = true;
        } else if (path.empty()) {
            throw definition.refusal("empty PATH");
        } else {
            batch.paths.push_back(path);
        }
    }
    batch.nulSeparated = parsed.given("-0");
    if (const std::optional<std::string> jobs = parsed.last("-j")) {
        batch.jobs = ParseJobs(definition, *jobs);
    }
    batch.outputFolder = parsed.once("-o");
    if (batch.outputFolder && batch.outputFolder->empty()) {
        throw definition.refusal("empty OUTDIR");
    }
    batch.report = parsed.last("--report");
    if (batch.report && batch.report->empty()) {
        throw definition.refusal("empty report path");
    }
    batch.force = parsed.given("--force");
    batch.noLabels = parsed.given("--no-labels");
    batch.commandOptions = parsed.handedThrough;
    batch.format = parsed.last("--format").value_or("");
    if (batch.paths.empty() && !batch.fromStandardInput) {
        throw definition.refusal("no PATH given (drawings, folders, or - for standard input)");
    }
    if (batch.nulSeparated && !batch.fromStandardInput) {
        throw definition.refusal("-0 reads paths from standard input, which needs -");
    }
    if (batch.command == BatchArgs::Command::Export && batch.format.empty()) {
        throw definition.refusal("--format is needed (it names the outputs' extension)");
    }
    if (batch.command == BatchArgs::Command::Check && batch.outputFolder) {
        throw definition.refusal("check writes no output file; -o is not for it");
    }
    if (batch.command != BatchArgs::Command::Convert) {
        CheckHandedThrough(definition, batch);
    }
    return batch;
}

}  // namespace plotaktar::cli
