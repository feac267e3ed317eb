#include "transcription/compacted_audio.h"

#include "base/text_trimming.h"
#include "transcription/sample_index.h"
#include "transcription/speech_regions.h"

#include <algorithm>

namespace bw {

CompactedAudio::CompactedAudio(std::span<const float> source,
                               const std::vector<SpeechRegion>& regions, double pause,
                               double sampleRate)
    : m_sampleRate(sampleRate) {
    std::int64_t pauseLength = std::max<std::int64_t>(0, roundedIndex(pause * sampleRate));
    auto sourceLength = static_cast<std::int64_t>(source.size());
    for (const auto& region : SpeechRegions::merge(regions, 0)) {
        // Clamping before rounding gives the same samples and keeps regions reaching far past
        // the source (even to infinity) within range.
        auto length = static_cast<double>(sourceLength);
        std::int64_t start = roundedIndex(std::clamp(sampleRate * region.start, 0.0, length));
        std::int64_t end = roundedIndex(std::min(sampleRate * region.end, length));
        if (start >= end) {
            continue;
        }
        if (!m_pieces.empty()) {
            m_samples.insert(m_samples.end(), static_cast<std::size_t>(pauseLength), 0.0f);
        }
        m_pieces.push_back({start, static_cast<std::int64_t>(m_samples.size()), end - start});
        auto piece =
            source.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
        m_samples.insert(m_samples.end(), piece.begin(), piece.end());
    }
}

double CompactedAudio::originalTimeOfStart(double compactedTime) const {
    return map(compactedTime, true);
}

double CompactedAudio::originalTimeOfEnd(double compactedTime) const {
    return map(compactedTime, false);
}

std::size_t CompactedAudio::pieceAtOrBefore(double position) const {
    auto after = std::upper_bound(
        m_pieces.begin(), m_pieces.end(), position,
        [](double p, const Piece& piece) { return p < static_cast<double>(piece.compactedStart); });
    return after == m_pieces.begin() ? 0 : static_cast<std::size_t>(after - m_pieces.begin() - 1);
}

double CompactedAudio::map(double compactedTime, bool preferNext) const {
    if (m_pieces.empty()) {
        return 0;
    }
    double position = compactedTime * m_sampleRate;
    if (position <= static_cast<double>(m_pieces.front().compactedStart)) {
        return m_pieces.front().originalStart / m_sampleRate;
    }
    if (position >= static_cast<double>(m_pieces.back().compactedEnd())) {
        return m_pieces.back().originalEnd() / m_sampleRate;
    }
    std::size_t index = pieceAtOrBefore(position);
    const Piece& piece = m_pieces[index];
    if (position <= static_cast<double>(piece.compactedEnd())) {
        return (position + static_cast<double>(piece.originalStart) -
                static_cast<double>(piece.compactedStart)) /
               m_sampleRate;
    }
    if (preferNext && index + 1 < m_pieces.size()) {
        return m_pieces[index + 1].originalStart / m_sampleRate;
    }
    return piece.originalEnd() / m_sampleRate;
}

std::size_t CompactedAudio::pieceOfWord(const RecognizedWord& word) const {
    double position = m_sampleRate * ((word.start + word.end) * 0.5);
    std::size_t index = pieceAtOrBefore(position);
    const Piece& piece = m_pieces[index];
    auto end = static_cast<double>(piece.compactedEnd());
    if (position > end && index + 1 < m_pieces.size()) {
        auto nextStart = static_cast<double>(m_pieces[index + 1].compactedStart);
        if (nextStart - position < position - end) {
            return index + 1;
        }
    }
    return index;
}

std::vector<TranscriptSegment> CompactedAudio::originalSegments(const RecognizedSegment& segment,
                                                                double splitPause) const {
    std::string text(trimWhitespaceAndLineBreaks(segment.text));
    if (text.empty() || m_pieces.empty()) {
        return {};
    }
    double start = originalTimeOfStart(segment.start);
    double end = std::max(start, originalTimeOfEnd(segment.end));

    std::vector<const RecognizedWord*> words;
    for (const auto& word : segment.words) {
        if (!trimWhitespace(word.text).empty()) {
            words.push_back(&word);
        }
    }
    if (words.size() < 2) {
        return {{start, end, text}};
    }

    std::vector<std::size_t> pieceOf;
    pieceOf.reserve(words.size());
    for (const auto* word : words) {
        pieceOf.push_back(pieceOfWord(*word));
    }
    // Runs of words; each new run starts at a word that lies after a long hidden pause.
    std::vector<std::size_t> runStarts{0};
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (pieceOf[i] > pieceOf[i - 1]) {
            double gap = static_cast<double>(m_pieces[pieceOf[i]].originalStart -
                                             m_pieces[pieceOf[i - 1]].originalEnd()) /
                         m_sampleRate;
            if (gap >= splitPause) {
                runStarts.push_back(i);
            }
        }
    }
    if (runStarts.size() == 1) {
        return {{start, end, text}};
    }

    std::vector<TranscriptSegment> result;
    for (std::size_t run = 0; run < runStarts.size(); ++run) {
        std::size_t first = runStarts[run];
        std::size_t last = run + 1 < runStarts.size() ? runStarts[run + 1] : words.size();
        std::string joined;
        for (std::size_t i = first; i < last; ++i) {
            joined += words[i]->text;
        }
        std::string runText(trimWhitespaceAndLineBreaks(joined));
        if (runText.empty()) {
            continue;
        }
        auto [lowest, highest] =
            std::minmax_element(pieceOf.begin() + static_cast<std::ptrdiff_t>(first),
                                pieceOf.begin() + static_cast<std::ptrdiff_t>(last));
        double runStart = run == 0 ? start : m_pieces[*lowest].originalStart / m_sampleRate;
        double runEnd =
            last == words.size() ? end : m_pieces[*highest].originalEnd() / m_sampleRate;
        result.push_back({runStart, std::max(runStart, runEnd), std::move(runText)});
    }
    return result;
}

} // namespace bw
