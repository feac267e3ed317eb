#include "transcripts/transcript_editor_model.h"

#include "library/library_test_support.h"
#include "support/core_application.h"
#include "transcripts/transcript_store_error.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace bw {
namespace {

namespace fs = std::filesystem;

using namespace std::chrono_literals;

const Uuid itemID = *Uuid::parse("6F9619FF-8B86-D011-B42D-00C04FC964FF");

class TranscriptEditorModelTest : public testing::Test {
protected:
    TranscriptEditorModelTest() {
        test::coreApplication();
        fs::create_directories(folder.path() / itemID.string());
        Transcript transcript;
        transcript.language = TranscriptionLanguage::german;
        transcript.segments = {{0, 2, "Guten Tag"}, {2, 4, "zusammen"}};
        store.save(TranscriptDocument(transcript, std::chrono::system_clock::now()), itemID);
    }

    std::unique_ptr<TranscriptEditorModel> load() {
        auto model = TranscriptEditorModel::load(itemID, store);
        EXPECT_TRUE(model);
        return model;
    }

    std::string storedText(std::size_t segment) const {
        return store.load(itemID)->segments.at(segment).text;
    }

    test::TemporaryFolder folder;
    TranscriptStore store{LibraryStore(folder.path())};
};

TEST_F(TranscriptEditorModelTest, LoadingWithoutTranscriptGivesNoModelAndNewerFilesThrow) {
    EXPECT_EQ(TranscriptEditorModel::load(Uuid::random(), store), nullptr);
    test::writeText(store.fileURL(itemID), R"({"version": 2, "transcript": {}})");
    EXPECT_THROW(TranscriptEditorModel::load(itemID, store), TranscriptStoreError);
}

TEST_F(TranscriptEditorModelTest, ChangesThatChangeNothingScheduleNothing) {
    auto model = load();
    QSignalSpy documentChanges(model.get(), &TranscriptEditorModel::documentChanged);
    model->setText("Guten Tag", 0); // the text it already has
    model->setText("x", -1);
    model->setText("x", 2);
    EXPECT_EQ(documentChanges.count(), 0);
    EXPECT_FALSE(model->hasUnsavedChanges());
    EXPECT_FALSE(model->hasPendingSave());

    // With nothing unsaved, a flush writes nothing: the removed file stays removed.
    fs::remove(store.fileURL(itemID));
    model->saveNow();
    EXPECT_FALSE(fs::exists(store.fileURL(itemID)));
}

TEST_F(TranscriptEditorModelTest, TenChangesTenthOfASecondApartGiveOneSaveHalfASecondAfterTheLast) {
    auto model = load();
    QSignalSpy unsaved(model.get(), &TranscriptEditorModel::hasUnsavedChangesChanged);
    QElapsedTimer sinceLastChange;
    for (int i = 1; i <= 10; ++i) {
        model->setText("Guten Tag " + std::to_string(i), 0);
        sinceLastChange.start();
        EXPECT_EQ(unsaved.count(), 1) << "saved before change " << i;
        if (i < 10) {
            QTest::qWait(100);
        }
    }
    EXPECT_EQ(storedText(0), "Guten Tag");
    ASSERT_TRUE(test::waitUntil([&] { return !model->hasUnsavedChanges(); }));
    EXPECT_GE(sinceLastChange.elapsed(), 500);
    EXPECT_LT(sinceLastChange.elapsed(), 5000); // generous: the machine may be busy
    EXPECT_EQ(unsaved.count(), 2);              // dirty once, clean once: a single save
    EXPECT_EQ(storedText(0), "Guten Tag 10");
    EXPECT_EQ(model->document().segments[0].originalText, "Guten Tag");
}

TEST_F(TranscriptEditorModelTest, FailedSaveKeepsTheEditAndTheNextSaveRetries) {
    auto model = load();
    model->setText("Hallo", 0);
    {
        test::FailingFileWrites failing;
        model->saveNow();
    }
    ASSERT_TRUE(model->saveError());
    EXPECT_TRUE(model->saveError()->starts_with(
        "The transcript couldn't be saved. Check that this computer has enough free disk "
        "space, then try again. (“transcript.json” couldn't "))
        << *model->saveError();
    EXPECT_TRUE(model->hasUnsavedChanges());
    EXPECT_FALSE(model->hasPendingSave());
    EXPECT_EQ(storedText(0), "Guten Tag");

    model->setText("Hallo zusammen", 0); // the next change schedules the retry
    ASSERT_TRUE(test::waitUntil([&] { return !model->hasUnsavedChanges(); }));
    EXPECT_EQ(model->saveError(), std::nullopt);
    EXPECT_EQ(storedText(0), "Hallo zusammen");
}

TEST_F(TranscriptEditorModelTest, DeletedRecordingSavesSilentlyIntoNothing) {
    auto model = load();
    fs::remove_all(folder.path() / itemID.string());
    model->setText("Hallo", 1);
    model->saveNow();
    EXPECT_FALSE(model->hasUnsavedChanges());
    EXPECT_EQ(model->saveError(), std::nullopt);
    EXPECT_FALSE(fs::exists(folder.path() / itemID.string()));
}

TEST_F(TranscriptEditorModelTest, DroppingTheModelDiscardsTheScheduledSave) {
    load()->setText("Hallo", 0);
    QTest::qWait(800);
    EXPECT_EQ(storedText(0), "Guten Tag");
}

// Another process rewrites the transcript while it is open.
TEST_F(TranscriptEditorModelTest, ChangesElsewhereReloadAndUnsavedEditsMergeWithThem) {
    auto model = load();
    QSignalSpy reloads(model.get(), &TranscriptEditorModel::reloaded);
    auto changed = *store.load(itemID);
    changed.segments[1].text = "alle";
    store.save(changed, itemID);
    ASSERT_TRUE(test::waitUntil([&] { return reloads.count() == 1; }, 5000));
    EXPECT_EQ(model->document(), changed);

    // Unsaved here: the change elsewhere is kept beside it, and shown.
    model->setText("Grüß Gott", 0);
    changed.segments[1].text = "niemand";
    store.save(changed, itemID);
    ASSERT_TRUE(test::waitUntil([&] { return !model->hasUnsavedChanges(); }, 5000));
    EXPECT_EQ(storedText(0), "Grüß Gott");
    EXPECT_EQ(storedText(1), "niemand");
    EXPECT_EQ(model->document(), *store.load(itemID));
    EXPECT_EQ(reloads.count(), 2);

    // Both changed one segment: the text edited here wins.
    model->setText("hier", 1);
    changed = *store.load(itemID);
    changed.segments[1].text = "dort";
    store.save(changed, itemID);
    model->saveNow();
    EXPECT_EQ(storedText(1), "hier");
}

// Two editors of one transcript (a window and a command) that each change their own segment,
// saving in turn without reloading between: neither edit is lost.
TEST_F(TranscriptEditorModelTest, EditorsOfDifferentSegmentsKeepEachOthersEdits) {
    auto first = load();
    auto second = load();
    first->setText("Hallo", 0);
    second->setText("alle", 1);
    first->saveNow();
    second->saveNow();
    EXPECT_EQ(storedText(0), "Hallo");
    EXPECT_EQ(storedText(1), "alle");
    EXPECT_EQ(second->document().segments[0].text, "Hallo");

    // A new transcription in between is not merged into: the edited document replaces it.
    Transcript transcript;
    transcript.segments = {{0, 1, "neu"}};
    first->setText("Servus", 0);
    store.save(TranscriptDocument(transcript, std::chrono::system_clock::now() + 5s), itemID);
    first->saveNow();
    EXPECT_EQ(store.load(itemID)->segments.size(), 2u);
    EXPECT_EQ(storedText(0), "Servus");
}

// Segment ids are identities, not positions: a file whose ids are 5, 9 and 2 is edited and
// restored segment by segment.
TEST_F(TranscriptEditorModelTest, SegmentsAreFoundByTheirIds) {
    auto document = *store.load(itemID);
    document.segments = {
        {5, 0, 1, "fünf", "fünf"}, {9, 1, 2, "neun", "neun"}, {2, 2, 3, "zwei", "zwei"}};
    store.save(document, itemID);
    auto model = load();
    model->setText("NEUN", 9);
    model->setText("ZWEI", 2);
    model->setText("x", 1); // no segment has this id
    model->saveNow();
    auto stored = *store.load(itemID);
    EXPECT_EQ(stored.segments[0].text, "fünf");
    EXPECT_EQ(stored.segments[1].text, "NEUN");
    EXPECT_EQ(stored.segments[2].text, "ZWEI");
    EXPECT_EQ(stored.segments[2].originalText, "zwei");
}

} // namespace
} // namespace bw
