#include "transcripts/unrecognized_speech_note.h"

namespace bw {

std::string unrecognizedSpeechNote(std::size_t stretches) {
    if (stretches == 0) {
        return {};
    }
    return std::to_string(stretches) + (stretches == 1 ? " stretch" : " stretches") +
           " of speech gave no text";
}

} // namespace bw
