#include "service/transcription_checkpoint_writer.h"

namespace bw {

TranscriptionCheckpointWriter::TranscriptionCheckpointWriter(TranscriptionCheckpointStore store,
                                                             Uuid itemID,
                                                             TranscriptionCheckpoint::Basis basis)
    : m_store(std::move(store)), m_itemID(itemID), m_basis(std::move(basis)) {}

std::optional<PartialTranscript> TranscriptionCheckpointWriter::takeOver(bool removeStale) {
    std::lock_guard lock(m_mutex);
    auto stored = m_store.load(m_itemID);
    if (!stored || !stored->resumes(m_basis)) {
        if (stored && removeStale) {
            m_store.remove(m_itemID);
        }
        return std::nullopt;
    }
    if (stored->interrupted) {
        stored->interrupted = false;
        write(*stored);
    }
    m_last = stored;
    return stored->work;
}

void TranscriptionCheckpointWriter::save(PartialTranscript work) {
    std::lock_guard lock(m_mutex);
    if (m_discarded) {
        return;
    }
    TranscriptionCheckpoint checkpoint;
    checkpoint.basis = m_basis;
    checkpoint.work = std::move(work);
    checkpoint.interrupted = m_interrupted;
    m_last = std::move(checkpoint);
    write(*m_last);
}

void TranscriptionCheckpointWriter::markInterrupted() {
    std::lock_guard lock(m_mutex);
    if (m_discarded || m_interrupted) {
        return;
    }
    m_interrupted = true;
    if (m_last) {
        m_last->interrupted = true;
        write(*m_last);
    }
}

bool TranscriptionCheckpointWriter::isInterrupted() const {
    std::lock_guard lock(m_mutex);
    return m_interrupted;
}

void TranscriptionCheckpointWriter::discard() {
    std::lock_guard lock(m_mutex);
    m_discarded = true;
    m_last.reset();
    m_store.remove(m_itemID);
}

void TranscriptionCheckpointWriter::write(const TranscriptionCheckpoint& checkpoint) const {
    try {
        m_store.save(m_itemID, checkpoint);
    } catch (const std::exception&) {
        // Best effort, as the header says.
    }
}

} // namespace bw
