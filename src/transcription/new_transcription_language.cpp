#include "transcription/new_transcription_language.h"

#include "base/ascii_case.h"

namespace bw {

TranscriptionLanguage newTranscriptionLanguage(std::optional<TranscriptionLanguage> itemLanguage,
                                               std::optional<std::string_view> lastChosenCode,
                                               std::string_view systemLocale) {
    if (itemLanguage) {
        return *itemLanguage;
    }
    if (lastChosenCode) {
        if (const auto chosen = languageFromCode(*lastChosenCode)) {
            return *chosen;
        }
    }
    // The language part of a POSIX or BCP 47 name; "C" and "POSIX" name none.
    const auto end = systemLocale.find_first_of("_-.@");
    const std::string language = lowercasedAscii(systemLocale.substr(0, end));
    return languageFromCode(language).value_or(TranscriptionLanguage::slovak);
}

} // namespace bw
