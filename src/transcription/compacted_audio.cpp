#include "transcription/compacted_audio.h"

#include "base/text_trimming.h"
#include "base/unicode_text.h"
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

namespace {

// How far from the edge of a piece a recognized word may lie and still have been spoken on the
// other side of the pause there. The recognizer hears only 0.2 s of silence where the source
// may have had a minute, and its word times around such a pause drift: the first words after
// a pause are often timed up to half a second into the end of the piece before; the last word
// of a sentence is sometimes timed late, into the pause after it, where it lands nearer the
// next piece.
constexpr double earlyTolerance = 0.5;
constexpr double lateTolerance = 0.15;

// Closing quotes and brackets that may follow a sentence's final mark.
bool isClosingMark(char32_t c) {
    return c == U'"' || c == U'\'' || c == U')' || c == U']' || c == U'\u00BB' || c == U'\u2019' ||
           c == U'\u201D';
}

bool isSentenceEnd(char32_t c) {
    return c == U'.' || c == U'?' || c == U'!' || c == U'\u2026' || c == U'\u3002' ||
           c == U'\uFF1F' || c == U'\uFF01';
}

// Whether the word ends a sentence: its last mark, before closing quotes and brackets, is a
// full stop, question or exclamation mark or an ellipsis.
bool closesSentence(std::string_view word) {
    char32_t last = 0;
    unicode::forEachScalar(trimWhitespaceAndLineBreaks(word),
                           [&last](char32_t scalar, std::string_view) {
                               if (!isClosingMark(scalar)) {
                                   last = scalar;
                               }
                           });
    return isSentenceEnd(last);
}

} // namespace

struct CompactedAudio::PlacedWord {
    const RecognizedWord* word;
    std::size_t segment; // index into the recognized segments
    std::size_t piece;
    bool startsSegment;
    bool followsSentenceEnd;
    bool endsSentence;
};

std::vector<CompactedAudio::PlacedWord>
CompactedAudio::placedWords(std::span<const RecognizedSegment> segments) const {
    std::vector<PlacedWord> words;
    for (std::size_t s = 0; s < segments.size(); ++s) {
        bool first = true;
        for (const auto& word : segments[s].words) {
            if (trimWhitespace(word.text).empty()) {
                continue;
            }
            bool followsSentenceEnd = !words.empty() && words.back().endsSentence;
            words.push_back({&word, s, pieceOfWord(word), first, followsSentenceEnd,
                             closesSentence(word.text)});
            first = false;
        }
    }
    moveWordsAcrossPieceEdges(words);
    return words;
}

