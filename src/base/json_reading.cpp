#include "base/json_reading.h"

namespace bw::json {

namespace {

[[noreturn]] void mismatch(const std::string& key, const char* expected) {
    throw JsonDecodingError(JsonDecodingError::Kind::typeMismatch,
                            "Expected " + std::string(expected) + " for key \"" + key + "\".");
}

// One pass over the text, counting brackets outside strings: cheaper than parsing, and done
// before the parser builds anything.
bool nestsTooDeeply(const std::string& text) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > maximumNesting) {
                return true;
            }
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return false;
}

} // namespace

nlohmann::json parse(const std::string& text) {
    if (nestsTooDeeply(text)) {
        throw JsonDecodingError(JsonDecodingError::Kind::dataCorrupted,
                                "The data nests more than " + std::to_string(maximumNesting) +
                                    " levels deep.");
    }
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
