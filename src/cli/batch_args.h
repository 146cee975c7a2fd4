#pragma once

#include <optional>
#include <string>
#include <vector>

namespace plotaktar::cli {

class CommandDefinition;

// `batch [convert|export|check] [OPTIONS] PATH...`: one command over many drawings.
struct BatchArgs {
    enum class Command { Convert, Export, Check };
    Command command = Command::Convert;
    std::vector<std::string> paths;           // drawings, or folders searched for .gplt files
    bool fromStandardInput = false;           // "-": more paths, one a line
    bool nulSeparated = false;                // -0: those paths end with NUL, not a line feed
    int jobs = 0;                             // -j N; 0: one per core
    std::optional<std::string> outputFolder;  // -o OUTDIR: outputs mirrored under it
    std::optional<std::string> report;        // --report FILE.json: JSON Lines
    bool force = false;                       // --force: outputs newer than inputs too
    bool noLabels = false;                    // --no-labels (also handed to export and check)
    std::vector<std::string> commandOptions;  // export's and check's own options, as given
    std::string format;                       // export's --format: the outputs' extension
};

// The name of a batch command as typed ("convert", "export", "check").
const char* BatchCommandName(BatchArgs::Command command);

// What `batch COMMAND` takes and its help: batch's own options and those of the command it runs,
// handed through to each run.
const CommandDefinition& BatchCommand(BatchArgs::Command command);

// Reads the arguments of `batch` (args[0] is "batch"). Throws UsageError, for the options handed
// through too (the command's own parse checks them once, before any drawing).
BatchArgs ParseBatch(const std::vector<std::string>& args);

}  // namespace plotaktar::cli
