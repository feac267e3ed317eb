#include "service/transcription_checkpoint.h"

#include "base/json_reading.h"
#include "transcription/transcript_json.h"

#include <cmath>

namespace bw {

namespace {

constexpr std::int64_t currentVersion = 1;

nlohmann::json optionsJson(const TranscriptionOptions& options) {
    const auto& chunking = options.chunking;
    return {
        {"language", std::string(code(options.language))},
        {"voiceActivityDetection", options.voiceActivityDetection},
        {"conditionOnPreviousText", options.conditionOnPreviousText},
        {"decoding", nlohmann::json(toJson(options.decoding))},
        {"chunking",
         {{"targetDuration", chunking.targetDuration},
          {"lookahead", chunking.lookahead},
          {"minimumPause", chunking.minimumPause},
          {"maximumDuration", chunking.maximumDuration}}},
    };
}

} // namespace

TranscriptionCheckpoint::Basis
TranscriptionCheckpoint::Basis::of(const TranscriptionEngine& engine,
                                   const TranscriptionOptions& options,
                                   const std::filesystem::path& audioFile, double audioDuration,
                                   const std::optional<std::filesystem::path>& systemAudioFile) {
    Basis basis;
    basis.engine = engine.engineName();
    basis.model = engine.modelName();
    basis.options = optionsJson(options);
    basis.audioFileName = audioFile.filename().string();
    std::error_code error;
    const auto size = std::filesystem::file_size(audioFile, error);
    basis.audioFileSize = error ? 0 : size;
    if (systemAudioFile) {
        basis.systemAudioFileName = systemAudioFile->filename().string();
        const auto systemSize = std::filesystem::file_size(*systemAudioFile, error);
        basis.systemAudioFileSize = error ? 0 : systemSize;
    }
    basis.audioDuration = audioDuration;
    return basis;
}

bool TranscriptionCheckpoint::resumes(const Basis& current) const {
    return basis == current && std::isfinite(work.position) && work.position > 0 &&
           work.position < current.audioDuration;
}

std::optional<TranscriptionLanguage> TranscriptionCheckpoint::language() const {
    auto found = basis.options.find("language");
    if (found == basis.options.end() || !found->is_string()) {
        return std::nullopt;
    }
    return languageFromCode(found->get<std::string>());
}

nlohmann::json toJson(const TranscriptionCheckpoint& checkpoint) {
    const auto& basis = checkpoint.basis;
    nlohmann::json segments = nlohmann::json::array();
    for (const auto& segment : checkpoint.work.segments) {
        segments.push_back(nlohmann::json(toJson(segment)));
    }
    nlohmann::json unrecognized = nlohmann::json::array();
    for (const auto& region : checkpoint.work.unrecognizedSpeech) {
        unrecognized.push_back(nlohmann::json(toJson(region)));
    }
    nlohmann::json audio{{"file", basis.audioFileName},
                         {"size", basis.audioFileSize},
                         {"duration", basis.audioDuration}};
    if (!basis.systemAudioFileName.empty()) {
        audio["systemFile"] = basis.systemAudioFileName;
        audio["systemSize"] = basis.systemAudioFileSize;
    }
    return {
        {"version", currentVersion},
        {"engine", basis.engine},
        {"model", basis.model},
        {"options", basis.options},
        {"audio", std::move(audio)},
        {"position", checkpoint.work.position},
        {"segments", std::move(segments)},
        {"unrecognizedSpeech", std::move(unrecognized)},
        {"interrupted", checkpoint.interrupted},
    };
}

TranscriptionCheckpoint transcriptionCheckpointFromJson(const nlohmann::json& root) {
    json::requireObject(root, "the transcription checkpoint");
    if (json::requireInteger(root, "version") != currentVersion) {
        throw JsonDecodingError(JsonDecodingError::Kind::dataCorrupted,
                                "The transcription checkpoint has another version.");
    }
    TranscriptionCheckpoint checkpoint;
    auto& basis = checkpoint.basis;
    basis.engine = json::requireString(root, "engine");
    basis.model = json::requireString(root, "model");
    basis.options = json::requireObject(json::requireKey(root, "options"), "\"options\"");
    const auto& audio = json::requireObject(json::requireKey(root, "audio"), "\"audio\"");
    basis.audioFileName = json::requireString(audio, "file");
    const auto size = json::requireInteger(audio, "size");
    basis.audioFileSize = size > 0 ? static_cast<std::uintmax_t>(size) : 0;
    basis.audioDuration = json::requireNumber(audio, "duration");
    if (audio.contains("systemFile")) {
        basis.systemAudioFileName = json::requireString(audio, "systemFile");
        const auto systemSize = json::requireInteger(audio, "systemSize");
        basis.systemAudioFileSize = systemSize > 0 ? static_cast<std::uintmax_t>(systemSize) : 0;
    }
    checkpoint.work.position = json::requireNumber(root, "position");
    for (const auto& segment : json::requireArray(root, "segments")) {
        checkpoint.work.segments.push_back(segmentFromJson(segment));
    }
    checkpoint.work.unrecognizedSpeech = unrecognizedSpeechFromJson(root);
    checkpoint.interrupted = json::requireBool(root, "interrupted");
    return checkpoint;
}

} // namespace bw
