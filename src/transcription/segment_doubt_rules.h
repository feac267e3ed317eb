// Judges whether a recognized segment's text may not be what was said, from what the
// recognizer reports of it and what is known of the audio under it: the decoder looping (a
// phrase over and over, or the previous line again), text over little detected speech, more
// text than the time can hold, a low mean token probability, or the window taken for no
// speech. Pure functions; the thresholds are in the .cpp with their reasons.
#pragma once

#include "transcription/segment_doubt.h"

#include <optional>
#include <string_view>
#include <vector>

namespace bw {

class SegmentDoubtRules {
public:
    SegmentDoubtRules() = delete;

    struct Signals {
        std::string_view text;                        // the segment's text
        std::optional<std::string_view> previousText; // the segment before it, if any
        double duration = 0;                          // seconds the segment spans
        std::optional<double>
            speechSeconds; // of detected speech under it; unknown without a detector
        double averageLogProbability = 0;
        double noSpeechProbability = 0;
    };

    // The doubts in the order of the enumeration; empty for text that looks sound.
    static std::vector<SegmentDoubt> judge(const Signals& signals);

    // The bytes of the text over the bytes of its zlib compression: about 1 to 2 for
    // language, higher for text that repeats itself.
    static double compressionRatio(std::string_view text);

    // The longest run of one phrase of 1 to 4 words repeated back to back, in repetitions
    // (1 when nothing repeats).
    static int longestRepetition(std::string_view text);

    // How alike two texts' words are, 0 to 1 (1: the same words, ignoring case and marks).
    static double similarity(std::string_view a, std::string_view b);
};

} // namespace bw
