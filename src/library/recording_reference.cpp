#include "library/recording_reference.h"

#include <nlohmann/json.hpp>

namespace bw {

std::string RecordingReference::encoded() const {
    return nlohmann::json{{"id", id.string()}}.dump();
}

std::optional<RecordingReference> RecordingReference::decode(std::string_view payload) {
    auto value = nlohmann::json::parse(payload, nullptr, false);
    if (!value.is_object() || !value.contains("id") || !value["id"].is_string()) {
        return std::nullopt;
    }
    if (auto id = Uuid::parse(value["id"].get<std::string>())) {
        return RecordingReference{*id};
    }
    return std::nullopt;
}

} // namespace bw
