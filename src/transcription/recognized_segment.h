// One segment of recognized text, in seconds from the first sample given to the recognizer,
// with what the recognizer knows of how sure it is.
#pragma once

#include "transcription/recognized_word.h"
#include "transcription/segment_doubt.h"

#include <string>
#include <utility>
#include <vector>

namespace bw {

struct RecognizedSegment {
    double start = 0;
    double end = 0;
    std::string text;
    std::vector<RecognizedWord> words; // possibly empty
    // The mean natural logarithm of the probabilities of the text's tokens (0: certain, or not
    // known), and the probability that the window this segment came from holds no speech.
    double averageLogProbability = 0;
    double noSpeechProbability = 0;
    std::vector<SegmentDoubt> doubts; // judged by the transcriber, passed on to the transcript

    RecognizedSegment() = default;
    RecognizedSegment(double start, double end, std::string text,
                      std::vector<RecognizedWord> words = {}, double averageLogProbability = 0,
                      double noSpeechProbability = 0)
        : start(start), end(end), text(std::move(text)), words(std::move(words)),
          averageLogProbability(averageLogProbability), noSpeechProbability(noSpeechProbability) {}

    bool operator==(const RecognizedSegment&) const = default;
};

} // namespace bw
