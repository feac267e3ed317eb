#include "base/json_decoding_error.h"
#include "support/readable_param_name.h"
#include "transcription/chunking_options.h"
#include "transcription/transcript_json.h"
#include "transcription/transcription_error.h"
#include "transcription/transcription_progress.h"

#include <gtest/gtest.h>

#include <limits>

namespace bw {
namespace {

using Phase = TranscriptionProgress::Phase;

struct FractionCase {
    Phase phase;
    double processed;
    double total;
    double expected;

    friend void PrintTo(const FractionCase& c, std::ostream* out) {
        const char* phases[] = {"loadingModel", "transcribing", "finished"};
        *out << phases[int(c.phase)] << " " << c.processed << " of " << c.total;
    }
};

class FractionCompleted : public testing::TestWithParam<FractionCase> {};

TEST_P(FractionCompleted, ClampsAndFallsBackOnPhase) {
    auto c = GetParam();
    TranscriptionProgress progress{c.phase, c.processed, c.total, std::nullopt, {}};
    EXPECT_DOUBLE_EQ(progress.fractionCompleted(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FractionCompleted,
                         testing::Values(FractionCase{Phase::transcribing, 30, 120, 0.25},
                                         FractionCase{Phase::transcribing, 150, 120, 1.0},
                                         FractionCase{Phase::transcribing, -5, 120, 0.0},
                                         FractionCase{Phase::transcribing,
                                                      std::numeric_limits<double>::infinity(),
                                                      std::numeric_limits<double>::infinity(), 0.0},
                                         FractionCase{Phase::finished, 0, 0, 1.0},
                                         FractionCase{Phase::loadingModel, 0, 0, 0.0},
                                         FractionCase{Phase::transcribing, 10, 0, 0.0}),
                         test::ReadableParamName());

TEST(TranscriptionProgress, EstimatedFinishDateAddsRemainingTime) {
    auto now = std::chrono::system_clock::now();
    TranscriptionProgress progress;
    EXPECT_FALSE(progress.estimatedFinishDate(now));
    progress.estimatedTimeRemaining = 90;
    EXPECT_EQ(progress.estimatedFinishDate(now), now + std::chrono::seconds(90));
}

TEST(Transcript, TextJoinsSegmentsWithOneSpaceKeepingTheirOwnSpaces) {
    Transcript transcript;
    EXPECT_EQ(transcript.text(), "");
    transcript.segments = {{0, 1, " Hello "}, {1, 2, "world."}};
    EXPECT_EQ(transcript.text(), " Hello  world.");
}

TEST(ChunkingOptions, DefaultMaximumIsTwiceTheTarget) {
    ChunkingOptions options(120, 20, 0.1);
    EXPECT_EQ(options.maximumDuration, 240);
}

TEST(ChunkingOptionsDeathTest, RejectsMaximumBelowTargetPlusLookahead) {
    EXPECT_DEATH(ChunkingOptions(120, 20, 0.1, 139), "precondition failed");
    EXPECT_DEATH(ChunkingOptions(0, 20, 0.1), "precondition failed");
}

TEST(DecodingStrategyJson, RequiresExactlyOneKnownKey) {
    for (const char* text :
         {R"({"greedy":{},"beamSearch":{"beamSize":5}})", "{}", R"({"other":{}})"}) {
        try {
            decodingStrategyFromJson(nlohmann::json::parse(text));
            FAIL() << text;
        } catch (const JsonDecodingError& error) {
            EXPECT_STREQ(error.what(), "Invalid number of keys found, expected one.");
        }
    }
    auto beam = nlohmann::json::parse(R"({"beamSearch":{"beamSize":5}})");
    EXPECT_EQ(decodingStrategyFromJson(beam), DecodingStrategy::beamSearch(5));
    EXPECT_EQ(toJson(DecodingStrategy::beamSearch(5)).dump(), beam.dump());
    EXPECT_EQ(toJson(DecodingStrategy::greedy()).dump(), R"({"greedy":{}})");
    EXPECT_EQ(decodingStrategyFromJson(nlohmann::json::parse(R"({"greedy":{"x":1},"y":2})")),
              DecodingStrategy::greedy());
    EXPECT_THROW(decodingStrategyFromJson(nlohmann::json::parse(R"({"greedy":1})")),
                 JsonDecodingError);
}

TEST(TranscriptJson, RoundTripsInDocumentedKeyOrder) {
    Transcript transcript{TranscriptionLanguage::slovak, {{0.5, 1.25, "Ahoj"}}, 11, "e", "m", {}};
    auto json = toJson(transcript);
    EXPECT_EQ(json.dump(),
              R"({"language":"sk","segments":[{"start":0.5,"end":1.25,"text":"Ahoj"}],)"
              R"("audioDuration":11.0,"engine":"e","model":"m"})");
    EXPECT_EQ(transcriptFromJson(nlohmann::json::parse(json.dump())), transcript);
}

// The speaker of a two-track transcript follows the other keys; a single-track segment has none.
TEST(TranscriptJson, WritesTheSpeakerLastAndOnlyWhenThereIsOne) {
    Transcript transcript{TranscriptionLanguage::english,
                          {{0, 1, "Hi", {}, Speaker::me},
                           {0.5, 2, "Hello", {SegmentDoubt::unsure}, Speaker::others},
                           {3, 4, "Bye"}},
                          5,
                          "e",
                          "m",
                          {}};
    auto json = toJson(transcript);
    EXPECT_EQ(json["segments"].dump(),
              R"([{"start":0.0,"end":1.0,"text":"Hi","speaker":"me"},)"
              R"({"start":0.5,"end":2.0,"text":"Hello","doubts":["unsure"],"speaker":"others"},)"
              R"({"start":3.0,"end":4.0,"text":"Bye"}])");
    EXPECT_EQ(transcriptFromJson(nlohmann::json::parse(json.dump())), transcript);
}

TEST(TranscriptJson, RejectsUnknownLanguagesMissingKeysAndWrongTypes) {
    auto valid = nlohmann::json::parse(
        R"({"language":"sk","segments":[],"audioDuration":1,"engine":"e","model":"m","x":0})");
    EXPECT_EQ(transcriptFromJson(valid).language, TranscriptionLanguage::slovak);

    auto french = valid;
    french["language"] = "fr";
    auto missing = valid;
    missing.erase("model");
    auto wrongType = valid;
    wrongType["audioDuration"] = "1";
    auto badSegment = valid;
    badSegment["segments"] = nlohmann::json::parse(R"([{"start":0,"end":1}])");
    for (const auto& json : {french, missing, wrongType, badSegment}) {
        EXPECT_THROW(transcriptFromJson(json), JsonDecodingError) << json.dump();
    }
}

TEST(TranscriptionError, DescribesItselfForTheUser) {
    EXPECT_STREQ(TranscriptionError::unreadableAudio("a.m4a: no audio track").what(),
                 "The audio file could not be read: a.m4a: no audio track");
    EXPECT_STREQ(TranscriptionError::busy().what(), "Another transcription is running.");
    EXPECT_STREQ(TranscriptionError::modelNotFound("/x").what(), "Model not found: /x");
    EXPECT_EQ(TranscriptionError::engineFailed("a"), TranscriptionError::engineFailed("a"));
    EXPECT_FALSE(TranscriptionError::engineFailed("a") == TranscriptionError::modelLoadFailed("a"));
}

} // namespace
} // namespace bw
