// The search index over a large library: generates a library of N recordings with S segments
// each in four languages (once, cached in the given folder), then measures building the index
// from nothing, the first 50 results of typical queries (single words common and rare, two
// words, a phrase, prefixes, accents left out), the same queries as a plain scan of the JSON
// files, and bringing the index up to date after one transcript is saved.
//   bw_search_bench DIR [COUNT [SEGMENTS]]
// Wall and processor time (this thread) are both reported: on a busy machine wall time mostly
// measures waiting for a core.
#include "bench_support.h"
#include "search/search_index.h"
#include "transcripts/transcript_document_json.h"
#include "transcripts/transcript_store.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using bw::bench::report;
using bw::bench::timed;
using bw::bench::Timing;

// Common words of the four languages, most frequent first within each, and the words the
// queries look for.
const std::vector<std::string> commonWords = {
    "the",       "a",      "to",      "and",     "of",       "is",       "that",    "we",
    "it",        "for",    "in",      "you",     "this",     "on",       "so",      "have",
    "je",        "to",     "a",       "sa",      "na",       "že",       "v",       "by",
    "ale",       "tak",    "som",     "aj",      "ako",      "ste",      "ešte",    "teda",
    "die",       "und",    "der",     "das",     "ist",      "wir",      "nicht",   "ich",
    "es",        "sie",    "mit",     "auf",     "für",      "dass",     "auch",    "noch",
    "se",        "že",     "jsem",    "jsme",    "být",      "který",    "také",    "když",
    "budget",    "Berlin", "project", "meeting", "customer", "rozpočte", "stredu",  "Straße",
    "žluťoučký", "středu", "Projekt", "Kunden",  "termín",   "zmluva",   "Vertrag", "schedule",
};

const std::vector<std::string> syllables = {
    "ka",   "ro",  "po", "če", "žlu", "ťou", "stra", "be",  "ber", "lin", "ge",
    "mein", "der", "te", "na", "je",  "se",  "ne",   "pra", "vo",  "du",  "mi",
    "tel",  "ko",  "lo", "bu", "dg",  "et",  "ar",   "ter", "ung", "en",  "st",
    "ře",   "ů",   "ý",  "ä",  "ö",   "ü",   "ß",    "sch", "ver", "ing", "tion"};

// A vocabulary with a long tail: the common words, then 40,000 made-up words of two to four
// syllables; drawn with Zipf's law, so a few words are in most segments and most are rare.
class Vocabulary {
public:
    explicit Vocabulary(std::mt19937& random) {
        words = commonWords;
        std::uniform_int_distribution<std::size_t> syllable(0, syllables.size() - 1);
        std::uniform_int_distribution<int> length(2, 4);
        while (words.size() < 40000) {
            std::string word;
            for (int i = length(random); i > 0; --i) {
                word += syllables[syllable(random)];
            }
            words.push_back(word);
        }
        std::vector<double> weights;
        for (std::size_t i = 0; i < words.size(); ++i) {
            weights.push_back(1.0 / double(i + 1));
        }
        m_draw = std::discrete_distribution<std::size_t>(weights.begin(), weights.end());
    }

    std::string sentence(std::mt19937& random) {
        std::uniform_int_distribution<int> length(6, 16);
        std::string text;
        for (int i = length(random); i > 0; --i) {
            text += (text.empty() ? "" : " ") + words[m_draw(random)];
        }
        return text + ".";
    }

    std::vector<std::string> words;

private:
    std::discrete_distribution<std::size_t> m_draw;
};

void generate(const fs::path& root, int count, int segments) {
    fs::remove_all(root);
    fs::create_directories(root);
    std::mt19937 random(2025);
    Vocabulary vocabulary(random);
    const auto start = std::chrono::sys_seconds(std::chrono::seconds(1700000000));
    for (int i = 0; i < count; ++i) {
        bw::LibraryItem item{bw::Uuid::random(),
                             "Meeting " + std::to_string(i) + " " + vocabulary.words[i % 400],
                             start + std::chrono::seconds(i * 3600),
                             double(segments) * 6,
                             bw::LibraryItem::Origin::recorded,
                             bw::LibraryItem::State::complete,
                             "audio.caf",
                             std::nullopt,
                             std::nullopt,
                             std::nullopt,
                             std::nullopt};
        const fs::path folder = root / item.id.string();
        fs::create_directories(folder);
        bw::Transcript transcript;
        transcript.engine = "whisper.cpp";
        transcript.model = "base";
        transcript.audioDuration = item.duration;
        for (int s = 0; s < segments; ++s) {
            transcript.segments.push_back({s * 6.0, s * 6.0 + 5.5, vocabulary.sentence(random)});
        }
        bw::TranscriptDocument document(transcript, start);
        // Plain writes: this is set-up, not the program writing its library.
        std::ofstream(folder / "item.json")
            << bw::prettyJsonText({{"version", 1}, {"item", bw::toJson(item)}});
        std::ofstream(folder / "transcript.json")
            << bw::prettyJsonText({{"version", 1}, {"transcript", bw::toJson(document)}});
    }
}

