#include "library/library_store.h"

#include "base/ascii_case.h"
#include "base/json_reading.h"
#include "base/text_trimming.h"
#include "base/unicode_text.h"
#include "library/library_error.h"
#include "library/library_group_store.h"
#include "library/library_json.h"
#include "library/library_layout.h"
#include "library/text_comparison.h"
#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/file_lock.h"
#include "platform/file_reading.h"
#include "platform/library_location.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace bw {

namespace fs = std::filesystem;

namespace {

LibraryItem decodeItemFile(const fs::path& path) {
    // The envelope's version is not checked: a newer writer's item still lists.
    auto envelope = json::parse(readFile(path));
    return itemFromJson(json::requireKey(envelope, "item"));
}

bool fileExists(const fs::path& path) {
    std::error_code code;
    return fs::exists(path, code);
}

} // namespace

fs::path LibraryStore::defaultRootURL() {
    return defaultLibraryRoot();
}

fs::path LibraryStore::itemFolderURL(const Uuid& id) const {
    fs::path folder = m_rootURL / id.string();
    if (!fileExists(folder)) {
        // A folder made by hand or by another tool may carry the lower-case form.
        fs::path lowerCase = m_rootURL / lowercasedAscii(id.string());
        if (fileExists(lowerCase)) {
            return lowerCase;
        }
    }
    return folder;
}

fs::path LibraryStore::recordingLockURL(const Uuid& id) const {
    return itemFolderURL(id) / ".recording.lock";
}

fs::path LibraryStore::audioFileURL(const LibraryItem& item) const {
    return itemFolderURL(item.id) / item.audioFileName;
}

FileLock LibraryStore::lock() const {
    createDirectoriesDurably(m_rootURL, FileAccess::ownerOnly);
    return FileLock::exclusive(m_rootURL / layout::lockFileName);
}

std::optional<FileLock> LibraryStore::lockItemFolder(const Uuid& id) const {
    auto folderExists = [&] {
        std::error_code error;
        return fs::is_directory(itemFolderURL(id), error);
    };
    if (!folderExists()) {
        return std::nullopt;
    }
    auto held = lock();
    if (!folderExists()) {
        return std::nullopt;
    }
    return held;
}

std::vector<LibraryItem> LibraryStore::loadItems() const {
    // Item folders by identifier; the upper-case name wins over a lower-case twin.
    std::map<Uuid, fs::path> folders;
    std::error_code code;
    fs::directory_iterator entries(m_rootURL, code);
    if (code) {
        return {};
    }
    for (auto entry = fs::begin(entries); entry != fs::end(entries); entry.increment(code)) {
        if (code) {
            break;
        }
        std::string name = entry->path().filename().string();
        if (name.empty() || name.front() == '.') {
            continue;
        }
        auto id = Uuid::parse(name);
        if (!id) {
            continue;
        }
        if (name == id->string()) {
            folders[*id] = entry->path();
        } else if (name == lowercasedAscii(id->string())) {
            folders.try_emplace(*id, entry->path());
        }
    }
    std::vector<fs::path> paths;
    paths.reserve(folders.size());
    for (auto& [id, path] : folders) {
        paths.push_back(std::move(path));
    }

    // Reading and decoding is independent per item, so large libraries use a few threads.
    std::vector<std::optional<LibraryItem>> decoded(paths.size());
    auto decodeRange = [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            try {
                decoded[i] = decodeItemFile(paths[i] / layout::itemFileName);
            } catch (const std::exception&) {
                // An unreadable item hides only itself.
            }
        }
    };
    size_t threadCount =
        paths.size() < 512 ? 1 : std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    size_t share = (paths.size() + threadCount - 1) / threadCount;
    std::vector<std::thread> workers;
    for (size_t t = 1; t < threadCount; ++t) {
        workers.emplace_back(decodeRange, std::min(paths.size(), t * share),
                             std::min(paths.size(), (t + 1) * share));
    }
    decodeRange(0, std::min(paths.size(), share));
    for (auto& worker : workers) {
        worker.join();
    }

    std::vector<LibraryItem> items;
    items.reserve(paths.size());
    for (auto& item : decoded) {
        if (item) {
            items.push_back(std::move(*item));
        }
    }
    sortInLibraryOrder(items);
    return items;
}

std::vector<fs::path>
LibraryStore::unreadableItemFiles(const std::vector<LibraryItem>& listed) const {
    std::set<Uuid> known;
    for (const auto& item : listed) {
        known.insert(item.id);
    }
    std::vector<fs::path> unreadable;
    std::error_code code;
    fs::directory_iterator entries(m_rootURL, code);
    for (auto entry = fs::begin(entries); !code && entry != fs::end(entries);
         entry.increment(code)) {
        const std::string name = entry->path().filename().string();
        auto id = name.empty() || name.front() == '.' ? std::nullopt : Uuid::parse(name);
        const fs::path file = entry->path() / layout::itemFileName;
        if (!id || known.contains(*id) || !fileExists(file)) {
            continue;
        }
        try {
            decodeItemFile(file); // readable now: written since the listing
        } catch (const std::exception&) {
            unreadable.push_back(file);
        }
    }
    std::sort(unreadable.begin(), unreadable.end());
    return unreadable;
}

