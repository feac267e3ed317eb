#include "library/library_importer.h"

#include "base/ascii_case.h"
#include "base/iso_date.h"
#include "base/text_trimming.h"
#include "base/unicode_text.h"
#include "library/audio_duration.h"
#include "library/library_error.h"
#include "library/library_layout.h"
#include "platform/atomic_file.h"
#include "platform/file_lock.h"

namespace bw {

namespace fs = std::filesystem;

const std::set<std::string>& LibraryImporter::importableExtensions() {
    // What FFmpeg decodes and people have at hand; a video file gives its audio track.
    static const std::set<std::string> extensions{"flac", "m4a",  "mkv", "mp3", "mp4",
                                                  "ogg",  "opus", "wav", "webm"};
    return extensions;
}

LibraryItem LibraryImporter::importAudio(const fs::path& source, const std::optional<Uuid>& group,
                                         LibraryStore::TimePoint now) const {
    std::string extension = source.extension().string();
    if (!extension.empty()) {
        extension.erase(0, 1);
    }
    std::string lowered = lowercasedAscii(extension);
    if (!importableExtensions().count(lowered)) {
        throw LibraryError(LibraryError::Kind::unsupportedFileType,
                           unicode::repairedUtf8(extension));
    }
    // Only a file: opening a pipe would wait for a writer without end, and the audio is read
    // twice (measured, then copied).
    std::error_code notFile;
    if (!fs::is_regular_file(source, notFile)) {
        throw LibraryError(LibraryError::Kind::unreadableAudio);
    }
    double duration = 0;
    try {
        duration = audioDuration(source);
    } catch (const std::exception&) {
        throw LibraryError(LibraryError::Kind::unreadableAudio);
    }
    if (!(duration > 0)) {
        throw LibraryError(LibraryError::Kind::unreadableAudio);
    }
    // An old Latin-1 file name still gives a title, with U+FFFD for what can't be read.
    std::string title = unicode::repairedUtf8(source.stem().string());
    if (trimWhitespaceAndLineBreaks(title).empty()) {
        title = "Untitled";
    }
    LibraryItem item{Uuid::random(),
                     title,
                     wholeSeconds(now),
                     duration,
                     LibraryItem::Origin::imported,
                     LibraryItem::State::complete,
                     "audio." + lowered,
                     std::nullopt,
                     group,
                     std::nullopt,
                     std::nullopt};
    // The item is assembled in a hidden folder and appears under its own name only when whole,
    // so an import cut short (even by a crash) never leaves a folder behind in the library;
    // the next start sweeps a crashed import's hidden remains.
    // The copy, the slow part, runs without the lock: nobody else writes into the hidden folder.
    fs::path staging =
        m_store.rootURL() / (std::string(layout::importingPrefix) + item.id.string());
    createDirectoriesDurably(staging, FileAccess::ownerOnly);
    try {
        copyFileAtomically(source, staging / item.audioFileName, FileAccess::ownerOnly);
        auto held = m_store.lock();
        m_store.writeItemFile(staging, item);
        renameWithoutReplacing(staging, m_store.itemFolderURL(item.id));
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(staging, ignored);
        throw;
    }
    return item;
}

} // namespace bw
