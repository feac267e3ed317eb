#include "transcription/transcript.h"

namespace bw {

std::string Transcript::text() const {
    std::string result;
    for (size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) {
            result += ' ';
        }
        result += segments[i].text;
    }
    return result;
}

} // namespace bw
