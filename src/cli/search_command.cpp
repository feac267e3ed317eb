#include "cli/search_command.h"

#include "base/duration_format.h"
#include "base/unicode_text.h"
#include "cli/exit_code.h"
#include "cli/library_session.h"
#include "cli/tab_separated_field.h"
#include "cli/usage_error.h"
#include "library/library_json.h"
#include "search/search_index.h"
#include "search/search_index_error.h"

#include <unistd.h>

#include <iostream>
#include <memory>
#include <set>

namespace bw::cli {

namespace {

constexpr int defaultLimit = 50;

// The index beside the library; in memory for this run when that cannot be had (a library
// folder that does not exist yet, or one this user may not write), which gives the same
// results, only later.
std::unique_ptr<SearchIndex> openIndex(const LibraryStore& store) {
    std::error_code error;
    if (std::filesystem::is_directory(store.rootURL(), error)) {
        try {
            return std::make_unique<SearchIndex>(SearchIndex::location(store));
        } catch (const SearchIndexError&) {
        }
    }
    return std::make_unique<SearchIndex>(std::filesystem::path());
}

// The snippet for a terminal (matched words in bold) or for a file, escaped as a field.
std::string snippetField(const MarkedText& snippet, bool bold) {
    std::string field;
    std::size_t at = 0;
    for (const auto& mark : snippet.marks) {
        field += tabSeparatedField(std::string_view(snippet.text).substr(at, mark.start - at));
        const std::string word =
            tabSeparatedField(std::string_view(snippet.text).substr(mark.start, mark.length));
        field += bold ? "\033[1m" + word + "\033[0m" : word;
        at = mark.start + mark.length;
    }
    return field + tabSeparatedField(std::string_view(snippet.text).substr(at));
}

nlohmann::json matchJson(const SearchMatch& match) {
    // Highlights count Unicode characters, as most readers of JSON do.
    auto characters = [&](std::size_t bytes) {
        return unicode::scalarCount(std::string_view(match.snippet.text).substr(0, bytes));
    };
    auto highlights = nlohmann::json::array();
    for (const auto& mark : match.snippet.marks) {
        const std::size_t start = characters(mark.start);
        highlights.push_back({start, characters(mark.start + mark.length) - start});
    }
    nlohmann::json value = {{"id", match.itemID.string()},
                            {"title", match.title},
                            {"segment", nullptr},
                            {"start", nullptr},
                            {"time", nullptr},
                            {"snippet", match.snippet.text},
                            {"highlights", std::move(highlights)}};
    if (match.segment) {
        value["segment"] = *match.segment;
        value["start"] = match.start;
        value["time"] = Formatting::duration(match.start);
    }
    if (!match.speaker.empty()) {
        value["speaker"] = match.speaker;
    }
    return value;
}

int runSearch(std::span<const std::string> arguments) {
    ArgumentParser parser(
        "brindlewick search QUERY... [--group GROUP|none] [--limit N] [--json] [options]",
        "Searches the transcripts (as edited) and the titles of the library's recordings.\n"
        "Every word must appear, in any order, whatever its case and accents (strasse finds\n"
        "Straße); \"quoted words\" must follow one another; a word ending in * matches the\n"
        "words it begins. Prints one match a line: the recording's identifier, the segment's\n"
        "time (empty for the title), the recording's title and the matched text; newest\n"
        "recording first, each one's matches in time order.\n\n"
        "Exit status: 0 when anything matched, 1 when nothing did (as grep has it) or the\n"
        "search failed, 2 for a wrong command line.");
    parser.option("--group", "GROUP", "only the recordings of this group, or of none")
        .option("--limit", "N",
                "print at most N matches (default " + std::to_string(defaultLimit) + "; 0 for all)")
        .flag("--json", "print a JSON array of match objects")
        .positionals("QUERY", "the words to look for", 1, -1);
    const auto parsed = parseLibraryArguments(parser, arguments);
    if (parsed.helpRequested) {
        return exitDone;
    }
    std::string typed;
    for (const auto& word : parsed.positionals) {
        typed += (typed.empty() ? "" : " ") + word;
    }
    const auto query = SearchQuery::parse(typed);
    if (!query) {
        throw UsageError("nothing to search for");
    }
    const int limit = parsed.option("--limit")
                          ? parseIntegerOption("--limit", *parsed.option("--limit"), 0, 1 << 30)
                          : defaultLimit;

    LibrarySession session(parsed, LibraryModel::Access::readOnly);
    LibraryModel& model = session.model();
    std::optional<std::set<Uuid>> wanted;
    if (const auto group = parsed.option("--group")) {
        const auto id = session.resolveDestination(*group);
        wanted.emplace();
        for (const auto& item :
             model.itemsIn(id ? LibraryFilter::group(*id) : LibraryFilter::notFiled())) {
            wanted->insert(item.id);
        }
    }
    const auto index = openIndex(model.store());
    index->update(model.store(), model.items());

    const bool json = parsed.flag("--json");
    const bool bold = !json && ::isatty(STDOUT_FILENO) == 1;
    auto matches = nlohmann::json::array();
    int found = 0;
    index->search(
        *query,
        [&](const SearchMatch& match) {
            ++found;
            if (json) {
                matches.push_back(matchJson(match));
            } else {
                std::cout << match.itemID.string() << "\t"
                          << (match.segment ? Formatting::duration(match.start) : "") << "\t"
                          << tabSeparatedField(match.title) << "\t"
                          << snippetField(match.snippet, bold) << "\n";
            }
            return limit == 0 || found < limit;
        },
        [&](const Uuid& id) { return !wanted || wanted->count(id) > 0; });
    if (json) {
        std::cout << prettyJsonText(matches);
    }
    const int status = session.finish(std::cerr);
    return status == exitDone && found > 0 ? exitDone : exitFailed;
}

} // namespace

Command searchCommand() {
    return Command{"search", "search the transcripts and titles of the library", runSearch};
}

} // namespace bw::cli