// The words around each pause are placed by sentences rather than by the recognizer's times
// alone: a sentence that begins near the end of a piece and goes on in a later one, with no
// sentence end in between, begins in that later piece; a sentence that ends near the start of
// a piece and began in an earlier one ends in that earlier piece. A piece keeps its words,
// though, when they are all it has and are timed inside it: that is a short reply ("Yes,"
// before the next speaker's sentence) that the recognizer ran into its neighbour's text.
void CompactedAudio::moveWordsAcrossPieceEdges(std::vector<PlacedWord>& words) const {
    auto middle = [&](const PlacedWord& placed) {
        return m_sampleRate * ((placed.word->start + placed.word->end) * 0.5);
    };
    auto inside = [&](const PlacedWord& placed) {
        const Piece& piece = m_pieces[placed.piece];
        const double at = middle(placed);
        return at >= static_cast<double>(piece.compactedStart) &&
               at <= static_cast<double>(piece.compactedEnd());
    };
    // Moves words [first, last) of piece `from` to piece `to`, unless they are all that piece
    // has and are timed inside it.
    auto move = [&](std::size_t first, std::size_t last, std::size_t from, std::size_t to) {
        const auto inFrom =
            std::count_if(words.begin(), words.end(),
                          [&](const PlacedWord& placed) { return placed.piece == from; });
        if (static_cast<std::size_t>(inFrom) <= last - first &&
            std::all_of(words.begin() + static_cast<std::ptrdiff_t>(first),
                        words.begin() + static_cast<std::ptrdiff_t>(last), inside)) {
            return false;
        }
        for (std::size_t k = first; k < last; ++k) {
            words[k].piece = to;
        }
        return true;
    };
    auto nearEnd = [&](const PlacedWord& placed, std::size_t piece) {
        return placed.piece == piece &&
               middle(placed) > static_cast<double>(m_pieces[piece].compactedEnd()) -
                                    earlyTolerance * m_sampleRate;
    };
    auto nearStart = [&](const PlacedWord& placed, std::size_t piece) {
        return placed.piece == piece &&
               middle(placed) < static_cast<double>(m_pieces[piece].compactedStart) +
                                    lateTolerance * m_sampleRate;
    };
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!words[i].startsSegment && !words[i].followsSentenceEnd) {
            continue;
        }
        std::size_t piece = words[i].piece;
        std::size_t next = i;
        while (next < words.size() && nearEnd(words[next], piece) && !words[next].endsSentence) {
            ++next;
        }
        if (next > i && next < words.size() && words[next].piece > piece &&
            move(i, next, piece, words[next].piece)) {
            i = next - 1;
        }
    }
    for (std::size_t j = 0; j < words.size(); ++j) {
        std::size_t piece = words[j].piece;
        if (!words[j].endsSentence || !nearStart(words[j], piece)) {
            continue;
        }
        std::size_t first = j;
        while (first > 0 && nearStart(words[first - 1], piece) && !words[first - 1].endsSentence) {
            --first;
        }
        if (first > 0 && words[first - 1].piece < piece && !words[first - 1].endsSentence) {
            move(first, j + 1, piece, words[first - 1].piece);
        }
    }
}

void CompactedAudio::appendSegments(const RecognizedSegment& segment,
                                    std::span<const PlacedWord> words, double splitPause,
                                    std::vector<TranscriptSegment>& result) const {
    std::string text(trimWhitespaceAndLineBreaks(segment.text));
    if (text.empty()) {
        return;
    }
    double start = originalTimeOfStart(segment.start);
    double end = std::max(start, originalTimeOfEnd(segment.end));
    if (words.empty()) {
        result.push_back({start, end, std::move(text), segment.doubts});
        return;
    }

    // Runs of words; each new run starts at a word that lies after a long hidden pause.
    std::vector<std::size_t> runStarts{0};
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i].piece > words[i - 1].piece) {
            double gap = static_cast<double>(m_pieces[words[i].piece].originalStart -
                                             m_pieces[words[i - 1].piece].originalEnd()) /
                         m_sampleRate;
            if (gap >= splitPause) {
                runStarts.push_back(i);
            }
        }
    }
    for (std::size_t run = 0; run < runStarts.size(); ++run) {
        std::size_t first = runStarts[run];
        std::size_t last = run + 1 < runStarts.size() ? runStarts[run + 1] : words.size();
        std::string runText;
        if (runStarts.size() == 1) {
            runText = text;
        } else {
            std::string joined;
            for (std::size_t i = first; i < last; ++i) {
                joined += words[i].word->text;
            }
            runText = trimWhitespaceAndLineBreaks(joined);
        }
        if (runText.empty()) {
            continue;
        }
        auto [lowest, highest] = std::minmax_element(
            words.begin() + static_cast<std::ptrdiff_t>(first),
            words.begin() + static_cast<std::ptrdiff_t>(last),
            [](const PlacedWord& a, const PlacedWord& b) { return a.piece < b.piece; });
        const Piece& firstPiece = m_pieces[lowest->piece];
        const Piece& lastPiece = m_pieces[highest->piece];
        // The recognizer's segment times may lie in a neighbouring piece; the words decide.
        double runStart = std::clamp(run == 0 ? start : firstPiece.originalStart / m_sampleRate,
                                     firstPiece.originalStart / m_sampleRate,
                                     firstPiece.originalEnd() / m_sampleRate);
        double runEnd = std::clamp(
            last == words.size() ? end : lastPiece.originalEnd() / m_sampleRate,
            lastPiece.originalStart / m_sampleRate, lastPiece.originalEnd() / m_sampleRate);
        result.push_back(
            {runStart, std::max(runStart, runEnd), std::move(runText), segment.doubts});
    }
}

