// The JSON form of a transcript document, as stored inside "transcript.json" under the key
// "transcript" and printed by `brindlewick library transcript --json`. Objects keep their keys
// sorted; every key is required when reading.
#pragma once

#include "transcripts/transcript_document.h"

#include <nlohmann/json.hpp>

namespace bw {

nlohmann::json toJson(const TranscriptDocument& document);

// Throws JsonDecodingError for a missing key, a value of the wrong type, an unknown language
// code or a date that is not ISO 8601.
TranscriptDocument transcriptDocumentFromJson(const nlohmann::json& value);

} // namespace bw
