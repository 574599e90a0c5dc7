// The popup against a stand-in of the server's open API: a card per engine in the server's order,
// a model's reply growing on its card while the others have answered, a failure shown as one and
// never kept, the history a row per engine, an edit of the source asking again, and a dictionary
// card's star keeping the word in the vocabulary book.
#include "../e2e/EngineFixture.h"
#include "../http/LoopbackServer.h"
#include "WaitUntil.h"
#include "app/TranslateAnywhere.h"
#include "desktop/ResultCard.h"
#include "desktop/ResultPopup.h"
#include "vocabulary/StarButton.h"
#include "vocabulary/VocabularyBook.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace quillo;
using namespace quillo::test;

namespace {

const QByteArray kEngines =
    R"([{"id":"llm","name":"大模型","kind":"llm","online":true,"pairs":[["en","zh-Hans"]]},)"
    R"({"id":"apertium","name":"Apertium","kind":"mt","online":false,"pairs":[["en","zh-Hans"]]},)"
    R"({"id":"deepl","name":"DeepL","kind":"mt","online":true,"pairs":[["en","zh-Hans"]]},)"
    R"({"id":"dictionary","name":"词典","kind":"dictionary","online":false,"pairs":[["en","zh-Hans"]]},)"
    R"({"id":"es","name":"西语","kind":"mt","online":false,"pairs":[["en","es"]]}])";

void standIn(Connection& connection)
{
    const QByteArray request = connection.readRequest();
    if (request.startsWith("GET /api/v1/engines"))
        return connection.reply(200, kEngines);
    connection.send("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n"
                    "event: delta\ndata: {\"engine\":\"llm\",\"text\":\"早上\"}\n\n"
                    "event: done\ndata: {\"engine\":\"apertium\",\"text\":\"早上好大家\",\"missingTerms\":[\"everyone\"]}\n\n"
                    "event: done\ndata: {\"engine\":\"deepl\",\"error\":\"DeepL 拒绝了服务器的密钥。\"}\n\n");
    connection.waitForGate();
    connection.send("event: delta\ndata: {\"engine\":\"llm\",\"text\":\"好，各位\"}\n\n"
                    "event: done\ndata: {\"engine\":\"llm\",\"text\":\"早上好，各位\"}\n\nevent: end\ndata: {}\n\n");
    connection.close();
}

QStringList cardTexts(const ResultPopup& popup)
{
    QStringList texts;
    for (const ResultCard* card : popup.Cards())
        texts << card->NameLabel->text() + u':' + card->TextLabel->text();
    return texts;
}

} // namespace

class PopupCardsTest : public EngineTest
{
};

TEST_F(PopupCardsTest, EveryEngineOfThePairGetsACardAndAModelsReplyGrows)
{
    LoopbackServer server(standIn);
    auto form = showFormFor(QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    choose(*form, BabelFish, Simplified, English);
    TranslateAnywhere anywhere(form.get(), DesktopChoices{});
    QList<TranslationRecord> history;
    anywhere.Hooks.detectLanguage = [](const QString&) { return int(English); };
    anywhere.Hooks.addToHistory = [&](const TranslationRecord& record) { history.append(record); };

    anywhere.TranslateText(QStringLiteral("Good morning, everyone"));
    ResultPopup& popup = *anywhere.Popup;
    // A sentence is no dictionary's work, and the Spanish engine does not serve the pair.
    ASSERT_EVENTUALLY_EQ(cardTexts(popup), (QStringList{QStringLiteral("大模型:早上"), QStringLiteral("Apertium:早上好大家"),
                                                QStringLiteral("DeepL:DeepL 拒绝了服务器的密钥。")}));
    EXPECT_TRUE(popup.Waiting());
    EXPECT_TRUE(popup.WaitLabel->text().startsWith(QStringLiteral("翻译中…")));
    const ResultCard* failed = popup.Card(QStringLiteral("deepl"));
    EXPECT_TRUE(failed->failed());
    EXPECT_FALSE(failed->CopyButton->isEnabled());
    EXPECT_TRUE(failed->text().isEmpty());
    // A glossary term the engine dropped is marked on its card, and only there.
    EXPECT_TRUE(popup.Card(QStringLiteral("apertium"))->MissingTermsLabel->isVisibleTo(&popup));
    EXPECT_EQ(popup.Card(QStringLiteral("apertium"))->MissingTermsLabel->text(), QStringLiteral("术语未保留：everyone"));
    EXPECT_FALSE(popup.Card(QStringLiteral("llm"))->MissingTermsLabel->isVisibleTo(&popup));

    server.openGate();
    ASSERT_EVENTUALLY(!popup.Waiting());
    EXPECT_FALSE(popup.WaitLabel->isVisibleTo(&popup)) << popup.WaitLabel->text().toStdString();
    EXPECT_EQ(popup.Card(QStringLiteral("llm"))->text(), QStringLiteral("早上好，各位"));
    EXPECT_EQ(popup.ResultText(), QStringLiteral("早上好，各位"));
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history[0].engine, QStringLiteral("Apertium"));
    EXPECT_EQ(history[1].engine, QStringLiteral("大模型"));
    EXPECT_EQ(history[1].source, English);
    EXPECT_EQ(history[1].target, Simplified);

    // Typing in the source asks again once the user pauses, with the edited text.
    popup.SourceMemo->setPlainText(QStringLiteral("Good evening"));
    ASSERT_EVENTUALLY(server.requestCount() == 3);
    EXPECT_TRUE(bodyOf(server.requests().last()).contains("\"text\":\"Good evening\""));
    ASSERT_EVENTUALLY(!popup.Waiting());

    // The main window gets the source and the first engine's translation.
    popup.OpenButton->click();
    EXPECT_EQ(form->sourceText->toPlainText(), QStringLiteral("Good evening"));
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("早上好，各位"));
}

