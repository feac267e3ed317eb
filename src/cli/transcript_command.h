// "brindlewick transcript SUBCOMMAND ...": a recording's saved transcript from the command line:
// show it, change one segment's text, or give a segment back the text the engine produced.
// Changes go through the transcript editor model, as the window's edits do.
#pragma once

#include "cli/command.h"

#include <span>
#include <string>

namespace bw::cli {

Command transcriptCommand();

// Prints a recording's saved transcript, one segment a line or as JSON; `command` is the
// command line that leads to it, for the usage text ("brindlewick transcript show").
int runShowTranscript(std::span<const std::string> arguments, const std::string& command);

} // namespace bw::cli
