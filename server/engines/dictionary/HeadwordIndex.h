#pragma once
// The headwords of one dictionary in SQLite, keyed by their folded form (Folding.h), each with
// where its article lies in the data file. Built once from the dictionary's own index, under the
// server's data folder, and rebuilt only when the dictionary's files change (their sizes and times
// are its stamp). A build writes a temporary file that replaces the old index only when complete,
// so a crash never leaves half an index that looks current.

#include "server/engines/dictionary/DictError.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace quillo::dictformats {

struct IndexedHeadword {
    QString headword;
    quint64 offset = 0;
    quint32 size = 0;
};

class HeadwordIndex {
public:
    // What a loader fills the index with while it is built.
    class Writer {
    public:
        virtual ~Writer() = default;
        virtual void add(const QString& headword, quint64 offset, quint32 size) = 0;
        // A value kept with the index (the dictionary's title, say).
        virtual void setProperty(const QString& name, const QString& value) = 0;
    };
    // Reads the dictionary's own index into the writer; an error abandons the build.
    using Fill = std::function<std::optional<DictError>(Writer&)>;

    // Opens the index at `path` when its stamp is `stamp`, otherwise builds it with `fill` first.
    static DictResult<std::unique_ptr<HeadwordIndex>> openOrBuild(const QString& path, const QString& stamp,
                                                                  const Fill& fill);
    ~HeadwordIndex();
    HeadwordIndex(const HeadwordIndex&) = delete;
    HeadwordIndex& operator=(const HeadwordIndex&) = delete;

    // The headwords whose folded key is `key`, in the dictionary's own order.
    std::vector<IndexedHeadword> find(const QString& key) const;
    QString property(const QString& name) const;
    qint64 headwordCount() const;

private:
    explicit HeadwordIndex(sqlite3* db);

    sqlite3* db_;
    sqlite3_stmt* findQuery_ = nullptr; // prepared once, used under the lock
    mutable std::mutex mutex_;
};

} // namespace quillo::dictformats
