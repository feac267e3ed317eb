// A subcommand of the command-line front end.
#pragma once

#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace bw::cli {

struct Command {
    std::string name;    // e.g. "transcribe"
    std::string summary; // one line for the overview
    // Runs with the arguments after the command's name and returns the exit status.
    // UsageError escapes to the dispatcher, which prints it with the command's help hint.
    std::function<int(std::span<const std::string> arguments)> run;
};

// Every command the front end offers, in the order the overview lists them.
std::vector<Command> allCommands();

// One line per command: its name, padded, and its summary.
void printCommandList(std::ostream& out, const std::vector<Command>& commands);

// The command of that name, or null.
const Command* findCommand(const std::vector<Command>& commands, const std::string& name);

} // namespace bw::cli
