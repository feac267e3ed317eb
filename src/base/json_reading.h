// Strict readers for JSON objects: every value must be present and of the expected type,
// nothing is defaulted. Failures throw JsonDecodingError.
#pragma once

#include "base/json_decoding_error.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace bw::json {

// Deeper than any file of the program nests; see parse().
inline constexpr int maximumNesting = 64;

// The JSON value `text` holds; text that is not JSON, or that nests objects and arrays more
// than maximumNesting deep, throws JsonDecodingError (dataCorrupted). The limit keeps a damaged
// or hostile file from exhausting the stack of code that walks a value recursively (copying
// it, writing it out).
nlohmann::json parse(const std::string& text);

const nlohmann::json& requireObject(const nlohmann::json& value, const std::string& what);
const nlohmann::json& requireKey(const nlohmann::json& object, const std::string& key);
double requireNumber(const nlohmann::json& object, const std::string& key);
std::int64_t requireInteger(const nlohmann::json& object, const std::string& key);
std::string requireString(const nlohmann::json& object, const std::string& key);
bool requireBool(const nlohmann::json& object, const std::string& key);
const nlohmann::json& requireArray(const nlohmann::json& object, const std::string& key);

} // namespace bw::json
