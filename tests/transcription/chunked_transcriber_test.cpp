#include "transcription/chunked_transcriber.h"

#include "base/cancellation_error.h"
#include "fakes/fake_detector.h"
#include "fakes/fake_recognizer.h"
#include "support/temporary_folder.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>

namespace bw {

void PrintTo(const TranscriptSegment& segment, std::ostream* out);

namespace {

namespace fs = std::filesystem;
using Phase = TranscriptionProgress::Phase;
using Segments = std::vector<TranscriptSegment>;
constexpr std::int64_t rate = 16000;

// Writes a 16 kHz mono 16-bit wav whose sample i is `sample(i)`.
void writeWav(const fs::path& path, double seconds,
              const std::function<float(std::int64_t)>& sample) {
    std::vector<float> samples(static_cast<std::size_t>(std::llround(seconds * rate)));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = sample(static_cast<std::int64_t>(i));
    }
    test::writeWav(path, samples);
}

float tone(std::int64_t i) {
    return 0.3f * static_cast<float>(std::sin(static_cast<double>(i) * 0.1));
}

TranscriptionOptions withoutDetection() {
    TranscriptionOptions options = TranscriptionOptions::standard(TranscriptionLanguage::german);
    options.voiceActivityDetection = false;
    return options;
}

class ChunkedTranscriberTest : public testing::Test {
protected:
    fs::path wav(double seconds, const std::function<float(std::int64_t)>& sample = tone) {
        auto path = folder / ("audio-" + std::to_string(files++) + ".wav");
        writeWav(path, seconds, sample);
        return path;
    }

    // A transcriber over a fake recognizer (and detector, when given) that both stay
    // reachable from the test.
    void build(std::optional<double> limit = std::nullopt, bool withDetector = false) {
        auto ownedRecognizer = std::make_unique<FakeRecognizer>(limit);
        recognizer = ownedRecognizer.get();
        std::unique_ptr<FakeDetector> ownedDetector;
        if (withDetector) {
            ownedDetector = std::make_unique<FakeDetector>();
            detector = ownedDetector.get();
        }
        transcriber = std::make_unique<ChunkedTranscriber>(std::move(ownedRecognizer),
                                                           std::move(ownedDetector));
    }

    Transcript run(const fs::path& file, const TranscriptionOptions& options,
                   std::stop_token stop = {}) {
        return transcriber->transcribe(
            file, options,
            [this](const TranscriptionProgress& p) {
                std::lock_guard lock(reportsMutex);
                reports.push_back(p);
            },
            stop);
    }

    std::vector<double> callSeconds() const {
        std::vector<double> seconds;
        for (const auto& call : recognizer->calls()) {
            seconds.push_back(static_cast<double>(call.samples.size()) / rate);
        }
        return seconds;
    }

    std::vector<TranscriptionProgress> chunkReports() const {
        std::vector<TranscriptionProgress> found;
        for (const auto& report : reports) {
            if (report.phase == Phase::transcribing) {
                found.push_back(report);
            }
        }
        return found;
    }

