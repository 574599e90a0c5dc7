// The dictd and StarDict loaders: titles, languages, articles read into entries, every layout the
// formats allow, and the damaged files they refuse.
#include "DictionaryFiles.h"

#include "server/engines/dictionary/DictdLoader.h"
#include "server/engines/dictionary/DictionaryLookup.h"
#include "server/engines/dictionary/StarDictLoader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillo::dictformats;

namespace {

std::unique_ptr<Dictionary> load(const DictionaryLoader& loader, const QString& path, const QTemporaryDir& dir)
{
    auto dictionary = loader.load(path, dir.filePath(QStringLiteral("index")));
    if (!dictionary) {
        ADD_FAILURE() << dictionary.error().message.toStdString();
        return nullptr;
    }
    return std::move(dictionary.value());
}

DictEntry firstEntry(const Dictionary& dictionary, const QString& word)
{
    auto match = lookUp(dictionary, word);
    return match.entries.empty() ? DictEntry{} : match.entries.front();
}

const char kHausArticle[] = "Haus /haʊs/ <n, neut>\n"
                            "1. house <n>\n"
                            "         Note: building\n"
                            "      \"ein Haus bauen\"  - build a house\n"
                            "2. home\n"
                            "   Synonyms: {Heim}, {Zuhause}\n";

const DictEntry kHausEntry{QStringLiteral("Haus"),
                           QStringLiteral("haʊs"),
                           QStringLiteral("n, neut"),
                           {{QStringLiteral("house"),
                             {QStringLiteral("building"), QStringLiteral("\"ein Haus bauen\"  - build a house")}},
                            {QStringLiteral("home"), {QStringLiteral("Synonyms: Heim, Zuhause")}}}};

} // namespace

TEST(DictdLoader, DecodesDictdNumbers)
{
    const std::pair<const char*, std::optional<quint64>> cases[] = {
        {"A", 0}, {"B", 1}, {"/", 63}, {"BA", 64}, {"B0", 116}, {"GHAt", 1601581}, {"", std::nullopt},
        {"A=", std::nullopt}, {"AAAAAAAAAAA", std::nullopt},
    };
    for (const auto& [digits, value] : cases)
        EXPECT_EQ(decodeDictdNumber(QByteArrayView(digits, qstrlen(digits))), value) << digits;
}

TEST(DictdLoader, ReadsTitleLanguagesAndStructuredArticlesPlainOrDictzipped)
{
    for (bool compress : {false, true}) {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("freedict-deu-eng"));
        test::writeDictd(base, QStringLiteral("German-English FreeDict Dictionary"),
                         {{QStringLiteral("haus"), kHausArticle}, {QStringLiteral("katze"), "Katze\ncat\n"}}, compress);
        ASSERT_EQ(QFile::exists(base + QStringLiteral(".dict.dz")), compress);
        auto dictionary = load(dictdLoader(), base + QStringLiteral(".index"), dir);
        ASSERT_TRUE(dictionary);
        EXPECT_EQ(dictionary->info().title, QStringLiteral("German-English FreeDict Dictionary"));
        EXPECT_EQ(dictionary->info().sourceLanguage, QStringLiteral("de"));
        EXPECT_EQ(dictionary->info().targetLanguage, QStringLiteral("en"));
        EXPECT_EQ(firstEntry(*dictionary, QStringLiteral("Haus")), kHausEntry);
        EXPECT_EQ(firstEntry(*dictionary, QStringLiteral("Katze")).senses.at(0).text, QStringLiteral("cat"));
        EXPECT_EQ(lookUp(*dictionary, QStringLiteral("00-database-short")).kind, MatchKind::None);
        const QStringList copies = QDir(dir.filePath(QStringLiteral("index"))).entryList({QStringLiteral("*.dict.dz")});
        EXPECT_EQ(copies.size(), compress ? 1 : 0) << "dictzip's long chunks are copied into short ones";
    }
}

TEST(DictEntry, RendersReadably)
{
    EXPECT_EQ(renderText(kHausEntry), QStringLiteral("Haus /haʊs/ (n, neut)\n"
                                                     "1. house\n"
                                                     "   building\n"
                                                     "   \"ein Haus bauen\"  - build a house\n"
                                                     "2. home\n"
                                                     "   Synonyms: Heim, Zuhause"));
    EXPECT_EQ(renderText(parseDictdArticle(QStringLiteral("house /haus/\nmaison\n"), QStringLiteral("house"))),
              QStringLiteral("house /haus/\nmaison"));
    // An article that does not start with its headword keeps every line as a sense.
    EXPECT_EQ(renderText(parseDictdArticle(QStringLiteral("chat\nto talk\n"), QStringLiteral("bavarder"))),
              QStringLiteral("bavarder\n1. chat\n2. to talk"));
}

