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

const Command* findCommand(const std::vector<Command>& commands, const std::string& name) {
    for (const auto& command : commands) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

int runCli(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    auto commands = allCommands();
    if (arguments.empty()) {
        printOverview(std::cerr, commands);
        return exitUsage;
    }
    const std::string& name = arguments.front();
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(std::cout, commands);
        return exitDone;
    }
    if (const Command* command = findCommand(commands, name)) {
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
    printOverview(std::cerr, commands);
    return exitUsage;
}

} // namespace bw::cli
