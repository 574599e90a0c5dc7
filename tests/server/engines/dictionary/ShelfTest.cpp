// The shelf of dictionaries: found in its folders, a dictionary dropped in or taken away while it
// runs, indices built once and reused; Debian's freedict dictionaries where they are installed.
#include "DictionaryFiles.h"

#include "server/engines/dictionary/DictionaryLoaders.h"
#include "server/engines/dictionary/DictionaryShelf.h"
#include "server/engines/dictionary/HeadwordIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

using namespace quillo::dictformats;
using namespace std::chrono_literals;

namespace {

DictionaryShelf::Options optionsIn(const QTemporaryDir& dir, QStringList systemFolders = {})
{
    DictionaryShelf::Options options;
    options.systemFolders = std::move(systemFolders);
    options.dropFolder = dir.filePath(QStringLiteral("dictionaries"));
    options.indexFolder = dir.filePath(QStringLiteral("dictionary-index"));
    options.pollInterval = 20ms;
    return options;
}

QStringList titles(const DictionaryShelf& shelf)
{
    QStringList list;
    for (const auto& dictionary : shelf.dictionaries())
        list.append(dictionary->info().title);
    return list;
}

// Waits until the shelf has noticed a change and loaded it (it looks every 20 ms).
bool waitForTitles(DictionaryShelf& shelf, const QStringList& expected)
{
    for (int i = 0; i < 500 && titles(shelf) != expected; ++i)
        std::this_thread::sleep_for(20ms);
    return titles(shelf) == expected;
}

} // namespace

TEST(DictionaryShelf, FindsDictionariesDroppedInAndForgetsThoseTakenAway)
{
    QTemporaryDir dir;
    const QString system = dir.filePath(QStringLiteral("system"));
    test::writeDictd(system + QStringLiteral("/freedict-eng-fra"), QStringLiteral("English-French"),
                     {{QStringLiteral("cat"), "cat\nchat\n"}}, false);
    QDir().mkpath(dir.filePath(QStringLiteral("dictionaries")));
    DictionaryShelf shelf(optionsIn(dir, {system}));
    shelf.start();
    ASSERT_TRUE(shelf.waitUntilSettled(60s));
    EXPECT_EQ(titles(shelf), QStringList{QStringLiteral("English-French")});

    const QString dropped = dir.filePath(QStringLiteral("dictionaries/en-zh/animals/animals"));
    test::writeStarDict(dropped, QStringLiteral("Animals"), {{QStringLiteral("cat"), "猫"}}, {QStringLiteral("m")});
    ASSERT_TRUE(waitForTitles(shelf, {QStringLiteral("Animals"), QStringLiteral("English-French")}));

    const auto toChinese = shelf.lookUpAll(QStringLiteral("cats"), QStringLiteral("en"), QStringLiteral("zt"));
    ASSERT_EQ(toChinese.size(), 1u);
    EXPECT_EQ(toChinese[0].dictionary->info().title, QStringLiteral("Animals"));
    EXPECT_EQ(toChinese[0].match.kind, MatchKind::Inflected);
    EXPECT_EQ(shelf.lookUpAll(QStringLiteral("cat"), {}, {}).size(), 2u) << "every dictionary that has it";
    EXPECT_TRUE(shelf.lookUpAll(QStringLiteral("cat"), QStringLiteral("de"), {}).empty());

    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("dictionaries/en-zh"))).removeRecursively());
    EXPECT_TRUE(waitForTitles(shelf, {QStringLiteral("English-French")}));
}

TEST(DictionaryShelf, ReportsDictionariesItCannotLoadAndRetriesWhenTheyChange)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("dictionaries/late"));
    test::writeStarDict(base, QStringLiteral("Late"), {{QStringLiteral("word"), "sense"}}, {QStringLiteral("m")});
    const QString dict = base + QStringLiteral(".dict");
    QFile::rename(dict, dict + QStringLiteral(".away")); // still being copied
    DictionaryShelf shelf(optionsIn(dir));
    shelf.start();
    ASSERT_TRUE(shelf.waitUntilSettled(60s));
    ASSERT_EQ(shelf.problems().size(), 1u);
    EXPECT_EQ(shelf.problems()[0].second.kind, DictErrorKind::Missing);

    QFile::rename(dict + QStringLiteral(".away"), dict);
    EXPECT_TRUE(waitForTitles(shelf, {QStringLiteral("Late")}));
    EXPECT_TRUE(shelf.problems().empty());
}

