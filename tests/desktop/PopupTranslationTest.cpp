// The popup's translations against quillo-server's echo backend: the same requests and results as
// the main window's, the language pair it picks, and what reaches the history.
#include "../e2e/EngineFixture.h"
#include "QuilloServerProcess.h"
#include "WaitUntil.h"
#include "app/TranslateAnywhere.h"
#include "desktop/ResultPopup.h"
#include "session/TextTranslator.h"

#include <QSignalSpy>

using namespace quillo;
using namespace quillo::test;

namespace {

struct Case
{
    int engine;
    int source;
    int target;
    QString text;
    QString shown;
};

class PopupTest : public EngineTest
{
protected:
    // What the popup's translator gives: its result, or its failure's text.
    static QString popupResult(const TranslationJob& job)
    {
        TextTranslator translator;
        QString outcome;
        QObject::connect(&translator, &TextTranslator::finished, [&](const QString& text) { outcome = text; });
        QObject::connect(&translator, &TextTranslator::failed, [&](const QString& text) { outcome = text; });
        EXPECT_TRUE(translator.translate(job));
        EXPECT_FALSE(translator.busy());
        return outcome;
    }
};

} // namespace

TEST_F(PopupTest, ThePopupsTranslatorGivesWhatTheMainWindowShows)
{
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());

    const Case cases[] = {
        {BabelFish, Simplified, English, QStringLiteral("你好"), QStringLiteral("[en] 你好")},
        {BabelFish, German, Dutch, QStringLiteral("a&b=c+d"), QStringLiteral("[nl] [en] a&b=c+d")},
        {WorldLingo, German, Dutch, QStringLiteral("zwei\nZeilen"), QStringLiteral("[NL] zwei\nZeilen\n")},
        {BabelFish, Simplified, Traditional, QStringLiteral("汉语"), QStringLiteral("漢語")},
    };
    for (const Case& c : cases) {
        translate(*form, c.engine, c.source, c.target, c.text);
        EXPECT_EQ(form->resultText->toPlainText(), c.shown);
        EXPECT_EQ(popupResult({c.text, c.source, c.target, EngineId(c.engine), 0}), c.shown);
    }
    // What the window refuses with a box, the popup reports as its failure.
    EXPECT_EQ(popupResult({QStringLiteral("x"), English, English, EngineId(BabelFish), 0}).trimmed(),
              QStringLiteral("原 文 语 言 不 能 与 译 文 语 言 相 同 ！"));
}

TEST_F(PopupTest, TheDetectedLanguageIsTheSourceAndTextInTheTargetGoesBack)
{
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());
    choose(*form, BabelFish, Simplified, English);
    TranslateAnywhere anywhere(form.get(), DesktopChoices{});

    struct Detection
    {
        int detected;
        QString pair;
        QString shown;
    };
    const Detection detections[] = {
        {French, QStringLiteral("法语 → 英语"), QStringLiteral("[en] texte")},
        // Already in the target language: into the language the window translates from.
        {English, QStringLiteral("英语 → 简体中文"), QStringLiteral("[zh] texte")},
        // Unknown: the window's own source language.
        {-1, QStringLiteral("简体中文 → 英语"), QStringLiteral("[en] texte")},
    };
    for (const Detection& d : detections) {
        anywhere.Hooks.detectLanguage = [&](const QString&) { return d.detected; };
        anywhere.TranslateText(QStringLiteral("texte"));
        EXPECT_TRUE(anywhere.Popup->isVisible());
        EXPECT_EQ(anywhere.Popup->PairLabel->text(), d.pair);
        EXPECT_EQ(anywhere.Popup->SourceText(), QStringLiteral("texte"));
        ASSERT_EVENTUALLY_EQ(anywhere.Popup->ResultText(), d.shown);
    }
}

TEST_F(PopupTest, EveryTranslationGoesToTheHistoryWhileItIsOn)
{
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());
    TranslateAnywhere anywhere(form.get(), DesktopChoices{});
    QList<TranslationRecord> history;
    int clears = 0;
    anywhere.Hooks.detectLanguage = [](const QString&) { return int(French); };
    anywhere.Hooks.addToHistory = [&](const TranslationRecord& record) { history.append(record); };
    anywhere.Hooks.clearHistory = [&] { ++clears; };

    translate(*form, BabelFish, Simplified, English, QStringLiteral("你好"));
    anywhere.TranslateText(QStringLiteral("bonjour"));
    ASSERT_EVENTUALLY_EQ(history.size(), 2);
    EXPECT_EQ(history[0].source, Simplified);
    EXPECT_EQ(history[0].target, English);
    EXPECT_EQ(history[0].sourceText, QStringLiteral("你好"));
    EXPECT_EQ(history[0].result, QStringLiteral("[en] 你好"));
    EXPECT_EQ(history[0].engine, form->engineList->itemText(BabelFish));
    EXPECT_EQ(history[1].source, French);
    EXPECT_EQ(history[1].result, QStringLiteral("[en] bonjour"));

    DesktopChoices off;
    off.history = false;
    anywhere.ApplyChoices(off);
    EXPECT_EQ(clears, 1);
    translate(*form, BabelFish, Simplified, English, QStringLiteral("再见"));
    anywhere.TranslateText(QStringLiteral("salut"));
    ASSERT_EVENTUALLY(!anywhere.Popup->Waiting());
    EXPECT_EQ(history.size(), 2);
    EXPECT_FALSE(anywhere.HistoryAction->isEnabled());
    EXPECT_EQ(stored(QStringLiteral("History")).toInt(), 0);
}
