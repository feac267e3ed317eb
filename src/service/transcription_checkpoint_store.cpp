#include "service/transcription_checkpoint_store.h"

#include "base/json_reading.h"
#include "library/library_layout.h"
#include "platform/atomic_file.h"
#include "platform/file_reading.h"

namespace bw {

std::filesystem::path TranscriptionCheckpointStore::fileURL(const Uuid& itemID) const {
    return m_library.itemFolderURL(itemID) / layout::checkpointFileName;
}

std::optional<TranscriptionCheckpoint>
TranscriptionCheckpointStore::load(const Uuid& itemID) const {
    const auto file = fileURL(itemID);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    try {
        return transcriptionCheckpointFromJson(json::parse(readFile(file)));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void TranscriptionCheckpointStore::save(const Uuid& itemID,
                                        const TranscriptionCheckpoint& checkpoint) const {
    auto held = m_library.lockItemFolder(itemID);
    if (!held) {
        return;
    }
    writeFileAtomically(
        fileURL(itemID),
        toJson(checkpoint).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
        FileAccess::ownerOnly);
}

void TranscriptionCheckpointStore::remove(const Uuid& itemID) const {
    std::error_code error;
    std::filesystem::remove(fileURL(itemID), error);
}

} // namespace bw
