// The command-line front end: dispatches "brindlewick COMMAND ..." to its command.
#pragma once

namespace bw::cli {

// Returns the process's exit status (see exit_code.h).
int runCli(int argc, char** argv);

} // namespace bw::cli
