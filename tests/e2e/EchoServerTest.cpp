// Translations from the button to the result box against quillo-server itself. The echo backend
// answers "[<target code>] <text>", so a result shows which requests were made and what they
// carried.
#include "EngineFixture.h"
#include "QuilloServerProcess.h"

#include <QFileInfo>
#include <QStandardPaths>

using namespace quillo;
using namespace quillo::test;

namespace {

struct Case
{
    int source;
    int target;
    QString text;
    QString shown;
};

} // namespace

TEST_F(EngineTest, TheTextServiceChainsThroughEnglishExactlyWhereItHasNoDirectPair)
{
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());

    const Case cases[] = {
        {Simplified, English, QStringLiteral("你好"), QStringLiteral("[en] 你好")},
        {English, Traditional, QStringLiteral("hello"), QStringLiteral("[zt] hello")},
        {Simplified, French, QStringLiteral("你好"), QStringLiteral("[fr] [en] 你好")},
        {German, Dutch, QStringLiteral("Guten Tag"), QStringLiteral("[nl] [en] Guten Tag")},
        {Japanese, Korean, QStringLiteral("こんにちは"), QStringLiteral("[ko] [en] こんにちは")},
        {French, German, QStringLiteral("bonjour"), QStringLiteral("[de] bonjour")},
        // The form's delimiters in the text, through both requests of a chain.
        {Russian, Spanish, QStringLiteral("a&b=c+d 100%"), QStringLiteral("[es] [en] a&b=c+d 100%")},
    };
    for (const Case& c : cases) {
        translate(*form, BabelFish, c.source, c.target, c.text);
        EXPECT_EQ(form->resultText->toPlainText(), c.shown);
        EXPECT_TRUE(idle(*form)) << c.shown.toStdString();
    }
}

TEST_F(EngineTest, WorldLingoTranslatesThroughTheServersSessionAddress)
{
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());
    form->topicList->setCurrentIndex(kComputing);

    translate(*form, WorldLingo, Simplified, English, QStringLiteral("你好&再见"));
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("[EN] 你好&再见\n"));
    translate(*form, WorldLingo, German, Dutch, QStringLiteral("zwei\nZeilen"));
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("[NL] zwei\nZeilen\n"));
    EXPECT_TRUE(idle(*form));
}

TEST_F(EngineTest, ApertiumTranslatesEnglishToSpanishFromTheButton)
{
    if (QStandardPaths::findExecutable(QStringLiteral("apertium")).isEmpty()
        || !QFileInfo::exists(QStringLiteral("/usr/share/apertium/modes/eng-spa.mode")))
        GTEST_SKIP() << "apertium with eng-spa is not installed";
    FreshQuilloServer server(QStringLiteral("apertium"));
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());

    translate(*form, BabelFish, English, Spanish, QStringLiteral("The weather is nice today"));
    const QString shown = form->resultText->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("tiempo"), Qt::CaseInsensitive)) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("weather"))) << shown.toStdString();
    EXPECT_TRUE(idle(*form));
}
