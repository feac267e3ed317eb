// Recognises short replies of a two-track recording again, each after what the other side said
// just before it. Each track is recognised on its own, so a one-word answer ("Agreed.") reaches
// the recognizer packed among its speaker's other, unrelated sentences, without the question it
// answers, and is often misheard ("A read."); heard after that question it comes out right.
//
// A short segment that follows the other side's speech becomes a piece: the last seconds of that
// speech from the other side's track, then the reply's stretch from its own track. The pieces,
// apart by silence, make one file, transcribed in one go, so that they share the recognizer's
// windows and cost about their length in audio. What is heard within the reply's stretch
// replaces the segment's text; where nothing is, or a segment runs across from the other side's
// speech into the reply, the segment stays as it was.
#pragma once

#include "transcription/transcription_engine.h"

#include <cstddef>
#include <filesystem>
#include <stop_token>
#include <vector>

namespace bw {

class ReplyReviser {
public:
    static constexpr double maximumReply = 2.0; // seconds: a longer segment carries its context
    static constexpr double maximumGap = 2.0;   // the other side stopped at most this long before
    static constexpr double context = 5.0;      // seconds of the other side's speech laid before
    static constexpr double margin = 0.3;       // of the reply's track on either side of it
    static constexpr double separation = 3.0;   // seconds of silence after each piece

    // One reply with its context, in the recording's seconds, and where it lies in the file.
    struct Piece {
        std::size_t segment = 0; // of the replies' segments
        double start = 0;        // the other side's track from here
        double cut = 0;          // to here, then the reply's own track
        double end = 0;          // to here
        double placed = 0;       // where `start` lies in the pieces' file

        Piece() = default;
        Piece(std::size_t segment, double start, double cut, double end, double placed)
            : segment(segment), start(start), cut(cut), end(end), placed(placed) {}

        bool operator==(const Piece&) const = default;
    };

    // The pieces of the short segments of `mine` that follow speech of `theirs` with none of
    // `mine` in between; both in time order.
    static std::vector<Piece> plan(const std::vector<TranscriptSegment>& mine,
                                   const std::vector<TranscriptSegment>& theirs);

    // `mine` with each piece's segment replaced by what `heard` (the pieces' file transcribed)
    // gives within its reply, moved back to the recording's time line and keeping its speaker.
    static std::vector<TranscriptSegment> revised(std::vector<TranscriptSegment> mine,
                                                  const std::vector<Piece>& pieces,
                                                  const std::vector<TranscriptSegment>& heard);

    explicit ReplyReviser(TranscriptionEngine& engine) : m_engine(engine) {}

    // `mine`, heard on `mineFile`, with its short replies to `theirs` (heard on `theirsFile`)
    // recognised again; the pieces' file is written into `folder`. Throws what the engine and
    // reading the tracks throw, and FileError when the file cannot be written.
    std::vector<TranscriptSegment>
    revise(const std::vector<TranscriptSegment>& mine, const std::filesystem::path& mineFile,
           const std::vector<TranscriptSegment>& theirs, const std::filesystem::path& theirsFile,
           const TranscriptionOptions& options, const std::filesystem::path& folder,
           std::stop_token stop) const;

private:
    TranscriptionEngine& m_engine;
};

} // namespace bw
