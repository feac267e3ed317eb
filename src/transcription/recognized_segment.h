// One segment of recognized text, in seconds from the first sample given to the recognizer.
#pragma once

#include "transcription/recognized_word.h"

#include <string>
#include <vector>

namespace bw {

struct RecognizedSegment {
    double start = 0;
    double end = 0;
    std::string text;
    std::vector<RecognizedWord> words; // possibly empty

    bool operator==(const RecognizedSegment&) const = default;
};

} // namespace bw