// The plain scan a search without an index would do: read every transcript file, and look for
// the word in each segment's text, accents and case taken away as the index does.
class PlainScan {
public:
    PlainScan() {
        UErrorCode status = U_ZERO_ERROR;
        m_fold.reset(icu::Transliterator::createInstance(
            "NFD; [:Nonspacing Mark:] Remove; Lower; NFC", UTRANS_FORWARD, status));
    }

    std::string fold(const std::string& text) const {
        icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
        m_fold->transliterate(unicode);
        std::string folded;
        unicode.toUTF8String(folded);
        return folded;
    }

    // Segments found, until `limit`.
    int run(const bw::LibraryStore& store, const std::vector<bw::LibraryItem>& items,
            const std::string& word, int limit) const {
        const std::string wanted = fold(word);
        const bw::TranscriptStore transcripts(store);
        int found = 0;
        for (const auto& item : items) {
            const auto document = transcripts.load(item.id);
            if (!document) {
                continue;
            }
            for (const auto& segment : document->segments) {
                if (fold(segment.text).find(wanted) != std::string::npos && ++found >= limit) {
                    return found;
                }
            }
        }
        return found;
    }

private:
    std::unique_ptr<icu::Transliterator> m_fold;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bw_search_bench DIR [COUNT [SEGMENTS]]\n");
        return 2;
    }
    const fs::path root = argv[1];
    const int count = argc > 2 ? std::stoi(argv[2]) : 10000;
    const int segments = argc > 3 ? std::stoi(argv[3]) : 300;
    const fs::path marker = root / ".generated";
    const std::string wanted = std::to_string(count) + " " + std::to_string(segments);
    std::string have;
    std::getline(std::ifstream(marker), have);
    if (have != wanted) {
        std::printf("generating %d recordings of %d segments in %s\n", count, segments,
                    root.c_str());
        generate(root, count, segments);
        std::ofstream(marker) << wanted << "\n";
    }
    const bw::LibraryStore store(root);
    const auto items = store.loadItems();
    const fs::path file = bw::SearchIndex::location(store);
    fs::remove_all(file.parent_path());

    std::unique_ptr<bw::SearchIndex> index;
    bw::SearchIndex::Update built;
    const Timing build = timed([&] {
        index = std::make_unique<bw::SearchIndex>(file);
        built = index->update(store, items);
    });
    std::printf("index built: %zu recordings, %zu rows, %.1f MB\n", built.indexed,
                index->rowCount(), double(fs::file_size(file)) / 1e6);
    report("building the index (goal < 120000 ms)", {build});

    const std::vector<std::string> queries = {
        "the",    "budget", "budget berlin", "\"budget for\"", "rozpocte", "zlutoucky",  "strasse",
        "stred*", "ber*",   "stra*",         "mein*",          "kastrabe", "nonexistent"};
    const int rounds = 21;
    std::printf("\nfirst 50 results (goal: median and p95 < 50 ms)\n");
    for (const auto& typed : queries) {
        const auto query = *bw::SearchQuery::parse(typed);
        std::vector<Timing> matches, recordings;
        int found = 0;
        for (int round = 0; round < rounds; ++round) {
            found = 0;
            matches.push_back(timed([&] {
                index->search(query, [&](const bw::SearchMatch&) { return ++found < 50; });
            }));
            int shown = 0;
            recordings.push_back(timed([&] {
                index->searchRecordings(query,
                                        [&](const bw::RecordingMatch&) { return ++shown < 50; });
            }));
        }
        report("  matches    " + typed, matches, "(" + std::to_string(found) + " found)");
        report("  recordings " + typed, recordings);
    }

    std::printf("\nevery matching recording (the recording list's whole result)\n");
    for (const auto& typed : {"the", "budget", "stra*", "rozpocte"}) {
        int shown = 0;
        const auto query = *bw::SearchQuery::parse(typed);
        const Timing all = timed([&] {
            index->searchRecordings(query, [&](const bw::RecordingMatch&) {
                ++shown;
                return true;
            });
        });
        report(std::string("  ") + typed, {all}, "(" + std::to_string(shown) + " recordings)");
    }

    std::printf("\nthe same without the index: a plain scan of the JSON files\n");
    const PlainScan scan;
    for (const auto& word : {"budget", "kastrabe", "nonexistent"}) {
        int found = 0;
        const Timing first = timed([&] { found = scan.run(store, items, word, 50); });
        report(std::string("  first 50 ") + word, {first}, "(" + std::to_string(found) + " found)");
    }

    std::printf("\nbringing the index up to date after one transcript is saved\n");
    const bw::TranscriptStore transcripts(store);
    std::vector<Timing> told, scanned;
    std::mt19937 random(7);
    for (int round = 0; round < rounds; ++round) {
        const auto& item = items[std::size_t(random()) % items.size()];
        auto document = *transcripts.load(item.id);
        document.segments[0].text = "Edited budget wording " + std::to_string(round);
        transcripts.save(document, item.id);
        told.push_back(timed([&] { index->update(store, items, std::set<bw::Uuid>{item.id}); }));
        document.segments[0].text = "Edited again " + std::to_string(round);
        transcripts.save(document, item.id);
        scanned.push_back(timed([&] { index->update(store, items); }));
    }
    report("  its folder named by the watch (goal < 50)", told);
    report("  every transcript file looked at", scanned);
    return 0;
}
