#include "library/library_model.h"
#include "library/library_group_store.h"
#include "library/library_housekeeper.h"

#include "base/precondition.h"
#include "library/copy.h"
#include "library/library_error.h"
#include "library/support_texts.h"

#include <algorithm>
#include <set>

namespace bw {

namespace {

const std::string unreadableGroupsMessage =
    "Every recording is still here, now under No Group. The old list is kept as a file in "
    "Brindlewick's library folder. You can create the groups again and drag the recordings "
    "onto them.";

// How long the watch gathers the file events of one change (an atomic write is several).
constexpr std::chrono::milliseconds watchDelay{150};

} // namespace

LibraryModel::LibraryModel(LibraryStore store, AlertCentre& alerts, Access access,
                           OutsideChanges outsideChanges, QObject* parent)
    : QObject(parent), m_store(std::move(store)), m_alerts(alerts), m_access(access),
      m_changes(*this, alerts) {
    m_items = m_store.loadItems();
    if (m_access == Access::readWrite &&
        !LibraryHousekeeper(m_store).recoverInterruptedRecordings(std::nullopt, m_items).empty()) {
        m_items = m_store.loadItems();
    }
    if (outsideChanges == OutsideChanges::watched) {
        m_watch = std::make_unique<FolderWatch>(watchDelay);
        connect(m_watch.get(), &FolderWatch::changed, this, &LibraryModel::outsideChange);
        watchLibraryFolders();
    }
    loadGroups();
}

void LibraryModel::setActiveRecordingID(const std::optional<Uuid>& id) {
    if (id != m_activeRecordingID) {
        m_activeRecordingID = id;
        emit activeRecordingIDChanged();
    }
}

void LibraryModel::setItems(std::vector<LibraryItem> items) {
    bool sameRecordings =
        std::equal(items.begin(), items.end(), m_items.begin(), m_items.end(),
                   [](const LibraryItem& a, const LibraryItem& b) { return a.id == b.id; });
    m_items = std::move(items);
    if (!sameRecordings) {
        watchLibraryFolders();
    }
    emit itemsChanged();
}

std::vector<LibraryItem> LibraryModel::itemsIn(const LibraryFilter& filter) const {
    auto known = [this](const std::optional<Uuid>& id) { return id && group(*id).has_value(); };
    std::vector<LibraryItem> result;
    switch (filter.kind()) {
    case LibraryFilter::Kind::all:
        return m_items;
    case LibraryFilter::Kind::notFiled: {
        // A set, not a search of the list per item: many items and many groups would take
        // their product.
        std::set<Uuid> groups;
        for (const auto& group : m_groups) {
            groups.insert(group.id);
        }
        std::copy_if(m_items.begin(), m_items.end(), std::back_inserter(result),
                     [&](const LibraryItem& item) {
                         return !item.groupID || !groups.contains(*item.groupID);
                     });
        break;
    }
    case LibraryFilter::Kind::group:
        if (known(filter.groupID())) {
            std::copy_if(m_items.begin(), m_items.end(), std::back_inserter(result),
                         [&](const LibraryItem& item) { return item.groupID == filter.groupID(); });
        }
        break;
    }
    return result;
}

std::optional<LibraryItem> LibraryModel::item(const Uuid& id) const {
    auto found = std::find_if(m_items.begin(), m_items.end(),
                              [&](const LibraryItem& item) { return item.id == id; });
    return found == m_items.end() ? std::nullopt : std::optional(*found);
}

std::optional<LibraryGroup> LibraryModel::group(const Uuid& id) const {
    auto found = std::find_if(m_groups.begin(), m_groups.end(),
                              [&](const LibraryGroup& group) { return group.id == id; });
    return found == m_groups.end() ? std::nullopt : std::optional(*found);
}

LibraryModel::NewRecording
LibraryModel::beginRecording(const std::string& title, TimePoint now,
                             const std::optional<Uuid>& group,
                             const std::optional<std::string>& systemAudioFileName) {
    requireWritable();
    LibraryItem item;
    item.id = Uuid::random();
    item.title = title;
    item.createdAt = wholeSeconds(now);
    item.origin = LibraryItem::Origin::recorded;
    item.state = LibraryItem::State::recording;
    item.audioFileName = "audio.caf";
    item.groupID = group;
    item.systemAudioFileName = systemAudioFileName;
    auto lock = m_store.addRecording(item);
    setActiveRecordingID(item.id);
    auto items = m_items;
    items.insert(items.begin(), item);
    setItems(std::move(items));
    return {std::move(item), std::move(lock)};
}

void LibraryModel::finishRecording(const Uuid& id, double duration,
                                   const std::optional<TrackAlignment>& alignment,
                                   bool keepsSystemAudio) {
    requireWritable();
    setActiveRecordingID(std::nullopt);
    try {
        std::optional<std::string> unused;
        const auto saved = m_store.update(id, [&](LibraryItem& finished) {
            finished.state = LibraryItem::State::complete;
            finished.duration = duration;
            if (finished.systemAudioFileName && !keepsSystemAudio) {
                unused = finished.systemAudioFileName;
                finished.systemAudioFileName.reset();
            }
            finished.systemAudioAlignment = finished.systemAudioFileName ? alignment : std::nullopt;
        });
        if (unused) {
            std::error_code ignored;
            std::filesystem::remove(m_store.itemFolderURL(saved.id) / *unused, ignored);
        }
    } catch (const std::exception& error) {
        raise("The recording's details couldn't be saved", Copy::finishRecordingFailed(error));
    }
    reloadItems();
}

void LibraryModel::requireWritable() const {
    BW_PRECONDITION(m_access == Access::readWrite, "a read-only library model was asked to change");
}

void LibraryModel::reloadItems() {
    setItems(m_store.loadItems());
}

void LibraryModel::loadGroups() {
    try {
        m_groups = LibraryGroupStore(m_store).loadGroups();
    } catch (const std::exception& error) {
        if (isLibraryError(error, LibraryError::Kind::unreadableGroups)) {
            m_groups.clear();
            if (m_access == Access::readOnly) {
                // The file stays where it is for the application to set aside.
                raise("The group list couldn't be read", unreadableGroupsMessage);
            } else {
                try {
                    LibraryGroupStore(m_store).setAsideUnreadableGroups(
                        std::chrono::system_clock::now());
                    raise("The group list couldn't be read", unreadableGroupsMessage);
                } catch (const std::exception& setAsideError) {
                    raise("The group list couldn't be opened",
                          Copy::groupsLoadFailed(setAsideError));
                }
            }
        } else {
            raise("The group list couldn't be opened", Copy::groupsLoadFailed(error));
        }
    }
    emit groupsChanged();
}

void LibraryModel::refreshFromDisk() {
    watchLibraryFolders();
    if (auto items = m_store.loadItems(); items != m_items) {
        setItems(std::move(items));
    }
    try {
        if (auto groups = LibraryGroupStore(m_store).loadGroups(); groups != m_groups) {
            m_groups = std::move(groups);
            emit groupsChanged();
        }
    } catch (const std::exception&) {
        // Another process may be in the middle of setting the list aside; the next change, or
        // the next start, deals with it. The groups shown stay as they were.
    }
}

void LibraryModel::outsideChange() {
    refreshFromDisk();
    const auto& folders = m_watch->changedFolders();
    std::optional<std::set<Uuid>> items;
    if (folders) {
        items.emplace();
        for (const auto& folder : *folders) {
            if (auto id = Uuid::parse(folder.filename().string())) {
                items->insert(*id);
            }
        }
        if (items->empty()) {
            return; // only the root's list of entries changed, which the re-read took in
        }
    }
    m_changedItemFolders = std::move(items);
    emit itemFoldersChanged();
    m_changedItemFolders = std::set<Uuid>();
}

void LibraryModel::watchLibraryFolders() {
    if (!m_watch) {
        return;
    }
    // Every folder in the root, not only the items listed: a new recording's folder exists a
    // moment before its item file, which is then written inside it.
    std::vector<std::filesystem::path> folders{m_store.rootURL()};
    std::error_code error;
    for (std::filesystem::directory_iterator entry(m_store.rootURL(), error), end;
         !error && entry != end; entry.increment(error)) {
        if (entry->is_directory(error) && !entry->path().filename().string().starts_with('.')) {
            folders.push_back(entry->path());
        }
    }
    m_watch->watch(folders);
}

void LibraryModel::raise(std::string title, std::string message) {
    m_alerts.raise(std::move(title), std::move(message));
}

} // namespace bw
