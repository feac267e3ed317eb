#include "cli/argument_parser.h"

#include <charconv>
#include <cmath>

namespace bw::cli {

std::optional<std::string> ParsedArguments::option(const std::string& name) const {
    auto found = options.find(name);
    if (found == options.end() || found->second.empty()) {
        return std::nullopt;
    }
    return found->second.back();
}

ArgumentParser::ArgumentParser(std::string usage, std::string description)
    : m_usage(std::move(usage)), m_description(std::move(description)) {}

ArgumentParser& ArgumentParser::option(std::string name, std::string valueName, std::string help) {
    m_entries.push_back({std::move(name), std::move(valueName), std::move(help)});
    return *this;
}

ArgumentParser& ArgumentParser::flag(std::string name, std::string help) {
    m_entries.push_back({std::move(name), {}, std::move(help)});
    return *this;
}

ArgumentParser& ArgumentParser::positionals(std::string valueName, std::string help, int minimum,
                                            int maximum) {
    m_positionalName = std::move(valueName);
    m_positionalHelp = std::move(help);
    m_minimumPositionals = minimum;
    m_maximumPositionals = maximum;
    return *this;
}

const ArgumentParser::Entry* ArgumentParser::find(const std::string& name) const {
    for (const auto& entry : m_entries) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

ParsedArguments ArgumentParser::parse(std::span<const std::string> arguments) const {
    ParsedArguments parsed;
    bool onlyPositionals = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyPositionals || argument == "-" || argument.rfind("-", 0) != 0) {
            parsed.positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyPositionals = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            parsed.helpRequested = true;
            return parsed;
        }
        std::string name = argument;
        std::optional<std::string> inlineValue;
        if (auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        const Entry* entry = find(name);
        if (entry == nullptr) {
            throw UsageError("unknown option " + name);
        }
        if (entry->valueName.empty()) {
            if (inlineValue) {
                throw UsageError(name + " takes no value");
            }
            parsed.flags.insert(name);
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= arguments.size()) {
                throw UsageError(name + " needs a value (" + entry->valueName + ")");
            }
            inlineValue = arguments[++i];
        }
        parsed.options[name].push_back(*inlineValue);
    }
    int count = static_cast<int>(parsed.positionals.size());
    if (count < m_minimumPositionals) {
        throw UsageError(m_positionalName.empty() ? "missing argument"
                                                  : "missing " + m_positionalName);
    }
    if (m_maximumPositionals >= 0 && count > m_maximumPositionals) {
        throw UsageError("unexpected argument " + parsed.positionals[m_maximumPositionals]);
    }
    return parsed;
}

std::string ArgumentParser::helpText() const {
    std::string text = "Usage: " + m_usage + "\n\n" + m_description + "\n";
    if (!m_positionalName.empty() || !m_entries.empty()) {
        text += "\n";
    }
    auto line = [&text](const std::string& left, const std::string& help) {
        std::string padded = "  " + left;
        if (padded.size() < 26) {
            padded.resize(26, ' ');
        } else {
            padded += "\n" + std::string(26, ' ');
        }
        text += padded + help + "\n";
    };
    if (!m_positionalName.empty()) {
        line(m_positionalName, m_positionalHelp);
    }
    for (const auto& entry : m_entries) {
        line(entry.valueName.empty() ? entry.name : entry.name + " " + entry.valueName, entry.help);
    }
    line("-h, --help", "show this help");
    return text;
}

std::optional<double> parseNumber(const std::string& value) {
    std::size_t used = 0;
    double number = 0;
    try {
        number = std::stod(value, &used);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (used == 0 || used != value.size() || !std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

int parseIntegerOption(const std::string& name, const std::string& value, int minimum,
                       int maximum) {
    int result = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (error != std::errc() || end != value.data() + value.size() || result < minimum ||
        result > maximum) {
        throw UsageError(name + " takes a whole number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum));
    }
    return result;
}

} // namespace bw::cli
