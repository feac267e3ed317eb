// "brindlewick transcribe": transcribes one audio file headlessly with the engine and options
// the application uses, showing progress on standard error.
#pragma once

#include "cli/command.h"

namespace bw::cli {

Command transcribeCommand();

} // namespace bw::cli
