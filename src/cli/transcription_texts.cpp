#include "cli/transcription_texts.h"

#include "library/copy.h"

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
    return Copy::estimatedFinish(*finish);
}

} // namespace bw::cli
