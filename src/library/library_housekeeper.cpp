#include "library/library_housekeeper.h"

#include "library/audio_duration.h"
#include "library/library_layout.h"
#include "platform/atomic_file.h"
#include "platform/file_lock.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>

namespace bw {

namespace fs = std::filesystem;

namespace {

// Takes group and other permissions away from a file or folder; symbolic links and what they
// point to are left alone.
void makePrivate(const fs::path& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) == 0 && !S_ISLNK(status.st_mode) &&
        (status.st_mode & 077) != 0) {
        ::chmod(path.c_str(), status.st_mode & 07700);
    }
}

fs::file_time_type lastWritten(const fs::path& path) {
    std::error_code code;
    auto newest = fs::last_write_time(path, code);
    if (fs::is_directory(fs::symlink_status(path, code))) {
        for (fs::directory_iterator entries(path, code), end; !code && entries != end;
             entries.increment(code)) {
            std::error_code ignored;
            newest = std::max(newest, fs::last_write_time(entries->path(), ignored));
        }
    }
    return newest;
}

// An import's hidden folder or a temporary file not written for this long has no live writer.
fs::file_time_type staleBefore() {
    return fs::file_time_type::clock::now() - std::chrono::hours(1);
}

// Whether `name` is a temporary file of the atomic writer whose writer is gone. Item, group,
// transcript and checkpoint files are only written under the lock the caller holds, so theirs
// are always left over; others may belong to a live process unless they are old.
bool isLeftoverTemporary(const fs::path& path) {
    auto target = atomicWriteTarget(path.filename().string());
    if (!target) {
        return false;
    }
    return *target == layout::itemFileName || *target == layout::groupsFileName ||
           *target == layout::transcriptFileName || *target == layout::checkpointFileName ||
           lastWritten(path) < staleBefore();
}

// The length of a recording cut off by a crash: its longer track's (a track that cannot be
// read counts as empty).
double recoveredDuration(const fs::path& folder, const LibraryItem& item) {
    double duration = 0;
    for (const auto& name : {std::optional(item.audioFileName), item.systemAudioFileName}) {
        try {
            if (name) {
                duration = std::max(duration, audioDuration(folder / *name));
            }
        } catch (const std::exception&) {
        }
    }
    return duration;
}

} // namespace

void LibraryHousekeeper::tidyUp() const {
    std::error_code code;
    if (!fs::is_directory(m_store.rootURL(), code)) {
        return;
    }
    std::optional<FileLock> held;
    try {
        held.emplace(m_store.lock());
    } catch (const std::exception&) {
        return; // without the lock nothing can be told apart from another process's work
    }
    makePrivate(m_store.rootURL());
    for (fs::directory_iterator entries(m_store.rootURL(), code), end; !code && entries != end;
         entries.increment(code)) {
        const fs::path& path = entries->path();
        std::string name = path.filename().string();
        std::error_code ignored;
        auto type = entries->symlink_status(ignored).type();
        if (name.starts_with(layout::deletedPrefix) ||
            (name.starts_with(layout::importingPrefix) && lastWritten(path) < staleBefore()) ||
            isLeftoverTemporary(path)) {
            fs::remove_all(path, ignored);
        } else if (type == fs::file_type::directory && Uuid::parse(name)) {
            tidyItemFolder(path);
        } else if (type == fs::file_type::regular) {
            makePrivate(path);
        }
    }
}

void LibraryHousekeeper::tidyItemFolder(const fs::path& folder) const {
    makePrivate(folder);
    std::error_code code;
    for (fs::directory_iterator entries(folder, code), end; !code && entries != end;
         entries.increment(code)) {
        std::error_code ignored;
        if (isLeftoverTemporary(entries->path())) {
            fs::remove(entries->path(), ignored);
        } else {
            makePrivate(entries->path());
        }
    }
}

std::vector<LibraryItem>
LibraryHousekeeper::recoverInterruptedRecordings(const std::optional<Uuid>& exceptID) const {
    return recoverInterruptedRecordings(exceptID, m_store.loadItems());
}

std::vector<LibraryItem>
LibraryHousekeeper::recoverInterruptedRecordings(const std::optional<Uuid>& exceptID,
                                                 std::vector<LibraryItem> listed) const {
    tidyUp();
    // Whether a recording left in state `recording` is over: not when it is the caller's own,
    // nor while a live process holds its recording lock.
    auto unfinished = [&](const LibraryItem& item) {
        return item.state == LibraryItem::State::recording && item.id != exceptID &&
               !FileLock::isHeld(m_store.recordingLockURL(item.id));
    };
    std::vector<LibraryItem> recovered;
    for (const auto& listedItem : listed) {
        if (!unfinished(listedItem)) {
            continue;
        }
        try {
            // Read again under the lock: another process may have finished it since the listing.
            auto held = m_store.lock();
            auto item = m_store.item(listedItem.id);
            if (!unfinished(item)) {
                continue;
            }
            item.state = LibraryItem::State::interrupted;
            item.duration = recoveredDuration(m_store.itemFolderURL(item.id), item);
            m_store.writeItemFile(m_store.itemFolderURL(item.id), item);
            recovered.push_back(item);
        } catch (const std::exception&) {
            // Left as it is on disk; the next start tries again.
        }
    }
    return recovered;
}

} // namespace bw