    test::TemporaryFolder folder;
    int files = 0;
    FakeRecognizer* recognizer = nullptr;
    FakeDetector* detector = nullptr;
    std::unique_ptr<ChunkedTranscriber> transcriber;
    std::mutex reportsMutex;
    std::vector<TranscriptionProgress> reports;
};

TEST_F(ChunkedTranscriberTest, WithoutDetectionChunksAreTheTargetLength) {
    build(std::nullopt, true);
    recognizer->queueAnswer({{10, 20, " Thank you for watching.", {}}});
    auto transcript = run(wav(300), withoutDetection());
    EXPECT_EQ(callSeconds(), (std::vector<double>{120, 120, 60}));
    // The detector skips nothing; it only finds the speech under each segment for its doubts,
    // and it found none under this one.
    EXPECT_EQ(detector->analyzedLengths(),
              (std::vector<std::size_t>{120 * rate, 120 * rate, 60 * rate}));
    ASSERT_FALSE(transcript.segments.empty());
    EXPECT_TRUE(std::ranges::count(transcript.segments[0].doubts, SegmentDoubt::littleSpeech));
    EXPECT_EQ(transcript.audioDuration, 300);
    EXPECT_EQ(transcript.language, TranscriptionLanguage::german);
    EXPECT_EQ(transcript.engine, "fake engine 1.0");
    EXPECT_EQ(transcript.model, "fake-model");

    // The recognizer hears the chunk's own samples.
    auto calls = recognizer->calls();
    EXPECT_NEAR(calls[1].samples[5], tone(120 * rate + 5), 1e-4);
}

TEST_F(ChunkedTranscriberTest, ALimitedRecognizerGetsBlocksThatFit) {
    build(30);
    run(wav(120), withoutDetection());
    EXPECT_EQ(callSeconds(), (std::vector<double>{29, 29, 29, 29, 4}));
    // Progress follows the recognizer through each block, in the recording's time.
    recognizer->setScript([](auto, auto&, const FractionHandler& progress, auto) {
        progress(0.5);
        progress(std::nan(""));
        return std::vector<RecognizedSegment>{};
    });
    reports.clear();
    run(wav(120), withoutDetection());
    auto middle = chunkReports();
    ASSERT_EQ(middle.size(), 11u);
    EXPECT_DOUBLE_EQ(middle[0].processedDuration, 14.5);
    EXPECT_DOUBLE_EQ(middle[1].processedDuration, 14.5); // not a number counts as 0: no going back
    EXPECT_DOUBLE_EQ(middle[2].processedDuration, 43.5);
    EXPECT_DOUBLE_EQ(middle[10].processedDuration, 120);
}

TEST_F(ChunkedTranscriberTest, SegmentsMoveToTheRecordingsTimeLine) {
    build();
    recognizer->setScript([](auto, auto&, auto&, auto) {
        return std::vector<RecognizedSegment>{{1, 2.5, " hello ", {}}, {3, 4, "  ", {}}};
    });
    auto transcript = run(wav(300), withoutDetection());
    Segments expected{{1, 2.5, "hello"}, {121, 122.5, "hello"}, {241, 242.5, "hello"}};
    EXPECT_EQ(transcript.segments, expected);

    // Each segment is reported once, as the recognizer hands it over.
    Segments reported;
    for (const auto& report : chunkReports()) {
        reported.insert(reported.end(), report.newSegments.begin(), report.newSegments.end());
    }
    EXPECT_EQ(reported, expected);
    EXPECT_EQ(chunkReports().back().processedDuration, 300);
}

TEST_F(ChunkedTranscriberTest, DetectedSpeechIsCompactedAndMappedBack) {
    build(std::nullopt, true);
    detector->setScript([](std::span<const float>) {
        return SpeechAnalysis{{{5, 10}, {20, 25}}, {}, 0};
    });
    recognizer->setScript([](auto, auto&, auto&, auto) {
        // 10.2 s of block: "one" in the first piece, "two" in the second.
        return std::vector<RecognizedSegment>{
            {0, 10.2, " one two", {{1, 2, " one"}, {7, 8, " two"}}}};
    });
    auto transcript = run(wav(30), TranscriptionOptions::standard(TranscriptionLanguage::slovak));
    EXPECT_EQ(callSeconds(), (std::vector<double>{10.2}));
    EXPECT_EQ(transcript.segments, (Segments{{5, 10, "one"}, {20, 25, "two"}}));
}

TEST_F(ChunkedTranscriberTest, ChunksEndAtPausesTheDetectorFinds) {
    build(std::nullopt, true);
    // Silence from 110 to 112 s of the recording, seen through each buffer's own offset.
    detector->setScript([&, call = 0](std::span<const float> samples) mutable {
        double offset = call++ == 0 ? 0 : 111;
        double end = static_cast<double>(samples.size()) / rate;
        SpeechAnalysis analysis;
        if (offset == 0) {
            analysis.regions = {{0, 110}, {112, end}};
        } else {
            analysis.regions = {{0, end}};
        }
        return analysis;
    });
    recognizer->setScript([](auto, auto&, auto&, auto) {
        return std::vector<RecognizedSegment>{{0.5, 1, "x", {}}};
    });
    auto transcript = run(wav(200), TranscriptionOptions::standard(TranscriptionLanguage::czech));
    EXPECT_EQ(detector->analyzedLengths(), (std::vector<std::size_t>{140 * rate, 89 * rate}));
    EXPECT_EQ(callSeconds(), (std::vector<double>{110, 89}));
    EXPECT_EQ(transcript.segments, (Segments{{0.5, 1, "x"}, {111.5, 112, "x"}}));
}

TEST_F(ChunkedTranscriberTest, ContinuousSpeechGrowsTheBufferThenForcesACut) {
    build(std::nullopt, true);
    detector->setScript(FakeDetector::speechEverywhere());
    run(wav(300), TranscriptionOptions::standard(TranscriptionLanguage::english));
    auto lengths = detector->analyzedLengths();
    ASSERT_GE(lengths.size(), 6u);
    std::vector<std::size_t> growth(lengths.begin(), lengths.begin() + 6);
    EXPECT_EQ(growth, (std::vector<std::size_t>{140 * rate, 160 * rate, 180 * rate, 200 * rate,
                                                220 * rate, 240 * rate}));
    auto calls = callSeconds();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_GE(calls[0], 100);
    EXPECT_LE(calls[0], 240);
    EXPECT_DOUBLE_EQ(calls[0] + calls[1], 300);
}

TEST_F(ChunkedTranscriberTest, AMaximumBetweenSamplesStillEndsTheChunk) {
    build(std::nullopt, true);
    detector->setScript(FakeDetector::speechEverywhere());
    auto options = TranscriptionOptions::standard(TranscriptionLanguage::english);
    options.chunking = ChunkingOptions(10, 2, 0.1, 12.00003); // 192,000.48 samples
    auto transcript = run(wav(30), options);
    auto calls = callSeconds();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_LE(calls[0], 12);
    EXPECT_EQ(transcript.audioDuration, 30);
}

// Speech of 4 s every 7 s, found in the samples themselves so that every buffer sees it at
// the same place in the recording, for a recognizer limited to 30 s and for one that takes any
// length in 30 s windows. The first chunk (to 117.5 s) holds blocks of 6, 6 and 5 pieces; its
// last block goes back to the buffer and is recognized with the speech after it, so only the
// recording's last block is short, and every piece is heard exactly once.
TEST_F(ChunkedTranscriberTest, AChunksLastBlockIsPackedWithTheSpeechAfterIt) {
    auto file = wav(200, [](std::int64_t i) { return i % (7 * rate) < 4 * rate ? tone(i) : 0.0f; });
    for (bool windowed : {false, true}) {
        SCOPED_TRACE(windowed ? "30 s windows" : "30 s limit");
        build(windowed ? std::nullopt : std::optional<double>(30), true);
        if (windowed) {
            recognizer->setWindowDuration(30);
        }
        detector->setScript([](std::span<const float> samples) {
            SpeechAnalysis analysis;
            constexpr std::size_t frame = rate / 100;
            for (std::size_t at = 0; at + frame <= samples.size(); at += frame) {
                if (std::ranges::none_of(samples.subspan(at, frame),
                                         [](float s) { return s != 0; })) {
                    continue;
                }
                double start = static_cast<double>(at) / rate;
                if (!analysis.regions.empty() && analysis.regions.back().end >= start - 1e-9) {
                    analysis.regions.back().end = start + 0.01;
                } else {
                    analysis.regions.push_back({start, start + 0.01});
                }
            }
            return analysis;
        });
        // One word in every piece of the block; each becomes a segment from its piece's start.
        recognizer->setScript([](std::span<const float> samples, auto&, auto&, auto) {
            auto pieces = std::lround((static_cast<double>(samples.size()) / rate + 0.2) / 4.2);
            RecognizedSegment segment{0, static_cast<double>(samples.size()) / rate, "", {}};
            for (long j = 0; j < pieces; ++j) {
                // Words that differ, so that the text is not taken for a loop.
                const std::string word = " w" + std::to_string(j);
                segment.words.push_back(
                    {4.2 * static_cast<double>(j) + 1, 4.2 * static_cast<double>(j) + 2, word});
                segment.text += word;
            }
            return std::vector<RecognizedSegment>{segment};
        });
        auto transcript = run(file, TranscriptionOptions::standard(TranscriptionLanguage::english));

        auto calls = callSeconds();
        std::vector<double> expected{25, 25, 25, 25, 20.8};
        ASSERT_EQ(calls.size(), expected.size());
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_NEAR(calls[i], expected[i], 1e-3) << "call " << i;
        }
        ASSERT_EQ(transcript.segments.size(), 29u);
        for (std::size_t k = 0; k < 29; ++k) {
            EXPECT_NEAR(transcript.segments[k].start, 7.0 * static_cast<double>(k), 1e-3) << k;
        }
    }
}

