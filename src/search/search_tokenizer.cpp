#include "search/search_tokenizer.h"

#include "search/search_folding.h"
#include "search/search_index_error.h"

#include <sqlite3.h>

#include <memory>
#include <string>

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

void countHits(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* result, int,
               sqlite3_value**) {
    int hits = 0;
    if (api->xInstCount(fts, &hits) != SQLITE_OK) {
        hits = 0;
    }
    sqlite3_result_int(result, hits);
}

} // namespace

void registerSearchFunctions(sqlite3* db) {
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
        api->xCreateFunction(api, "bw_hits", nullptr, countHits, nullptr) != SQLITE_OK) {
        throw SearchIndexError(SearchIndexError::Kind::unavailable, sqlite3_errmsg(db));
    }
}

} // namespace bw
