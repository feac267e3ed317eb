// "brindlewick diagnostics": prints the diagnostics report, or saves it for a support e-mail.
#pragma once

#include "cli/command.h"

namespace bw::cli {

Command diagnosticsCommand();

} // namespace bw::cli