// Random speech from the detector and random segments from a limited recognizer: every block
// fits the recognizer, every segment lies inside the recording and in order, and the chunks
// cover the whole recording.
TEST_F(ChunkedTranscriberTest, RandomSpeechKeepsInvariants) {
    auto file = wav(200);
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        build(30, true);
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> unit(0, 1);
        detector->setScript([&](std::span<const float> samples) {
            double end = static_cast<double>(samples.size()) / rate;
            SpeechAnalysis analysis;
            for (double at = unit(random) * 3; at < end; at += 0.05 + unit(random) * 3) {
                double stop = at + unit(random) * 40;
                analysis.regions.push_back({at, std::min(stop, end + 5)});
                at = stop;
            }
            return analysis;
        });
        recognizer->setScript([&](std::span<const float> samples, auto&, auto&, auto) {
            double length = static_cast<double>(samples.size()) / rate;
            RecognizedSegment segment{0, length, "", {}};
            for (double at = 0; at + 0.3 < length; at += 0.3 + unit(random) * 4) {
                segment.words.push_back({at, at + 0.3, " w"});
                segment.text += " w";
            }
            return std::vector<RecognizedSegment>{segment};
        });
        reports.clear();
        auto transcript = run(file, TranscriptionOptions::standard(TranscriptionLanguage::english));

        for (double seconds : callSeconds()) {
            EXPECT_LE(seconds, 29.0 + 1.0 / rate);
        }
        double previous = 0;
        for (const auto& segment : transcript.segments) {
            EXPECT_GE(segment.start, previous);
            EXPECT_LE(segment.start, segment.end);
            EXPECT_LE(segment.end, 200);
            previous = segment.start;
        }
        double position = 0;
        for (const auto& report : chunkReports()) {
            EXPECT_GE(report.processedDuration, position);
            position = report.processedDuration;
        }
        EXPECT_EQ(position, 200);
        EXPECT_EQ(transcript.audioDuration, 200);
    }
}

