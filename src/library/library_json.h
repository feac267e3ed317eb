// JSON forms of the library's records, as stored in "item.json" and "groups.json": keys
// sorted, dates as ISO 8601 in UTC without fractions, UUIDs upper-case. Readers require every
// listed key, ignore others and throw JsonDecodingError on anything malformed.
#pragma once

#include "library/library_group.h"
#include "library/library_item.h"

#include <nlohmann/json.hpp>

namespace bw {

nlohmann::json toJson(const LibraryItem& item);
nlohmann::json toJson(const LibraryGroup& group);

LibraryItem itemFromJson(const nlohmann::json& value);
LibraryGroup groupFromJson(const nlohmann::json& value);

// The text the application writes for a JSON document: two-space indentation, keys sorted.
std::string prettyJsonText(const nlohmann::json& value);

} // namespace bw