std::vector<TranscriptSegment>
CompactedAudio::originalSegments(std::span<const RecognizedSegment> segments,
                                 double splitPause) const {
    std::vector<TranscriptSegment> result;
    if (m_pieces.empty()) {
        return result;
    }
    auto words = placedWords(segments);
    auto begin = words.begin();
    for (std::size_t s = 0; s < segments.size(); ++s) {
        auto end = std::find_if(begin, words.end(),
                                [s](const PlacedWord& placed) { return placed.segment != s; });
        appendSegments(segments[s], std::span(begin, end), splitPause, result);
        begin = end;
    }
    return result;
}

namespace {

bool hasText(const RecognizedSegment& segment) {
    return !trimWhitespaceAndLineBreaks(segment.text).empty();
}

} // namespace

CompactedAudio::Coverage CompactedAudio::coverage(std::span<const RecognizedSegment> segments,
                                                  double minimumUnreached,
                                                  double minimumUnheard) const {
    Coverage result;
    if (m_pieces.empty()) {
        return result;
    }
    // Where the text ends, and which pieces hold a word (or, for a segment without word times,
    // lie under the segment).
    double reached = 0;
    std::vector<bool> heard(m_pieces.size(), false);
    for (const auto& segment : segments) {
        if (!hasText(segment)) {
            continue;
        }
        reached = std::max(reached, segment.end);
        bool timedWords = false;
        for (const auto& word : segment.words) {
            if (trimWhitespace(word.text).empty()) {
                continue;
            }
            timedWords = true;
            reached = std::max(reached, word.end);
            heard[pieceOfWord(word)] = true;
        }
        if (!timedWords) {
            for (std::size_t i = 0; i < m_pieces.size(); ++i) {
                double start = static_cast<double>(m_pieces[i].compactedStart) / m_sampleRate;
                double end = static_cast<double>(m_pieces[i].compactedEnd()) / m_sampleRate;
                heard[i] = heard[i] || (start < segment.end && segment.start < end);
            }
        }
    }
    reached =
        std::max(reached, static_cast<double>(m_pieces.front().compactedEnd()) / m_sampleRate);

    double unreachedLength = 0;
    std::vector<SpeechRegion> reachedParts;
    std::vector<bool> reachedHeard;
    for (std::size_t i = 0; i < m_pieces.size(); ++i) {
        const Piece& piece = m_pieces[i];
        double compactedStart = static_cast<double>(piece.compactedStart) / m_sampleRate;
        double compactedEnd = static_cast<double>(piece.compactedEnd()) / m_sampleRate;
        SpeechRegion original{static_cast<double>(piece.originalStart) / m_sampleRate,
                              static_cast<double>(piece.originalEnd()) / m_sampleRate};
        double rest = compactedEnd - std::max(compactedStart, reached);
        // Word times are rough, so the piece the text ends in is cut only when much is left.
        if (rest <= 0 || (compactedStart < reached && rest < minimumUnheard)) {
            reachedParts.push_back(original);
            reachedHeard.push_back(heard[i]);
            continue;
        }
        if (compactedStart < reached) {
            double split = original.start + (reached - compactedStart);
            reachedParts.push_back({original.start, split});
            reachedHeard.push_back(heard[i]);
            original.start = split;
        }
        result.unreached.push_back(original);
        unreachedLength += original.duration();
    }
    if (unreachedLength < minimumUnreached) {
        // Too little is left to be worth another recognition: it counts as reached.
        for (const auto& region : result.unreached) {
            reachedParts.push_back(region);
            reachedHeard.push_back(false);
        }
        result.unreached.clear();
    }
    result.reachedEnd = reachedParts.back().end;
    for (std::size_t i = 0; i < reachedParts.size(); ++i) {
        if (!reachedHeard[i] && reachedParts[i].duration() >= minimumUnheard) {
            result.unheard.push_back(reachedParts[i]);
        }
    }
    return result;
}

} // namespace bw
