// Every engine at once, on a real X server (the test runs under its own Xvfb) against quillo-server
// run as a process, its online engines pointed at one loopback stand-in: a chat model that sends
// its reply in pieces some hundred milliseconds apart, and MyMemory. The selection is held by
// xclip and the key pressed by xdotool; the settings dialog is used as the user would use it.
#include "../e2e/EngineFixture.h"
#include "DesktopTestTools.h"
#include "QuilloServerProcess.h"
#include "WaitUntil.h"
#include "apiclient/ApiClient.h"
#include "app/TranslateAnywhere.h"
#include "desktop/DesktopSettingsDialog.h"
#include "desktop/EnginesPage.h"
#include "desktop/ResultCard.h"
#include "desktop/ResultPopup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <thread>

using namespace quillo;
using namespace quillo::test;

namespace {

constexpr int kAnswerWaitMs = 20000;
constexpr auto kPiecePause = std::chrono::milliseconds(300);

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The chat model answers "[chat] <the user's message>", streamed word by word when asked to;
// MyMemory answers "[mymemory] <q>".
void answerOnline(Connection& connection)
{
    for (QByteArray request = connection.readRequest(); !request.isEmpty(); request = connection.readRequest()) {
        const QByteArray line = requestLine(request);
        if (line.startsWith("GET /get?")) {
            const QUrlQuery query(QString::fromUtf8(line.mid(9, line.lastIndexOf(' ') - 9)));
            const QString text = query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded);
            connection.reply(200, json({{QStringLiteral("responseData"),
                                         QJsonObject{{QStringLiteral("translatedText"), QStringLiteral("[mymemory] ") + text}}},
                                        {QStringLiteral("responseStatus"), 200}}),
                             "Content-Type: application/json\r\n");
            continue;
        }
        if (!line.startsWith("POST /v1/chat/completions")) {
            connection.reply(404, "{}");
            continue;
        }
        const QJsonObject body = QJsonDocument::fromJson(bodyOf(request)).object();
        const QString reply = QStringLiteral("[chat] ")
                              + body.value(u"messages").toArray().last().toObject().value(u"content").toString();
        if (!body.value(u"stream").toBool()) {
            const QJsonObject message{{QStringLiteral("role"), QStringLiteral("assistant")}, {QStringLiteral("content"), reply}};
            connection.reply(200, json({{QStringLiteral("choices"), QJsonArray{QJsonObject{{QStringLiteral("message"), message}}}}}),
                             "Content-Type: application/json\r\n");
            continue;
        }
        connection.send("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n");
        const QStringList words = reply.split(u' ');
        for (qsizetype at = 0; at < words.size(); ++at) {
            const QJsonObject delta{{QStringLiteral("content"), (at ? QStringLiteral(" ") : QString()) + words[at]}};
            connection.send("data: " + json({{QStringLiteral("choices"), QJsonArray{QJsonObject{{QStringLiteral("delta"), delta}}}}})
                            + "\n\n");
            std::this_thread::sleep_for(kPiecePause);
        }
        connection.send("data: [DONE]\n\n");
        connection.close();
        return;
    }
}

QStringList cardIds(const ResultPopup& popup)
{
    QStringList ids;
    for (const ResultCard* card : popup.Cards())
        ids << card->engineId();
    return ids;
}

QString cardText(const ResultPopup& popup, const QString& engine)
{
    const ResultCard* card = popup.Card(engine);
    return card ? card->text() : QString();
}

class PopupEnginesTest : public EngineTest
{
protected:
    // The server the program would start: its data folder under XDG_DATA_HOME, where the settings
    // page writes engines.ini; `ini` is that file's first content.
    void startServer(const QByteArray& ini)
    {
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        for (const char* name : {"QUILLO_LLM_URL", "QUILLO_LLM_KEY", "QUILLO_LLM_MODEL", "QUILLO_DEEPL_KEY"})
            qunsetenv(name);
        // Whatever the file says, MyMemory is never the provider's.
        qputenv("QUILLO_MYMEMORY_URL", m_online.url(QString()).toUtf8());
        const QString data = m_home.filePath(QStringLiteral("quillo-server"));
        ASSERT_TRUE(QDir().mkpath(data));
        QFile file(EnginesIniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        m_server = std::make_unique<QuilloServerProcess>(
            QStringList{QStringLiteral("--data"), data, QStringLiteral("--quiet")});
        ASSERT_TRUE(m_server->listening()) << m_server->failure().toStdString();
        m_form = showFormFor(m_server->base());
        choose(*m_form, BabelFish, English, Simplified);
        m_anywhere = std::make_unique<TranslateAnywhere>(m_form.get(), DesktopChoices{});
        m_anywhere->Hooks.detectLanguage = [](const QString&) { return int(English); };
    }

    void TearDown() override
    {
        m_anywhere.reset();
        m_form.reset();
        m_server.reset();
        qunsetenv("QUILLO_MYMEMORY_URL");
        qunsetenv("XDG_DATA_HOME");
        EngineTest::TearDown();
    }

    QByteArray standInSections(const QByteArray& llmSection) const
    {
        const QByteArray base = m_online.url(QString()).toUtf8();
        QByteArray ini = "[mymemory]\nurl = " + base + "\n";
        if (!llmSection.isEmpty())
            ini += "[" + llmSection + "]\nurl = " + base + "/v1\nmodel = stand-in\n";
        return ini;
    }

    // Opens the settings as the tray menu does and works the "翻译引擎" page with `use` while the
    // dialog is up; then confirms the dialog.
    void onEnginesPage(const std::function<void(EnginesPage&)>& use)
    {
        QTimer::singleShot(0, [use] {
            auto* dialog = qobject_cast<DesktopSettingsDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (auto* page = dialog->findChild<EnginesPage*>())
                use(*page);
            dialog->OkButton->click();
        });
        m_anywhere->OpenSettings(true);
    }

    LoopbackServer m_online{answerOnline};
    QTemporaryDir m_home;
    std::unique_ptr<QuilloServerProcess> m_server;
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<TranslateAnywhere> m_anywhere;
};

} // namespace

