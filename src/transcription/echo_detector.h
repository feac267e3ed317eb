// Recognises the far side of a call heard again by the microphone. Without headphones the
// microphone picks up the loudspeaker, so the "Me" track repeats what the "Others" track says, a
// few milliseconds later and quieter. A "Me" segment is taken for such an echo when most of its
// words are, in order, words that the "Others" track spoke at the same time (within a tolerance
// for the recognizer's timing). Speech of both at once keeps both: its words differ.
//
// It cannot tell the user repeating the other side word for word at once from an echo, and it
// leaves a segment that mixes the user's words with echoed ones whole.
#pragma once

#include "transcription/transcript_segment.h"

#include <string>
#include <string_view>
#include <vector>

namespace bw {

class EchoDetector {
public:
    struct Parameters {
        // Seconds by which the recognizer's times on the two tracks may differ.
        double timingTolerance = 1.5;
        // The share of a segment's words that must repeat the other track's.
        double minimumSimilarity = 0.6;

        Parameters() = default;
        Parameters(double timingTolerance, double minimumSimilarity)
            : timingTolerance(timingTolerance), minimumSimilarity(minimumSimilarity) {}
    };

    EchoDetector() = default;
    explicit EchoDetector(Parameters parameters) : m_parameters(parameters) {}

    // `others` in time order. A segment without words is never an echo.
    bool isEcho(const TranscriptSegment& mine, const std::vector<TranscriptSegment>& others) const;
    // The share, 0...1, of the words of `mine` that repeat, in order, words of `others` spoken
    // within the tolerance of its time; 0 for a segment without words.
    double similarity(const TranscriptSegment& mine,
                      const std::vector<TranscriptSegment>& others) const;

    // `mine` without its echoes, in its order.
    std::vector<TranscriptSegment>
    withoutEchoes(std::vector<TranscriptSegment> mine,
                  const std::vector<TranscriptSegment>& others) const;

    // The words of a text as compared: letters and digits, folded to lower case.
    static std::vector<std::string> words(std::string_view text);

private:
    Parameters m_parameters;
};

} // namespace bw
