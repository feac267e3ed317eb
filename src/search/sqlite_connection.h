// A small owner of one SQLite connection and its prepared statements, reporting every failure as
// a SearchIndexError (damaged for a corrupt or foreign file, interrupted for a stopped query,
// unavailable otherwise). SQLite's header stays out of this one.
//
// A connection is used by one thread at a time; interrupt() may be called from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace bw {

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters count from 1, as in SQL.
    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, double value);
    SqliteStatement& bind(int index, std::string_view text);
    SqliteStatement& bind(int index, const std::optional<std::string>& text); // none: NULL

    // Runs to the next row: true when there is one, false when done. Throws SearchIndexError.
    bool step();
    // Ready to step again from the first row, with the same parameters.
    void reset();

    // Columns count from 0.
    std::int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    bool isNull(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

class SqliteConnection {
public:
    // Opens (creating when missing) the database file; an empty path is a private database in
    // memory. Throws SearchIndexError.
    explicit SqliteConnection(const std::filesystem::path& file);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    sqlite3* handle() const { return m_db; }

    // Runs statements that return no rows. Throws SearchIndexError.
    void execute(std::string_view sql);
    SqliteStatement prepare(std::string_view sql) { return SqliteStatement(m_db, sql); }
    // The single integer the statement returns, e.g. of a PRAGMA.
    std::int64_t integerOf(std::string_view sql);

    // Makes the query running now (on another thread) fail as interrupted. Thread-safe.
    void interrupt();

private:
    sqlite3* m_db = nullptr;
};

// Throws the SearchIndexError for SQLite result `code` on `db` (which may be null).
[[noreturn]] void throwSqliteError(sqlite3* db, int code);

} // namespace bw
