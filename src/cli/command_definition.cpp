#include "cli/command_definition.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>

#include "model/message_text.h"

namespace plotaktar::cli {

namespace {

std::vector<std::string> NamesOf(const std::string& names) {
    std::vector<std::string> split;
    std::stringstream stream(names);
    for (std::string name; std::getline(stream, name, ',');) {
        split.push_back(name);
    }
    return split;
}

constexpr size_t kHelpWidth = 100;
constexpr size_t kHelpColumn = 24;

// `text` broken at spaces into lines of at most kHelpWidth columns, counting `first` columns
// already taken on its first line; the lines after it start at column `indent`.
std::string Wrapped(const std::string& text, size_t first, size_t indent) {
    std::string wrapped;
    size_t column = first;
    std::stringstream words(text);
    for (std::string word; words >> word;) {
        if (column > indent && column + 1 + word.size() > kHelpWidth) {
            wrapped += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent || (column == indent && !wrapped.empty())) {
            wrapped += ' ';
            ++column;
        }
        wrapped += word;
        column += word.size();
    }
    return wrapped;
}

// A name in the help's first column and its text beside it.
std::string HelpItem(const std::string& name, const std::string& help) {
    std::string line = "  " + name;
    if (line.size() + 2 > kHelpColumn) {
        line += "\n";
        line += std::string(kHelpColumn, ' ');
    } else {
        line += std::string(kHelpColumn - line.size(), ' ');
    }
    return line + Wrapped(help, kHelpColumn, kHelpColumn) + "\n";
}

// Paragraphs of `text` (its lines) each wrapped.
std::string WrappedParagraphs(const std::string& text) {
    std::string wrapped;
    std::stringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        wrapped += Wrapped(line, 0, 0) + "\n";
    }
    return wrapped;
}

// The help in the tool's shape: the usage lines, what the command does, its arguments, its
// options as CLI11 lists them, its exit statuses.
class HelpFormatter : public CLI::Formatter {
  public:
    HelpFormatter(std::string usage, std::string arguments)
        : usage_(std::move(usage)), arguments_(std::move(arguments)) {}

    std::string make_help(const CLI::App* app, std::string,
                          CLI::AppFormatMode mode) const override {
        std::string help = usage_ + "\n" + WrappedParagraphs(app->get_description());
        if (!arguments_.empty()) {
            help += "\nArguments:\n" + arguments_;
        }
        help += make_groups(app, mode);
        help += "\n" + WrappedParagraphs(app->get_footer());
        return help;
    }

    std::string make_option(const CLI::Option* option, bool positional) const override {
        return HelpItem(make_option_name(option, positional) + make_option_opts(option),
                        make_option_desc(option));
    }

  private:
    std::string usage_;
    std::string arguments_;
};

}  // namespace

std::optional<std::string> ParsedCommand::once(const std::string& option) const {
    auto found = values_.find(option);
    if (found == values_.end() || found->second.empty()) {
        return std::nullopt;
    }
    if (found->second.size() > 1) {
        throw UsageError(command_ + ": " + option + " given twice", command_);
    }
    return found->second.front();
}

std::optional<std::string> ParsedCommand::last(const std::string& option) const {
    auto found = values_.find(option);
    if (found == values_.end() || found->second.empty()) {
        return std::nullopt;
    }
    return found->second.back();
}

size_t ParsedCommand::count(const std::string& option) const {
    auto found = values_.find(option);
    return found == values_.end() ? 0 : found->second.size();
}

CommandDefinition::CommandDefinition(std::string name, std::string summary, std::string usage,
                                     std::string about)
    : name_(std::move(name)),
      summary_(std::move(summary)),
      usage_(std::move(usage)),
      about_(std::move(about)) {}

CommandDefinition& CommandDefinition::drawing(const std::string& geometry,
                                              const std::string& help) {
    return argument(geometry, help)
        .argument("LABELS",
                  "the label file (.yaz), read with its .yfn companion; without it the .yaz of "
                  "the same name beside " +
                      geometry + ", if any")
        .flag("--no-labels", "read no label file");
}

CommandDefinition& CommandDefinition::argument(std::string name, std::string help) {
    arguments_.emplace_back(std::move(name), std::move(help));
    return *this;
}

CommandDefinition& CommandDefinition::option(std::string names, std::string value, std::string help,
                                             std::string defaultText, std::string needs) {
    entries_.push_back({std::move(names), std::move(value), std::move(help), std::move(defaultText),
                        std::move(needs)});
    return *this;
}

CommandDefinition& CommandDefinition::flag(std::string names, std::string help) {
    entries_.push_back({std::move(names), {}, std::move(help), {}, {}});
    return *this;
}

CommandDefinition& CommandDefinition::hiddenFlag(std::string names) {
    entries_.push_back({std::move(names), {}, {}, {}, {}, true});
    return *this;
}

CommandDefinition& CommandDefinition::handThrough(const CommandDefinition& other, std::string note,
                                                  const std::vector<std::string>& leftOut) {
    for (const Entry& entry : other.entries_) {
        const std::string name = NamesOf(entry.names).front();
        if (!entry.hidden && entryNamed(name) == nullptr &&
            std::find(leftOut.begin(), leftOut.end(), name) == leftOut.end()) {
            entries_.push_back(entry);
            // What holds without it is for the other command to say.
            entries_.back().defaultText.clear();
            entries_.back().handedThrough = true;
            entries_.back().handedNote = note;
        }
    }
    return *this;
}

CommandDefinition& CommandDefinition::exitStatus(std::string text) {
    exitStatus_ = std::move(text);
    return *this;
}

