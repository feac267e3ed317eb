// The checkpoint of one transcription job: written after every finished chunk, marked when
// quitting interrupts the job and removed when its work is no longer wanted. Shared by the
// service (main thread) and the job's worker; every function may be called from either, and
// writing is best effort: a checkpoint that cannot be written only costs a later job its head
// start.
#pragma once

#include "service/transcription_checkpoint_store.h"

#include <mutex>
#include <optional>

namespace bw {

class TranscriptionCheckpointWriter {
public:
    TranscriptionCheckpointWriter(TranscriptionCheckpointStore store, Uuid itemID,
                                  TranscriptionCheckpoint::Basis basis);

    // The stored work a job over this basis carries on from, if any. Its interrupted mark is
    // cleared on disk, so that a job which never ends cleanly is not resumed at every start.
    // A checkpoint the job cannot carry on from is removed when `removeStale` is set, since
    // this job's own will replace it.
    std::optional<PartialTranscript> takeOver(bool removeStale);
    // The work at the end of a chunk. Ignored once discarded.
    void save(PartialTranscript work);
    // Marks the last work saved as interrupted by quitting; later saves keep the mark.
    void markInterrupted();
    bool isInterrupted() const;
    // Removes the checkpoint and ignores every later save.
    void discard();

private:
    void write(const TranscriptionCheckpoint& checkpoint) const; // expects m_mutex held

    const TranscriptionCheckpointStore m_store;
    const Uuid m_itemID;
    const TranscriptionCheckpoint::Basis m_basis;

    mutable std::mutex m_mutex;
    std::optional<TranscriptionCheckpoint> m_last; // guarded by m_mutex, like the two below
    bool m_interrupted = false;
    bool m_discarded = false;
};

} // namespace bw
