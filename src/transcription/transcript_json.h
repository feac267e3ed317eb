// JSON forms of the transcription core's codable records. Keys are written in the documented
// order; readers require every key but the optional ones ("doubts" and "speaker" of a segment
// and "unrecognizedSpeech" of a transcript, written only when there is something to say) and
// ignore unknown ones.
// Reading failures throw JsonDecodingError.
#pragma once

#include "transcription/decoding_strategy.h"
#include "transcription/speech_region.h"
#include "transcription/transcript.h"

#include <nlohmann/json.hpp>

namespace bw {

// Objects that keep the order keys were written in.
using OrderedJson = nlohmann::ordered_json;

OrderedJson toJson(TranscriptionLanguage language);
OrderedJson toJson(const TranscriptSegment& segment);
OrderedJson toJson(const Transcript& transcript);
OrderedJson toJson(const DecodingStrategy& strategy);
OrderedJson toJson(const SpeechRegion& region);
OrderedJson toJson(const std::vector<SegmentDoubt>& doubts); // their codes

TranscriptionLanguage languageFromJson(const nlohmann::json& value);
TranscriptSegment segmentFromJson(const nlohmann::json& value);
Transcript transcriptFromJson(const nlohmann::json& value);
DecodingStrategy decodingStrategyFromJson(const nlohmann::json& value);
SpeechRegion speechRegionFromJson(const nlohmann::json& value);
// The optional keys of an object: empty when absent; unknown doubt codes are passed over.
std::vector<SegmentDoubt> doubtsFromJson(const nlohmann::json& object);
std::optional<Speaker> speakerFromJson(const nlohmann::json& object); // none for unknown values
std::vector<SpeechRegion> unrecognizedSpeechFromJson(const nlohmann::json& object);

} // namespace bw
