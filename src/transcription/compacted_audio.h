// A chunk's speech laid end to end with short pauses of silence between the pieces, as handed
// to the recognizer, together with the map that turns times in that block back into times in
// the source chunk. A value type; building it copies the speech once.
#pragma once

#include "transcription/recognized_segment.h"
#include "transcription/speech_region.h"
#include "transcription/transcript_segment.h"

#include <cstdint>
#include <span>
#include <vector>

namespace bw {

class CompactedAudio {
public:
    // One stretch of speech: where it lies in the source and in the block, in samples.
    struct Piece {
        std::int64_t originalStart = 0;
        std::int64_t compactedStart = 0;
        std::int64_t length = 0;

        std::int64_t originalEnd() const { return originalStart + length; }
        std::int64_t compactedEnd() const { return compactedStart + length; }

        bool operator==(const Piece&) const = default;
    };

    // Lays the source's speech `regions` (seconds from its first sample; sorted and joined
    // where they overlap, cut at the source's end) one after another, separated by `pause`
    // seconds of zeros.
    CompactedAudio(std::span<const float> source, const std::vector<SpeechRegion>& regions,
                   double pause, double sampleRate);

    const std::vector<float>& samples() const { return m_samples; }
    const std::vector<Piece>& pieces() const { return m_pieces; }
    double sampleRate() const { return m_sampleRate; }
    bool isEmpty() const { return m_pieces.empty(); }

    // Seconds of the source for seconds of the block. A time inside an inserted pause moves
    // forward to the next piece as a start, and back to the previous piece as an end.
    double originalTimeOfStart(double compactedTime) const;
    double originalTimeOfEnd(double compactedTime) const;

    // The recognized segments of one recognition of the block (times in the block, in the
    // recognizer's order) in seconds of the source, their texts trimmed. A segment whose words
    // lie on both sides of a hidden pause of at least `splitPause` seconds in the source is
    // split there. Every word belongs to one piece, and a segment's start and end stay inside
    // the pieces of its first and last words. Empty texts give no segment.
    std::vector<TranscriptSegment> originalSegments(std::span<const RecognizedSegment> segments,
                                                    double splitPause) const;

    // How far one recognition of the block got, in seconds of the source.
    struct Coverage {
        // The speech after the point where the recognized text ends, in order: empty when less
        // than `minimumUnreached` seconds are left. The piece that point falls in is cut there
        // when at least `minimumUnheard` seconds of it are left.
        std::vector<SpeechRegion> unreached;
        // The pieces (or their reached parts) before that point, of at least `minimumUnheard`
        // seconds, in which no word was recognized.
        std::vector<SpeechRegion> unheard;
        // Where the reached speech ends.
        double reachedEnd = 0;
    };
    // The first piece always counts as reached, so that every recognition moves on.
    Coverage coverage(std::span<const RecognizedSegment> segments, double minimumUnreached,
                      double minimumUnheard) const;

    // One segment on its own.
    std::vector<TranscriptSegment> originalSegments(const RecognizedSegment& segment,
                                                    double splitPause) const {
        return originalSegments(std::span(&segment, 1), splitPause);
    }

private:
    struct PlacedWord;

    double map(double compactedTime, bool preferNext) const;
    std::size_t pieceAtOrBefore(double position) const;
    std::size_t pieceOfWord(const RecognizedWord& word) const;
    std::vector<PlacedWord> placedWords(std::span<const RecognizedSegment> segments) const;
    void moveWordsAcrossPieceEdges(std::vector<PlacedWord>& words) const;
    void appendSegments(const RecognizedSegment& segment, std::span<const PlacedWord> words,
                        double splitPause, std::vector<TranscriptSegment>& result) const;

    std::vector<float> m_samples;
    std::vector<Piece> m_pieces;
    double m_sampleRate;
};

} // namespace bw
