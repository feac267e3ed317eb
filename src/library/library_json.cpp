#include "library/library_json.h"

#include "base/iso_date.h"
#include "base/json_reading.h"

namespace bw {

namespace {

[[noreturn]] void corrupted(const std::string& key, const std::string& problem) {
    throw JsonDecodingError(JsonDecodingError::Kind::dataCorrupted,
                            "The value of \"" + key + "\" " + problem + ".");
}

Uuid requireUuid(const nlohmann::json& object, const std::string& key) {
    auto id = Uuid::parse(json::requireString(object, key));
    if (!id) {
        corrupted(key, "is not a valid UUID");
    }
    return *id;
}

std::chrono::sys_seconds requireDate(const nlohmann::json& object, const std::string& key) {
    return iso8601Date(json::requireString(object, key));
}

// Only a plain name inside the item's folder: nothing may reach outside it.
std::string requireFileNameInFolder(const nlohmann::json& object, const std::string& key) {
    std::string name = json::requireString(object, key);
    if (name.empty() || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos || name.find("..") != std::string::npos) {
        corrupted(key, "is not the name of a file in the item's folder");
    }
    return name;
}

} // namespace

nlohmann::json toJson(const LibraryItem& item) {
    nlohmann::json value = {
        {"id", item.id.string()},
        {"title", item.title},
        {"createdAt", iso8601String(item.createdAt)},
        {"duration", item.duration},
        {"origin", rawValue(item.origin)},
        {"state", rawValue(item.state)},
        {"audioFileName", item.audioFileName},
    };
    if (item.consentConfirmedAt) {
        value["consentConfirmedAt"] = iso8601String(*item.consentConfirmedAt);
    }
    if (item.groupID) {
        value["groupID"] = item.groupID->string();
    }
    if (item.systemAudioFileName) {
        value["systemAudioFileName"] = *item.systemAudioFileName;
    }
    if (item.systemAudioAlignment) {
        value["systemAudioAlignment"] = {{"offset", item.systemAudioAlignment->offset},
                                         {"driftPpm", item.systemAudioAlignment->driftPpm}};
    }
    return value;
}

nlohmann::json toJson(const LibraryGroup& group) {
    return {
        {"id", group.id.string()},
        {"name", group.name},
        {"createdAt", iso8601String(group.createdAt)},
    };
}

LibraryItem itemFromJson(const nlohmann::json& value) {
    const auto& object = json::requireObject(value, "item");
    LibraryItem item;
    item.id = requireUuid(object, "id");
    item.title = json::requireString(object, "title");
    item.createdAt = requireDate(object, "createdAt");
    item.duration = json::requireNumber(object, "duration");
    auto origin = originFromRawValue(json::requireString(object, "origin"));
    if (!origin) {
        corrupted("origin", "is not a known origin");
    }
    item.origin = *origin;
    auto state = stateFromRawValue(json::requireString(object, "state"));
    if (!state) {
        corrupted("state", "is not a known state");
    }
    item.state = *state;
    item.audioFileName = requireFileNameInFolder(object, "audioFileName");
    // Optional keys: absent or null both mean "not present".
    if (object.contains("consentConfirmedAt") && !object["consentConfirmedAt"].is_null()) {
        item.consentConfirmedAt = requireDate(object, "consentConfirmedAt");
    }
    if (object.contains("groupID") && !object["groupID"].is_null()) {
        item.groupID = requireUuid(object, "groupID");
    }
    if (object.contains("systemAudioFileName") && !object["systemAudioFileName"].is_null()) {
        item.systemAudioFileName = requireFileNameInFolder(object, "systemAudioFileName");
    }
    if (object.contains("systemAudioAlignment") && !object["systemAudioAlignment"].is_null()) {
        const auto& alignment =
            json::requireObject(object["systemAudioAlignment"], "systemAudioAlignment");
        item.systemAudioAlignment = TrackAlignment(json::requireNumber(alignment, "offset"),
                                                   json::requireNumber(alignment, "driftPpm"));
    }
    return item;
}

LibraryGroup groupFromJson(const nlohmann::json& value) {
    const auto& object = json::requireObject(value, "group");
    return LibraryGroup{requireUuid(object, "id"), json::requireString(object, "name"),
                        requireDate(object, "createdAt")};
}

std::string prettyJsonText(const nlohmann::json& value) {
    return value.dump(2) + "\n";
}

} // namespace bw
