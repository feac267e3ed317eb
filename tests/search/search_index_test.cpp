#include "search/search_index.h"

#include "library/library_test_support.h"
#include "platform/atomic_file.h"
#include "search/search_index_error.h"
#include "transcripts/transcript_store.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <map>
#include <thread>

namespace bw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

class SearchIndexTest : public testing::Test {
protected:
    // A recording with a transcript of these segment texts, 10 s apart.
    Uuid add(const std::string& title, const std::vector<std::string>& texts,
             std::int64_t createdAt = 1'700'000'000) {
        LibraryItem item = test::sampleItem(title, createdAt + std::int64_t(items.size()));
        fs::create_directories(store.itemFolderURL(item.id));
        store.save(item);
        if (!texts.empty()) {
            Transcript transcript;
            for (std::size_t i = 0; i < texts.size(); ++i) {
                transcript.segments.push_back({10.0 * double(i), 10.0 * double(i) + 9, texts[i]});
            }
            transcripts.save(TranscriptDocument(transcript, system_clock::now()), item.id);
        }
        items.insert(items.begin(), item); // newest first, as the library lists them
        return item.id;
    }

    void edit(const Uuid& id, std::size_t segment, const std::string& text) {
        auto document = *transcripts.load(id);
        document.segments[segment].text = text;
        transcripts.save(document, id);
    }

    SearchIndex::Update update(std::optional<std::set<Uuid>> changed = std::nullopt) {
        return index->update(store, items, changed);
    }

    // The recordings the query finds, in the order found.
    std::vector<Uuid> found(const std::string& typed) {
        std::vector<Uuid> ids;
        if (const auto query = SearchQuery::parse(typed)) {
            index->searchRecordings(*query, [&](const RecordingMatch& match) {
                ids.push_back(match.itemID);
                return true;
            });
        }
        return ids;
    }

    fs::path indexFile() const { return SearchIndex::location(store); }

    test::TemporaryFolder root;
    LibraryStore store{root.path()};
    TranscriptStore transcripts{store};
    std::vector<LibraryItem> items;
    std::unique_ptr<SearchIndex> index = std::make_unique<SearchIndex>(indexFile());
};

struct FoldingCase {
    const char* name;
    const char* text;
    const char* typed;
    bool found;
};

class SearchIndexFoldingTest : public SearchIndexTest,
                               public testing::WithParamInterface<FoldingCase> {};

TEST_P(SearchIndexFoldingTest, FindsWordsWhateverTheirCaseAndAccents) {
    const Uuid id = add("Meeting", {"Nothing to see here.", GetParam().text});
    update();
    EXPECT_EQ(found(GetParam().typed),
              GetParam().found ? std::vector<Uuid>{id} : std::vector<Uuid>{});
}

