// A subcommand of the command-line front end.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
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

// What the first argument asks of a list of commands.
struct CommandChoice {
    const Command* command = nullptr; // the command it names; null when none does
    std::optional<int> status;        // set when the overview already answered it
};

// No argument prints the overview on standard error (exit status 2); --help, -h or help prints
// it on standard output (0). Otherwise the command the first argument names, if any.
CommandChoice chooseCommand(const std::vector<Command>& commands,
                            std::span<const std::string> arguments,
                            const std::function<void(std::ostream&)>& printOverview);

// Runs "brindlewick COMMAND SUBCOMMAND ...": dispatches to the subcommand the first argument
// names, as chooseCommand chooses it, with an overview of the subcommands under `description`.
// An unknown name is a UsageError; a subcommand's UsageError is rethrown naming the subcommand.
int runSubcommand(const std::string& command, const std::string& description,
                  const std::vector<Command>& subcommands, std::span<const std::string> arguments);

} // namespace bw::cli