// freedict's header lines: a slash inside a multi-word headword is the headword's, the inflected
// forms' marks are not the entry's part of speech, and an entry found under a variant keeps its header.
TEST(DictEntry, ReadsFreedictHeaders)
{
    struct Case {
        const char* line;
        const char* indexHeadword;
        const char* headword;
        const char* pronunciation;
        const char* partOfSpeech;
    };
    const Case cases[] = {
        {"eel fishing /ˈiːl fˈɪʃɪŋ/", "eel fishing", "eel fishing", "ˈiːl fˈɪʃɪŋ", ""},
        {"1/3 bond /wˈɒn θɹˈiː bˈɒnd/", "13 bond", "1/3 bond", "wˈɒn θɹˈiː bˈɒnd", ""},
        {"… und fertig ist die Laube/der Lack /ʊnt fˈɛɾtɪç ɪst diː lˈaʊbə dɛɾ lˈak/",
         " und fertig ist die laubeder lack", "… und fertig ist die Laube/der Lack",
         "ʊnt fˈɛɾtɪç ɪst diː lˈaʊbə dɛɾ lˈak", ""},
        {"10 hectares of set-aside / of set-aside land /tˈɛn hˈɛkteəz/", "10 hectares of setaside of setaside land",
         "10 hectares of set-aside / of set-aside land", "tˈɛn hˈɛkteəz", ""},
        {"1-up //ˈwʌn ʌp// <n>", "1up", "1-up", "ˈwʌn ʌp", "n"},
        {"τροφοδοτώ / tɾo.fo.ðoˈto/ <v>", "τροφοδοτω", "τροφοδοτώ", "tɾo.fo.ðoˈto", "v"},
        {"αδιευκρίνιστος /a.ði.efˈkɾi.ni.stos/, /a.ði̯efˈkɾi.ni.stos/ <adj>", "αδιευκρινιστος", "αδιευκρίνιστος",
         "a.ði.efˈkɾi.ni.stos", "adj"},
        {"abide by /ɐbˈaɪd bˈaɪ/ (abode /ɐbˈəʊd/ <>, abode /ɐbˈəʊd/ <>) <v>", "abide by", "abide by", "ɐbˈaɪd bˈaɪ", "v"},
        {"No problem! /nˈəʊ pɹˈɒbləm/ (0p /zˈiəɹəʊ pˈiː/)", "0p", "No problem!", "nˈəʊ pɹˈɒbləm", ""},
        {"3,4-methylenedioxyamphetamine", "34methylenedioxyamphetamine", "3,4-methylenedioxyamphetamine", "", ""},
    };
    for (const Case& c : cases) {
        const DictEntry entry = parseDictdArticle(QString::fromUtf8(c.line) + QStringLiteral("\nsense\n"),
                                                  QString::fromUtf8(c.indexHeadword));
        EXPECT_EQ(entry.headword, QString::fromUtf8(c.headword)) << c.line;
        EXPECT_EQ(entry.pronunciation, QString::fromUtf8(c.pronunciation)) << c.line;
        EXPECT_EQ(entry.partOfSpeech, QString::fromUtf8(c.partOfSpeech)) << c.line;
        ASSERT_EQ(entry.senses.size(), 1u) << c.line;
    }
}

