// Helpers that tidy lists of speech regions: merging near neighbours, padding, clipping to a
// length, and packing speech into groups that each fit one recognizer call. Every detector and
// the chunked transcriber use them. All functions are pure.
#pragma once

#include "transcription/speech_analysis.h"
#include "transcription/speech_region.h"

#include <vector>

namespace bw {

class SpeechRegions {
public:
    SpeechRegions() = delete;

    // Sorted by start (stably), without empty, reversed or not-a-number regions, and with
    // neighbours separated by less than `closerThan` seconds joined. With 0 only overlapping
    // regions are joined; touching ones stay apart.
    static std::vector<SpeechRegion> merge(std::vector<SpeechRegion> regions, double closerThan);

    // Every region widened by `by` seconds on both sides, kept within 0...`limit`, then merged
    // with a gap of 0.
    static std::vector<SpeechRegion> pad(const std::vector<SpeechRegion>& regions, double by,
                                         double limit);

    // The regions that start before `to`, cut at `to` and at 0; those left empty are dropped.
    // The order is kept; nothing is sorted or joined.
    static std::vector<SpeechRegion> clip(const std::vector<SpeechRegion>& regions, double to);

    // Seconds of the regions (not overlapping one another) from `start` to `end`.
    static double secondsWithin(const std::vector<SpeechRegion>& regions, double start, double end);

    // The regions, in order, with those longer than `fitting` seconds split at the quietest
    // frame of the analysis in the second half of the allowed length (when it has
    // probabilities), so that every piece lasts at most `fitting` seconds. `fitting` must be
    // positive. Regions that are not finite are left out: they cannot be laid out as audio.
    static std::vector<SpeechRegion> pieces(const std::vector<SpeechRegion>& regions,
                                            double fitting, const SpeechAnalysis& analysis,
                                            double sampleRate);

    // Splits regions longer than `fitting` seconds (at the quietest frame of the analysis in
    // the second half of the allowed length, when it has probabilities) and packs the pieces,
    // in order, into groups whose pieces laid end to end with `pause` seconds between them last
    // at most `fitting` seconds. `fitting` must be positive. Regions that are not finite are
    // left out: they cannot be laid out as audio.
    static std::vector<std::vector<SpeechRegion>> groups(const std::vector<SpeechRegion>& regions,
                                                         double fitting, double pause,
                                                         const SpeechAnalysis& analysis,
                                                         double sampleRate);
};

} // namespace bw
