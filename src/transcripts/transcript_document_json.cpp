#include "transcripts/transcript_document_json.h"

#include "base/iso_date.h"
#include "base/json_reading.h"
#include "transcription/transcript_json.h"

#include <set>

namespace bw {

nlohmann::json toJson(const TranscriptDocument& document) {
    nlohmann::json segments = nlohmann::json::array();
    for (const auto& segment : document.segments) {
        nlohmann::json object{{"id", segment.id},
                              {"start", segment.start},
                              {"end", segment.end},
                              {"text", segment.text},
                              {"originalText", segment.originalText}};
        if (!segment.doubts.empty()) {
            object["doubts"] = toJson(segment.doubts);
        }
        if (segment.speaker) {
            object["speaker"] = std::string(code(*segment.speaker));
        }
        segments.push_back(std::move(object));
    }
    nlohmann::json object{{"language", std::string(code(document.language))},
                          {"engine", document.engine},
                          {"model", document.model},
                          {"audioDuration", document.audioDuration},
                          {"transcribedAt", iso8601String(document.transcribedAt)},
                          {"segments", std::move(segments)}};
    if (!document.unrecognizedSpeech.empty()) {
        nlohmann::json regions = nlohmann::json::array();
        for (const auto& region : document.unrecognizedSpeech) {
            regions.push_back({{"start", region.start}, {"end", region.end}});
        }
        object["unrecognizedSpeech"] = std::move(regions);
    }
    return object;
}

TranscriptDocument transcriptDocumentFromJson(const nlohmann::json& value) {
    json::requireObject(value, "\"transcript\"");
    TranscriptDocument document;
    document.language = languageFromJson(json::requireKey(value, "language"));
    document.engine = json::requireString(value, "engine");
    document.model = json::requireString(value, "model");
    document.audioDuration = json::requireNumber(value, "audioDuration");
    document.transcribedAt = iso8601Date(json::requireString(value, "transcribedAt"));
    std::set<std::int64_t> ids;
    for (const auto& segment : json::requireArray(value, "segments")) {
        json::requireObject(segment, "a segment");
        document.segments.push_back(
            {json::requireInteger(segment, "id"), json::requireNumber(segment, "start"),
             json::requireNumber(segment, "end"), json::requireString(segment, "text"),
             json::requireString(segment, "originalText"), doubtsFromJson(segment),
             speakerFromJson(segment)});
        // Edits find their segment by id: two segments with one id would make that ambiguous.
        if (!ids.insert(document.segments.back().id).second) {
            throw JsonDecodingError(JsonDecodingError::Kind::dataCorrupted,
                                    "Two segments have the id " +
                                        std::to_string(document.segments.back().id) + ".");
        }
    }
    document.unrecognizedSpeech = unrecognizedSpeechFromJson(value);
    return document;
}

} // namespace bw
