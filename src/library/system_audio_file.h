// Where a two-track recording keeps its second track, this computer's sound.
#pragma once

#include "library/library_item.h"
#include "library/library_store.h"

#include <filesystem>
#include <optional>

namespace bw {

// The item's second audio file in its folder; nothing for a recording of the microphone alone.
inline std::optional<std::filesystem::path> systemAudioFileURL(const LibraryStore& store,
                                                               const LibraryItem& item) {
    if (!item.systemAudioFileName) {
        return std::nullopt;
    }
    return store.itemFolderURL(item.id) / *item.systemAudioFileName;
}

} // namespace bw
