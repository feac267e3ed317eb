// Brings audio files from elsewhere into a LibraryStore's folder as new, complete recordings:
// each is assembled in a hidden folder and takes its place in the library only when whole.
// Failures: LibraryError for a file that cannot be imported, FileError for the file system.
// A value type; safe to use from several threads.
#pragma once

#include "library/library_item.h"
#include "library/library_store.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace bw {

class LibraryImporter {
public:
    explicit LibraryImporter(LibraryStore store) : m_store(std::move(store)) {}

    // "flac", "m4a", "mkv", "mp3", "mp4", "ogg", "opus", "wav", "webm"
    static const std::set<std::string>& importableExtensions();

    // Copies an audio file of one of those types into a new item in `group`; leaves nothing
    // behind on failure.
    LibraryItem importAudio(const std::filesystem::path& source, const std::optional<Uuid>& group,
                            LibraryStore::TimePoint now) const;

private:
    LibraryStore m_store;
};

} // namespace bw
