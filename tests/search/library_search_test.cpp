#include "search/library_search.h"

#include "cli/program_run.h"
#include "library/library_test_support.h"
#include "search/search_index.h"
#include "support/core_application.h"
#include "transcripts/transcript_store.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

class LibrarySearchTest : public testing::Test {
protected:
    // A library of one transcribed recording, made before the models open it.
    LibraryItem makeLibrary() {
        test::coreApplication();
        LibraryStore library(root.path());
        LibraryItem made = test::sampleItem("Weekly sync", 1741939500);
        library.addRecording(made);
        Transcript transcript;
        transcript.segments = {{0, 5, "Good morning."}, {5, 9, "The budget for Berlin."}};
        TranscriptStore(library).save(TranscriptDocument(transcript, {}), made.id);
        return made;
    }

    // The recordings the search finds for `text`, once it has found them all.
    std::vector<Uuid> found(const std::string& text) {
        search.setText(text);
        EXPECT_TRUE(test::waitUntil([&] { return search.isComplete(); }));
        std::vector<Uuid> ids;
        for (const auto& [id, match] : search.matches()) {
            ids.push_back(id);
        }
        return ids;
    }

    bool finds(const std::string& text, int timeoutMs) {
        return test::waitUntil([&] { return found(text) == std::vector<Uuid>{item.id}; },
                               timeoutMs);
    }

    test::TemporaryFolder root;
    LibraryItem item = makeLibrary();
    AlertCentre alerts;
    LibraryModel library{LibraryStore(root.path()), alerts};
    LibrarySearch search{library, SearchIndex::location(library.store())};
};

TEST_F(LibrarySearchTest, AnEditInAnotherProcessIsFoundWithinASecond) {
    ASSERT_TRUE(finds("berlin", 10000));
    EXPECT_EQ(found("paris"), std::vector<Uuid>{});

    const auto edit = test::runCapturing("'" BW_BINARY_DIR "/bin/brindlewick' transcript edit " +
                                             item.id.string() + " 1 'The budget for Paris.'" +
                                             " --library " + test::shellQuoted(root.path()),
                                         root.path());
    ASSERT_EQ(edit.status, 0) << edit.err;
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(finds("paris", 1000)) << "after " << clock.elapsed() << " ms";
    EXPECT_EQ(found("berlin"), std::vector<Uuid>{});
    found("paris");

    const auto segments = search.matchesIn(item.id);
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].segment, 1);
    EXPECT_EQ(segments[0].text.text, "The budget for Paris.");
}

TEST_F(LibrarySearchTest, AnIndexDeletedWhileRunningIsBuiltAgain) {
    ASSERT_TRUE(finds("budget", 30000));
    fs::remove_all(SearchIndex::location(library.store()).parent_path());
    search.setText("");
    EXPECT_TRUE(finds("morning", 30000));
    EXPECT_TRUE(fs::exists(SearchIndex::location(library.store())));
}

} // namespace
} // namespace bw
