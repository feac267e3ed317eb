// End to end on generated speech with long pauses: the real model recognizes it through the
// whole pipeline, and every segment must lie in the utterance its words were spoken in.
#include "whisper/whisper_cpp_engine.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <sstream>

namespace bw {
namespace {

struct Utterance {
    std::string text;
    double pauseAfter; // seconds
    double start = 0;
    double end = 0;
};

// The words of a text, lower case, letters only.
std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        std::string letters;
        for (char c : word) {
            if (std::isalpha(static_cast<unsigned char>(c))) {
                letters += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        if (!letters.empty()) {
            result.push_back(letters);
        }
    }
    return result;
}

// How many of the segment's words the utterance has, as a share.
double shareOfWordsIn(const std::string& segment, const std::string& utterance) {
    auto words = wordsOf(segment);
    auto known = wordsOf(utterance);
    auto found = std::count_if(words.begin(), words.end(), [&](const std::string& word) {
        return std::find(known.begin(), known.end(), word) != known.end();
    });
    return words.empty() ? 1.0 : static_cast<double>(found) / static_cast<double>(words.size());
}

TEST(SpeechPlacement, SegmentsStayInsideTheUtterancesTheyWereSpokenIn) {
    auto model = test::bundledWhisperModel();
    BW_REQUIRE_SHARED_FILE(vad, "models/ggml-silero-v6.2.0.bin");
    if (model.empty()) {
        if (std::getenv("CI") != nullptr) {
            FAIL() << "the build has no Whisper model (scripts/setup-models)";
        }
        GTEST_SKIP() << "the build has no Whisper model";
    }
    std::vector<Utterance> utterances{
        {"Good morning everyone, thanks for joining the weekly planning meeting.", 7},
        {"The support team answered more questions than ever before.", 16},
        {"Maria will send the minutes of this meeting to everybody tonight.", 3},
        {"Please update the shared calendar and book the rooms well in advance.", 11},
        {"That is all for today, thank you and see you next week.", 2}};
    // A faint noise floor, as in a quiet room, and a second of it before the first words.
    std::mt19937 random(14);
    std::normal_distribution<float> noise(0, 0.001f);
    std::vector<float> samples(16000);
    for (auto& utterance : utterances) {
        auto speech = test::spokenSamples(utterance.text);
        utterance.start = static_cast<double>(samples.size()) / 16000;
        samples.insert(samples.end(), speech.begin(), speech.end());
        utterance.end = static_cast<double>(samples.size()) / 16000;
        samples.resize(samples.size() + static_cast<std::size_t>(utterance.pauseAfter * 16000));
    }
    for (auto& sample : samples) {
        sample += noise(random);
    }
    test::TemporaryFolder folder;
    auto audio = folder / "meeting.wav";
    test::writeWav(audio, samples);

    WhisperCppEngine engine(model, vad, false, true, {}, 2);
    auto transcript =
        engine.transcribe(audio, TranscriptionOptions::standard(TranscriptionLanguage::english));
    ASSERT_GE(transcript.segments.size(), utterances.size());
    for (const auto& segment : transcript.segments) {
        // The utterance the segment starts in must be the one that has its words, and the
        // segment may reach beyond it by no more than the detector's padding and the model's
        // uncertainty.
        auto owner = std::find_if(utterances.begin(), utterances.end(), [&](const Utterance& u) {
            return segment.start >= u.start - 0.5 && segment.start <= u.end + 0.5;
        });
        ASSERT_NE(owner, utterances.end()) << segment.start << " " << segment.text;
        EXPECT_GE(shareOfWordsIn(segment.text, owner->text), 0.5)
            << segment.start << " \"" << segment.text << "\" placed in \"" << owner->text << "\"";
        EXPECT_LE(segment.end, owner->end + 1.0) << segment.text;
    }
}

} // namespace
} // namespace bw
