// "brindlewick play": plays a recording of the library through the application's playback
// model, to the end or until Ctrl-C, showing the position on standard error.
#pragma once

#include "cli/command.h"

namespace bw::cli {

Command playCommand();

} // namespace bw::cli
