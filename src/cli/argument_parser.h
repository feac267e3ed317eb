// A small parser for one command's arguments: options with a value (--name VALUE or
// --name=VALUE), flags, and positional arguments. It also renders the command's --help text.
#pragma once

#include "cli/usage_error.h"

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace bw::cli {

struct ParsedArguments {
    bool helpRequested = false;
    std::map<std::string, std::vector<std::string>> options; // every value given, in order
    std::set<std::string> flags;
    std::vector<std::string> positionals;

    std::optional<std::string> option(const std::string& name) const; // the last value given
    bool flag(const std::string& name) const { return flags.count(name) > 0; }
};

class ArgumentParser {
public:
    // `usage` is the synopsis after "Usage: ", e.g. "brindlewick transcribe FILE [options]".
    ArgumentParser(std::string usage, std::string description);

    ArgumentParser& option(std::string name, std::string valueName, std::string help);
    ArgumentParser& flag(std::string name, std::string help);
    // `minimum` and `maximum` count the positional arguments accepted (maximum -1: any).
    ArgumentParser& positionals(std::string valueName, std::string help, int minimum, int maximum);

    // Throws UsageError for unknown options, missing values and wrong positional counts.
    // When --help or -h is present, returns at once with helpRequested set.
    ParsedArguments parse(std::span<const std::string> arguments) const;

    std::string helpText() const;

private:
    struct Entry {
        std::string name;
        std::string valueName; // empty for a flag
        std::string help;
    };
    const Entry* find(const std::string& name) const;

    std::string m_usage;
    std::string m_description;
    std::vector<Entry> m_entries;
    std::string m_positionalName;
    std::string m_positionalHelp;
    int m_minimumPositionals = 0;
    int m_maximumPositionals = 0;
};

// `value` read whole as a finite number; none when it is anything else.
std::optional<double> parseNumber(const std::string& value);

// The value of `name` parsed as a whole number within [minimum, maximum]; throws UsageError.
int parseIntegerOption(const std::string& name, const std::string& value, int minimum, int maximum);

} // namespace bw::cli
