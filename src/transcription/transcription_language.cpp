#include "transcription/transcription_language.h"

namespace bw {

std::string_view code(TranscriptionLanguage language) {
    switch (language) {
    case TranscriptionLanguage::slovak:
        return "sk";
    case TranscriptionLanguage::czech:
        return "cs";
    case TranscriptionLanguage::german:
        return "de";
    case TranscriptionLanguage::english:
        return "en";
    }
    return "en";
}

std::string_view displayName(TranscriptionLanguage language) {
    switch (language) {
    case TranscriptionLanguage::slovak:
        return "Slovak";
    case TranscriptionLanguage::czech:
        return "Czech";
    case TranscriptionLanguage::german:
        return "German";
    case TranscriptionLanguage::english:
        return "English";
    }
    return "English";
}

std::optional<TranscriptionLanguage> languageFromCode(std::string_view text) {
    for (auto language : allTranscriptionLanguages) {
        if (code(language) == text) {
            return language;
        }
    }
    return std::nullopt;
}

} // namespace bw
