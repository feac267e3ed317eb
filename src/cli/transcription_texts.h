// What the commands that transcribe share on the command line: the --language option and the
// note on when the work should be ready.
#pragma once

#include "cli/argument_parser.h"
#include "transcription/transcription_language.h"

#include <chrono>
#include <optional>
#include <string>

namespace bw::cli {

// The language given with --language (sk, cs, de or en). Throws UsageError when it is missing
// or unknown.
TranscriptionLanguage requiredLanguage(const ParsedArguments& arguments);

// "Ready at about " + the local time in the user's short style, or, without an estimate,
// "Estimating when it will be ready…".
std::string estimatedFinishNote(std::optional<std::chrono::system_clock::time_point> finish);

} // namespace bw::cli
