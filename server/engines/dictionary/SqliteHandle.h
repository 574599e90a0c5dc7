#pragma once
// The SQLite handles both dictionary indices (CC-CEDICT's and the headword indices of the other
// formats) hold: owned connections and statements, and the few calls around them.

#include <memory>
#include <string>
#include <string_view>

#include <sqlite3.h>

namespace quillo::server::sqlite {

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

struct DatabaseDeleter {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseDeleter>;

// Null when the statement does not compile.
Statement prepare(sqlite3* db, const char* sql);

// Copied by SQLite: the text need not outlive the call.
void bindText(sqlite3_stmt* statement, int index, std::string_view text);

// The column's text, valid until the statement steps on; empty for NULL.
std::string_view columnText(sqlite3_stmt* statement, int index);

// Null when the file cannot be opened with `flags`; a writer holding the file is waited for a while.
Database open(const std::string& path, int flags);

} // namespace quillo::server::sqlite
