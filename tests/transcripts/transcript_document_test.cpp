#include "base/json_decoding_error.h"
#include "support/readable_param_name.h"
#include "transcripts/transcript_document.h"
#include "transcripts/transcript_document_json.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

using namespace std::chrono;

TEST(TranscriptDocument, TrimsEachSegmentAndNumbersThemInOrder) {
    Transcript transcript;
    transcript.language = TranscriptionLanguage::german;
    transcript.engine = "whisper.cpp 1.9.1";
    transcript.model = "tiny";
    transcript.audioDuration = 12.5;
    transcript.segments = {
        {0, 1, " Hallo\n"}, {1, 2, "\u00A0Welt \u3000"}, {2, 3, "  \n\t"}, {3, 4, "drei  vier"}};
    TranscriptDocument document(transcript, sys_days(2025y / 3 / 7) + 12h + 750ms);

    EXPECT_EQ(document.language, TranscriptionLanguage::german);
    EXPECT_EQ(document.engine, "whisper.cpp 1.9.1");
    EXPECT_EQ(document.model, "tiny");
    EXPECT_EQ(document.audioDuration, 12.5);
    EXPECT_EQ(document.transcribedAt, sys_days(2025y / 3 / 7) + 12h);
    ASSERT_EQ(document.segments.size(), 4u);
    std::vector<TranscriptDocument::Segment> expected = {{0, 0, 1, "Hallo", "Hallo"},
                                                         {1, 1, 2, "Welt", "Welt"},
                                                         {2, 2, 3, "", ""},
                                                         {3, 3, 4, "drei  vier", "drei  vier"}};
    EXPECT_EQ(document.segments, expected);
    EXPECT_FALSE(document.segments[0].isEdited());
}

TEST(TranscriptDocument, DatesBeforeTheEpochRoundDownToo) {
    TranscriptDocument document(Transcript{},
                                sys_days(1969y / 12 / 31) + 23h + 59min + 59s + 250ms);
    EXPECT_EQ(document.transcribedAt, sys_days(1969y / 12 / 31) + 23h + 59min + 59s);
}

TEST(TranscriptDocument, EmptyIsSlovakAtTheEpochWithNothingElse) {
    const auto& empty = TranscriptDocument::empty;
    EXPECT_EQ(empty.language, TranscriptionLanguage::slovak);
    EXPECT_EQ(empty.engine, "");
    EXPECT_EQ(empty.model, "");
    EXPECT_EQ(empty.audioDuration, 0);
    EXPECT_EQ(empty.transcribedAt.time_since_epoch().count(), 0);
    EXPECT_TRUE(empty.segments.empty());
}

nlohmann::json sampleJson() {
    return nlohmann::json::parse(R"({
        "audioDuration": 3.5, "engine": "e", "language": "cs", "model": "m",
        "segments": [{"end": 1.5, "id": 0, "originalText": "a", "start": 0, "text": "b"}],
        "transcribedAt": "2025-03-07T09:15:02Z"})");
}

TEST(TranscriptDocumentJson, ReadsEveryField) {
    auto document = transcriptDocumentFromJson(sampleJson());
    EXPECT_EQ(document.language, TranscriptionLanguage::czech);
    EXPECT_EQ(document.transcribedAt, sys_days(2025y / 3 / 7) + 9h + 15min + 2s);
    ASSERT_EQ(document.segments.size(), 1u);
    EXPECT_TRUE(document.segments[0].isEdited());
    EXPECT_EQ(toJson(document), sampleJson());
}

// Doubts and speech without text are optional keys: written only when there are some, read
// back the same, and unknown doubt codes (from a later version) are passed over.
TEST(TranscriptDocumentJson, KeepsDoubtsAndUnrecognizedSpeech) {
    auto value = sampleJson();
    value["segments"][0]["doubts"] = {"repeatsItself", "someLaterDoubt", "littleSpeech"};
    value["unrecognizedSpeech"] = {{{"start", 4.0}, {"end", 5.5}}};
    auto document = transcriptDocumentFromJson(value);
    EXPECT_EQ(document.segments[0].doubts,
              (std::vector<SegmentDoubt>{SegmentDoubt::repeatsItself, SegmentDoubt::littleSpeech}));
    EXPECT_EQ(document.unrecognizedSpeech, (std::vector<SpeechRegion>{{4.0, 5.5}}));
    value["segments"][0]["doubts"] = {"repeatsItself", "littleSpeech"};
    EXPECT_EQ(toJson(document), value);

    // An edited segment is no longer doubtful; restored, it is again.
    EXPECT_FALSE(document.segments[0].isDoubtful());
    document.segments[0].text = document.segments[0].originalText;
    EXPECT_TRUE(document.segments[0].isDoubtful());
}

struct SpeakerCase {
    const char* name;
    std::optional<nlohmann::json> stored; // the segment's "speaker"; none: no such key
    std::optional<Speaker> read;
    bool writtenBack; // the same key comes out again

