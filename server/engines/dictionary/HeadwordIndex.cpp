#include "server/engines/dictionary/HeadwordIndex.h"

#include "server/engines/dictionary/Folding.h"
#include "server/engines/dictionary/SqliteHandle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sqlite3.h>

namespace quillo::dictformats {

namespace {

// Raised whenever the schema or the folding changes, so that old indices are rebuilt.
constexpr const char* kIndexVersion = "1";

// The headword is stored only where it differs from its key, which it rarely does.
constexpr const char* kSchema =
    "CREATE TABLE meta (name TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE headwords (key TEXT NOT NULL, headword TEXT, offset INTEGER NOT NULL, size INTEGER NOT NULL);";
constexpr const char* kKeyIndex = "CREATE INDEX headwords_key ON headwords (key);";

namespace sqlite = quillo::server::sqlite;
using sqlite::Database;
using sqlite::prepare;
using sqlite::Statement;

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite::bindText(statement, index, std::string_view(utf8.constData(), size_t(utf8.size())));
}

QString columnText(sqlite3_stmt* statement, int index)
{
    const std::string_view text = sqlite::columnText(statement, index);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

Database openDatabase(const QString& path, int flags)
{
    return sqlite::open(QFile::encodeName(path).toStdString(), flags);
}

QString metaValue(sqlite3* db, const char* name)
{
    Statement query = prepare(db, "SELECT value FROM meta WHERE name = ?1");
    if (!query)
        return {};
    sqlite3_bind_text(query.get(), 1, name, -1, SQLITE_STATIC);
    return sqlite3_step(query.get()) == SQLITE_ROW ? columnText(query.get(), 0) : QString();
}

class SqliteWriter final : public HeadwordIndex::Writer {
public:
    explicit SqliteWriter(sqlite3* db)
        : insert_(prepare(db, "INSERT INTO headwords (key, headword, offset, size) VALUES (?1, ?2, ?3, ?4)")),
          setMeta_(prepare(db, "INSERT OR REPLACE INTO meta (name, value) VALUES (?1, ?2)"))
    {
    }
    bool ready() const { return insert_ && setMeta_; }
    bool failed() const { return failed_; }

    void add(const QString& headword, quint64 offset, quint32 size) override
    {
        const QString key = foldKey(headword);
        bindText(insert_.get(), 1, key);
        if (key == headword)
            sqlite3_bind_null(insert_.get(), 2);
        else
            bindText(insert_.get(), 2, headword);
        sqlite3_bind_int64(insert_.get(), 3, sqlite3_int64(offset));
        sqlite3_bind_int64(insert_.get(), 4, sqlite3_int64(size));
        step(insert_.get());
    }
    void setProperty(const QString& name, const QString& value) override
    {
        bindText(setMeta_.get(), 1, name);
        bindText(setMeta_.get(), 2, value);
        step(setMeta_.get());
    }

private:
    void step(sqlite3_stmt* statement)
    {
        failed_ = failed_ || sqlite3_step(statement) != SQLITE_DONE;
        sqlite3_reset(statement);
    }

    Statement insert_;
    Statement setMeta_;
    bool failed_ = false;
};

DictError writeError(const QString& path, sqlite3* db)
{
    return dictError(DictErrorKind::IndexWrite, QStringLiteral("The headword index %1 cannot be written: %2")
                                                    .arg(path, db ? QString::fromUtf8(sqlite3_errmsg(db))
                                                                  : QStringLiteral("cannot create it")));
}

std::optional<DictError> build(const QString& path, const QString& stamp, const HeadwordIndex::Fill& fill)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Named for this build alone: two servers sharing a data folder may build the same index.
    const QString partial =
        path + QStringLiteral(".partial-%1").arg(QRandomGenerator::global()->generate64(), 0, 36);
    QFile::remove(partial);
    {
        Database db = openDatabase(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (!db || sqlite3_exec(db.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;", nullptr,
                                nullptr, nullptr) != SQLITE_OK
            || sqlite3_exec(db.get(), kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
            QFile::remove(partial);
            return writeError(path, db.get());
        }
        SqliteWriter writer(db.get());
        if (!writer.ready()) {
            auto failure = writeError(path, db.get());
            db.reset();
            QFile::remove(partial);
            return failure;
        }
        writer.setProperty(QStringLiteral("version"), QString::fromLatin1(kIndexVersion));
        writer.setProperty(QStringLiteral("stamp"), stamp);
        if (auto failure = fill(writer)) {
            db.reset();
            QFile::remove(partial);
            return failure;
        }
        if (writer.failed() || sqlite3_exec(db.get(), kKeyIndex, nullptr, nullptr, nullptr) != SQLITE_OK
            || sqlite3_exec(db.get(), "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK) {
            auto failure = writeError(path, db.get());
            db.reset();
            QFile::remove(partial);
            return failure;
        }
    }
    QFile::remove(path);
    if (!QFile::rename(partial, path))
        return writeError(path, nullptr);
    return std::nullopt;
}

} // namespace

DictResult<std::unique_ptr<HeadwordIndex>> HeadwordIndex::openOrBuild(const QString& path, const QString& stamp,
                                                                       const Fill& fill)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (QFile::exists(path)) {
            Database db = openDatabase(path, SQLITE_OPEN_READONLY);
            if (db && metaValue(db.get(), "version") == QLatin1String(kIndexVersion)
                && metaValue(db.get(), "stamp") == stamp) {
                // A small page cache each: many dictionaries stay open side by side.
                sqlite3_exec(db.get(), "PRAGMA cache_size=-128;", nullptr, nullptr, nullptr);
                std::unique_ptr<HeadwordIndex> index(new HeadwordIndex(db.release()));
                if (index->findQuery_)
                    return index;
            }
        }
        if (attempt == 0)
            if (auto failure = build(path, stamp, fill))
                return *failure;
    }
    return dictError(DictErrorKind::IndexWrite, QStringLiteral("The headword index %1 cannot be read back").arg(path));
}

HeadwordIndex::HeadwordIndex(sqlite3* db) : db_(db)
{
    sqlite3_prepare_v2(db_, "SELECT headword, key, offset, size FROM headwords WHERE key = ?1 ORDER BY rowid", -1,
                       &findQuery_, nullptr);
}

HeadwordIndex::~HeadwordIndex()
{
    sqlite3_finalize(findQuery_);
    sqlite3_close(db_);
}

std::vector<IndexedHeadword> HeadwordIndex::find(const QString& key) const
{
    std::vector<IndexedHeadword> found;
    std::lock_guard lock(mutex_);
    bindText(findQuery_, 1, key);
    while (sqlite3_step(findQuery_) == SQLITE_ROW) {
        IndexedHeadword row;
        row.headword = sqlite3_column_type(findQuery_, 0) == SQLITE_NULL ? columnText(findQuery_, 1)
                                                                         : columnText(findQuery_, 0);
        row.offset = quint64(sqlite3_column_int64(findQuery_, 2));
        row.size = quint32(sqlite3_column_int64(findQuery_, 3));
        found.push_back(std::move(row));
    }
    sqlite3_reset(findQuery_);
    return found;
}

QString HeadwordIndex::property(const QString& name) const
{
    std::lock_guard lock(mutex_);
    return metaValue(db_, name.toUtf8().constData());
}

qint64 HeadwordIndex::headwordCount() const
{
    std::lock_guard lock(mutex_);
    Statement query = prepare(db_, "SELECT count(*) FROM headwords");
    return query && sqlite3_step(query.get()) == SQLITE_ROW ? sqlite3_column_int64(query.get(), 0) : -1;
}

} // namespace quillo::dictformats
