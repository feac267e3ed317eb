#include "cli/command.h"

namespace bw::cli {

std::vector<Command> allCommands() {
    std::vector<Command> commands;
    return commands;
}

} // namespace bw::cli
