// Lookup beyond the exact headword: case and accents, inflections language by language, short
// phrases, the other Chinese script.
#include "DictionaryFiles.h"

#include "server/engines/dictionary/DictdLoader.h"
#include "server/engines/dictionary/DictionaryLookup.h"
#include "server/engines/dictionary/Folding.h"
#include "server/engines/dictionary/StarDictLoader.h"
#include "translate/OpenCC.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillo::dictformats;

namespace {

// A dictd dictionary "freedict-<iso>-eng" whose articles are their headwords.
std::unique_ptr<Dictionary> dictionaryOf(const QTemporaryDir& dir, const char* iso, const QStringList& headwords)
{
    std::vector<test::Article> articles;
    for (const QString& headword : headwords)
        articles.push_back({foldKey(headword), headword.toUtf8() + "\nsense of " + headword.toUtf8() + "\n"});
    const QString base = dir.filePath(QStringLiteral("freedict-%1-eng").arg(QLatin1String(iso)));
    test::writeDictd(base, QStringLiteral("Test"), articles, false);
    auto dictionary = dictdLoader().load(base + QStringLiteral(".index"), dir.filePath(QStringLiteral("index")));
    return dictionary ? std::move(dictionary.value()) : nullptr;
}

struct Expectation {
    const char* query;
    const char* headword; // nullptr: nothing found
    MatchKind kind;
};

void expectLookups(const Dictionary& dictionary, std::initializer_list<Expectation> cases,
                   const LookupOptions& options = {})
{
    for (const Expectation& c : cases) {
        const auto match = lookUp(dictionary, QString::fromUtf8(c.query), options);
        if (!c.headword) {
            EXPECT_EQ(match.kind, MatchKind::None) << c.query;
            continue;
        }
        ASSERT_FALSE(match.entries.empty()) << c.query;
        EXPECT_EQ(match.entries.front().headword, QString::fromUtf8(c.headword)) << c.query;
        EXPECT_EQ(match.kind, c.kind) << c.query;
    }
}

} // namespace

TEST(Folding, FoldsCaseAndAccentsButNotKana)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Straße", "strasse"}, {"  ÉCOLE  ", "ecole"}, {"Ärger", "arger"}, {"σπίτι", "σπιτι"},
        {"Ёлка", "елка"}, {"が", "が"}, {"New  York", "new york"}, {"猫", "猫"},
    };
    for (const auto& [text, key] : cases)
        EXPECT_EQ(foldKey(QString::fromUtf8(text)), QString::fromUtf8(key)) << text;
}

TEST(Lookup, EnglishPluralsAndVerbForms)
{
    QTemporaryDir dir;
    auto english = dictionaryOf(dir, "eng", {"house", "box", "city", "knife", "walk", "stop", "make", "run",
                                             "child", "ice cream", "Paris", "us"});
    ASSERT_TRUE(english);
    expectLookups(*english, {
        {"house", "house", MatchKind::Exact},
        {"House", "house", MatchKind::Folded},
        {"PARIS", "Paris", MatchKind::Folded},
        {"houses", "house", MatchKind::Inflected},
        {"boxes", "box", MatchKind::Inflected},
        {"cities", "city", MatchKind::Inflected},
        {"knives", "knife", MatchKind::Inflected},
        {"walked", "walk", MatchKind::Inflected},
        {"walking", "walk", MatchKind::Inflected},
        {"stopped", "stop", MatchKind::Inflected},
        {"making", "make", MatchKind::Inflected},
        {"running", "run", MatchKind::Inflected},
        {"children", "child", MatchKind::Inflected},
        {"ice creams", "ice cream", MatchKind::Inflected},
        {"Ice Cream!", "ice cream", MatchKind::Folded},
        {"glass", nullptr, MatchKind::None},
        {"a b c d e", nullptr, MatchKind::None},
    });
}

TEST(Lookup, GermanFrenchSpanishItalianPluralsAndCase)
{
    QTemporaryDir de, fr, es, it;
    auto german = dictionaryOf(de, "deu", {"Haus", "Hund", "Blume", "Lehrerin", "Apfel", "schön"});
    auto french = dictionaryOf(fr, "fra", {"cheval", "travail", "bateau", "école", "grand"});
    auto spanish = dictionaryOf(es, "spa", {"ciudad", "luz", "libro", "niño"});
    auto italian = dictionaryOf(it, "ita", {"ragazzo", "amica", "casa", "cuoco", "fiore"});
    ASSERT_TRUE(german && french && spanish && italian);
    expectLookups(*german, {
        {"Häuser", "Haus", MatchKind::Inflected},
        {"haus", "Haus", MatchKind::Folded},
        {"Hunde", "Hund", MatchKind::Inflected},
        {"Blumen", "Blume", MatchKind::Inflected},
        {"Lehrerinnen", "Lehrerin", MatchKind::Inflected},
        {"Äpfel", "Apfel", MatchKind::Folded},
        {"SCHON", "schön", MatchKind::Folded},
    });
    expectLookups(*french, {
        {"chevaux", "cheval", MatchKind::Inflected},
        {"travaux", "travail", MatchKind::Inflected},
        {"bateaux", "bateau", MatchKind::Inflected},
        {"Écoles", "école", MatchKind::Inflected},
        {"ecole", "école", MatchKind::Folded},
        {"grandes", "grand", MatchKind::Inflected},
    });
    expectLookups(*spanish, {
        {"ciudades", "ciudad", MatchKind::Inflected},
        {"luces", "luz", MatchKind::Inflected},
        {"libros", "libro", MatchKind::Inflected},
        {"niñas", "niño", MatchKind::Inflected},
        {"Nino", "niño", MatchKind::Folded},
    });
    expectLookups(*italian, {
        {"ragazzi", "ragazzo", MatchKind::Inflected},
        {"amiche", "amica", MatchKind::Inflected},
        {"case", "casa", MatchKind::Inflected},
        {"cuochi", "cuoco", MatchKind::Inflected},
        {"fiori", "fiore", MatchKind::Inflected},
    });
}

TEST(Lookup, OtherChineseScriptThroughOpenCC)
{
    if (!quillo::OpenCCUnavailableReason(quillo::ScriptDirection::SimplifiedToTraditional).isEmpty())
        GTEST_SKIP() << "OpenCC is not installed";
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("zh-en/cedict/cedict"));
    test::writeStarDict(base, QStringLiteral("汉英"), {{QStringLiteral("頭髮"), "hair"}, {QStringLiteral("学习"), "to study"}},
                        {QStringLiteral("m")});
    auto dictionary = starDictLoader().load(base + QStringLiteral(".ifo"), dir.filePath(QStringLiteral("index")));
    ASSERT_TRUE(dictionary);
    LookupOptions options;
    options.scriptVariants = [](const QString& text) {
        QStringList variants;
        for (auto direction : {quillo::ScriptDirection::SimplifiedToTraditional,
                               quillo::ScriptDirection::TraditionalToSimplified})
            if (auto converted = quillo::OpenCCConvert(direction, text.toUtf8()))
                variants.append(QString::fromUtf8(*converted));
        return variants;
    };
    expectLookups(*dictionary.value(), {
        {"头发", "頭髮", MatchKind::Script},
        {"學習", "学习", MatchKind::Script},
        {"学习", "学习", MatchKind::Exact},
    }, options);
    EXPECT_EQ(lookUp(*dictionary.value(), QStringLiteral("头发")).kind, MatchKind::None) << "no converter, no match";
}