INSTANTIATE_TEST_SUITE_P(
    Languages, SearchIndexFoldingTest,
    testing::Values(
        FoldingCase{"slovak_without_accents", "Je to v rozpočte na budúci rok.", "rozpocte", true},
        FoldingCase{"slovak_prefix", "Stretneme sa v stredu ráno.", "stred*", true},
        FoldingCase{"slovak_accented_query", "Je to v rozpocte.", "ROZPOČTE", true},
        FoldingCase{"czech_without_accents", "Příliš žluťoučký kůň úpěl.", "zlutoucky", true},
        FoldingCase{"czech_two_words", "Příliš žluťoučký kůň úpěl.", "kun prilis", true},
        FoldingCase{"german_sharp_s", "Die Straße ist gesperrt.", "strasse", true},
        FoldingCase{"german_sharp_s_query", "Die Strasse ist gesperrt.", "Straße", true},
        FoldingCase{"german_capital_sharp_s", "DIE STRAẞE", "strasse", true},
        FoldingCase{"german_umlaut", "Das Budget für Berlin.", "fur", true},
        FoldingCase{"english_words_in_any_order", "The budget for Berlin is set.", "berlin budget",
                    true},
        FoldingCase{"english_phrase", "The budget for Berlin is set.", "\"for Berlin\"", true},
        FoldingCase{"english_phrase_out_of_order", "The budget for Berlin is set.",
                    "\"Berlin for\"", false},
        FoldingCase{"polish_stroke", "Spotkanie w Łodzi.", "lodzi", true},
        FoldingCase{"a_word_is_not_a_prefix", "Stretneme sa v stredu.", "stred", false},
        FoldingCase{"every_word_is_needed", "The budget for Berlin.", "budget Paris", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SearchIndexTest, FindsRecordingsNewestFirstWithTheirBestSegmentAndTitle) {
    const Uuid older = add("Budget review", {"Nothing here.", "The budget.", "Budget, budget."});
    const Uuid newer = add("Standup", {"A budget for Berlin."});
    add("Other", {"Nothing at all."});
    update();

    std::vector<RecordingMatch> matches;
    index->searchRecordings(*SearchQuery::parse("budget"), [&](const RecordingMatch& match) {
        matches.push_back(match);
        return true;
    });
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(matches[0].itemID, newer);
    EXPECT_FALSE(matches[0].titleMatches);
    EXPECT_EQ(matches[1].itemID, older);
    EXPECT_TRUE(matches[1].titleMatches);
    EXPECT_EQ(matches[1].segmentCount, 2);
    ASSERT_TRUE(matches[1].best.has_value());
    EXPECT_EQ(matches[1].best->segment, 2); // two hits beat one
    EXPECT_EQ(matches[1].best->start, 20.0);
    EXPECT_EQ(matches[1].best->snippet.text, "Budget, budget.");
    EXPECT_EQ(matches[1].best->snippet.marks, (std::vector<MarkedText::Mark>{{0, 6}, {8, 6}}));

    // Every match in order, the title first; the caller may stop early and skip recordings.
    std::vector<std::pair<Uuid, std::optional<std::int64_t>>> all;
    index->search(
        *SearchQuery::parse("budget"),
        [&](const SearchMatch& match) {
            all.emplace_back(match.itemID, match.segment);
            return all.size() < 2;
        },
        [&](const Uuid& id) { return id == older; });
    EXPECT_EQ(all, (std::vector<std::pair<Uuid, std::optional<std::int64_t>>>{{older, std::nullopt},
                                                                              {older, 1}}));

    const auto segments = index->matchesIn(older, *SearchQuery::parse("budget"));
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].segment, 1);
    EXPECT_EQ(segments[0].text.text, "The budget.");
    EXPECT_EQ(segments[0].text.marks, (std::vector<MarkedText::Mark>{{4, 6}}));
}

TEST_F(SearchIndexTest, KeepsUpWithEditsRenamesAndDeletesReadingOnlyWhatChanged) {
    const Uuid talk = add("Talk", {"The old wording.", "Something else."});
    const Uuid other = add("Other", {"Unrelated."});
    EXPECT_EQ(update(), (SearchIndex::Update{2, 0}));
    EXPECT_EQ(update(), (SearchIndex::Update{0, 0}));

    edit(talk, 0, "The new wording.");
    // Told about the other folder only, the index does not look at this transcript.
    EXPECT_EQ(update(std::set<Uuid>{other}), (SearchIndex::Update{0, 0}));
    EXPECT_EQ(found("new"), std::vector<Uuid>{});
    EXPECT_EQ(update(std::set<Uuid>{talk}), (SearchIndex::Update{1, 0}));
    EXPECT_EQ(found("new"), std::vector<Uuid>{talk});
    EXPECT_EQ(found("old"), std::vector<Uuid>{});

    items[1].title = "Renamed keynote"; // items are newest first: [other, talk]
    EXPECT_EQ(update(std::set<Uuid>{}), (SearchIndex::Update{1, 0}));
    EXPECT_EQ(found("keynote"), std::vector<Uuid>{talk});
    EXPECT_EQ(found("talk"), std::vector<Uuid>{});

    items.erase(items.begin());
    EXPECT_EQ(update(std::set<Uuid>{}), (SearchIndex::Update{0, 1}));
    EXPECT_EQ(found("unrelated"), std::vector<Uuid>{});
    EXPECT_EQ(index->recordingCount(), 1u);
    EXPECT_EQ(index->rowCount(), 3u); // the title and two segments
}