TEST_F(PopupCardsTest, AWordGetsTheDictionaryFirstAndTheUsersChoiceWins)
{
    // The gate stays shut: every translation waits on the model's reply.
    LoopbackServer server(standIn);
    auto form = showFormFor(QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    TranslateAnywhere anywhere(form.get(), DesktopChoices{});
    anywhere.Hooks.detectLanguage = [](const QString&) { return int(English); };
    choose(*form, BabelFish, English, Simplified);

    const auto shownEngines = [&] {
        QStringList ids;
        for (const ResultCard* card : anywhere.Popup->Cards())
            ids << card->engineId();
        return ids;
    };
    anywhere.TranslateText(QStringLiteral("apple"));
    ASSERT_EVENTUALLY_EQ(shownEngines(), (QStringList{QStringLiteral("dictionary"), QStringLiteral("llm"),
                                              QStringLiteral("apertium"), QStringLiteral("deepl")}));

    DesktopChoices chosen;
    chosen.popupEngines = QStringList{QStringLiteral("deepl"), QStringLiteral("es"), QStringLiteral("llm")};
    anywhere.ApplyChoices(chosen);
    anywhere.TranslateText(QStringLiteral("apple"));
    ASSERT_EVENTUALLY_EQ(shownEngines(), (QStringList{QStringLiteral("deepl"), QStringLiteral("llm")}));
    // 取消 and Escape both stop the answers on their way and keep the popup with what arrived;
    // with nothing left to stop, Escape closes it.
    ResultPopup& popup = *anywhere.Popup;
    const std::function<void()> stops[] = {[&] { popup.CancelButton->click(); },
                                           [&] { QTest::keyClick(&popup, Qt::Key_Escape); }};
    for (const auto& stop : stops) {
        anywhere.TranslateText(QStringLiteral("apple"));
        ASSERT_EVENTUALLY(popup.Card(QStringLiteral("llm")) && popup.Card(QStringLiteral("llm"))->text() == QStringLiteral("早上"));
        ASSERT_TRUE(popup.Waiting());
        stop();
        EXPECT_FALSE(popup.Waiting());
        EXPECT_TRUE(popup.isVisible());
        EXPECT_EQ(popup.WaitLabel->text(), QStringLiteral("已取消"));
        EXPECT_EQ(popup.Card(QStringLiteral("llm"))->TextLabel->text(), QStringLiteral("早上 ……（已取消）"));
        EXPECT_TRUE(popup.Card(QStringLiteral("deepl"))->failed());
    }
    QTest::keyClick(&popup, Qt::Key_Escape);
    EXPECT_FALSE(popup.isVisible());
}

TEST_F(PopupCardsTest, AServerWithoutTheApiKeepsTheSingleResultBox)
{
    LoopbackServer server([](Connection& connection) {
        const QByteArray request = connection.readRequest();
        if (request.contains(" /api/v1/"))
            return connection.reply(404, "Not Found");
        connection.reply(200, "<html><body>answer</body></html>", "Content-Type: text/html\r\n");
    });
    auto form = showFormFor(QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    choose(*form, BabelFish, Simplified, English);
    TranslateAnywhere anywhere(form.get(), DesktopChoices{});
    anywhere.Hooks.detectLanguage = [](const QString&) { return int(French); };

    for (const QString& text : {QStringLiteral("bonjour"), QStringLiteral("salut")}) {
        anywhere.TranslateText(text);
        ASSERT_EVENTUALLY(!anywhere.Popup->Waiting() && server.requestCount() >= 2);
        EXPECT_TRUE(anywhere.Popup->Cards().isEmpty());
        EXPECT_TRUE(anywhere.Popup->ResultMemo->isVisibleTo(anywhere.Popup));
    }
    // The API is asked once; then every translation takes the program's contracts.
    const QList<QByteArray> requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_TRUE(requests[0].startsWith("GET /api/v1/engines"));
    EXPECT_FALSE(requests[1].contains("/api/v1/"));
    EXPECT_FALSE(requests[2].contains("/api/v1/"));
}

TEST_F(PopupCardsTest, ADictionaryCardsStarKeepsTheWordAndLetsItGo)
{
    LoopbackServer server([](Connection& connection) {
        const QByteArray request = connection.readRequest();
        if (request.startsWith("GET /api/v1/engines"))
            return connection.reply(200, kEngines);
        connection.send("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n"
                        "event: done\ndata: {\"engine\":\"dictionary\",\"text\":\"【Apple Dict】\\napple /ˈæpəl/\\n苹果\"}\n\n"
                        "event: done\ndata: {\"engine\":\"apertium\",\"text\":\"苹果\"}\n\n"
                        "event: done\ndata: {\"engine\":\"llm\",\"text\":\"苹果\"}\n\n"
                        "event: done\ndata: {\"engine\":\"deepl\",\"text\":\"苹果\"}\n\nevent: end\ndata: {}\n\n");
        connection.close();
    });
    auto form = showFormFor(QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    choose(*form, BabelFish, English, Simplified);
    QTemporaryDir folder;
    VocabularyBook book(folder.filePath(QStringLiteral("vocabulary.json")));
    TranslateAnywhere anywhere(form.get(), DesktopChoices{});
    anywhere.Hooks.detectLanguage = [](const QString&) { return int(English); };
    anywhere.Hooks.vocabularyBook = [&book] { return &book; };
    ResultPopup& popup = *anywhere.Popup;
    const auto star = [&]() -> StarButton* {
        ResultCard* card = popup.Card(QStringLiteral("dictionary"));
        return card ? card->Star : nullptr;
    };

    anywhere.TranslateText(QStringLiteral(" apple "));
    ASSERT_EVENTUALLY(!popup.Waiting() && star());
    EXPECT_EQ(popup.Card(QStringLiteral("apertium"))->Star, nullptr);
    EXPECT_EQ(star()->text(), QStringLiteral("☆"));
    star()->click();
    const QList<VocabularyItem> kept = book.search();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0].word, QStringLiteral("apple"));
    EXPECT_EQ(kept[0].entry, QStringLiteral("apple /ˈæpəl/\n苹果"));
    // The card's name already says which dictionary answered; its 【title】 line is left out.
    EXPECT_EQ(popup.Card(QStringLiteral("dictionary"))->text(), QStringLiteral("apple /ˈæpəl/\n苹果"));
    EXPECT_TRUE(kept[0].sentence.isEmpty());
    EXPECT_TRUE(kept[0].time.isValid());

    // The word met again shows a filled star; a click lets it go.
    anywhere.TranslateText(QStringLiteral("apple"));
    ASSERT_EVENTUALLY(!popup.Waiting() && star());
    EXPECT_EQ(star()->text(), QStringLiteral("★"));
    star()->click();
    EXPECT_FALSE(book.contains(QStringLiteral("apple")));
    EXPECT_EQ(star()->text(), QStringLiteral("☆"));

    // The sentence a word came from goes with it.
    popup.Card(QStringLiteral("dictionary"))->offerToKeep(&book, QStringLiteral("apple"), QStringLiteral("An apple a day."));
    star()->click();
    EXPECT_EQ(book.search().value(0).sentence, QStringLiteral("An apple a day."));
}
