// The languages a recording can be transcribed in, with their ISO 639-1 codes.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace bw {

enum class TranscriptionLanguage { slovak, czech, german, english };

inline constexpr std::array<TranscriptionLanguage, 4> allTranscriptionLanguages = {
    TranscriptionLanguage::slovak, TranscriptionLanguage::czech, TranscriptionLanguage::german,
    TranscriptionLanguage::english};

// "sk", "cs", "de" or "en": the stored raw value and the code handed to the recognizer.
std::string_view code(TranscriptionLanguage language);

// The label the interface shows: "Slovak", "Czech", "German", "English".
std::string_view displayName(TranscriptionLanguage language);

// The language with this exact code, or nothing.
std::optional<TranscriptionLanguage> languageFromCode(std::string_view code);

} // namespace bw
