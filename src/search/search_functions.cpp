#include "search/search_functions.h"

#include "search/search_folding.h"
#include "search/search_index_error.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace bw {

namespace {

fts5_api* fts5Of(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

// The unicode61 tokenizer this one wraps, as FTS5 gave it.
struct Base {
    fts5_tokenizer methods;
    void* context;
};

struct Tokenizer {
    const Base* base;
    Fts5Tokenizer* inner;
};

struct TokenSink {
    void* context;
    int (*token)(void*, int, const char*, int, int, int);
};

int create(void* context, const char**, int, Fts5Tokenizer** out) {
    const auto* base = static_cast<const Base*>(context);
    const char* arguments[] = {"remove_diacritics", "2"};
    Fts5Tokenizer* inner = nullptr;
    const int code = base->methods.xCreate(base->context, arguments, 2, &inner);
    if (code != SQLITE_OK) {
        return code;
    }
    *out = reinterpret_cast<Fts5Tokenizer*>(new Tokenizer{base, inner});
    return SQLITE_OK;
}

void destroy(Fts5Tokenizer* tokenizer) {
    auto* ours = reinterpret_cast<Tokenizer*>(tokenizer);
    ours->base->methods.xDelete(ours->inner);
    delete ours;
}

// The offsets stay those of the original text, so that snippets and highlights mark the words
// as they were written.
int foldToken(void* context, int flags, const char* token, int size, int start, int end) {
    const auto* sink = static_cast<const TokenSink*>(context);
    const std::string folded = foldedSearchToken(std::string_view(token, std::size_t(size)));
    if (folded.empty()) {
        return sink->token(sink->context, flags, token, size, start, end);
    }
    return sink->token(sink->context, flags, folded.data(), int(folded.size()), start, end);
}

int tokenize(Fts5Tokenizer* tokenizer, void* context, int flags, const char* text, int size,
             int (*token)(void*, int, const char*, int, int, int)) {
    auto* ours = reinterpret_cast<Tokenizer*>(tokenizer);
    TokenSink sink{context, token};
    return ours->base->methods.xTokenize(ours->inner, &sink, flags, text, size, foldToken);
}

int collectToken(void* context, int flags, const char*, int, int start, int end) {
    if (!(flags & FTS5_TOKEN_COLOCATED)) {
        static_cast<std::vector<std::pair<int, int>>*>(context)->emplace_back(start, end);
    }
    return SQLITE_OK;
}

// The row's text with the tokens of every match in the text column marked.
MarkedText markedText(const Fts5ExtensionApi* api, Fts5Context* fts) {
    const char* text = nullptr;
    int size = 0;
    MarkedText marked;
    if (api->xColumnText(fts, 0, &text, &size) != SQLITE_OK || !text) {
        return marked;
    }
    marked.text.assign(text, std::size_t(size));
    std::vector<std::pair<int, int>> tokens;
    int count = 0;
    if (api->xTokenize(fts, text, size, &tokens, collectToken) != SQLITE_OK ||
        api->xInstCount(fts, &count) != SQLITE_OK) {
        return marked;
    }
    std::vector<std::pair<int, int>> ranges;
    for (int i = 0; i < count; ++i) {
        int phrase = 0;
        int column = 0;
        int offset = 0;
        if (api->xInst(fts, i, &phrase, &column, &offset) != SQLITE_OK || column != 0) {
            continue;
        }
        const int last = offset + std::max(api->xPhraseSize(fts, phrase), 1) - 1;
        if (offset >= 0 && last < int(tokens.size())) {
            ranges.emplace_back(tokens[std::size_t(offset)].first,
                                tokens[std::size_t(last)].second);
        }
    }
    std::sort(ranges.begin(), ranges.end());
    for (const auto& [start, end] : ranges) {
        if (!marked.marks.empty() &&
            int(marked.marks.back().start + marked.marks.back().length) >= start) {
            auto& last = marked.marks.back();
            last.length = std::max(last.length, std::size_t(end) - last.start);
        } else {
            marked.marks.push_back({std::size_t(start), std::size_t(end - start)});
        }
    }
    return marked;
}

std::string columnText(const Fts5ExtensionApi* api, Fts5Context* fts, int column) {
    const char* text = nullptr;
    int size = 0;
    if (api->xColumnText(fts, column, &text, &size) != SQLITE_OK || !text) {
        return {};
    }
    return std::string(text, std::size_t(size));
}

void match(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* result, int,
           sqlite3_value**) {
    int hits = 0;
    if (api->xInstCount(fts, &hits) != SQLITE_OK) {
        hits = 0;
    }
    auto* collector = static_cast<MatchCollector*>(api->xUserData(fts));
    const std::int64_t rowid = api->xRowid(fts);
    if (collector->wants && collector->wants(rowid, hits)) {
        collector->rowid = rowid;
        collector->text = markedText(api, fts);
        collector->start = std::strtod(columnText(api, fts, 2).c_str(), nullptr);
        collector->speaker = columnText(api, fts, 1);
    }
    sqlite3_result_int(result, hits);
}

} // namespace

void registerSearchFunctions(sqlite3* db, MatchCollector& collector) {
    fts5_api* api = fts5Of(db);
    if (!api) {
        throw SearchIndexError(SearchIndexError::Kind::unavailable,
                               "this SQLite has no full-text search (FTS5)");
    }
    auto base = std::make_unique<Base>();
    if (api->xFindTokenizer(api, "unicode61", &base->context, &base->methods) != SQLITE_OK) {
        throw SearchIndexError(SearchIndexError::Kind::unavailable,
                               "this SQLite has no unicode61 tokenizer");
    }
    fts5_tokenizer methods{create, destroy, tokenize};
    // FTS5 owns the base from here on and deletes it with the connection.
    Base* owned = base.release();
    if (api->xCreateTokenizer(api, searchTokenizerName, owned, &methods,
                              [](void* context) { delete static_cast<Base*>(context); }) !=
            SQLITE_OK ||
        api->xCreateFunction(api, "bw_match", &collector, match, nullptr) != SQLITE_OK) {
        throw SearchIndexError(SearchIndexError::Kind::unavailable, sqlite3_errmsg(db));
    }
}

} // namespace bw
