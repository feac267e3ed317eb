#include "library/library_group_store.h"

#include "base/ascii_case.h"
#include "base/iso_date.h"
#include "base/json_reading.h"
#include "base/text_trimming.h"
#include "base/unicode_text.h"
#include "library/library_error.h"
#include "library/library_json.h"
#include "library/library_layout.h"
#include "library/text_comparison.h"
#include "platform/atomic_file.h"
#include "platform/file_lock.h"
#include "platform/file_reading.h"

#include <algorithm>

namespace bw {

namespace fs = std::filesystem;

namespace {

// Rejects an empty name and a name equal, ignoring case, to another group's. Bytes that are
// not UTF-8 (a name typed in an old Latin-1 terminal) are kept as U+FFFD.
std::string validGroupName(const std::string& name, const std::vector<LibraryGroup>& groups,
                           const std::optional<Uuid>& except) {
    std::string trimmed(trimWhitespaceAndLineBreaks(unicode::repairedUtf8(name)));
    if (trimmed.empty()) {
        throw LibraryError(LibraryError::Kind::emptyGroupName);
    }
    for (const auto& group : groups) {
        if (group.id != except && equalIgnoringCase(group.name, trimmed)) {
            throw LibraryError(LibraryError::Kind::duplicateGroupName);
        }
    }
    return trimmed;
}

// The ISO 8601 form without separators inside the time, e.g. 2025-03-07T091502Z.
std::string setAsideStamp(std::chrono::sys_seconds time) {
    std::string text = iso8601String(time);
    std::erase(text, ':');
    return text;
}

// The group `id` of `groups`; throws groupNotFound when there is none.
std::vector<LibraryGroup>::iterator existingGroup(std::vector<LibraryGroup>& groups,
                                                  const Uuid& id) {
    auto found = std::find_if(groups.begin(), groups.end(),
                              [&](const LibraryGroup& group) { return group.id == id; });
    if (found == groups.end()) {
        throw LibraryError(LibraryError::Kind::groupNotFound);
    }
    return found;
}

} // namespace

fs::path LibraryGroupStore::groupsURL() const {
    return m_store.rootURL() / layout::groupsFileName;
}

std::vector<LibraryGroup> LibraryGroupStore::loadGroups() const {
    fs::path file = groupsURL();
    if (std::error_code missing; !fs::exists(file, missing)) {
        return {};
    }
    std::vector<LibraryGroup> groups;
    try {
        auto envelope = json::parse(readFile(file));
        for (const auto& group : json::requireArray(envelope, "groups")) {
            groups.push_back(groupFromJson(group));
        }
        if (json::requireInteger(envelope, "version") != 1) {
            throw LibraryError(LibraryError::Kind::unreadableGroups);
        }
    } catch (const std::exception&) {
        throw LibraryError(LibraryError::Kind::unreadableGroups);
    }
    sortInGroupOrder(groups);
    return groups;
}

void LibraryGroupStore::saveGroups(std::vector<LibraryGroup> groups) const {
    sortInGroupOrder(groups);
    nlohmann::json list = nlohmann::json::array();
    for (const auto& group : groups) {
        list.push_back(toJson(group));
    }
    nlohmann::json envelope = {{"version", 1}, {"groups", std::move(list)}};
    writeFileAtomically(groupsURL(), prettyJsonText(envelope), FileAccess::ownerOnly);
}

fs::path LibraryGroupStore::setAsideUnreadableGroups(TimePoint now) const {
    fs::path target =
        m_store.rootURL() / ("groups-unreadable-" + setAsideStamp(wholeSeconds(now)) + ".json");
    auto held = m_store.lock();
    renameWithoutReplacing(groupsURL(), target);
    return target;
}

LibraryGroup LibraryGroupStore::createGroup(const std::string& name, TimePoint now) const {
    auto held = m_store.lock();
    auto groups = loadGroups();
    LibraryGroup group{Uuid::random(), validGroupName(name, groups, std::nullopt),
                       wholeSeconds(now)};
    groups.push_back(group);
    saveGroups(std::move(groups));
    return group;
}

LibraryGroup LibraryGroupStore::renameGroup(const Uuid& id, const std::string& name) const {
    auto held = m_store.lock();
    auto groups = loadGroups();
    auto found = existingGroup(groups, id);
    found->name = validGroupName(name, groups, id);
    LibraryGroup renamed = *found;
    saveGroups(std::move(groups));
    return renamed;
}

void LibraryGroupStore::deleteGroup(const Uuid& id) const {
    auto held = m_store.lock();
    auto groups = loadGroups();
    auto found = existingGroup(groups, id);
    groups.erase(found);
    saveGroups(std::move(groups));
    for (auto item : m_store.loadItems()) {
        if (item.groupID == id) {
            item.groupID.reset();
            m_store.writeItemFile(m_store.itemFolderURL(item.id), item);
        }
    }
}

} // namespace bw
