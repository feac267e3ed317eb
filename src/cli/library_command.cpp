#include "cli/library_command.h"

namespace bw::cli {

namespace {

std::vector<Command> librarySubcommands() {
    auto subcommands = libraryManagementSubcommands();
    for (auto& subcommand : libraryTranscriptionSubcommands()) {
        subcommands.push_back(std::move(subcommand));
    }
    return subcommands;
}

int runLibrary(std::span<const std::string> arguments) {
    return runSubcommand("library", "Lists and changes the recordings and groups of the library.",
                         librarySubcommands(), arguments);
}

} // namespace

Command libraryCommand() {
    return Command{"library", "list and change the recordings and groups of the library",
                   runLibrary};
}

} // namespace bw::cli