const CommandDefinition::Entry* CommandDefinition::entryNamed(const std::string& typed) const {
    for (const Entry& entry : entries_) {
        const std::vector<std::string> names = NamesOf(entry.names);
        if (std::find(names.begin(), names.end(), typed) != names.end()) {
            return &entry;
        }
    }
    return nullptr;
}

std::string CommandDefinition::help() const {
    const std::string lead = "Usage: plotaktar-cli " + name_ + " ";
    std::string usage = lead;
    for (char c : usage_) {
        usage += c;
        if (c == '\n') {
            usage += std::string(lead.size(), ' ');
        }
    }
    std::string arguments;
    for (const auto& [name, text] : arguments_) {
        arguments += HelpItem(name, text);
    }
    CLI::App app(about_, "plotaktar-cli " + name_);
    app.formatter(std::make_shared<HelpFormatter>(usage + "\n", arguments));
    app.set_help_flag("-h,--help", "print this help and exit");
    for (const Entry& entry : entries_) {
        if (entry.hidden) {
            continue;
        }
        std::string text = entry.help;
        if (!entry.defaultText.empty()) {
            text += " (default: " + entry.defaultText + ")";
        }
        if (entry.handedThrough) {
            text += " (" + entry.handedNote + ")";
        }
        CLI::Option* option =
            entry.value.empty() ? app.add_flag(entry.names) : app.add_option(entry.names);
        option->description(text);
        if (!entry.value.empty()) {
            option->option_text(entry.value);
        }
    }
    app.footer(exitStatus_);
    return app.help();
}

ParsedCommand CommandDefinition::parse(const std::vector<std::string>& args, size_t first) const {
    ParsedCommand parsed;
    parsed.command_ = name_;
    // The options end at the first "--" that is no option's value; what follows are arguments,
    // "-" and names that start with "-" among them.
    std::vector<std::string> options;
    size_t i = first;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            ++i;
            break;
        }
        // A switch takes no value: "--no-labels=yes" is no option of ours.
        const size_t equals = arg.find('=');
        const Entry* named =
            equals == std::string::npos ? nullptr : entryNamed(arg.substr(0, equals));
        if (named != nullptr && named->value.empty()) {
            throw refusal("unknown option '" + arg + "'");
        }
        options.push_back(arg);
        const Entry* entry = entryNamed(arg);
        if (entry != nullptr && !entry->value.empty() && i + 1 < args.size()) {
            options.push_back(args[++i]);
        }
    }
    std::vector<std::string> afterOptions(args.begin() + static_cast<std::ptrdiff_t>(i),
                                          args.end());

    CLI::App app(about_, "plotaktar-cli " + name_);
    // "/out" is a path on every system, never the option "out" (CLI11's Windows default).
    app.allow_windows_style_options(false);
    app.allow_extras(true);
    app.set_help_flag("-h,--help");
    std::vector<std::pair<const Entry*, CLI::Option*>> bound;
    for (const Entry& entry : entries_) {
        CLI::Option* option = entry.value.empty() ? app.add_flag(entry.names)
                                                  : app.add_option(entry.names)->expected(1);
        option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        bound.emplace_back(&entry, option);
    }
    std::vector<std::string> arguments;
    app.add_option("arguments", arguments)->expected(0, -1);

    std::vector<std::string> reversed(options.rbegin(), options.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        throw HelpRequested(help());
    } catch (const CLI::ParseError& e) {
        // A value missing at the end: the last option typed is the one without it.
        if (e.get_name() == "ArgumentMismatch" && !options.empty()) {
            const std::string typed = options.back().substr(0, options.back().find('='));
            const Entry* entry = entryNamed(typed);
            if (entry != nullptr && !entry->value.empty()) {
                throw refusal(typed + " needs " + entry->needs);
            }
        }
        throw refusal(e.what());
    }
    // CLI11 takes "-0" or "-5" for an argument where no such option is defined.
    for (const std::string& argument : arguments) {
        if (argument.size() > 1 && argument[0] == '-') {
            throw refusal("unknown option '" + argument + "'");
        }
    }
    const std::vector<std::string> unknown = app.remaining();
    if (!unknown.empty()) {
        throw refusal("unknown option '" + unknown.front() + "'");
    }
    for (const auto& [entry, option] : bound) {
        std::vector<std::string>& values = parsed.values_[NamesOf(entry->names).front()];
        if (entry->value.empty()) {
            values.resize(option->count());
        } else {
            values = option->results();
        }
    }
    // Handed through in the order given, each under its long name.
    std::map<const CLI::Option*, size_t> taken;
    for (const CLI::Option* option : app.parse_order()) {
        for (const auto& [entry, boundOption] : bound) {
            if (boundOption != option || !entry->handedThrough) {
                continue;
            }
            parsed.handedThrough.push_back(NamesOf(entry->names).back());
            if (!entry->value.empty()) {
                parsed.handedThrough.push_back(option->results().at(taken[option]++));
            }
        }
    }
    parsed.arguments = std::move(arguments);
    parsed.arguments.insert(parsed.arguments.end(), afterOptions.begin(), afterOptions.end());
    return parsed;
}

std::string UsageErrorText(const UsageError& error) {
    const std::string help = error.command().empty()
                                 ? "plotaktar-cli --help"
                                 : "plotaktar-cli " + error.command() + " --help";
    // The arguments it quotes may hold anything a file name can.
    return "plotaktar-cli: " + EscapedText(error.what()) + "\nTry '" + help + "'.\n";
}

}  // namespace plotaktar::cli
