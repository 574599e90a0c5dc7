// The vocabulary book's file and its exports, each read back the way another program would.
#include "vocabulary/VocabularyBook.h"
#include "vocabulary/VocabularyExport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillo;

namespace {

QStringList words(const QList<VocabularyItem>& items)
{
    QStringList list;
    for (const VocabularyItem& item : items)
        list << item.word;
    return list;
}

// RFC 4180 rows: quoted fields may hold commas, quotes (doubled) and line breaks.
QList<QStringList> readCsv(QString text)
{
    QList<QStringList> rows{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u',') {
            rows.last() << field;
            field.clear();
        } else if (!quoted && c == u'\r') {
            continue;
        } else if (!quoted && c == u'\n') {
            rows.last() << field;
            field.clear();
            rows.push_back({});
        } else {
            field += c;
        }
    }
    rows.removeLast();
    return rows;
}

} // namespace

TEST(VocabularyBook, KeepsSearchesRemovesAndReadsBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/vocabulary.json"));
    {
        VocabularyBook book(path);
        QSignalSpy changed(&book, &VocabularyBook::changed);
        EXPECT_FALSE(book.keep(QStringLiteral("Haus"), QStringLiteral("Haus /haʊs/\nhouse"), QStringLiteral("Das  Haus\nist alt.")));
        EXPECT_FALSE(book.keep(QStringLiteral("苹果"), QStringLiteral("苹果 [píng guǒ]\napple"), {}));
        EXPECT_FALSE(book.keep(QStringLiteral(" Haus "), QStringLiteral("house; home"), QStringLiteral("Ein Haus.")));
        EXPECT_EQ(changed.count(), 3);
        EXPECT_EQ(book.keep(QStringLiteral("  "), {}, {})->kind, VocabularyError::Kind::EmptyWord);
        EXPECT_EQ(words(book.search()), (QStringList{QStringLiteral("Haus"), QStringLiteral("苹果")}));
        EXPECT_EQ(words(book.search(QStringLiteral("APPLE"))), QStringList{QStringLiteral("苹果")});
        EXPECT_EQ(words(book.search(QStringLiteral("ein haus"))), QStringList{QStringLiteral("Haus")});
    }
    VocabularyBook reopened(path);
    ASSERT_FALSE(reopened.loadError());
    const QList<VocabularyItem> items = reopened.search();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].entry, QStringLiteral("house; home"));
    EXPECT_EQ(items[0].sentence, QStringLiteral("Ein Haus."));
    EXPECT_TRUE(items[0].time.isValid());
    EXPECT_FALSE(reopened.remove(QStringLiteral("Haus")));
    EXPECT_FALSE(reopened.contains(QStringLiteral("Haus")));
    EXPECT_EQ(words(VocabularyBook(path).search()), QStringList{QStringLiteral("苹果")});
}

TEST(VocabularyBook, ADamagedFileIsNeverWrittenOver)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vocabulary.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[{\"word\": \"half");
    file.close();
    VocabularyBook book(path);
    ASSERT_TRUE(book.loadError());
    EXPECT_EQ(book.keep(QStringLiteral("Haus"), {}, {})->kind, VocabularyError::Kind::Unreadable);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[{\"word\": \"half"));
}

TEST(VocabularyExport, AnkiFileAndCsvReadBack)
{
    QTemporaryDir dir;
    VocabularyBook book(dir.filePath(QStringLiteral("vocabulary.json")));
    ASSERT_FALSE(book.keep(QStringLiteral("Haus"), QStringLiteral("Haus /haʊs/\n1. house\t<home>"), QStringLiteral("Das Haus, \"alt\".")));
    ASSERT_FALSE(book.keep(QStringLiteral("apple"), QStringLiteral("苹果"), {}));

    const QString anki = dir.filePath(QStringLiteral("anki.txt"));
    ASSERT_FALSE(WriteExport(anki, AnkiTsv(book.search())));
    QFile ankiFile(anki);
    ASSERT_TRUE(ankiFile.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(ankiFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.mid(0, 5), (QStringList{QStringLiteral("#separator:tab"), QStringLiteral("#html:true"),
                                            QStringLiteral("#notetype:Basic"), QStringLiteral("#deck:Quillo"),
                                            QStringLiteral("#tags:quillo")}));
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[5], QStringLiteral("apple\t苹果"));
    EXPECT_EQ(lines[6].split(u'\t'),
              (QStringList{QStringLiteral("Haus"), QStringLiteral("Haus /haʊs/<br>1. house &lt;home&gt;<br><br>"
                                                                   "<i>Das <b>Haus</b>, &quot;alt&quot;.</i>")}));

    const QString csv = dir.filePath(QStringLiteral("words.csv"));
    ASSERT_FALSE(WriteExport(csv, VocabularyCsv(book.search())));
    QFile csvFile(csv);
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = csvFile.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QList<QStringList> rows = readCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], (QStringList{QStringLiteral("word"), QStringLiteral("entry"), QStringLiteral("sentence"), QStringLiteral("time")}));
    EXPECT_EQ(rows[2].mid(0, 3), (QStringList{QStringLiteral("Haus"), QStringLiteral("Haus /haʊs/\n1. house\t<home>"),
                                              QStringLiteral("Das Haus, \"alt\".")}));
    EXPECT_TRUE(QDateTime::fromString(rows[2][3], Qt::ISODate).isValid());

    EXPECT_EQ(WriteExport(dir.filePath(QStringLiteral("missing/folder/x.csv")), "x")->kind, VocabularyError::Kind::Unwritable);
}

// The book sits beside the history in the user's data folder; a relative XDG_DATA_HOME is ignored,
// as the XDG rules say.
TEST(VocabularyBook, DefaultPathFollowsXdgDataHome)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const struct { const char* variable; QString expected; } cases[] = {
        {"/srv/me/data", QStringLiteral("/srv/me/data/quillo/vocabulary.json")},
        {"relative/data", QDir::homePath() + QStringLiteral("/.local/share/quillo/vocabulary.json")},
    };
    for (const auto& c : cases) {
        qputenv("XDG_DATA_HOME", c.variable);
        EXPECT_EQ(VocabularyBook::defaultPath(), c.expected) << c.variable;
    }
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);
}
