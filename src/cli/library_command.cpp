#include "cli/library_command.h"

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
    return runSubcommand(subcommands, arguments,
                         [&subcommands](std::ostream& out) { printOverview(out, subcommands); });
}

} // namespace

Command libraryCommand() {
    return Command{"library", "list and change the recordings and groups of the library",
                   runLibrary};
}

} // namespace bw::cli
