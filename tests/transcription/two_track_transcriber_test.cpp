#include "transcription/two_track_transcriber.h"

#include <gtest/gtest.h>

#include <map>

namespace bw {
namespace {

using Phase = TranscriptionProgress::Phase;

// An engine that answers each file with its own reports and transcript, and notes what it was
// asked to carry on from.
class PerFileEngine : public TranscriptionEngine {
public:
    struct Script {
        std::vector<TranscriptionProgress> reports;
        Transcript result;
    };
    std::map<std::filesystem::path, Script> scripts;
    std::vector<std::pair<std::filesystem::path, std::optional<PartialTranscript>>> calls;

    std::string engineName() const override { return "per file"; }
    std::string modelName() const override { return "m"; }
    Transcript transcribe(const std::filesystem::path& file, const TranscriptionOptions& options,
                          const ProgressHandler& progress, std::stop_token) override {
        calls.emplace_back(file, options.resumeFrom);
        const auto& script = scripts.at(file);
        for (const auto& report : script.reports) {
            progress(report);
        }
        return script.result;
    }
};

Transcript transcriptOf(std::vector<TranscriptSegment> segments, double duration,
                        std::vector<SpeechRegion> unrecognized = {}) {
    Transcript transcript;
    transcript.segments = std::move(segments);
    transcript.audioDuration = duration;
    transcript.engine = "per file";
    transcript.model = "m";
    transcript.unrecognizedSpeech = std::move(unrecognized);
    return transcript;
}

const TranscriptSegment greeting{0.0, 2.0, "Hello there, how are you?"};
const TranscriptSegment reply{3.0, 4.0, "I am well."};
const TranscriptSegment thanks{5.0, 7.0, "Good to hear."};
const TranscriptSegment echo{0.03, 2.0, "hello there how are you"};

PerFileEngine callEngine() {
    PerFileEngine engine;
    engine.scripts["system.caf"] = {
        {{Phase::loadingModel, 0, 10},
         {Phase::transcribing, 5, 10, 5.0, {greeting}, PartialTranscript{5, {greeting}, {}}},
         {Phase::finished, 10, 10, 0.0, {thanks}}},
        transcriptOf({greeting, thanks}, 10, {{8, 9}})};
    engine.scripts["audio.caf"] = {
        {{Phase::loadingModel, 0, 12},
         {Phase::transcribing, 6, 12, 6.0, {echo, reply}, PartialTranscript{6, {echo, reply}, {}}},
         {Phase::finished, 12, 12}},
        transcriptOf({echo, reply}, 12, {{1, 1.5}, {11, 11.5}})};
    return engine;
}

TranscriptSegment by(TranscriptSegment segment, Speaker speaker) {
    segment.speaker = speaker;
    return segment;
}

TEST(TwoTrackTranscriber, MergesBothTracksByTimeWithoutTheMicrophonesEcho) {
    auto engine = callEngine();
    std::vector<TranscriptionProgress> reports;
    auto transcript =
        TwoTrackTranscriber(engine, {false})
            .transcribe({"audio.caf", 12}, {"system.caf", 10}, TranscriptionOptions{},
                        [&](const TranscriptionProgress& report) { reports.push_back(report); },
                        {});

    EXPECT_EQ(transcript.segments,
              (std::vector<TranscriptSegment>{by(greeting, Speaker::others), by(reply, Speaker::me),
                                              by(thanks, Speaker::others)}));
    EXPECT_EQ(transcript.audioDuration, 12);
    // The microphone's speech without text while the other side spoke was the echo's.
    EXPECT_EQ(transcript.unrecognizedSpeech, (std::vector<SpeechRegion>{{8, 9}, {11, 11.5}}));
    EXPECT_EQ(engine.calls.size(), 2u);
    EXPECT_EQ(engine.calls[0].first, "system.caf"); // so that echoes are known when heard

    // One job: the model loads once, the fraction rises once over both tracks, the time left
    // counts the pass to come, only the end finishes, and live segments have no echo.
    struct Shown {
        Phase phase;
        double processed;
        double total;
        std::optional<double> remaining;
        std::vector<TranscriptSegment> segments;
        std::optional<double> workPosition;
        std::size_t workSegments;
    };
    std::vector<Shown> expected = {
        {Phase::loadingModel, 0, 22, std::nullopt, {}, std::nullopt, 0},
        {Phase::transcribing, 5, 22, 5.0 * 17 / 5, {by(greeting, Speaker::others)}, 5, 1},
        {Phase::transcribing, 10, 22, std::nullopt, {by(thanks, Speaker::others)}, std::nullopt, 0},
        {Phase::transcribing, 10, 22, std::nullopt, {}, 10, 2},
        {Phase::transcribing, 10, 22, std::nullopt, {}, std::nullopt, 0},
        {Phase::transcribing, 16, 22, 6.0, {by(reply, Speaker::me)}, 16, 3},
        {Phase::finished, 22, 22, std::nullopt, {}, std::nullopt, 0},
    };
    ASSERT_EQ(reports.size(), expected.size());
    for (std::size_t i = 0; i < reports.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(reports[i].phase, expected[i].phase);
        EXPECT_EQ(reports[i].processedDuration, expected[i].processed);
        EXPECT_EQ(reports[i].totalDuration, expected[i].total);
        EXPECT_EQ(reports[i].estimatedTimeRemaining, expected[i].remaining);
        EXPECT_EQ(reports[i].newSegments, expected[i].segments);
        ASSERT_EQ(reports[i].finishedWork.has_value(), expected[i].workPosition.has_value());
        if (reports[i].finishedWork) {
            EXPECT_EQ(reports[i].finishedWork->position, *expected[i].workPosition);
            EXPECT_EQ(reports[i].finishedWork->segments.size(), expected[i].workSegments);
        }
    }
    // The work kept at the end of the first pass is the whole first pass, labelled.
    EXPECT_EQ(reports[3].finishedWork->segments,
              (std::vector<TranscriptSegment>{by(greeting, Speaker::others),
                                              by(thanks, Speaker::others)}));
    EXPECT_EQ(reports[3].finishedWork->unrecognizedSpeech, (std::vector<SpeechRegion>{{8, 9}}));
}

struct ResumeCase {
    const char* name;
    double position; // seconds of both tracks, this computer's sound first
    bool systemPass; // the system track is transcribed again
    std::optional<double> systemFrom;
    std::optional<double> microphoneFrom;

