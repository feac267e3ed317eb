// "brindlewick export ITEM --format txt|srt|docx": writes a recording's saved transcript, with
// the edits made to it, as a file, through the same export command the window uses.
#pragma once

#include "cli/command.h"

namespace bw::cli {

Command exportCommand();

} // namespace bw::cli