    friend void PrintTo(const SpeakerCase& c, std::ostream* out) { *out << c.name; }
};

class SpeakerKeys : public testing::TestWithParam<SpeakerCase> {};

// "speaker" is optional: an older file without it reads and writes as it always did, and a
// value this version does not know (a later one's) counts as no speaker instead of a damaged file.
TEST_P(SpeakerKeys, ReadAsTheSpeakerOrNone) {
    const auto& c = GetParam();
    auto value = sampleJson();
    if (c.stored) {
        value["segments"][0]["speaker"] = *c.stored;
    }
    auto document = transcriptDocumentFromJson(value);
    EXPECT_EQ(document.segments[0].speaker, c.read);
    EXPECT_EQ(document.hasSpeakers(), c.read.has_value());
    if (!c.writtenBack) {
        value["segments"][0].erase("speaker");
    }
    EXPECT_EQ(toJson(document), value);
}

INSTANTIATE_TEST_SUITE_P(Values, SpeakerKeys,
                         testing::Values(SpeakerCase{"absent", std::nullopt, std::nullopt, true},
                                         SpeakerCase{"me", "me", Speaker::me, true},
                                         SpeakerCase{"others", "others", Speaker::others, true},
                                         SpeakerCase{"later", "interpreter", std::nullopt, false},
                                         SpeakerCase{"capitalised", "Me", std::nullopt, false},
                                         SpeakerCase{"number", 1, std::nullopt, false}),
                         test::ReadableParamName());

TEST(TranscriptDocument, KeepsEachSegmentsSpeaker) {
    Transcript transcript;
    transcript.segments = {{0, 1, " Hi", {}, Speaker::others}, {1, 2, "Hello", {}, Speaker::me}};
    TranscriptDocument document(transcript, system_clock::time_point{});
    EXPECT_EQ(document.segments[0].speaker, Speaker::others);
    EXPECT_EQ(document.segments[1].speaker, Speaker::me);
    EXPECT_EQ(transcriptDocumentFromJson(toJson(document)), document);
}

struct DateCase {
    const char* text;
    std::optional<sys_seconds> expected; // none: rejected

    friend void PrintTo(const DateCase& c, std::ostream* out) { *out << c.text; }
};

class TranscribedAtDates : public testing::TestWithParam<DateCase> {};

TEST_P(TranscribedAtDates, AcceptOnlyTheInternetForm) {
    auto json = sampleJson();
    json["transcribedAt"] = GetParam().text;
    if (GetParam().expected) {
        EXPECT_EQ(transcriptDocumentFromJson(json).transcribedAt, *GetParam().expected);
    } else {
        EXPECT_THROW(transcriptDocumentFromJson(json), JsonDecodingError);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TranscribedAtDates,
    testing::Values(DateCase{"1970-01-01T00:00:00Z", sys_seconds{}},
                    DateCase{"2024-02-29T23:59:59Z", sys_days(2024y / 2 / 29) + 86399s},
                    DateCase{"2025-03-07T10:15:02+01:00", sys_days(2025y / 3 / 7) + 33302s},
                    DateCase{"2025-03-07T08:45:02-00:30", sys_days(2025y / 3 / 7) + 33302s},
                    DateCase{"2025-03-07T09:15:02.750Z", std::nullopt},
                    DateCase{"2025-03-07 09:15:02Z", std::nullopt},
                    DateCase{"2025-02-29T09:15:02Z", std::nullopt},
                    DateCase{"2025-03-07T24:00:00Z", std::nullopt},
                    DateCase{"2025-03-07T09:15:02", std::nullopt}, DateCase{"", std::nullopt}),
    test::ReadableParamName());

class MissingKeys : public testing::TestWithParam<std::string> {};

TEST_P(MissingKeys, MakeTheDocumentUndecodable) {
    auto json = sampleJson();
    std::string key = GetParam();
    if (key.starts_with("segment.")) {
        json["segments"][0].erase(key.substr(8));
    } else {
        json.erase(key);
    }
    try {
        transcriptDocumentFromJson(json);
        FAIL() << "decoded without " << key;
    } catch (const JsonDecodingError& error) {
        EXPECT_EQ(error.kind(), JsonDecodingError::Kind::keyNotFound);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, MissingKeys,
                         testing::Values("language", "engine", "model", "audioDuration",
                                         "transcribedAt", "segments", "segment.id", "segment.start",
                                         "segment.end", "segment.text", "segment.originalText"),
                         test::ReadableParamName());

TEST(TranscriptDocumentJson, RejectsUnknownLanguageAndFractionalIds) {
    auto json = sampleJson();
    json["language"] = "fr";
    EXPECT_THROW(transcriptDocumentFromJson(json), JsonDecodingError);
    json = sampleJson();
    json["segments"][0]["id"] = 1.5;
    EXPECT_THROW(transcriptDocumentFromJson(json), JsonDecodingError);
}

} // namespace
} // namespace bw
