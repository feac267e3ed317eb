#include "cli/cli.h"

#include "cli/command.h"
#include "cli/exit_code.h"
#include "cli/usage_error.h"
#include "transcription/cancellation_error.h"

#include <iostream>
#include <string>
#include <vector>

namespace bw::cli {

namespace {

void printOverview(std::ostream& out, const std::vector<Command>& commands) {
    out << "Usage: brindlewick COMMAND [options]\n\n"
           "Records, transcribes and exports speech on this computer.\n\nCommands:\n";
    printCommandList(out, commands);
    out << "\nRun \"brindlewick COMMAND --help\" for a command's options.\n";
}

} // namespace

void printCommandList(std::ostream& out, const std::vector<Command>& commands) {
    for (const auto& command : commands) {
        std::string name = "  " + command.name;
        name.resize(std::max<size_t>(name.size() + 2, 16), ' ');
        out << name << command.summary << "\n";
    }
}

CommandChoice chooseCommand(const std::vector<Command>& commands,
                            std::span<const std::string> arguments,
                            const std::function<void(std::ostream&)>& printOverview) {
    if (arguments.empty()) {
        printOverview(std::cerr);
        return {nullptr, exitUsage};
    }
    const std::string& name = arguments.front();
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(std::cout);
        return {nullptr, exitDone};
    }
    for (const auto& command : commands) {
        if (command.name == name) {
            return {&command, std::nullopt};
        }
    }
    return {};
}

int runSubcommand(const std::string& command, const std::string& description,
                  const std::vector<Command>& subcommands, std::span<const std::string> arguments) {
    auto choice = chooseCommand(subcommands, arguments, [&](std::ostream& out) {
        out << "Usage: brindlewick " << command << " SUBCOMMAND [options]\n\n"
            << description << "\n\nSubcommands:\n";
        printCommandList(out, subcommands);
        out << "\nRun \"brindlewick " << command
            << " SUBCOMMAND --help\" for a subcommand's options.\n";
    });
    if (choice.status) {
        return *choice.status;
    }
    const std::string& name = arguments.front();
    if (choice.command == nullptr) {
        throw UsageError("unknown subcommand \"" + name + "\"");
    }
    try {
        return choice.command->run(arguments.subspan(1));
    } catch (const UsageError& error) {
        throw error.within(name);
    }
}

int runCli(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    auto commands = allCommands();
    auto overview = [&commands](std::ostream& out) { printOverview(out, commands); };
    auto choice = chooseCommand(commands, arguments, overview);
    if (choice.status) {
        return *choice.status;
    }
    const std::string& name = arguments.front();
    if (const Command* command = choice.command) {
        try {
            return command->run(std::span<const std::string>(arguments).subspan(1));
        } catch (const UsageError& error) {
            std::string command = "brindlewick " + name;
            if (!error.subcommand().empty()) {
                command += " " + error.subcommand();
            }
            std::cerr << command << ": " << error.what() << "\n"
                      << "Run \"" << command << " --help\" for usage.\n";
            return exitUsage;
        } catch (const CancellationError&) {
            return exitCancelled;
        } catch (const std::exception& error) {
            std::cerr << error.what() << "\n";
            return exitFailed;
        }
    }
    std::cerr << "brindlewick: unknown command \"" << name << "\"\n";
    overview(std::cerr);
    return exitUsage;
}

} // namespace bw::cli
