#include "transcription/speech_regions.h"

#include "base/precondition.h"
#include "transcription/quietest_frame.h"
#include "transcription/sample_index.h"
#include "transcription/speech_block_queue.h"

#include <algorithm>
#include <cmath>

namespace bw {

std::vector<SpeechRegion> SpeechRegions::merge(std::vector<SpeechRegion> regions,
                                               double closerThan) {
    // Dropping the unusable regions before sorting keeps not-a-number starts out of the
    // comparison; they would be skipped afterwards anyway.
    std::erase_if(regions, [](const SpeechRegion& r) { return !(r.start < r.end); });
    std::stable_sort(
        regions.begin(), regions.end(),
        [](const SpeechRegion& a, const SpeechRegion& b) { return a.start < b.start; });
    std::vector<SpeechRegion> merged;
    merged.reserve(regions.size());
    for (const auto& region : regions) {
        if (!merged.empty() && region.start - merged.back().end < closerThan) {
            merged.back().end = std::max(merged.back().end, region.end);
        } else {
            merged.push_back(region);
        }
    }
    return merged;
}

std::vector<SpeechRegion> SpeechRegions::pad(const std::vector<SpeechRegion>& regions, double by,
                                             double limit) {
    std::vector<SpeechRegion> padded;
    padded.reserve(regions.size());
    for (const auto& region : regions) {
        double start = region.start - by;
        double end = region.end + by;
        padded.push_back({start >= 0 ? start : 0, end < limit ? end : limit});
    }
    return merge(std::move(padded), 0);
}

std::vector<SpeechRegion> SpeechRegions::clip(const std::vector<SpeechRegion>& regions, double to) {
    std::vector<SpeechRegion> clipped;
    for (const auto& region : regions) {
        if (!(region.start < to)) {
            continue;
        }
        SpeechRegion kept{region.start >= 0 ? region.start : 0, to < region.end ? to : region.end};
        if (kept.start < kept.end) {
            clipped.push_back(kept);
        }
    }
    return clipped;
}

double SpeechRegions::secondsWithin(const std::vector<SpeechRegion>& regions, double start,
                                    double end) {
    double seconds = 0;
    for (const auto& region : regions) {
        seconds += std::max(0.0, std::min(end, region.end) - std::max(start, region.start));
    }
    return seconds;
}

namespace {

// Pieces of at most `fitting` seconds, each cut where the speech is least likely between half
// and all of the allowed length.
void splitRegion(const SpeechRegion& region, double fitting, const SpeechAnalysis& analysis,
                 double sampleRate, std::vector<SpeechRegion>& pieces) {
    double start = region.start;
    double end = region.end;
    while (end - start > fitting) {
        double cut = start + fitting;
        double earliest = start + fitting * 0.5;
        if (auto quietest = quietestFrame(analysis, earliest, cut)) {
            std::int64_t sample = std::max<std::int64_t>(
                1, roundedIndex(sampleRate * (analysis.frameDuration * (*quietest + 0.5))));
            cut = std::min(cut, std::max(earliest, sample / sampleRate));
        }
        if (!(cut > start)) {
            break; // too far out for the cut to move forward; keep the rest whole
        }
        pieces.push_back({start, cut});
        start = cut;
    }
    pieces.push_back({start, end});
}

} // namespace

std::vector<SpeechRegion> SpeechRegions::pieces(const std::vector<SpeechRegion>& regions,
                                                double fitting, const SpeechAnalysis& analysis,
                                                double sampleRate) {
    BW_PRECONDITION(fitting > 0, "pieces must be allowed a positive duration");
    std::vector<SpeechRegion> pieces;
    for (const auto& region : regions) {
        if (std::isfinite(region.start) && std::isfinite(region.end)) {
            splitRegion(region, fitting, analysis, sampleRate, pieces);
        }
    }
    return pieces;
}

std::vector<std::vector<SpeechRegion>>
SpeechRegions::groups(const std::vector<SpeechRegion>& regions, double fitting, double pause,
                      const SpeechAnalysis& analysis, double sampleRate) {
    BW_PRECONDITION(fitting > 0, "groups must be allowed a positive duration");
    SpeechBlockQueue queue(pieces(regions, fitting, analysis, sampleRate), fitting, pause);
    std::vector<std::vector<SpeechRegion>> groups;
    while (!queue.isEmpty()) {
        groups.push_back(queue.take());
    }
    return groups;
}

} // namespace bw
