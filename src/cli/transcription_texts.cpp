#include "cli/transcription_texts.h"

#include <ctime>

namespace bw::cli {

TranscriptionLanguage requiredLanguage(const ParsedArguments& arguments) {
    auto code = arguments.option("--language");
    if (!code) {
        throw UsageError("--language is required: sk, cs, de or en");
    }
    auto language = languageFromCode(*code);
    if (!language) {
        throw UsageError("--language takes sk, cs, de or en, not \"" + *code + "\"");
    }
    return *language;
}

std::string estimatedFinishNote(std::optional<std::chrono::system_clock::time_point> finish) {
    if (!finish) {
        return "Estimating when it will be ready…";
    }
    std::time_t time = std::chrono::system_clock::to_time_t(*finish);
    std::tm local{};
    localtime_r(&time, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return "Ready at about " + std::string(text);
}

} // namespace bw::cli
