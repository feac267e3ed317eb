// The line shown beside a transcript when some of the speech in the recording gave no text.
#pragma once

#include <cstddef>
#include <string>

namespace bw {

// "1 stretch of speech gave no text", "2 stretches of speech gave no text"; empty for 0.
std::string unrecognizedSpeechNote(std::size_t stretches);

} // namespace bw
