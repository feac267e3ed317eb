// The language of an exported transcript: its name for document headers and the language tag
// written into the Word document's metadata and styles.
#pragma once

#include <string>

#include "export/hash_combine.h"

namespace bw {

struct ExportLanguage {
    std::string name;
    std::string tag;

    // The four languages the app transcribes. English is tagged British English.
    static ExportLanguage slovak() { return {"Slovak", "sk-SK"}; }
    static ExportLanguage czech() { return {"Czech", "cs-CZ"}; }
    static ExportLanguage german() { return {"German", "de-DE"}; }
    static ExportLanguage english() { return {"English", "en-GB"}; }

    bool operator==(const ExportLanguage&) const = default;
};

} // namespace bw

template <> struct std::hash<bw::ExportLanguage> {
    std::size_t operator()(const bw::ExportLanguage& language) const noexcept {
        return bw::hashFields(language.name, language.tag);
    }
};