LibraryItem LibraryStore::item(const Uuid& id) const {
    fs::path file = itemFolderURL(id) / layout::itemFileName;
    if (!fileExists(file)) {
        throw LibraryError(LibraryError::Kind::itemNotFound);
    }
    return decodeItemFile(file);
}

void LibraryStore::save(const LibraryItem& item) const {
    auto held = lock();
    writeItemFile(itemFolderURL(item.id), item);
}

LibraryItem LibraryStore::update(const Uuid& id,
                                 const std::function<void(LibraryItem&)>& change) const {
    auto held = lock();
    LibraryItem changed = item(id);
    change(changed);
    writeItemFile(itemFolderURL(id), changed);
    return changed;
}

void LibraryStore::writeItemFile(const fs::path& folder, const LibraryItem& item) const {
    nlohmann::json envelope = {{"version", 1}, {"item", toJson(item)}};
    const std::string text = prettyJsonText(envelope);
    const fs::path reserve = folder / layout::reserveFileName;
    std::error_code ignored;
    try {
        writeFileAtomically(folder / layout::itemFileName, text, FileAccess::ownerOnly);
    } catch (const FileError& error) {
        // A recording fills the disk with its audio: the space it kept at its start makes
        // room for the item file that finishes it.
        const bool full =
            error.code() == std::errc::no_space_on_device || error.code().value() == EDQUOT;
        if (!full || !fs::remove(reserve, ignored)) {
            throw;
        }
        writeFileAtomically(folder / layout::itemFileName, text, FileAccess::ownerOnly);
    }
    if (item.state != LibraryItem::State::recording) {
        fs::remove(reserve, ignored);
    }
}

void LibraryStore::reserveSpace(const fs::path& folder) const {
    // Best effort: without the reserve a recording still records.
    const fs::path reserve = folder / layout::reserveFileName;
    int fd = ::open(reserve.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    constexpr off_t reserveBytes = 64 * 1024; // several item files, with the folder's growth
    const bool reserved = ::posix_fallocate(fd, 0, reserveBytes) == 0 && ::fsync(fd) == 0;
    ::close(fd);
    if (!reserved) {
        ::unlink(reserve.c_str());
    }
}

FileLock LibraryStore::addRecording(const LibraryItem& item) const {
    auto held = lock();
    // Every item folder is made under the lock, so nobody creates it between this test and
    // the creation; a folder there already belongs to another recording.
    if (fileExists(itemFolderURL(item.id))) {
        throw LibraryError(LibraryError::Kind::itemExists);
    }
    createDirectoriesDurably(itemFolderURL(item.id), FileAccess::ownerOnly);
    auto recording = FileLock::exclusive(recordingLockURL(item.id));
    writeItemFile(itemFolderURL(item.id), item);
    reserveSpace(itemFolderURL(item.id));
    return recording;
}

std::vector<LibraryItem> LibraryStore::move(const std::vector<Uuid>& itemIDs,
                                            const std::optional<Uuid>& group) const {
    auto held = lock();
    if (group) {
        auto groups = LibraryGroupStore(*this).loadGroups();
        if (std::none_of(groups.begin(), groups.end(),
                         [&](const LibraryGroup& known) { return known.id == *group; })) {
            throw LibraryError(LibraryError::Kind::groupNotFound);
        }
    }
    std::vector<LibraryItem> items;
    for (const auto& id : itemIDs) {
        items.push_back(item(id));
    }
    for (auto& moved : items) {
        moved.groupID = group;
        writeItemFile(itemFolderURL(moved.id), moved);
    }
    return items;
}

void LibraryStore::deleteItem(const Uuid& id) const {
    // Renamed aside first, so that a crash half-way through the removal never leaves a
    // listed item without its audio: the hidden leftover is swept at the next start. The
    // rename holds the lock, so no change of the item is written into a folder on its way out.
    fs::path doomed = m_rootURL / (std::string(layout::deletedPrefix) + id.string());
    std::error_code code;
    {
        auto held = lock();
        fs::path folder = itemFolderURL(id);
        std::error_code missing;
        if (!fs::is_directory(folder, missing)) {
            throw LibraryError(LibraryError::Kind::itemNotFound);
        }
        // Another process (the window, "record") is writing its audio right now.
        if (FileLock::isHeld(recordingLockURL(id))) {
            throw LibraryError(LibraryError::Kind::recordingInProgress);
        }
        fs::remove_all(doomed, code);
        renameWithoutReplacing(folder, doomed);
    }
    fs::remove_all(doomed, code);
}

LibraryItem LibraryStore::rename(const Uuid& id, const std::string& title) const {
    std::string trimmed(trimWhitespaceAndLineBreaks(unicode::repairedUtf8(title)));
    if (trimmed.empty()) {
        throw LibraryError(LibraryError::Kind::emptyTitle);
    }
    return update(id, [&](LibraryItem& renamed) { renamed.title = trimmed; });
}

} // namespace bw