// Four stretches of speech, 3 s each, that a scripted recognizer tells apart by their level.
// In every call it answers with one word in each stretch it hears, in the order the stretches
// come in the block, stopping early or leaving stretches out as a case says.
struct MissedSpeechCase {
    const char* name;
    std::function<bool(int call, int stretch)> hears;
    // Whether the call stops (as a decoder that takes the rest of its window for silence does)
    // after the first stretch it leaves out.
    bool stopsAtFirstMiss;
    std::vector<double> expectedCallSeconds;
    std::vector<SpeechRegion> expectedUnrecognized;
};

void PrintTo(const MissedSpeechCase& c, std::ostream* out) {
    *out << c.name;
}

class ChunkedTranscriberMissedSpeech : public ChunkedTranscriberTest,
                                       public testing::WithParamInterface<MissedSpeechCase> {};

TEST_P(ChunkedTranscriberMissedSpeech, EveryStretchIsHeardOnceOrReported) {
    const auto& param = GetParam();
    constexpr double starts[] = {1, 6, 11, 16};
    auto file = wav(24, [&](std::int64_t i) {
        double t = static_cast<double>(i) / rate;
        for (int k = 0; k < 4; ++k) {
            if (t >= starts[k] && t < starts[k] + 3) {
                return 0.1f * static_cast<float>(k + 1);
            }
        }
        return 0.0f;
    });
    build(30, true);
    detector->setScript([&](std::span<const float>) {
        SpeechAnalysis analysis;
        for (double start : starts) {
            analysis.regions.push_back({start, start + 3});
        }
        return analysis;
    });
    int call = 0; // the fake copies its script for every call
    recognizer->setScript([&](std::span<const float> samples, auto&, auto&, auto) {
        std::vector<RecognizedSegment> segments;
        for (std::size_t at = 0; at < samples.size();) {
            if (samples[at] == 0) {
                ++at;
                continue;
            }
            int stretch = static_cast<int>(std::lround(samples[at] * 10)) - 1;
            double start = static_cast<double>(at) / rate;
            while (at < samples.size() && samples[at] != 0) {
                ++at;
            }
            if (!param.hears(call, stretch)) {
                if (param.stopsAtFirstMiss) {
                    break;
                }
                continue;
            }
            std::string text = " w" + std::to_string(stretch);
            double end = static_cast<double>(at) / rate;
            segments.push_back({start, end, text, {{start + 0.5, start + 1.5, text}}});
        }
        ++call;
        return segments;
    });
    auto transcript = run(file, TranscriptionOptions::standard(TranscriptionLanguage::english));

    auto calls = callSeconds();
    ASSERT_EQ(calls.size(), param.expectedCallSeconds.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_NEAR(calls[i], param.expectedCallSeconds[i], 1e-3) << "call " << i;
    }
    std::vector<std::string> expectedTexts;
    for (int k = 0; k < 4; ++k) {
        bool lost = std::ranges::any_of(param.expectedUnrecognized, [&](const SpeechRegion& r) {
            return r.start == starts[k];
        });
        if (!lost) {
            expectedTexts.push_back("w" + std::to_string(k));
        }
    }
    std::vector<std::string> texts;
    for (const auto& segment : transcript.segments) {
        texts.push_back(segment.text);
        int k = segment.text.back() - '0';
        EXPECT_GE(segment.start, starts[k]) << segment.text;
        EXPECT_LE(segment.end, starts[k] + 3) << segment.text;
    }
    EXPECT_EQ(texts, expectedTexts);
    EXPECT_EQ(transcript.unrecognizedSpeech, param.expectedUnrecognized);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChunkedTranscriberMissedSpeech,
    testing::Values(
        MissedSpeechCase{"AllHeard", [](int, int) { return true; }, false, {12.6}, {}},
        // The rest of the block goes into the next one, which starts where the first stopped.
        MissedSpeechCase{"StopsAfterTheFirst",
                         [](int call, int k) { return call > 0 || k == 0; },
                         true,
                         {12.6, 9.4},
                         {}},
        // A stretch left out in the middle is recognized again on its own.
        MissedSpeechCase{"SkipsOneInTheMiddle",
                         [](int call, int k) { return call > 0 || k != 2; },
                         false,
                         {12.6, 3},
                         {}},
        // One that yields nothing even on its own is reported, not dropped silently.
        MissedSpeechCase{
            "NeverHearsOne", [](int, int k) { return k != 1; }, false, {12.6, 3}, {{6, 9}}},
        // A recognition that hears nothing still moves on: the first stretch counts as heard.
        MissedSpeechCase{"HearsNothingAtFirst",
                         [](int call, int) { return call > 0; },
                         true,
                         {12.6, 3, 9.4},
                         {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct LoopRetryCase {
    const char* name;
    std::string greedyText;  // what the first, greedy recognition gives
    std::string retriedText; // what the retry from a higher temperature gives
    std::size_t expectedCalls;
    std::string expectedText;
};

void PrintTo(const LoopRetryCase& c, std::ostream* out) {
    *out << c.name;
}

class ChunkedTranscriberLoopRetry : public ChunkedTranscriberTest,
                                    public testing::WithParamInterface<LoopRetryCase> {};

TEST_P(ChunkedTranscriberLoopRetry, KeepsTheRecognitionWithFewerLoops) {
    const auto& param = GetParam();
    build(30);
    recognizer->setScript(
        [&](std::span<const float>, const RecognitionRequest& request, auto&, auto) {
            const auto& text = request.temperature > 0 ? param.retriedText : param.greedyText;
            return std::vector<RecognizedSegment>{{0.5, 9.5, text, {}}};
        });
    auto transcript = run(wav(10), withoutDetection());

    ASSERT_EQ(recognizer->calls().size(), param.expectedCalls);
    EXPECT_EQ(recognizer->calls().front().request.temperature, 0);
    ASSERT_EQ(transcript.segments.size(), 1u);
    EXPECT_EQ(transcript.segments[0].text, param.expectedText);
}

const std::string loop = "we will we will we will we will we will we will we will we will";
const std::string sentence = "we will meet again on Thursday to close the budget";

INSTANTIATE_TEST_SUITE_P(
    Cases, ChunkedTranscriberLoopRetry,
    testing::Values(LoopRetryCase{"NoLoopNoRetry", sentence, loop, 1, sentence},
                    LoopRetryCase{"RetryBreaksTheLoop", loop, sentence, 2, sentence},
                    LoopRetryCase{"RetryLoopsTooFirstStays", loop, loop + " again", 2, loop}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChunkedTranscriberTest, SilentChunksMoveOnWithoutRecognition) {
    build(std::nullopt, true);
    auto transcript = run(wav(100), TranscriptionOptions::standard(TranscriptionLanguage::english));
    EXPECT_TRUE(recognizer->calls().empty());
    EXPECT_EQ(recognizer->prepareCount(), 1);
    auto middle = chunkReports();
    ASSERT_EQ(middle.size(), 1u);
    EXPECT_EQ(middle[0].processedDuration, 100);
    EXPECT_TRUE(middle[0].newSegments.empty());
    EXPECT_TRUE(transcript.segments.empty());
}

TEST_F(ChunkedTranscriberTest, ReportsStartWithLoadingAndEndFinished) {
    build();
    run(wav(45), withoutDetection());
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.front(),
              (TranscriptionProgress{Phase::loadingModel, 0, 45, std::nullopt, {}}));
    EXPECT_EQ(reports.back(), (TranscriptionProgress{Phase::finished, 45, 45, 0.0, {}}));
    EXPECT_EQ(reports.back().fractionCompleted(), 1.0);
}

TEST_F(ChunkedTranscriberTest, AnEmptyFileFinishesWithoutRecognition) {
    build();
    auto transcript = run(wav(0), withoutDetection());
    EXPECT_EQ(recognizer->prepareCount(), 1);
    EXPECT_TRUE(recognizer->calls().empty());
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].phase, Phase::loadingModel);
    EXPECT_EQ(reports[1], (TranscriptionProgress{Phase::finished, 0, 0, 0.0, {}}));
    EXPECT_EQ(transcript.audioDuration, 0);
    EXPECT_TRUE(transcript.segments.empty());
}

TEST_F(ChunkedTranscriberTest, PromptsCarryThePrecedingText) {
    build(30);
    // Three lines and two spaces make 269 characters; letters that don't repeat in a pattern,
    // so that the line is not taken for a loop.
    std::string line;
    std::mt19937 letters(7);
    while (line.size() < 89) {
        line += static_cast<char>('a' + letters() % 26);
    }
    recognizer->setScript([&](auto, auto&, auto&, auto) {
        return std::vector<RecognizedSegment>{{0, 1, " " + line, {}}};
    });
    auto options = withoutDetection();
    options.conditionOnPreviousText = true;
    run(wav(150), options); // blocks of 29, 29, 29, 29, 4 s, then 30 s: 29 and 1 s
    auto calls = recognizer->calls();
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_FALSE(calls[0].request.prompt);
    EXPECT_EQ(calls[1].request.prompt, line);
    EXPECT_EQ(calls[2].request.prompt, line + " " + line);
    EXPECT_EQ(calls[3].request.prompt, (line + " " + line + " " + line).substr(69));
    EXPECT_EQ(calls[6].request.prompt, calls[3].request.prompt); // across chunks too
    EXPECT_TRUE(calls[6].request.conditionOnPreviousText);
    EXPECT_EQ(calls[6].request.language, TranscriptionLanguage::german);

    // Without conditioning there is never a prompt.
    run(wav(60), withoutDetection());
    EXPECT_FALSE(recognizer->calls().back().request.prompt);
}

struct ResumeCase {
    const char* name;
    bool detectsSpeech; // everywhere, so that chunks are cut by length and hand blocks back
};

class ChunkedTranscriberResume : public ChunkedTranscriberTest,
                                 public testing::WithParamInterface<ResumeCase> {};

// A run that carries on from the work reported after any chunk hears only the audio after it,
// asks the recognizer exactly what the uninterrupted run asked (prompts included) and ends with
// the same transcript.
TEST_P(ChunkedTranscriberResume, CarryingOnFromAFinishedChunkRepeatsNothing) {
    build(30, true);
    auto options = TranscriptionOptions::standard(TranscriptionLanguage::german);
    if (GetParam().detectsSpeech) {
        detector->setScript(FakeDetector::speechEverywhere());
    } else {
        options.voiceActivityDetection = false;
    }
    options.conditionOnPreviousText = true;
    recognizer->setScript([](std::span<const float> samples, auto&, auto&, auto) {
        return std::vector<RecognizedSegment>{{0, 1, " at " + std::to_string(samples[7]), {}}};
    });
    const auto file = wav(300);
    const auto whole = run(file, options);
    const auto wholeCalls = recognizer->calls();
    std::vector<PartialTranscript> works;
    for (const auto& report : reports) {
        if (report.finishedWork) {
            works.push_back(*report.finishedWork);
        }
    }
    ASSERT_FALSE(works.empty());
    EXPECT_FALSE(reports.back().finishedWork);

    for (const auto& work : works) {
        SCOPED_TRACE(work.position);
        reports.clear();
        const auto before = recognizer->calls().size();
        options.resumeFrom = work;
        EXPECT_EQ(run(file, options), whole);
        EXPECT_EQ(reports.front().processedDuration, work.position);
        const auto calls = recognizer->calls();
        const auto heard = calls.size() - before;
        ASSERT_LE(heard, wholeCalls.size());
        for (std::size_t i = 0; i < heard; ++i) {
            const auto& expected = wholeCalls[wholeCalls.size() - heard + i];
            EXPECT_EQ(calls[before + i].samples, expected.samples);
            EXPECT_EQ(calls[before + i].request.prompt, expected.request.prompt);
        }
        double heardSeconds = 0;
        for (std::size_t i = before; i < calls.size(); ++i) {
            heardSeconds += static_cast<double>(calls[i].samples.size()) / rate;
        }
        EXPECT_LE(heardSeconds, 300 - work.position + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ChunkedTranscriberResume,
                         testing::Values(ResumeCase{"WithoutDetection", false},
                                         ResumeCase{"SpeechEverywhere", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChunkedTranscriberPrompt, CountsCharactersAsTheUserSeesThem) {
    EXPECT_FALSE(ChunkedTranscriber::prompt({}));
    EXPECT_FALSE(ChunkedTranscriber::prompt({{0, 1, ""}}));
    EXPECT_EQ(ChunkedTranscriber::prompt({{0, 1, "a"}, {1, 2, " b"}}), "a  b");
    // 150 accented letters written with combining accents, then 100 more: the prompt keeps
    // 200 whole letters.
    std::string accented;
    for (int i = 0; i < 150; ++i) {
        accented += "e\xCC\x81";
    }
    auto prompt = ChunkedTranscriber::prompt({{0, 1, accented}, {1, 2, std::string(99, 'x')}});
    ASSERT_TRUE(prompt);
    EXPECT_EQ(*prompt, accented.substr(3 * 50) + " " + std::string(99, 'x'));
}

TEST_F(ChunkedTranscriberTest, ASecondRunWhileOneIsGoingOnIsBusy) {
    build();
    std::promise<void> entered;
    std::promise<void> release;
    auto released = release.get_future().share();
    recognizer->setScript([&](auto, auto&, auto&, auto) {
        entered.set_value();
        released.wait();
        return std::vector<RecognizedSegment>{};
    });
    auto file = wav(10);
    auto first = std::async(std::launch::async, [&] { return run(file, withoutDetection()); });
    entered.get_future().wait();
    try {
        transcriber->transcribe(file, withoutDetection());
        FAIL() << "expected busy";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error, TranscriptionError::busy());
        EXPECT_STREQ(error.what(), "Another transcription is running.");
    }
    release.set_value();
    EXPECT_EQ(first.get().audioDuration, 10);
    recognizer->setScript({});
    EXPECT_EQ(transcriber->transcribe(file, withoutDetection()).audioDuration, 10);
}

TEST_F(ChunkedTranscriberTest, CancellingDuringRecognitionStopsAndFreesTheTranscriber) {
    build();
    std::stop_source stop;
    recognizer->setScript([&](auto, auto&, auto&, auto) {
        stop.request_stop(); // the recognizer ignores it; the transcriber's check point does not
        return std::vector<RecognizedSegment>{{0, 1, "lost", {}}};
    });
    EXPECT_THROW(run(wav(300), withoutDetection(), stop.get_token()), CancellationError);
    EXPECT_EQ(recognizer->calls().size(), 1u);
    for (const auto& report : reports) {
        EXPECT_NE(report.phase, Phase::finished);
        EXPECT_TRUE(report.newSegments.empty());
    }
    recognizer->setScript({});
    EXPECT_NO_THROW(run(wav(5), withoutDetection()));
}

struct FailureCase {
    const char* name;
    std::function<void(FakeRecognizer&, FakeDetector&)> arrange;
    TranscriptionError expected;
};

class ChunkedTranscriberFailure : public ChunkedTranscriberTest,
                                  public testing::WithParamInterface<FailureCase> {};

TEST_P(ChunkedTranscriberFailure, ErrorsPassUnchangedAndLeaveTheTranscriberIdle) {
    build(std::nullopt, true);
    GetParam().arrange(*recognizer, *detector);
    auto file = wav(20);
    try {
        run(file, TranscriptionOptions::standard(TranscriptionLanguage::english));
        FAIL() << "expected an error";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error, GetParam().expected);
    }
    for (const auto& report : reports) {
        EXPECT_NE(report.phase, Phase::finished);
    }
    EXPECT_NO_THROW(run(file, withoutDetection()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChunkedTranscriberFailure,
    testing::Values(FailureCase{"Prepare",
                                [](FakeRecognizer& r, FakeDetector&) {
                                    r.failPrepareWith(
                                        TranscriptionError::modelLoadFailed("bad model"));
                                },
                                TranscriptionError::modelLoadFailed("bad model")},
                    FailureCase{"Recognize",
                                [](FakeRecognizer& r, FakeDetector& d) {
                                    d.setScript(FakeDetector::speechEverywhere());
                                    r.failRecognizeWith(TranscriptionError::engineFailed("boom"));
                                },
                                TranscriptionError::engineFailed("boom")},
                    FailureCase{"Detector",
                                [](FakeRecognizer&, FakeDetector& d) {
                                    d.failWith(TranscriptionError::engineFailed("vad"));
                                },
                                TranscriptionError::engineFailed("vad")}),
    [](const auto& info) { return info.param.name; });

TEST_F(ChunkedTranscriberTest, DetectionWithoutADetectorIsAMissingModel) {
    build();
    auto file = wav(5);
    try {
        run(file, TranscriptionOptions::standard(TranscriptionLanguage::english));
        FAIL() << "expected an error";
    } catch (const TranscriptionError& error) {
        EXPECT_STREQ(error.what(), "Model not found: no voice activity detector configured");
    }
    EXPECT_TRUE(reports.empty());
    EXPECT_NO_THROW(run(file, withoutDetection()));
}

TEST_F(ChunkedTranscriberTest, UnreadableFilesFailWithTheReadersError) {
    build();
    auto path = folder / "notes.wav";
    std::ofstream(path) << "not audio";
    try {
        run(path, withoutDetection());
        FAIL() << "expected an error";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error.kind(), TranscriptionError::Kind::unreadableAudio);
        EXPECT_EQ(error.detail().rfind("notes.wav: ", 0), 0u) << error.detail();
    }
    EXPECT_EQ(recognizer->prepareCount(), 0);
    EXPECT_NO_THROW(run(wav(5), withoutDetection()));
}

TEST_F(ChunkedTranscriberTest, ShutdownIsPassedToTheRecognizer) {
    build();
    EXPECT_TRUE(transcriber->shutdown(3));
    EXPECT_EQ(recognizer->shutdownCount(), 1);
}

} // namespace
} // namespace bw
