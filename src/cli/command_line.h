#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch_args.h"

namespace plotaktar::cli {

// A command line that asks for nothing the tool can do; the text says what is wrong.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

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
    ConvertArgs convert;
    std::vector<Step> steps;
    BatchArgs batch;
};

// A map scale's denominator N of 1:N as `render --scale` and `check --scale` take it: a whole
// number from 1 to kMostScale. Nothing for any other text.
std::optional<int> ParseMapScale(std::string_view text);

// Reads the arguments after the program name. Throws UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text printed by --help.
const char* UsageText();

}  // namespace plotaktar::cli
