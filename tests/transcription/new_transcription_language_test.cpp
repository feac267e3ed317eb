#include "transcription/new_transcription_language.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

using Language = TranscriptionLanguage;

TEST(NewTranscriptionLanguageTest, FallsFromTheItemToTheLastChoiceToTheSystemToSlovak) {
    struct Case {
        std::optional<Language> item;
        std::optional<std::string_view> lastChosen;
        std::string_view locale;
        Language expected;
    };
    const Case cases[] = {
        {Language::czech, "de", "en_US.UTF-8", Language::czech},
        {std::nullopt, "de", "en_US.UTF-8", Language::german},
        {std::nullopt, "fr", "en_US.UTF-8", Language::english}, // a stored code no longer offered
        {std::nullopt, "", "cs_CZ", Language::czech},
        {std::nullopt, std::nullopt, "de-AT", Language::german},
        {std::nullopt, std::nullopt, "EN_gb", Language::english},
        {std::nullopt, std::nullopt, "en@euro", Language::english},
        {std::nullopt, std::nullopt, "fr_FR.UTF-8", Language::slovak},
        {std::nullopt, std::nullopt, "C", Language::slovak},
        {std::nullopt, std::nullopt, "", Language::slovak},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(newTranscriptionLanguage(c.item, c.lastChosen, c.locale), c.expected)
            << "locale " << c.locale << ", last chosen " << c.lastChosen.value_or("(none)");
    }
}

} // namespace
} // namespace bw