TEST_F(PopupEnginesTest, TheKeyShowsEveryEnginesCardAModelsReplyGrowsAndAnEditTranslatesAgain)
{
    ASSERT_NO_FATAL_FAILURE(startServer(standInSections("llm")));
    ASSERT_TRUE(m_anywhere->HotkeyError().isEmpty()) << m_anywhere->HotkeyError().toStdString();
    QTemporaryDir folder;
    ASSERT_NO_FATAL_FAILURE(HoldSelectionElsewhere(QDir(folder.path()), "primary", QStringLiteral("Good morning to all")));
    const RunResult key = RunToEnd(Tool("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+alt+t")}, 10000);
    ASSERT_TRUE(key.succeeded()) << key.startError.toStdString() << key.error.toStdString();

    // The model's card is watched as it grows: each different text it shows is noted.
    ResultPopup& popup = *m_anywhere->Popup;
    QStringList shown;
    const bool finished = waitUntil(
        [&] {
            const ResultCard* card = popup.Card(QStringLiteral("llm"));
            if (card && !card->TextLabel->text().isEmpty() && shown.value(shown.size() - 1) != card->TextLabel->text())
                shown << card->TextLabel->text();
            return card && card->finished();
        },
        kAnswerWaitMs);
    ASSERT_TRUE(finished) << shown.join(u'|').toStdString();
    EXPECT_EQ(cardIds(popup), (QStringList{QStringLiteral("llm"), QStringLiteral("mymemory")}));
    const QString reply = QStringLiteral("[chat] Good morning to all");
    ASSERT_EQ(shown.last(), reply);
    const QStringList partial = shown.mid(0, shown.size() - 1);
    EXPECT_GE(partial.size(), 2) << shown.join(u'|').toStdString();
    for (const QString& piece : partial)
        EXPECT_TRUE(reply.startsWith(piece) && piece != reply) << piece.toStdString();
    ASSERT_EVENTUALLY_EQ_WITHIN(cardText(popup, QStringLiteral("mymemory")), QStringLiteral("[mymemory] Good morning to all"),
                                kAnswerWaitMs);

    // The user replaces the source in the popup; once typing pauses every card shows the new text's.
    ASSERT_EVENTUALLY(popup.isActiveWindow());
    popup.SourceMemo->setFocus();
    for (const QStringList& keys : {QStringList{QStringLiteral("key"), QStringLiteral("ctrl+a")},
                                    QStringList{QStringLiteral("type"), QStringLiteral("Good evening")}}) {
        const RunResult typed = RunToEnd(Tool("xdotool"), keys, 10000);
        ASSERT_TRUE(typed.succeeded()) << typed.startError.toStdString() << typed.error.toStdString();
    }
    ASSERT_EVENTUALLY_EQ_WITHIN(popup.SourceText(), QStringLiteral("Good evening"), kAnswerWaitMs);
    ASSERT_EVENTUALLY_EQ_WITHIN(cardText(popup, QStringLiteral("llm")), QStringLiteral("[chat] Good evening"), kAnswerWaitMs);
    EXPECT_EQ(cardText(popup, QStringLiteral("mymemory")), QStringLiteral("[mymemory] Good evening"));
}

TEST_F(PopupEnginesTest, TheEnginesPageAddsAModelWithoutARestartAndTheOfflineSwitchSendsNothingOut)
{
    ASSERT_NO_FATAL_FAILURE(startServer(standInSections({})));
    QString testShown;
    onEnginesPage([&](EnginesPage& page) {
        page.LlmSectionBox->setEditText(QStringLiteral("llm.desk"));
        page.LlmUrlEdit->setText(m_online.url(QString()) + QStringLiteral("/v1"));
        page.LlmModelEdit->setText(QStringLiteral("stand-in"));
        QSignalSpy answered(&page, &EnginesPage::testAnswered);
        page.LlmTestButton->click();
        if (answered.wait(kAnswerWaitMs))
            testShown = page.TestResultLabel->text();
    });
    EXPECT_EQ(testShown.toStdString(), "测试成功：[chat] " + std::string(EnginesPage::kSampleText));
    // Asked at once, before the server may have read its engines again: the popup waits for it.
    m_anywhere->TranslateText(QStringLiteral("Good morning"));
    ResultPopup& popup = *m_anywhere->Popup;
    ASSERT_EVENTUALLY_EQ_WITHIN(cardText(popup, QStringLiteral("llm.desk")), QStringLiteral("[chat] Good morning"), kAnswerWaitMs);
    m_anywhere->Popup->close();

    // Only offline engines: the stand-in hears nothing more, and only their cards show.
    onEnginesPage([](EnginesPage& page) { page.OfflineBox->setChecked(true); });
    const int heardBefore = m_online.requestCount();
    m_anywhere->TranslateText(QStringLiteral("apple"));
    ASSERT_EVENTUALLY_EQ_WITHIN(cardIds(popup), QStringList{QStringLiteral("dictionary")}, kAnswerWaitMs);
    ASSERT_TRUE(waitUntil([&] { return !popup.Waiting(); }, kAnswerWaitMs));
    EXPECT_FALSE(cardText(popup, QStringLiteral("dictionary")).isEmpty());
    EXPECT_EQ(m_online.requestCount(), heardBefore);
}
