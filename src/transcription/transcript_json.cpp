#include "transcription/transcript_json.h"

#include "base/json_reading.h"

namespace bw {

OrderedJson toJson(TranscriptionLanguage language) {
    return std::string(code(language));
}

OrderedJson toJson(const std::vector<SegmentDoubt>& doubts) {
    OrderedJson codes = OrderedJson::array();
    for (auto doubt : doubts) {
        codes.push_back(std::string(code(doubt)));
    }
    return codes;
}

OrderedJson toJson(const TranscriptSegment& segment) {
    OrderedJson object = OrderedJson::object();
    object["start"] = segment.start;
    object["end"] = segment.end;
    object["text"] = segment.text;
    if (!segment.doubts.empty()) {
        object["doubts"] = toJson(segment.doubts);
    }
    if (segment.speaker) {
        object["speaker"] = std::string(code(*segment.speaker));
    }
    return object;
}

OrderedJson toJson(const Transcript& transcript) {
    OrderedJson segments = OrderedJson::array();
    for (const auto& segment : transcript.segments) {
        segments.push_back(toJson(segment));
    }
    OrderedJson object = OrderedJson::object();
    object["language"] = toJson(transcript.language);
    object["segments"] = std::move(segments);
    object["audioDuration"] = transcript.audioDuration;
    object["engine"] = transcript.engine;
    object["model"] = transcript.model;
    if (!transcript.unrecognizedSpeech.empty()) {
        OrderedJson regions = OrderedJson::array();
        for (const auto& region : transcript.unrecognizedSpeech) {
            regions.push_back(toJson(region));
        }
        object["unrecognizedSpeech"] = std::move(regions);
    }
    return object;
}

OrderedJson toJson(const DecodingStrategy& strategy) {
    OrderedJson object = OrderedJson::object();
    if (strategy.kind == DecodingStrategy::Kind::greedy) {
        object["greedy"] = OrderedJson::object();
    } else {
        object["beamSearch"] = OrderedJson{{"beamSize", strategy.beamSize}};
    }
    return object;
}

OrderedJson toJson(const SpeechRegion& region) {
    OrderedJson object = OrderedJson::object();
    object["start"] = region.start;
    object["end"] = region.end;
    return object;
}

TranscriptionLanguage languageFromJson(const nlohmann::json& value) {
    if (!value.is_string()) {
        throw JsonDecodingError(JsonDecodingError::Kind::typeMismatch,
                                "Expected a language code string.");
    }
    auto language = languageFromCode(value.get<std::string>());
    if (!language) {
        throw JsonDecodingError(JsonDecodingError::Kind::dataCorrupted,
                                "Cannot initialize TranscriptionLanguage from invalid String "
                                "value " +
                                    value.get<std::string>());
    }
    return *language;
}

std::vector<SegmentDoubt> doubtsFromJson(const nlohmann::json& object) {
    std::vector<SegmentDoubt> doubts;
    auto found = object.find("doubts");
    if (found == object.end() || !found->is_array()) {
        return doubts;
    }
    // Codes this version does not know (written by a later one) are passed over.
    for (const auto& entry : *found) {
        if (auto doubt =
                entry.is_string() ? segmentDoubtFromCode(entry.get<std::string>()) : std::nullopt) {
            doubts.push_back(*doubt);
        }
    }
    return doubts;
}

std::optional<Speaker> speakerFromJson(const nlohmann::json& object) {
    auto found = object.find("speaker");
    // A speaker this version does not know (written by a later one) counts as none.
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    return speakerFromCode(found->get<std::string>());
}

std::vector<SpeechRegion> unrecognizedSpeechFromJson(const nlohmann::json& object) {
    std::vector<SpeechRegion> regions;
    auto found = object.find("unrecognizedSpeech");
    if (found != object.end()) {
        for (const auto& region : json::requireArray(object, "unrecognizedSpeech")) {
            regions.push_back(speechRegionFromJson(region));
        }
    }
    return regions;
}

TranscriptSegment segmentFromJson(const nlohmann::json& value) {
    json::requireObject(value, "a segment");
    return {json::requireNumber(value, "start"), json::requireNumber(value, "end"),
            json::requireString(value, "text"), doubtsFromJson(value), speakerFromJson(value)};
}

Transcript transcriptFromJson(const nlohmann::json& value) {
    json::requireObject(value, "a transcript");
    Transcript transcript;
    transcript.language = languageFromJson(json::requireKey(value, "language"));
    for (const auto& segment : json::requireArray(value, "segments")) {
        transcript.segments.push_back(segmentFromJson(segment));
    }
    transcript.audioDuration = json::requireNumber(value, "audioDuration");
    transcript.engine = json::requireString(value, "engine");
    transcript.model = json::requireString(value, "model");
    transcript.unrecognizedSpeech = unrecognizedSpeechFromJson(value);
    return transcript;
}

DecodingStrategy decodingStrategyFromJson(const nlohmann::json& value) {
    json::requireObject(value, "a decoding strategy");
    bool greedy = value.contains("greedy");
    bool beam = value.contains("beamSearch");
    if (greedy == beam) {
        throw JsonDecodingError(JsonDecodingError::Kind::typeMismatch,
                                "Invalid number of keys found, expected one.");
    }
    if (greedy) {
        json::requireObject(value["greedy"], "\"greedy\"");
        return DecodingStrategy::greedy();
    }
    const auto& payload = json::requireObject(value["beamSearch"], "\"beamSearch\"");
    return DecodingStrategy::beamSearch(
        static_cast<int>(json::requireInteger(payload, "beamSize")));
}

SpeechRegion speechRegionFromJson(const nlohmann::json& value) {
    json::requireObject(value, "a speech region");
    return {json::requireNumber(value, "start"), json::requireNumber(value, "end")};
}

} // namespace bw
