#include "transcription/chunk_planner.h"

#include "transcription/quietest_frame.h"
#include "transcription/sample_index.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace bw {

namespace {

// At most `count` and at least 1, in that order, so that an empty buffer gives 1 rather than
// an invalid range.
std::int64_t withinBuffer(std::int64_t index, std::int64_t count) {
    return std::max<std::int64_t>(std::min(index, count), 1);
}

double searchFloor(const ChunkingOptions& options) {
    return std::max(options.minimumPause, options.targetDuration - options.lookahead);
}

} // namespace

ChunkPlanner::Decision ChunkPlanner::decide(std::span<const float> buffer,
                                            const SpeechAnalysis& analysis, bool isEndOfStream,
                                            const ChunkingOptions& options, double sampleRate) {
    auto count = static_cast<std::int64_t>(buffer.size());
    if (count == 0) {
        return Decision::cut(0);
    }
    if (isEndOfStream) {
        return Decision::cut(count);
    }
    double duration = static_cast<double>(count) / sampleRate;
    if (duration <= options.targetDuration) {
        return Decision::cut(count);
    }
    if (auto pause = pauseIndex(analysis, count, options, sampleRate)) {
        return Decision::cut(*pause);
    }
    if (duration < options.maximumDuration) {
        return Decision::needMoreAudio();
    }

    double floor = searchFloor(options);
    double frame = analysis.frameDuration;
    const auto& probabilities = analysis.frameProbabilities;
    if (frame > 0 && probabilities.size() >= 3) {
        std::int64_t first = std::max<std::int64_t>(1, truncatedIndex(floor / frame));
        std::int64_t last =
            std::min<std::int64_t>(truncatedIndex(duration / frame) - 1,
                                   static_cast<std::int64_t>(probabilities.size()) - 2);
        if (last >= first) {
            std::int64_t quietest = quietestFrame(probabilities, first, last);
            return Decision::cut(
                withinBuffer(roundedIndex(sampleRate * (frame * (quietest + 0.5))), count));
        }
    }
    return Decision::cut(quietestIndex(buffer, floor, duration, sampleRate));
}

std::optional<std::int64_t> ChunkPlanner::pauseIndex(const SpeechAnalysis& analysis,
                                                     std::int64_t count,
                                                     const ChunkingOptions& options,
                                                     double sampleRate) {
    double duration = static_cast<double>(count) / sampleRate;
    if (analysis.regions.empty()) {
        return withinBuffer(roundedIndex(options.targetDuration * sampleRate), count);
    }

    struct Silence {
        double start;
        double end;
    };
    std::vector<Silence> silences;
    double cursor = 0;
    for (const auto& region : analysis.regions) {
        if (region.start > cursor) {
            silences.push_back({cursor, region.start});
        }
        if (region.end > cursor) {
            cursor = region.end;
        }
    }
    if (cursor < duration) {
        silences.push_back({cursor, duration});
    }

    double floor = searchFloor(options);
    std::optional<double> bestTime;
    double bestDistance = 0;
    double bestLength = 0;
    for (const auto& silence : silences) {
        double length = silence.end - silence.start;
        if (!(length >= options.minimumPause)) {
            continue;
        }
        // A silence that runs to the end of the buffer may go on; cut just inside it.
        double time = silence.end < duration
                          ? (silence.start + silence.end) * 0.5
                          : std::min(silence.start + options.minimumPause * 0.5, duration);
        if (!(time >= floor && time <= duration)) {
            continue;
        }
        double distance = std::abs(time - options.targetDuration);
        if (!bestTime || distance < bestDistance ||
            (distance == bestDistance && length > bestLength)) {
            bestTime = time;
            bestDistance = distance;
            bestLength = length;
        }
    }
    if (!bestTime) {
        return std::nullopt;
    }
    return withinBuffer(roundedIndex(sampleRate * *bestTime), count);
}

std::int64_t ChunkPlanner::quietestIndex(std::span<const float> buffer, double from, double to,
                                         double sampleRate) {
    auto count = static_cast<std::int64_t>(buffer.size());
    std::int64_t window = std::max<std::int64_t>(1, truncatedIndex(sampleRate * 0.01));
    std::int64_t first = std::max<std::int64_t>(0, truncatedIndex(from * sampleRate));
    std::int64_t last = std::min(count, truncatedIndex(to * sampleRate));
    std::int64_t windows = (last - first) / window;
    if (windows <= 10) {
        return withinBuffer((first + last) / 2, count);
    }

    std::vector<float> energies(static_cast<std::size_t>(windows));
    for (std::int64_t j = 0; j < windows; ++j) {
        float energy = 0;
        for (std::int64_t i = first + j * window; i < first + (j + 1) * window; ++i) {
            float sample = buffer[static_cast<std::size_t>(i)];
            energy += sample * sample;
        }
        energies[static_cast<std::size_t>(j)] = energy;
    }

    // Spans of ten windows (100 ms), slid one window at a time with a running sum.
    float running = 0;
    for (std::size_t j = 0; j < 10; ++j) {
        running += energies[j];
    }
    float best = running;
    std::int64_t bestSpan = 0;
    for (std::int64_t span = 1; span <= windows - 10; ++span) {
        auto s = static_cast<std::size_t>(span);
        running += energies[s + 9] - energies[s - 1];
        if (running < best) {
            best = running;
            bestSpan = span;
        }
    }
    return withinBuffer(first + bestSpan * window + 5 * window, count);
}

} // namespace bw
