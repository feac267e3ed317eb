// "brindlewick library SUBCOMMAND ...": the library's recordings and groups from the command
// line. Each subcommand is a small Command of its own, dispatched by name.
#pragma once

#include "cli/command.h"

#include <vector>

namespace bw::cli {

Command libraryCommand();

// list, groups, group, import, rename, move, delete.
std::vector<Command> libraryManagementSubcommands();

// transcribe, transcript.
std::vector<Command> libraryTranscriptionSubcommands();

} // namespace bw::cli