    friend void PrintTo(const ResumeCase& c, std::ostream* out) { *out << c.name; }
};

class ResumedJobs : public testing::TestWithParam<ResumeCase> {};

// The work of both passes comes back as one; each pass carries on from its own part of it.
TEST_P(ResumedJobs, CarryOnInThePassTheyHadReached) {
    const auto& c = GetParam();
    auto engine = callEngine();
    TranscriptionOptions options;
    options.resumeFrom = PartialTranscript{
        c.position,
        {by(greeting, Speaker::others), by(thanks, Speaker::others), by(reply, Speaker::me)},
        {{8, 9}}};
    auto transcript = TwoTrackTranscriber(engine, {false})
                          .transcribe({"audio.caf", 12}, {"system.caf", 10}, options, {}, {});

    std::vector<std::filesystem::path> files;
    for (const auto& call : engine.calls) {
        files.push_back(call.first);
    }
    using Files = std::vector<std::filesystem::path>;
    EXPECT_EQ(files, (c.systemPass ? Files{"system.caf", "audio.caf"} : Files{"audio.caf"}));
    const auto& microphoneCall = engine.calls.back().second;
    ASSERT_EQ(microphoneCall.has_value(), c.microphoneFrom.has_value());
    if (c.microphoneFrom) {
        EXPECT_EQ(microphoneCall->position, *c.microphoneFrom);
        EXPECT_EQ(microphoneCall->segments,
                  (std::vector<TranscriptSegment>{by(reply, Speaker::me)}));
    }
    if (c.systemFrom) {
        const auto& systemCall = engine.calls.front().second;
        ASSERT_TRUE(systemCall.has_value());
        EXPECT_EQ(systemCall->position, *c.systemFrom);
        EXPECT_EQ(systemCall->segments.size(), 2u);
    }
    // The resumed first pass counts, and its speech without text is kept once.
    EXPECT_EQ(transcript.segments.size(), 3u);
    const bool systemSpeechInResult = c.systemPass || !c.microphoneFrom;
    EXPECT_EQ(transcript.unrecognizedSpeech, systemSpeechInResult
                                                 ? (std::vector<SpeechRegion>{{8, 9}, {11, 11.5}})
                                                 : (std::vector<SpeechRegion>{{11, 11.5}}));
}

INSTANTIATE_TEST_SUITE_P(Positions, ResumedJobs,
                         testing::Values(ResumeCase{"inTheFirstPass", 4, true, 4, std::nullopt},
                                         ResumeCase{"betweenThePasses", 10, false, std::nullopt,
                                                    std::nullopt},
                                         ResumeCase{"inTheSecondPass", 14, false, std::nullopt, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bw
