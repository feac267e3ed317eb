// Keeps the checkpoint of an item's interrupted transcription in the item's folder (as
// ".checkpoint.json", beside the transcript). Holds nothing but the library, so it
// may be copied freely and used from any thread.
#pragma once

#include "base/uuid.h"
#include "library/library_store.h"
#include "service/transcription_checkpoint.h"

#include <filesystem>
#include <optional>

namespace bw {

class TranscriptionCheckpointStore {
public:
    explicit TranscriptionCheckpointStore(LibraryStore library) : m_library(std::move(library)) {}

    std::filesystem::path fileURL(const Uuid& itemID) const;

    // The item's checkpoint; nothing when there is none or it cannot be read, is damaged or of
    // another version (then it is passed over as if absent). Never fails.
    std::optional<TranscriptionCheckpoint> load(const Uuid& itemID) const;
    // Replaces the item's checkpoint atomically, holding the library's lock. Writes nothing when
    // the item's folder is gone; throws FileError when writing fails.
    void save(const Uuid& itemID, const TranscriptionCheckpoint& checkpoint) const;
    // Never fails; a file that cannot be removed is passed over by later jobs whose basis differs.
    void remove(const Uuid& itemID) const;

private:
    LibraryStore m_library;
};

} // namespace bw
