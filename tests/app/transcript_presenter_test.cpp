// The transcript area's logic without widgets: when the editor model is loaded, saved and let
// go, and that whoever shows it hears of its going while it still exists.
#include "app/transcript_presenter.h"

#include "fakes/scripted_transcription_engine.h"
#include "library/library_model.h"
#include "library/library_test_support.h"
#include "service/transcription_service.h"
#include "support/core_application.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bw {
namespace {

TEST(TranscriptPresenterTest, KeepsOneEditorPerTranscriptAndSavesItWhenNothingIsShown) {
    test::coreApplication();
    test::TemporaryFolder folder;
    const LibraryStore store(folder.path());
    auto item = test::sampleItem("Talk", 1'700'000'000);
    item.audioFileName = "audio.wav";
    std::filesystem::create_directories(store.itemFolderURL(item.id));
    test::writeWav(store.audioFileURL(item), 2);
    store.save(item);
    const auto engine = std::make_shared<test::ScriptedTranscriptionEngine>();
    engine->result.segments = {{0, 1, "First"}};
    AlertCentre alerts;
    LibraryModel library(store, alerts);
    TranscriptionService service(store, [&] { return engine; });
    TranscriptPresenter presenter(library, service, nullptr);

    // What happened, with the text of the editor there was at that moment.
    std::vector<std::string> events;
    auto text = [&] {
        const auto* editor = presenter.editor();
        return editor ? editor->document().segments.at(0).text : std::string("none");
    };
    QObject::connect(&presenter, &TranscriptPresenter::editorOpened,
                     [&] { events.push_back("opened " + text()); });
    QObject::connect(&presenter, &TranscriptPresenter::editorClosing,
                     [&] { events.push_back("closing " + text()); });

    presenter.showItem(item.id);
    EXPECT_TRUE(presenter.parts().prompt);
    presenter.startTranscription();
    ASSERT_TRUE(
        test::waitUntil([&] { return !service.isRunning() && presenter.editor() != nullptr; }));
    EXPECT_TRUE(presenter.parts().editor);
    EXPECT_FALSE(presenter.parts().prompt);

    engine->result.segments = {{0, 1, "Second"}};
    presenter.startTranscription();
    ASSERT_TRUE(test::waitUntil([&] { return !service.isRunning() && text() == "Second"; }));

    presenter.editor()->setText("Edited", 0);
    presenter.showItem(std::nullopt);
    EXPECT_EQ(presenter.editor(), nullptr);
    EXPECT_EQ(service.transcripts().load(item.id)->segments.at(0).text, "Edited");
    presenter.showItem(item.id); // loaded afresh, though no new transcript was saved
    EXPECT_EQ(events, (std::vector<std::string>{"opened First", "closing First", "opened Second",
                                                "closing Edited", "opened Edited"}));
}

} // namespace
} // namespace bw
