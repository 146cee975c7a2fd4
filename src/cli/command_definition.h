#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace plotaktar::cli {

// A command line that asks for nothing the tool can do; the text says what is wrong. `command`
// names the command whose help the user is pointed to ("convert", "batch export"); empty for
// the tool's own help.
class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& what, std::string command = {})
        : std::runtime_error(what), command_(std::move(command)) {}
    const std::string& command() const { return command_; }

  private:
    std::string command_;
};

// `COMMAND --help` or `-h`: the command's help text, which goes to standard output with status 0.
class HelpRequested : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What one command line of a command holds once read: its arguments in order (those after "--"
// too) and the values of each option, under the option's first name.
class ParsedCommand {
  public:
    // The value of an option given at most once; none when not given. `twice` refuses a second.
    std::optional<std::string> once(const std::string& option) const;
    // The value given last, for options a later one overrides.
    std::optional<std::string> last(const std::string& option) const;
    // How often a flag or an option was given.
    size_t count(const std::string& option) const;
    bool given(const std::string& option) const { return count(option) > 0; }

    std::vector<std::string> arguments;
    // The options of another command handed through (batch export's --crs ...), as
    // "--NAME" "VALUE" or "--NAME", in the order given.
    std::vector<std::string> handedThrough;

  private:
    friend class CommandDefinition;
    std::string command_;
    std::map<std::string, std::vector<std::string>> values_;
};

// One command's definition: its usage, what it does, its arguments and options with their
// defaults and its exit statuses. The help is written from it and the command line read by it
// (CLI11 underneath: --NAME VALUE and --NAME=VALUE, -xVALUE, "--" ending the options, -h and
// --help); the command's own parse function then checks the values in its own words.
class CommandDefinition {
  public:
    // `name` as typed after plotaktar-cli ("convert", "batch export"), `summary` one line for the
    // tool's list of commands, `usage` its usage lines after that name (the indentation of the
    // first is added to the others), `about` what it does.
    CommandDefinition(std::string name, std::string summary, std::string usage, std::string about);

    // A drawing's arguments, the first named `geometry`, then LABELS, and --no-labels.
    CommandDefinition& drawing(const std::string& geometry, const std::string& help);
    // A documented argument: GEOMETRY, PATH...
    CommandDefinition& argument(std::string name, std::string help);
    // An option that takes a value, by its names ("-o", "-j,--jobs"); `value` names the value in
    // the help, `defaultText` says what holds without it, `needs` ends the message of a missing
    // value ("-o needs an OUTPUT path").
    CommandDefinition& option(std::string names, std::string value, std::string help,
                              std::string defaultText = {}, std::string needs = "a value");
    CommandDefinition& flag(std::string names, std::string help);
    // An option that only the tool itself passes; the help leaves it out.
    CommandDefinition& hiddenFlag(std::string names);
    // The options of `other` (not its arguments), accepted and handed through to it as given
    // (batch export's --format, --crs, --to). Options this command has itself stay its own, and
    // so do those of `leftOut`. The help names them with `note` after their text.
    CommandDefinition& handThrough(const CommandDefinition& other,
                                   std::string note = "handed to each run",
                                   const std::vector<std::string>& leftOut = {});
    CommandDefinition& exitStatus(std::string text);

    const std::string& name() const { return name_; }
    const std::string& summary() const { return summary_; }
    std::string help() const;

    // Reads `args` from `first` on. Throws UsageError (an unknown option, a missing value) in
    // the tool's own words, HelpRequested for -h or --help.
    ParsedCommand parse(const std::vector<std::string>& args, size_t first) const;

    // A usage error of this command: "NAME: WHAT", pointing to this command's help.
    UsageError refusal(const std::string& what) const {
        return UsageError(name_ + ": " + what, name_);
    }

  private:
    struct Entry {
        std::string names;
        std::string value;  // empty for a flag
        std::string help;
        std::string defaultText;
        std::string needs;
        bool hidden = false;
        bool handedThrough = false;
        std::string handedNote = {};
    };
    const Entry* entryNamed(const std::string& typed) const;

    std::string name_;
    std::string summary_;
    std::string usage_;
    std::string about_;
    std::vector<std::pair<std::string, std::string>> arguments_;
    std::vector<Entry> entries_;
    std::string exitStatus_;
};

// The two lines a usage error prints: "plotaktar-cli: WHAT" (its control characters escaped)
// and "Try 'plotaktar-cli COMMAND --help'.".
std::string UsageErrorText(const UsageError& error);

}  // namespace plotaktar::cli
