#include "server/engines/dictionary/CedictIndex.h"

#include "server/base/TextTools.h"
#include "server/engines/dictionary/SqliteHandle.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace quillo::server {

namespace {

constexpr std::string_view kIndexVersion = "1";
constexpr size_t kMaxEnglishKey = 40;
constexpr int kMaxEntries = 8;

constexpr const char* kSchema =
    "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE entries (id INTEGER PRIMARY KEY, traditional TEXT NOT NULL,"
    " simplified TEXT NOT NULL, pinyin TEXT NOT NULL, senses TEXT NOT NULL);"
    "CREATE TABLE english (term TEXT NOT NULL, entry INTEGER NOT NULL, position INTEGER NOT NULL);";
constexpr const char* kIndexes =
    "CREATE INDEX entries_simplified ON entries (simplified);"
    "CREATE INDEX entries_traditional ON entries (traditional);"
    "CREATE INDEX english_term ON english (term, position);";

using sqlite::Database;
using sqlite::prepare;
using sqlite::Statement;

std::string column(sqlite3_stmt* statement, int index)
{
    return std::string(sqlite::columnText(statement, index));
}

// The size and modification time of the source, which an index records to know it is current.
std::string sourceStamp(const std::string& sourceFile)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(sourceFile, error);
    if (error)
        return {};
    const auto time = std::filesystem::last_write_time(sourceFile, error);
    return std::to_string(size) + ":" + std::to_string(time.time_since_epoch().count()) + ":"
        + std::string(kIndexVersion);
}

std::string storedStamp(sqlite3* db)
{
    const Statement statement = prepare(db, "SELECT value FROM meta WHERE key = 'source'");
    return statement && sqlite3_step(statement.get()) == SQLITE_ROW ? column(statement.get(), 0) : std::string();
}

struct Line {
    std::string_view traditional, simplified, pinyin, senses;
};

// "傳統 传统 [chuan2 tong3] /tradition/traditional/"; false for comments and malformed lines.
bool parseLine(std::string_view line, Line& parsed)
{
    if (line.empty() || line[0] == '#')
        return false;
    const size_t space1 = line.find(' ');
    const size_t space2 = space1 == std::string_view::npos ? space1 : line.find(' ', space1 + 1);
    const size_t open = line.find(" [", space2 == std::string_view::npos ? 0 : space2);
    const size_t close = open == std::string_view::npos ? open : line.find("] /", open);
    if (space2 == std::string_view::npos || open != space2 || close == std::string_view::npos)
        return false;
    parsed.traditional = line.substr(0, space1);
    parsed.simplified = line.substr(space1 + 1, space2 - space1 - 1);
    parsed.pinyin = line.substr(open + 2, close - open - 2);
    std::string_view senses = line.substr(close + 3);
    while (!senses.empty() && (senses.back() == '/' || senses.back() == '\r' || senses.back() == ' '))
        senses.remove_suffix(1);
    parsed.senses = senses;
    return !parsed.senses.empty();
}

bool fail(sqlite3* db, std::string& error, const std::string& what)
{
    error = what + ": " + (db ? sqlite3_errmsg(db) : "cannot open");
    return false;
}

