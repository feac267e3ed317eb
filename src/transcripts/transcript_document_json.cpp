#include "transcripts/transcript_document_json.h"

#include "base/iso_date.h"
#include "base/json_reading.h"
#include "transcription/transcript_json.h"

namespace bw {

nlohmann::json toJson(const TranscriptDocument& document) {
    nlohmann::json segments = nlohmann::json::array();
    for (const auto& segment : document.segments) {
        segments.push_back({{"id", segment.id},
                            {"start", segment.start},
                            {"end", segment.end},
                            {"text", segment.text},
                            {"originalText", segment.originalText}});
    }
    return {{"language", std::string(code(document.language))},
            {"engine", document.engine},
            {"model", document.model},
            {"audioDuration", document.audioDuration},
            {"transcribedAt", iso8601String(document.transcribedAt)},
            {"segments", std::move(segments)}};
}

TranscriptDocument transcriptDocumentFromJson(const nlohmann::json& value) {
    json::requireObject(value, "\"transcript\"");
    TranscriptDocument document;
    document.language = languageFromJson(json::requireKey(value, "language"));
    document.engine = json::requireString(value, "engine");
    document.model = json::requireString(value, "model");
    document.audioDuration = json::requireNumber(value, "audioDuration");
    document.transcribedAt = iso8601Date(json::requireString(value, "transcribedAt"));
    for (const auto& segment : json::requireArray(value, "segments")) {
        json::requireObject(segment, "a segment");
        document.segments.push_back(
            {json::requireInteger(segment, "id"), json::requireNumber(segment, "start"),
             json::requireNumber(segment, "end"), json::requireString(segment, "text"),
             json::requireString(segment, "originalText")});
    }
    return document;
}

} // namespace bw
