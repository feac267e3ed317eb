// Exit statuses of every command.
#pragma once

namespace bw::cli {

enum ExitCode : int {
    exitDone = 0,
    exitFailed = 1, // the user-facing message went to standard error
    exitUsage = 2,  // the command line was wrong
    exitCancelled = 130,
};

} // namespace bw::cli
