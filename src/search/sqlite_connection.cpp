#include "search/sqlite_connection.h"

#include "search/search_index_error.h"

#include <sqlite3.h>

namespace bw {

void throwSqliteError(sqlite3* db, int code) {
    const int primary = code & 0xff;
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
        throw SearchIndexError(SearchIndexError::Kind::damaged, message);
    }
    if (primary == SQLITE_INTERRUPT) {
        throw SearchIndexError(SearchIndexError::Kind::interrupted, message);
    }
    throw SearchIndexError(SearchIndexError::Kind::unavailable, message);
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : m_db(db) {
    const int code = sqlite3_prepare_v3(db, sql.data(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                        &m_statement, nullptr);
    if (code != SQLITE_OK) {
        throwSqliteError(db, code);
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, double value) {
    sqlite3_bind_double(m_statement, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view text) {
    sqlite3_bind_text(m_statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const std::optional<std::string>& text) {
    if (text) {
        return bind(index, std::string_view(*text));
    }
    sqlite3_bind_null(m_statement, index);
    return *this;
}

bool SqliteStatement::step() {
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code == SQLITE_DONE) {
        return false;
    }
    sqlite3_reset(m_statement);
    throwSqliteError(m_db, code);
}

void SqliteStatement::reset() {
    sqlite3_reset(m_statement);
}

std::int64_t SqliteStatement::integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::real(int column) const {
    return sqlite3_column_double(m_statement, column);
}

std::string SqliteStatement::text(int column) const {
    const auto* bytes = sqlite3_column_text(m_statement, column);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes),
                               std::size_t(sqlite3_column_bytes(m_statement, column)))
                 : std::string();
}

bool SqliteStatement::isNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

SqliteConnection::SqliteConnection(const std::filesystem::path& file) {
    const std::string name = file.empty() ? ":memory:" : file.string();
    const int code = sqlite3_open_v2(name.c_str(), &m_db,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                         SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
                                     nullptr);
    if (code != SQLITE_OK) {
        try {
            throwSqliteError(m_db, code);
        } catch (...) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            throw;
        }
    }
}

SqliteConnection::~SqliteConnection() {
    sqlite3_close_v2(m_db);
}

void SqliteConnection::execute(std::string_view sql) {
    const std::string statements(sql);
    const int code = sqlite3_exec(m_db, statements.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        throwSqliteError(m_db, code);
    }
}

std::int64_t SqliteConnection::integerOf(std::string_view sql) {
    SqliteStatement statement = prepare(sql);
    return statement.step() ? statement.integer(0) : 0;
}

void SqliteConnection::interrupt() {
    sqlite3_interrupt(m_db);
}

} // namespace bw
