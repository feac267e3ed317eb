#include "cli/library_command.h"

#include "cli/exit_code.h"
#include "cli/usage_error.h"

#include <iostream>

namespace bw::cli {

namespace {

std::vector<Command> librarySubcommands() {
    auto subcommands = libraryManagementSubcommands();
    for (auto& subcommand : libraryTranscriptionSubcommands()) {
        subcommands.push_back(std::move(subcommand));
    }
    return subcommands;
}

void printOverview(std::ostream& out, const std::vector<Command>& subcommands) {
    out << "Usage: brindlewick library SUBCOMMAND [options]\n\n"
           "Lists and changes the recordings and groups of the library.\n\nSubcommands:\n";
    printCommandList(out, subcommands);
    out << "\nRun \"brindlewick library SUBCOMMAND --help\" for a subcommand's options.\n";
}

int runLibrary(std::span<const std::string> arguments) {
    auto subcommands = librarySubcommands();
    if (arguments.empty()) {
        printOverview(std::cerr, subcommands);
        return exitUsage;
    }
    const std::string& name = arguments.front();
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(std::cout, subcommands);
        return exitDone;
    }
    if (const Command* subcommand = findCommand(subcommands, name)) {
        try {
            return subcommand->run(arguments.subspan(1));
        } catch (const UsageError& error) {
            throw error.within(name);
        }
    }
    throw UsageError("unknown subcommand \"" + name + "\"");
}

} // namespace

Command libraryCommand() {
    return Command{"library", "list and change the recordings and groups of the library",
                   runLibrary};
}

} // namespace bw::cli
