// "brindlewick models": lists the Whisper models the program knows and installs, selects and
// removes the user's own (in $XDG_DATA_HOME/Brindlewick/Models). "models install" is the only
// command that uses the network.
#pragma once

#include "cli/command.h"

namespace bw::cli {

Command modelsCommand();

} // namespace bw::cli
