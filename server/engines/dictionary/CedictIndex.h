#pragma once
// The CC-CEDICT Chinese-English dictionary as an SQLite index built from its text file (one
// entry a line: "Traditional Simplified [pin1 yin1] /sense/sense/"). Chinese is looked up by
// either headword; English through the senses, where a sense that is the word itself
// ("apple", "to eat") names the entry. The index is built beside the service's other data at
// first start and again whenever the source file changes; a build goes to a temporary file
// that replaces the old index only when complete.

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace quillo::server {

struct DictionaryEntry {
    std::string traditional;
    std::string simplified;
    std::string pinyin; // as in the source: "ping2 guo3"
    std::vector<std::string> senses;
};

class CedictIndex {
public:
    // Builds the index when it is missing or older than `sourceFile`, then opens it; nullptr
    // with `error` set when the source cannot be read or the index not written.
    static std::unique_ptr<CedictIndex> open(const std::string& sourceFile, const std::string& indexFile,
                                             std::string& error);
    // Builds unconditionally; the number of entries, or -1 with `error` set.
    static long long build(const std::string& sourceFile, const std::string& indexFile, std::string& error);
    ~CedictIndex();
    CedictIndex(const CedictIndex&) = delete;
    CedictIndex& operator=(const CedictIndex&) = delete;

    std::vector<DictionaryEntry> lookupChinese(std::string_view headword) const;
    std::vector<DictionaryEntry> lookupEnglish(std::string_view word) const;

    // How an English word or sense is keyed: lower case, "to " and bracketed notes dropped.
    static std::string englishKey(std::string_view text);

private:
    explicit CedictIndex(sqlite3* db);
    std::vector<DictionaryEntry> select(sqlite3_stmt* query, const std::string& key) const;

    sqlite3* db_;
    sqlite3_stmt* chineseQuery_ = nullptr; // prepared once, used under the lock
    sqlite3_stmt* englishQuery_ = nullptr;
    mutable std::mutex mutex_;
};

} // namespace quillo::server
