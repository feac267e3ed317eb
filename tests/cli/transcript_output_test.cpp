#include "cli/transcript_output.h"

#include "transcription/transcript_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace bw::cli {
namespace {

TEST(Timestamp, ShowsHoursMinutesSecondsAndMilliseconds) {
    const std::pair<double, const char*> cases[] = {
        {0, "00:00:00.000"},
        {1.5, "00:00:01.500"},
        {61.0004, "00:01:01.000"},
        {59.9996, "00:01:00.000"}, // rounds into the next minute
        {3725.25, "01:02:05.250"},
        {360000, "100:00:00.000"},
        {-2, "00:00:00.000"},
        {std::nan(""), "00:00:00.000"},
        {std::numeric_limits<double>::infinity(), "00:00:00.000"},
        {1e12, "277777777:46:40.000"},
        {1e300, "2562047788015:12:55.807"}, // beyond 64 bits of milliseconds: the largest
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(timestamp(seconds), text) << seconds;
    }
}

Transcript sample() {
    Transcript transcript;
    transcript.language = TranscriptionLanguage::slovak;
    transcript.segments = {{0.5, 2.25, "Dobrý deň."}, {3, 4.5, "Ako sa máte?"}};
    transcript.audioDuration = 5;
    transcript.engine = "whisper.cpp 1.9.1";
    transcript.model = "tiny";
    return transcript;
}

TEST(TranscriptOutput, TextHasOneLinePerSegment) {
    EXPECT_EQ(renderText(sample()), "[00:00:00.500 --> 00:00:02.250] Dobrý deň.\n"
                                    "[00:00:03.000 --> 00:00:04.500] Ako sa máte?\n");
    EXPECT_EQ(renderText(Transcript{}), "");
}

TEST(TranscriptOutput, TextTellsDoubtsOnTheirLineAndUnheardSpeechAfterwards) {
    struct Case {
        std::vector<SegmentDoubt> doubts;
        std::size_t unheard;
        std::string line;
        std::string after;
    };
    const Case cases[] = {
        {{}, 0, "[00:00:00.500 --> 00:00:02.250] Dobrý deň.", ""},
        {{SegmentDoubt::repeatsPreviousLine},
         1,
         "[00:00:00.500 --> 00:00:02.250] Dobrý deň.  [doubtful: repeats the previous line]",
         "1 stretch of speech gave no text\n"},
        {{SegmentDoubt::repeatsItself, SegmentDoubt::littleSpeech},
         2,
         "[00:00:00.500 --> 00:00:02.250] Dobrý deň.  [doubtful: repeats itself; little speech "
         "under this text]",
         "2 stretches of speech gave no text\n"},
    };
    for (const auto& c : cases) {
        Transcript transcript = sample();
        transcript.segments[0].doubts = c.doubts;
        EXPECT_EQ(renderText(transcript),
                  c.line + "\n[00:00:03.000 --> 00:00:04.500] Ako sa máte?\n");
        EXPECT_EQ(unrecognizedSpeechLine(c.unheard), c.after);
    }
}

TEST(TranscriptOutput, JsonReadsBackAsTheSameTranscript) {
    std::string json = renderJson(sample());
    EXPECT_EQ(transcriptFromJson(nlohmann::json::parse(json)), sample());
    EXPECT_EQ(json.back(), '\n');
}

TEST(TranscriptOutput, FormatsAreFoundByName) {
    EXPECT_EQ(transcriptFormats().front().name, "text");
    EXPECT_EQ(findTranscriptFormat("json")->render, &renderJson);
    EXPECT_EQ(findTranscriptFormat("JSON"), nullptr);
    EXPECT_EQ(findTranscriptFormat(""), nullptr);
}

} // namespace
} // namespace bw::cli