TEST(StarDictLoader, ReadsEveryLayoutAndFieldType)
{
    struct Case {
        const char* name;
        test::StarDictLayout layout;
        QByteArray catArticle;
        DictEntry expected;
    };
    const DictEntry textEntry{QStringLiteral("cat"), {}, {}, {{QStringLiteral("猫"), {}}, {QStringLiteral("小猫"), {}}}};
    const DictEntry withPhonetic{QStringLiteral("cat"), QStringLiteral("kæt"), {}, {{QStringLiteral("猫"), {}}}};
    const DictEntry fromHtml{QStringLiteral("cat"), {}, {}, {{QStringLiteral("猫 & 狗"), {}}, {QStringLiteral("一种动物"), {}}}};
    const Case cases[] = {
        {"plain text", {QStringLiteral("m")}, "1. 猫\n2. 小猫", textEntry},
        {"idx.gz, dictzip, 64-bit offsets", {QStringLiteral("m"), true, true, true}, "猫\n小猫", textEntry},
        {"phonetic then text", {QStringLiteral("tm")}, QByteArray("kæt\0猫", 8), withPhonetic},
        {"html", {QStringLiteral("h")}, "<b>猫 &amp; 狗</b><br>一种动物", fromHtml},
        {"typed fields", {}, QByteArray("tkæt\0m猫\0", 11), withPhonetic},
        {"xdxf transcription", {QStringLiteral("x")}, "<k>cat</k> <tr>kæt</tr>\n<dtrn>猫</dtrn>",
         DictEntry{QStringLiteral("cat"), QStringLiteral("kæt"), {}, {{QStringLiteral("cat"), {}}, {QStringLiteral("猫"), {}}}}},
        {"sound skipped", {}, QByteArray("W\0\0\0\2ab", 7) + QByteArray("m猫", 4), DictEntry{QStringLiteral("cat"), {}, {}, {{QStringLiteral("猫"), {}}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("en-zh/sample/sample"));
        test::writeStarDict(base, QStringLiteral("Sample 英汉"),
                            {{QStringLiteral("dog"), "狗"}, {QStringLiteral("cat"), c.catArticle}}, c.layout);
        auto dictionary = load(starDictLoader(), base + QStringLiteral(".ifo"), dir);
        ASSERT_TRUE(dictionary);
        EXPECT_EQ(dictionary->info().title, QStringLiteral("Sample 英汉"));
        EXPECT_EQ(dictionary->info().sourceLanguage, QStringLiteral("en"));
        EXPECT_EQ(dictionary->info().targetLanguage, QStringLiteral("zh"));
        EXPECT_EQ(firstEntry(*dictionary, QStringLiteral("cat")), c.expected);
    }
}

TEST(StarDictLoader, FindsSynonymsOfTheIndex)
{
    QTemporaryDir dir;
    test::StarDictLayout layout{QStringLiteral("m")};
    layout.synonyms = {{QStringLiteral("kitty"), 0}, {QStringLiteral("puppy"), 1}};
    const QString base = dir.filePath(QStringLiteral("animals"));
    test::writeStarDict(base, QStringLiteral("Animals"), {{QStringLiteral("cat"), "猫"}, {QStringLiteral("dog"), "狗"}},
                        layout);
    auto dictionary = load(starDictLoader(), base + QStringLiteral(".ifo"), dir);
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(firstEntry(*dictionary, QStringLiteral("kitty")).senses.at(0).text, QStringLiteral("猫"));
    EXPECT_EQ(firstEntry(*dictionary, QStringLiteral("puppy")).senses.at(0).text, QStringLiteral("狗"));
    EXPECT_TRUE(dictionary->info().sourceLanguage.isEmpty()) << "no languages in its names";
}

TEST(DictionaryLoaders, RefuseDamagedDictionaries)
{
    QTemporaryDir dir;
    const QString dictd = dir.filePath(QStringLiteral("broken-dictd"));
    test::writeDictd(dictd, QStringLiteral("Broken"), {{QStringLiteral("word"), "word\nsense\n"}}, false);
    QFile index(dictd + QStringLiteral(".index"));
    ASSERT_TRUE(index.open(QIODevice::Append));
    index.write("bad line without numbers\n");
    index.close();

    const QString noData = dir.filePath(QStringLiteral("nodata"));
    test::writeDictd(noData, QStringLiteral("No data"), {}, false);
    QFile::remove(noData + QStringLiteral(".dict"));

    const QString cutIdx = dir.filePath(QStringLiteral("cut"));
    test::writeStarDict(cutIdx, QStringLiteral("Cut"), {{QStringLiteral("word"), "sense"}}, {QStringLiteral("m")});
    QFile idx(cutIdx + QStringLiteral(".idx"));
    ASSERT_TRUE(idx.open(QIODevice::ReadWrite));
    idx.resize(idx.size() - 3);
    idx.close();

    const QString badSyn = dir.filePath(QStringLiteral("badsyn"));
    test::StarDictLayout synLayout{QStringLiteral("m")};
    synLayout.synonyms = {{QStringLiteral("other"), 7}};
    test::writeStarDict(badSyn, QStringLiteral("Bad synonyms"), {{QStringLiteral("word"), "sense"}}, synLayout);

    const QString notIfo = dir.filePath(QStringLiteral("notifo.ifo"));
    QFile ifo(notIfo);
    ASSERT_TRUE(ifo.open(QIODevice::WriteOnly));
    ifo.write("bookname=Not a dictionary\n");
    ifo.close();

    const std::tuple<DictionaryLoader, QString, DictErrorKind> cases[] = {
        {dictdLoader(), dictd + QStringLiteral(".index"), DictErrorKind::Malformed},
        {dictdLoader(), noData + QStringLiteral(".index"), DictErrorKind::Missing},
        {starDictLoader(), cutIdx + QStringLiteral(".ifo"), DictErrorKind::Malformed},
        {starDictLoader(), badSyn + QStringLiteral(".ifo"), DictErrorKind::Malformed},
        {starDictLoader(), notIfo, DictErrorKind::Malformed},
    };
    for (const auto& [loader, path, kind] : cases) {
        auto dictionary = loader.load(path, dir.filePath(QStringLiteral("index")));
        ASSERT_FALSE(dictionary) << path.toStdString();
        EXPECT_EQ(dictionary.error().kind, kind) << dictionary.error().message.toStdString();
    }
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("index"))).entryList({QStringLiteral("*.partial*")}).isEmpty())
        << "no half-built index is left behind";
}
