#include "transcription/speech_block_queue.h"

namespace bw {

SpeechBlockQueue::SpeechBlockQueue(const std::vector<SpeechRegion>& pieces, double fitting,
                                   double pause)
    : m_pieces(pieces.begin(), pieces.end()), m_fitting(fitting), m_pause(pause) {}

std::size_t SpeechBlockQueue::blockSize() const {
    if (m_pieces.empty()) {
        return 0;
    }
    double used = m_pieces.front().duration();
    std::size_t count = 1;
    while (count < m_pieces.size() &&
           !(used + (m_pause + m_pieces[count].duration()) > m_fitting)) {
        used += m_pause + m_pieces[count].duration();
        ++count;
    }
    return count;
}

std::vector<SpeechRegion> SpeechBlockQueue::take() {
    auto end = m_pieces.begin() + static_cast<std::ptrdiff_t>(blockSize());
    std::vector<SpeechRegion> block(m_pieces.begin(), end);
    m_pieces.erase(m_pieces.begin(), end);
    return block;
}

void SpeechBlockQueue::giveBack(const std::vector<SpeechRegion>& pieces) {
    m_pieces.insert(m_pieces.begin(), pieces.begin(), pieces.end());
}

} // namespace bw
