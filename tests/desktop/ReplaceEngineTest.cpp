// Replacing the selection through the server's open API, on the offscreen platform (where, as on
// Wayland, the translation goes on the clipboard): the engine asked is the one chosen in the
// settings, else the popup's first that serves the pair; a choice the server does not have (a
// name an older version stored) counts as none.
#include "../e2e/EngineFixture.h"
#include "../http/LoopbackServer.h"
#include "WaitUntil.h"
#include "app/TranslateAnywhere.h"
#include "desktop/DesktopSettingsDialog.h"
#include "desktop/SelectionReplacer.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

using namespace quillo;
using namespace quillo::test;

namespace {

const QByteArray kEngines =
    R"([{"id":"dictionary","name":"词典","kind":"dictionary","online":false,"pairs":[["en","zh-Hans"]]},)"
    R"({"id":"llm","name":"大模型","kind":"llm","online":true,"pairs":[["en","zh-Hans"]]},)"
    R"({"id":"deepl","name":"DeepL","kind":"mt","online":true,"pairs":[["en","zh-Hans"]]},)"
    R"({"id":"es","name":"西语","kind":"mt","online":false,"pairs":[["en","es"]]}])";

// Each engine asked answers with its id, so the clipboard tells which one it was.
void standIn(Connection& connection)
{
    const QByteArray request = connection.readRequest();
    if (request.startsWith("GET /api/v1/engines"))
        return connection.reply(200, kEngines);
    QByteArray events = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n";
    for (const QJsonValue engine : QJsonDocument::fromJson(bodyOf(request)).object().value(u"engines").toArray())
        events += "event: done\ndata: {\"engine\":\"" + engine.toString().toUtf8() + "\",\"text\":\"" + engine.toString().toUtf8()
                  + " 你好\"}\n\n";
    connection.send(events + "event: end\ndata: {}\n\n");
    connection.close();
}

} // namespace

class ReplaceEngineTest : public EngineTest
{
};

TEST_F(ReplaceEngineTest, TheChosenEngineReplacesElseThePopupsFirst)
{
    LoopbackServer server(standIn);
    auto form = showFormFor(QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    choose(*form, BabelFish, Simplified, English);
    const struct {
        const char* stored;
        QStringList popupEngines;
        const char* asked;
    } cases[] = {
        {"deepl", {}, "deepl"},
        {"", {}, "llm"},       // a dictionary's entry is not typed in place of the text
        {"BabelFish", {}, "llm"}, // an older version's engine name
        {"es", {}, "llm"},     // an engine that does not serve the pair
        {"", {QStringLiteral("deepl"), QStringLiteral("llm")}, "deepl"},
    };
    for (const auto& c : cases) {
        DesktopChoices choices;
        choices.replaceEngine = QString::fromLatin1(c.stored);
        choices.popupEngines = c.popupEngines;
        TranslateAnywhere anywhere(form.get(), choices);
        anywhere.Hooks.detectLanguage = [](const QString&) { return int(English); };
        QSignalSpy notices(anywhere.Replacer, &SelectionReplacer::notice);
        QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
        anywhere.ReplaceSelection();
        ASSERT_EVENTUALLY_EQ(notices.count(), 1);
        EXPECT_EQ(notices.first().first().toString(), CopiedForPastingNotice()) << c.stored;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(c.asked) + QStringLiteral(" 你好")) << c.stored;
    }
}

TEST_F(ReplaceEngineTest, TheSettingsOfferTheServersEnginesAndKeepAChoiceUntilTheyCome)
{
    const std::vector<EngineInfo> engines = *ParseEngines(kEngines);
    const struct {
        const char* stored;
        bool listed;
        const char* shown;
        const char* chosen;
    } cases[] = {
        {"deepl", false, "与弹窗相同（第一个引擎）", "deepl"},
        {"deepl", true, "DeepL", "deepl"},
        {"BabelFish", true, "与弹窗相同（第一个引擎）", ""},
    };
    for (const auto& c : cases) {
        DesktopChoices choices;
        choices.replaceEngine = QString::fromLatin1(c.stored);
        DesktopSettingsDialog dialog(choices, ShortcutWay::Grab);
        if (c.listed)
            dialog.ShowEngines(engines);
        EXPECT_EQ(dialog.ReplaceEngineBox->currentText(), QString::fromUtf8(c.shown)) << c.stored;
        EXPECT_EQ(dialog.Choices().replaceEngine, QString::fromLatin1(c.chosen)) << c.stored;
    }
}
