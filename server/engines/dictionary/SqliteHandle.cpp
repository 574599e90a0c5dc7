#include "server/engines/dictionary/SqliteHandle.h"

namespace quillo::server::sqlite {

namespace {

constexpr int kBusyMilliseconds = 2000;

} // namespace

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    return Statement(statement);
}

void bindText(sqlite3_stmt* statement, int index, std::string_view text)
{
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string_view columnText(sqlite3_stmt* statement, int index)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    return text ? std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(statement, index)))
                : std::string_view();
}

Database open(const std::string& path, int flags)
{
    sqlite3* db = nullptr;
    const int status = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    Database owned(db);
    if (status != SQLITE_OK)
        return nullptr;
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    return owned;
}

} // namespace quillo::server::sqlite
