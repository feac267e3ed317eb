// Pieces shared by the user's failure messages: the support sentence, which names the support
// address from the application's Info.json, and the detail of a lower failure.
#pragma once

#include <exception>
#include <string>

namespace bw {

// "If it keeps happening, email <address> with this message and the file from
// Help › Export Diagnostics."
std::string supportSentence();

// " (" + the failure's description + ")".
std::string detail(const std::exception& error);

} // namespace bw
