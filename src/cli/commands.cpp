#include "cli/command.h"
#include "cli/transcribe_command.h"

namespace bw::cli {

std::vector<Command> allCommands() {
    std::vector<Command> commands;
    commands.push_back(transcribeCommand());
    return commands;
}

} // namespace bw::cli
