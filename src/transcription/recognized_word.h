// One word as the recognizer timed it, in seconds from the first sample it was given.
#pragma once

#include <string>

namespace bw {

struct RecognizedWord {
    double start = 0;
    double end = 0;
    std::string text; // may carry a leading space

    bool operator==(const RecognizedWord&) const = default;
};

} // namespace bw
