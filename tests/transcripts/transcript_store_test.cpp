#include "base/json_decoding_error.h"
#include "platform/file_error.h"
#include "transcripts/transcript_store.h"
#include "transcripts/transcript_store_error.h"

#include "library/library_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace bw {
namespace {

using namespace std::chrono;

const Uuid itemID = *Uuid::parse("6F9619FF-8B86-D011-B42D-00C04FC964FF");

class TranscriptStoreTest : public testing::Test {
protected:
    TranscriptStoreTest() { std::filesystem::create_directories(folder.path() / itemID.string()); }

    TranscriptDocument sampleDocument() const {
        Transcript transcript;
        transcript.language = TranscriptionLanguage::english;
        transcript.engine = "whisper.cpp 1.9.1";
        transcript.model = "tiny/q5";
        transcript.audioDuration = 11;
        transcript.segments = {{0, 4.5, " And so my fellow Americans,\n"}, {4.5, 11, "ask not"}};
        return TranscriptDocument(transcript, sys_days(2025y / 3 / 7) + 12h + 750ms);
    }

    std::filesystem::path file() const { return store.fileURL(itemID); }

    test::TemporaryFolder folder;
    TranscriptStore store{LibraryStore(folder.path())};
};

TEST_F(TranscriptStoreTest, AnItemWithoutTranscriptHasNone) {
    EXPECT_EQ(store.load(itemID), std::nullopt);
    EXPECT_EQ(store.load(Uuid::random()), std::nullopt);
}

TEST_F(TranscriptStoreTest, SavedDocumentReloadsEqualWithWholeSeconds) {
    auto document = sampleDocument();
    store.save(document, itemID);
    auto loaded = store.load(itemID);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(*loaded, document);
    EXPECT_EQ(loaded->transcribedAt, sys_days(2025y / 3 / 7) + 12h);
    EXPECT_EQ(loaded->segments[0].text, "And so my fellow Americans,");
}

TEST_F(TranscriptStoreTest, WritesSortedPrettyJsonWithoutEscapingSlashes) {
    store.save(sampleDocument(), itemID);
    std::string text = test::readText(file());
    EXPECT_LT(text.find("\"transcript\""), text.find("\"version\": 1"));
    EXPECT_LT(text.find("\"audioDuration\""), text.find("\"engine\""));
    EXPECT_LT(text.find("\"end\""), text.find("\"originalText\""));
    EXPECT_NE(text.find("\"transcribedAt\": \"2025-03-07T12:00:00Z\""), std::string::npos);
    EXPECT_NE(text.find("\"model\": \"tiny/q5\""), std::string::npos);
    EXPECT_NE(text.find("{\n  \"transcript\""), std::string::npos) << text;
}

TEST_F(TranscriptStoreTest, SavingReplacesTheEarlierTranscriptAndLeavesNoTemporaryFiles) {
    store.save(sampleDocument(), itemID);
    auto edited = sampleDocument();
    edited.segments[1].text = "ask what";
    store.save(edited, itemID);
    EXPECT_EQ(store.load(itemID), edited);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(folder.path() / itemID.string())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
    // Private to the user, like everything in the library.
    EXPECT_EQ(std::filesystem::status(file()).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(TranscriptStoreTest, AFailedSaveLeavesThePreviousFileWhole) {
    store.save(sampleDocument(), itemID);
    std::string before = test::readText(file());
    auto edited = sampleDocument();
    edited.segments[0].text = std::string(100000, 'x');
    {
        test::FailingFileWrites failingWrites;
        EXPECT_THROW(store.save(edited, itemID), FileError);
    }
    EXPECT_EQ(test::readText(file()), before);
}

TEST_F(TranscriptStoreTest, TextCutInsideAUtf8SequenceStillSaves) {
    auto document = sampleDocument();
    document.segments[0].text = "caf\xC3";
    store.save(document, itemID);
    EXPECT_EQ(store.load(itemID)->segments[0].text, "caf\uFFFD");
}

TEST_F(TranscriptStoreTest, SavingForAMissingItemFolderCreatesNothing) {
    std::filesystem::remove_all(folder.path() / itemID.string());
    try {
        store.save(sampleDocument(), itemID);
        FAIL();
    } catch (const TranscriptStoreError& error) {
        EXPECT_EQ(error, TranscriptStoreError::itemNotFound());
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path() / itemID.string()));

    test::writeText(folder.path() / itemID.string(), "not a folder");
    EXPECT_THROW(store.save(sampleDocument(), itemID), TranscriptStoreError);
    EXPECT_EQ(test::readText(folder.path() / itemID.string()), "not a folder");
}

// Another process deleting recordings while their transcripts are being saved: each save lands
// whole before the delete or finds the recording gone, and never fails half-way.
TEST_F(TranscriptStoreTest, SavesRacingDeletesOfTheirRecordingsEndCleanly) {
    const LibraryStore library(folder.path());
    std::vector<Uuid> ids;
    for (int i = 0; i < 20; ++i) {
        auto item = test::sampleItem("Take " + std::to_string(i), i);
        library.addRecording(item);
        ids.push_back(item.id);
    }
    std::vector<std::atomic<int>> saves(ids.size());
    std::vector<std::string> endings(ids.size());
    std::atomic<size_t> ended = 0;
    std::thread saver([&] {
        // A store of its own, as in another process.
        const TranscriptStore other{LibraryStore(folder.path())};
        for (size_t i = 0; i < ids.size(); ++i) {
            try {
                for (;; ++saves[i]) {
                    other.save(sampleDocument(), ids[i]);
                }
            } catch (const TranscriptStoreError& error) {
                endings[i] = error == TranscriptStoreError::itemNotFound() ? "gone" : error.what();
            } catch (const std::exception& error) {
                endings[i] = error.what();
            }
            ++ended;
        }
    });
    for (size_t i = 0; i < ids.size(); ++i) {
        while (saves[i] == 0 && ended <= i) {
            std::this_thread::yield();
        }
        library.deleteItem(ids[i]);
    }
    saver.join();
    EXPECT_EQ(endings, std::vector<std::string>(ids.size(), "gone"));
    EXPECT_TRUE(library.loadItems().empty());
}

struct StoredFileCase {
    const char* name;
    const char* content;
    enum { loads, unsupported, undecodable } outcome;
    std::int64_t version = 0;
};

class StoredFiles : public testing::TestWithParam<StoredFileCase> {};

TEST_P(StoredFiles, AreReadOrRejected) {
    test::TemporaryFolder folder;
    std::filesystem::create_directories(folder.path() / itemID.string());
    TranscriptStore store{LibraryStore(folder.path())};
    test::writeText(store.fileURL(itemID), GetParam().content);
    switch (GetParam().outcome) {
    case StoredFileCase::loads:
        EXPECT_TRUE(store.load(itemID));
        break;
    case StoredFileCase::unsupported:
        try {
            store.load(itemID);
            FAIL();
        } catch (const TranscriptStoreError& error) {
            EXPECT_EQ(error, TranscriptStoreError::unsupportedVersion(GetParam().version));
        }
        break;
    case StoredFileCase::undecodable:
        EXPECT_THROW(store.load(itemID), JsonDecodingError);
        break;
    }
}

#define BW_DOCUMENT(segment)                                                                       \
    R"("transcript": {"audioDuration": 1, "engine": "e", "language": "sk", "model": "m",)"         \
    R"( "transcribedAt": "2025-01-01T00:00:00Z", "segments": [)" segment "]}"
#define BW_SEGMENT R"({"id": 0, "start": 0, "end": 1, "text": "a", "originalText": "a"})"
#define BW_SEGMENT_WITH_ID(id)                                                                     \
    R"({"id": )" id R"(, "start": 0, "end": 1, "text": "a", "originalText": "a"})"
#define BW_SEGMENT_WITHOUT_ORIGINAL R"({"id": 0, "start": 0, "end": 1, "text": "a"})"

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredFiles,
    testing::Values(StoredFileCase{"Version1", "{\"version\": 1, " BW_DOCUMENT(BW_SEGMENT) "}",
                                   StoredFileCase::loads},
                    StoredFileCase{"Version0", "{\"version\": 0, " BW_DOCUMENT(BW_SEGMENT) "}",
                                   StoredFileCase::loads},
                    StoredFileCase{"Version2BeforeTheRestIsDecoded",
                                   R"({"version": 2, "transcript": 7})",
                                   StoredFileCase::unsupported, 2},
                    StoredFileCase{"MissingOriginalText",
                                   "{\"version\": 1, " BW_DOCUMENT(BW_SEGMENT_WITHOUT_ORIGINAL) "}",
                                   StoredFileCase::undecodable},
                    StoredFileCase{"MissingVersion", "{" BW_DOCUMENT(BW_SEGMENT) "}",
                                   StoredFileCase::undecodable},
                    StoredFileCase{"TextVersion",
                                   "{\"version\": \"1\", " BW_DOCUMENT(BW_SEGMENT) "}",
                                   StoredFileCase::undecodable},
                    StoredFileCase{"IdsOutOfOrder",
                                   "{\"version\": 1, " BW_DOCUMENT(
                                       BW_SEGMENT_WITH_ID("5") ", " BW_SEGMENT_WITH_ID("2")) "}",
                                   StoredFileCase::loads},
                    StoredFileCase{"TwoSegmentsWithOneId",
                                   "{\"version\": 1, " BW_DOCUMENT(
                                       BW_SEGMENT_WITH_ID("5") ", " BW_SEGMENT_WITH_ID("5")) "}",
                                   StoredFileCase::undecodable},
                    StoredFileCase{"Truncated", "{", StoredFileCase::undecodable},
                    StoredFileCase{"Empty", "", StoredFileCase::undecodable},
                    StoredFileCase{"NotAnObject", "[1]", StoredFileCase::undecodable}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace bw
