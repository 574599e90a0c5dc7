#pragma once
// The translation history: one SQLite database, newest entries first, capped so that it never
// grows without bound. Every call reports failure by its result and never throws; values always
// travel as bound parameters, never inside the SQL text.
#include <QDateTime>
#include <QList>
#include <QMetaType>
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
    // A file that is not a sound database is set aside (see setAsidePath()) and a new one begun;
    // one that is merely busy or unreadable is left alone.
    explicit HistoryStore(const QString& databasePath, int cap = 10000);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    bool isOpen() const;
    // Where the damaged file found at opening went; empty when the file was sound.
    QString setAsidePath() const { return setAside_; }
    // The sentence telling the user about that file, once per opening that set one aside; empty
    // otherwise.
    QString damageNotice() const;
    // False, with nothing kept, for an entry whose result is a failure's sentence.
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
    enum class Opening { Opened, Damaged, Failed };
    Opening open(const QString& databasePath);
    void close();
    bool insert(const HistoryEntry& entry);
    bool trim();

    sqlite3* db_ = nullptr;
    int cap_;
    QString setAside_;
};

} // namespace quillo

Q_DECLARE_METATYPE(quillo::HistoryEntry)
