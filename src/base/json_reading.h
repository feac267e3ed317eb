// Strict readers for JSON objects: every value must be present and of the expected type,
// nothing is defaulted. Failures throw JsonDecodingError.
#pragma once

#include "base/json_decoding_error.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace bw::json {

// The JSON value `text` holds; text that is not JSON throws JsonDecodingError (dataCorrupted).
nlohmann::json parse(const std::string& text);

const nlohmann::json& requireObject(const nlohmann::json& value, const std::string& what);
const nlohmann::json& requireKey(const nlohmann::json& object, const std::string& key);
double requireNumber(const nlohmann::json& object, const std::string& key);
std::int64_t requireInteger(const nlohmann::json& object, const std::string& key);
std::string requireString(const nlohmann::json& object, const std::string& key);
bool requireBool(const nlohmann::json& object, const std::string& key);
const nlohmann::json& requireArray(const nlohmann::json& object, const std::string& key);

} // namespace bw::json