TEST(HeadwordIndex, IsBuiltOnceAndAgainOnlyWhenTheStampChanges)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("index/words.sqlite"));
    int builds = 0;
    auto fill = [&](HeadwordIndex::Writer& writer) -> std::optional<DictError> {
        ++builds;
        writer.add(QStringLiteral("Wort"), 10, 20);
        writer.setProperty(QStringLiteral("title"), QStringLiteral("Wörter"));
        return std::nullopt;
    };
    for (const char* stamp : {"one", "one", "two", "two"}) {
        auto index = HeadwordIndex::openOrBuild(path, QString::fromLatin1(stamp), fill);
        ASSERT_TRUE(index) << index.error().message.toStdString();
        const auto found = index.value()->find(QStringLiteral("wort"));
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].headword, QStringLiteral("Wort"));
        EXPECT_EQ(found[0].offset, 10u);
        EXPECT_EQ(found[0].size, 20u);
        EXPECT_EQ(index.value()->property(QStringLiteral("title")), QStringLiteral("Wörter"));
    }
    EXPECT_EQ(builds, 2);

    auto failing = HeadwordIndex::openOrBuild(path, QStringLiteral("three"), [](HeadwordIndex::Writer&) {
        return std::optional<DictError>(dictError(DictErrorKind::Malformed, QStringLiteral("damaged")));
    });
    ASSERT_FALSE(failing);
    EXPECT_EQ(failing.error().kind, DictErrorKind::Malformed);
    EXPECT_TRUE(HeadwordIndex::openOrBuild(path, QStringLiteral("two"), fill)) << "the old index is kept";
}

TEST(Freedict, InstalledDictionariesAnswerStructuredEntries)
{
    struct Case {
        const char* name;
        const char* query;
        const char* headword;
        const char* sense; // contained in one of the senses
        MatchKind kind;
        const char* languages;
    };
    const Case cases[] = {
        {"freedict-eng-fra", "houses", "house", "maison", MatchKind::Inflected, "en fr"},
        {"freedict-deu-eng", "Computern", "Computer", "computer", MatchKind::Inflected, "de en"},
        {"freedict-spa-eng", "Ciudades", "ciudad", "city", MatchKind::Inflected, "es en"},
        {"freedict-ell-eng", "σπιτι", "σπίτι", "house", MatchKind::Folded, "el en"},
        // dictd indexes it "13 bond"; the header's slash is the headword's.
        {"freedict-eng-deu", "1/3 bond", "1/3 bond", "Drittelverband", MatchKind::Exact, "en de"},
    };
    QTemporaryDir dir;
    int found = 0;
    for (const Case& c : cases) {
        const QString path = QStringLiteral("/usr/share/dictd/%1.index").arg(QLatin1String(c.name));
        if (!QFileInfo::exists(path))
            continue;
        ++found;
        SCOPED_TRACE(c.name);
        auto dictionary = loaderFor(path)->load(path, dir.path());
        ASSERT_TRUE(dictionary) << dictionary.error().message.toStdString();
        EXPECT_FALSE(dictionary.value()->info().title.isEmpty());
        const DictionaryInfo& info = dictionary.value()->info();
        EXPECT_EQ(info.sourceLanguage + QLatin1Char(' ') + info.targetLanguage, QLatin1String(c.languages));
        const auto match = lookUp(*dictionary.value(), QString::fromUtf8(c.query));
        ASSERT_FALSE(match.entries.empty());
        EXPECT_EQ(match.kind, c.kind);
        EXPECT_EQ(match.entries.front().headword, QString::fromUtf8(c.headword));
        const QString text = renderText(match.entries.front());
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.sense))) << text.toStdString();
        EXPECT_FALSE(text.contains(QLatin1Char('{'))) << "no dictd markup in the rendering";
    }
    if (found == 0)
        GTEST_SKIP() << "no freedict dictionary is installed";
}
