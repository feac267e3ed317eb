#include "base/json_reading.h"

namespace bw::json {

namespace {

[[noreturn]] void mismatch(const std::string& key, const char* expected) {
    throw JsonDecodingError(JsonDecodingError::Kind::typeMismatch,
                            "Expected " + std::string(expected) + " for key \"" + key + "\".");
}

} // namespace

nlohmann::json parse(const std::string& text) {
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error&) {
        throw JsonDecodingError(JsonDecodingError::Kind::dataCorrupted,
                                "The data isn't valid JSON.");
    }
}

const nlohmann::json& requireObject(const nlohmann::json& value, const std::string& what) {
    if (!value.is_object()) {
        throw JsonDecodingError(JsonDecodingError::Kind::typeMismatch,
                                "Expected an object for " + what + ".");
    }
    return value;
}

const nlohmann::json& requireKey(const nlohmann::json& object, const std::string& key) {
    requireObject(object, "\"" + key + "\"'s container");
    auto found = object.find(key);
    if (found == object.end()) {
        throw JsonDecodingError(JsonDecodingError::Kind::keyNotFound,
                                "No value associated with key \"" + key + "\".");
    }
    return *found;
}

double requireNumber(const nlohmann::json& object, const std::string& key) {
    const auto& value = requireKey(object, key);
    if (!value.is_number()) {
        mismatch(key, "a number");
    }
    return value.get<double>();
}

std::int64_t requireInteger(const nlohmann::json& object, const std::string& key) {
    const auto& value = requireKey(object, key);
    if (value.is_number_integer()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        double number = value.get<double>();
        if (number == static_cast<double>(static_cast<std::int64_t>(number))) {
            return static_cast<std::int64_t>(number);
        }
    }
    mismatch(key, "an integer");
}

std::string requireString(const nlohmann::json& object, const std::string& key) {
    const auto& value = requireKey(object, key);
    if (!value.is_string()) {
        mismatch(key, "a string");
    }
    return value.get<std::string>();
}

bool requireBool(const nlohmann::json& object, const std::string& key) {
    const auto& value = requireKey(object, key);
    if (!value.is_boolean()) {
        mismatch(key, "a boolean");
    }
    return value.get<bool>();
}

const nlohmann::json& requireArray(const nlohmann::json& object, const std::string& key) {
    const auto& value = requireKey(object, key);
    if (!value.is_array()) {
        mismatch(key, "an array");
    }
    return value;
}

} // namespace bw::json
