// The pieces of a chunk's speech still to be recognized, handed out in blocks that fit one
// recognizer call. What a recognition did not reach goes back to the front of the queue, to be
// packed again with the speech after it.
#pragma once

#include "transcription/speech_region.h"

#include <deque>
#include <vector>

namespace bw {

class SpeechBlockQueue {
public:
    // `pieces` in order, each at most `fitting` seconds long; a block's pieces laid end to end
    // with `pause` seconds between them last at most `fitting` seconds.
    SpeechBlockQueue(const std::vector<SpeechRegion>& pieces, double fitting, double pause);

    bool isEmpty() const { return m_pieces.empty(); }
    const SpeechRegion& front() const { return m_pieces.front(); }

    // Whether everything left goes into one block.
    bool fitsOneBlock() const { return blockSize() == m_pieces.size(); }

    // Takes the next block: the first piece and, in order, as many after it as fit.
    std::vector<SpeechRegion> take();

    // Puts `pieces` back, in order, in front of those left.
    void giveBack(const std::vector<SpeechRegion>& pieces);

private:
    std::size_t blockSize() const;

    std::deque<SpeechRegion> m_pieces;
    double m_fitting;
    double m_pause;
};

} // namespace bw