bool fillIndex(sqlite3* db, std::ifstream& source, const std::string& stamp, long long& count, std::string& error)
{
    if (sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;", nullptr, nullptr, nullptr)
            != SQLITE_OK
        || sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(db, error, "schema");
    const Statement entry = prepare(db, "INSERT INTO entries VALUES (?, ?, ?, ?, ?)");
    const Statement term = prepare(db, "INSERT INTO english VALUES (?, ?, ?)");
    std::string text;
    Line line;
    while (std::getline(source, text)) {
        if (!parseLine(text, line))
            continue;
        ++count;
        sqlite3_bind_int64(entry.get(), 1, count);
        sqlite::bindText(entry.get(), 2, line.traditional);
        sqlite::bindText(entry.get(), 3, line.simplified);
        sqlite::bindText(entry.get(), 4, line.pinyin);
        sqlite::bindText(entry.get(), 5, line.senses);
        if (sqlite3_step(entry.get()) != SQLITE_DONE)
            return fail(db, error, "insert");
        sqlite3_reset(entry.get());
        int position = 0;
        for (const std::string& sense : SplitNonEmpty(line.senses, '/')) {
            const std::string key = CedictIndex::englishKey(sense);
            ++position;
            // Cross-references ("variant of 蘋果[ping2 guo3]") and measure words name no meaning.
            if (key.empty() || key.size() > kMaxEnglishKey || sense.find('[') != std::string::npos)
                continue;
            sqlite::bindText(term.get(), 1, key);
            sqlite3_bind_int64(term.get(), 2, count);
            sqlite3_bind_int(term.get(), 3, position);
            if (sqlite3_step(term.get()) != SQLITE_DONE)
                return fail(db, error, "insert");
            sqlite3_reset(term.get());
        }
    }
    const Statement meta = prepare(db, "INSERT INTO meta VALUES ('source', ?)");
    sqlite::bindText(meta.get(), 1, stamp);
    if (sqlite3_step(meta.get()) != SQLITE_DONE || sqlite3_exec(db, kIndexes, nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(db, error, "index");
    return true;
}

} // namespace

std::string CedictIndex::englishKey(std::string_view text)
{
    std::string key;
    int depth = 0;
    for (char c : text) {
        if (c == '(')
            ++depth;
        else if (c == ')')
            depth = std::max(0, depth - 1);
        else if (depth == 0)
            key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    key = std::string(Trimmed(key));
    if (key.starts_with("to "))
        key.erase(0, 3);
    return key;
}

long long CedictIndex::build(const std::string& sourceFile, const std::string& indexFile, std::string& error)
{
    std::ifstream source(sourceFile, std::ios::binary);
    const std::string stamp = sourceStamp(sourceFile);
    if (!source || stamp.empty()) {
        error = "cannot read " + sourceFile;
        return -1;
    }
    const std::string partial = indexFile + ".partial";
    std::remove(partial.c_str());
    long long count = 0;
    {
        const Database db = sqlite::open(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (!db) {
            fail(nullptr, error, partial);
            return -1;
        }
        if (!fillIndex(db.get(), source, stamp, count, error))
            return -1;
    }
    if (std::rename(partial.c_str(), indexFile.c_str()) != 0) {
        error = "cannot rename " + partial;
        return -1;
    }
    return count;
}

std::unique_ptr<CedictIndex> CedictIndex::open(const std::string& sourceFile, const std::string& indexFile,
                                               std::string& error)
{
    const std::string stamp = sourceStamp(sourceFile);
    if (stamp.empty()) {
        error = "cannot read " + sourceFile;
        return nullptr;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        Database db = sqlite::open(indexFile, SQLITE_OPEN_READONLY);
        if (db && storedStamp(db.get()) == stamp)
            return std::unique_ptr<CedictIndex>(new CedictIndex(db.release()));
        if (attempt == 0 && build(sourceFile, indexFile, error) < 0)
            return nullptr;
    }
    error = "the index " + indexFile + " does not match " + sourceFile;
    return nullptr;
}

CedictIndex::CedictIndex(sqlite3* db) : db_(db)
{
    sqlite3_prepare_v3(db_,
                       "SELECT traditional, simplified, pinyin, senses FROM entries"
                       " WHERE simplified = ?1 OR traditional = ?1 ORDER BY id LIMIT ?2",
                       -1, SQLITE_PREPARE_PERSISTENT, &chineseQuery_, nullptr);
    // Entries where the word is the first sense come first, then single words before phrases.
    sqlite3_prepare_v3(db_,
                       "SELECT e.traditional, e.simplified, e.pinyin, e.senses FROM english t"
                       " JOIN entries e ON e.id = t.entry WHERE t.term = ?1"
                       " ORDER BY t.position, length(e.simplified), e.id LIMIT ?2",
                       -1, SQLITE_PREPARE_PERSISTENT, &englishQuery_, nullptr);
}

CedictIndex::~CedictIndex()
{
    sqlite3_finalize(chineseQuery_);
    sqlite3_finalize(englishQuery_);
    sqlite3_close(db_);
}

std::vector<DictionaryEntry> CedictIndex::select(sqlite3_stmt* query, const std::string& key) const
{
    std::lock_guard lock(mutex_);
    std::vector<DictionaryEntry> entries;
    if (!query)
        return entries;
    sqlite3_reset(query);
    sqlite::bindText(query, 1, key);
    sqlite3_bind_int(query, 2, kMaxEntries);
    while (sqlite3_step(query) == SQLITE_ROW) {
        entries.push_back({column(query, 0), column(query, 1), column(query, 2), SplitNonEmpty(column(query, 3), '/')});
    }
    return entries;
}

std::vector<DictionaryEntry> CedictIndex::lookupChinese(std::string_view headword) const
{
    return select(chineseQuery_, std::string(headword));
}

std::vector<DictionaryEntry> CedictIndex::lookupEnglish(std::string_view word) const
{
    return select(englishQuery_, englishKey(word));
}

} // namespace quillo::server
