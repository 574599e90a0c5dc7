#pragma once
// The translation history: one SQLite database, newest entries first, capped so that it never
// grows without bound. Every call reports failure by its result and never throws; values always
// travel as bound parameters, never inside the SQL text.
#include <QDateTime>
#include <QList>
#include <QString>

struct sqlite3;

namespace quillo {

struct HistoryEntry
{
    qint64 id = 0;
    QDateTime time;
    int source = -1;  // index in LanguageNames(); -1 unknown
    int target = -1;
    QString engine;
    QString sourceText;
    QString result;
};

class HistoryStore
{
public:
    // Opens (creating folders and file as needed) the database at databasePath; isOpen() tells
    // whether that worked. At most cap entries are kept: adding beyond it drops the oldest.
    explicit HistoryStore(const QString& databasePath, int cap = 10000);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    bool isOpen() const;
    bool add(const HistoryEntry& entry);
    // Entries whose source text or result holds needle (case-insensitive), newest first; an empty
    // needle matches every entry.
    QList<HistoryEntry> search(const QString& needle, int limit = 200) const;
    bool remove(qint64 id);
    bool clear();
    int count() const;

    // history.sqlite3 in the user's data folder for Quillo.
    static QString defaultPath();

private:
    bool insert(const HistoryEntry& entry);
    bool trim();

    sqlite3* db_ = nullptr;
    int cap_;
};

} // namespace quillo
