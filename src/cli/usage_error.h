// A command line that does not fit the command; what() says what is wrong.
#pragma once

#include <stdexcept>
#include <string>

namespace bw::cli {

class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}

    // The same error, raised by the subcommand `name` of the command that rethrows it, so the
    // message can point at that subcommand's --help.
    UsageError within(const std::string& name) const {
        UsageError error(*this);
        error.m_subcommand = m_subcommand.empty() ? name : name + " " + m_subcommand;
        return error;
    }

    // The subcommands below the top-level command, e.g. "transcribe"; empty for the command itself.
    const std::string& subcommand() const { return m_subcommand; }

private:
    std::string m_subcommand;
};

} // namespace bw::cli
