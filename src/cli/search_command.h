// "brindlewick search QUERY": the segments and titles of the library's recordings that match,
// from the search index (brought up to date first), with their recording's identifier and title,
// the segment's time and a snippet; exit status 0 when anything matched and 1 when nothing did,
// as grep has it.
#pragma once

#include "cli/command.h"

namespace bw::cli {

Command searchCommand();

} // namespace bw::cli
