// Which language a new transcription of a recording starts in, before the user picks one.
#pragma once

#include "transcription/transcription_language.h"

#include <optional>
#include <string_view>

namespace bw {

// The recording's own language (that of its transcript) when it has one; else the language the
// user chose last (`lastChosenCode`, as stored); else the system's language when it is one of
// those offered (`systemLocale` as in "de_DE.UTF-8" or "de-AT"); else Slovak.
TranscriptionLanguage newTranscriptionLanguage(std::optional<TranscriptionLanguage> itemLanguage,
                                               std::optional<std::string_view> lastChosenCode,
                                               std::string_view systemLocale);

} // namespace bw