TEST_F(SearchIndexTest, ReadsASpeakerAndSkipsATranscriptItCannotRead) {
    const Uuid spoken = add("Call", {"Hello there."});
    const Uuid broken = add("Broken", {"Findable words."});
    // A speaker key, as a newer program writes it.
    auto text = test::readText(transcripts.fileURL(spoken));
    const auto at = text.find("\"start\"");
    text.insert(at, "\"speaker\": \"Others\",\n");
    writeFileAtomically(transcripts.fileURL(spoken), text, FileAccess::ownerOnly);
    writeFileAtomically(transcripts.fileURL(broken), "{ damaged", FileAccess::ownerOnly);
    update();

    std::vector<SearchMatch> matches;
    index->search(*SearchQuery::parse("hello"), [&](const SearchMatch& match) {
        matches.push_back(match);
        return true;
    });
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].speaker, "Others");
    EXPECT_EQ(found("findable"), std::vector<Uuid>{});
    EXPECT_EQ(found("broken"), std::vector<Uuid>{broken}); // its title is still there
}

std::map<fs::path, std::string> libraryFiles(const fs::path& root) {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() &&
            entry.path().string().find("/.search/") == std::string::npos) {
            files[entry.path()] = test::readText(entry.path());
        }
    }
    return files;
}

TEST_F(SearchIndexTest, ADamagedOrDeletedIndexIsBuiltAgainFromTheLibrary) {
    const Uuid id = add("Talk", {"The budget for Berlin."});
    update();
    const auto before = libraryFiles(root.path());

    index.reset();
    test::writeText(indexFile(), std::string(8192, 'x'));
    index = std::make_unique<SearchIndex>(indexFile());
    EXPECT_EQ(found("budget"), std::vector<Uuid>{});
    EXPECT_EQ(update(), (SearchIndex::Update{1, 0}));
    EXPECT_EQ(found("budget"), std::vector<Uuid>{id});

    // Deleted while open: the next call opens a new file, and the next update fills it.
    fs::remove_all(indexFile().parent_path());
    EXPECT_EQ(found("budget"), std::vector<Uuid>{});
    EXPECT_EQ(update(), (SearchIndex::Update{1, 0}));
    EXPECT_EQ(found("berlin"), std::vector<Uuid>{id});
    EXPECT_EQ(libraryFiles(root.path()), before);
}

// The search's updater and its first query open a new index at the same moment; neither may
// find it locked.
TEST(SearchIndex, TwoThreadsOpeningANewIndexAtOnceBothSucceed) {
    test::TemporaryFolder root;
    int failures = 0;
    for (int round = 0; round < 40; ++round) {
        const fs::path file = root.path() / std::to_string(round) / "index.sqlite";
        std::atomic<int> ready = 0;
        std::atomic<int> failed = 0;
        auto open = [&] {
            ++ready;
            while (ready < 2) {
            }
            try {
                SearchIndex index(file);
            } catch (const SearchIndexError&) {
                ++failed;
            }
        };
        std::thread first(open);
        std::thread second(open);
        first.join();
        second.join();
        failures += failed;
    }
    EXPECT_EQ(failures, 0);
}

TEST_F(SearchIndexTest, ItsFilesArePrivateWhateverTheUmask) {
    index.reset();
    const mode_t previous = ::umask(0);
    index = std::make_unique<SearchIndex>(indexFile());
    add("Talk", {"Private words."});
    update();
    ::umask(previous);
    struct stat status;
    ASSERT_EQ(::stat(indexFile().parent_path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const fs::path file = indexFile().string() + suffix;
        ASSERT_EQ(::stat(file.c_str(), &status), 0) << file;
        EXPECT_EQ(status.st_mode & 0777, 0600u) << file;
    }
}

} // namespace
} // namespace bw
