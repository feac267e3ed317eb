// "brindlewick devices" lists the microphones; "brindlewick record" records into the library.
#pragma once

#include "cli/command.h"

namespace bw::cli {

Command devicesCommand();
Command recordCommand();

} // namespace bw::cli
