#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch_args.h"
#include "cli/command_definition.h"

namespace plotaktar::cli {

struct ConvertArgs {
    std::string geometry;
    std::string labels;                 // empty: the one beside GEOMETRY, if any
    bool noLabels = false;              // --no-labels: no label file at all
    std::optional<std::string> output;  // none: the geometry path with ".plt"
};

// One step of `run`. A path that is missing stands for a cancelled dialog ("-").
struct Step {
    enum class Kind { Open, Save, Dump };
    Kind kind;
    std::optional<std::string> first;   // open: GEOMETRY, save: OUTPUT, dump: STATE.json
    std::optional<std::string> second;  // open: LABELS
};

struct CommandLine {
    enum class Action { Help, Version, Convert, Run, Render, Check, Export, Batch, Diff };
    Action action = Action::Help;
    std::string help;  // Help: the tool's help, or the command's for COMMAND --help
    ConvertArgs convert;
    std::vector<Step> steps;
    BatchArgs batch;
};

// A map scale's denominator N of 1:N as `render --scale` and `check --scale` take it: a whole
// number from 1 to kMostScale, alone or after "1:" or "1/" (1:1000, 1/1000, as the title block
// writes it). Nothing for any other text.
std::optional<int> ParseMapScale(std::string_view text);

// The commands of `convert` and `run`.
const CommandDefinition& ConvertCommand();
const CommandDefinition& RunCommand();

ConvertArgs ParseConvert(const std::vector<std::string>& args);

// Reads the arguments after the program name. Throws UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The tool's help printed by --help: its usage, its commands, what each does.
std::string UsageText();

}  // namespace plotaktar::cli
