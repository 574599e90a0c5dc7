// The settings' engines page against a stand-in of the server: the server's engines listed, an
// endpoint tested with what is typed (the server's answer and its error shown), and what is set
// written into engines.ini, after which the server is told to read it again.
#include "../http/LoopbackServer.h"
#include "WaitUntil.h"
#include "apiclient/ApiClient.h"
#include "apiclient/EnginesIni.h"
#include "desktop/EnginesPage.h"
#include "ui/SkinControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace quillo;
using namespace quillo::test;

namespace {

void standIn(Connection& connection)
{
    const QByteArray request = connection.readRequest();
    if (request.startsWith("GET /api/v1/engines"))
        return connection.reply(200, R"([{"id":"apertium","name":"Apertium","kind":"mt","online":false,"pairs":[]},)"
                                     R"({"id":"llm","name":"大模型","kind":"llm","online":true,"pairs":[]}])");
    if (request.startsWith("POST /api/v1/engines/test")) {
        const QJsonObject asked = QJsonDocument::fromJson(bodyOf(request)).object();
        const bool good = asked.value(QStringLiteral("settings")).toObject().value(QStringLiteral("key")).toString() == QLatin1String("right");
        return connection.reply(good ? 200 : 502, good ? R"({"text":"早上好"})" : R"({"error":"大模型拒绝了密钥（HTTP 401）"})");
    }
    connection.reply(200, "{}");
}

} // namespace

TEST(EnginesPage, ListsTestsAndWritesTheServersEngines)
{
    LoopbackServer server(standIn);
    ApiClient api([&] { return QStringLiteral("http://127.0.0.1:%1").arg(server.port()); });
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("engines.ini"));
    EnginesPage page(&api, ini, {});
    ASSERT_EVENTUALLY_EQ(page.EngineList->count(), 2);
    EXPECT_TRUE(page.EngineList->item(1)->text().startsWith(QStringLiteral("大模型（llm）")));
    // Untouched, the popup follows the server; unchecking one makes the choice the user's.
    EXPECT_TRUE(page.PopupEngines().isEmpty());
    page.EngineList->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(page.PopupEngines(), QStringList{QStringLiteral("llm")});

    page.LlmSectionBox->setEditText(QStringLiteral("llm.qwen"));
    page.LlmUrlEdit->setText(QStringLiteral("http://127.0.0.1:9/v1"));
    page.LlmModelEdit->setText(QStringLiteral("qwen"));
    QSignalSpy answered(&page, &EnginesPage::testAnswered);
    for (const auto& [key, shown] : {std::pair{"wrong", "测试失败：大模型拒绝了密钥（HTTP 401）"}, std::pair{"right", "测试成功：早上好"}}) {
        page.LlmKeyEdit->setText(QLatin1String(key));
        page.LlmTestButton->click();
        ASSERT_EVENTUALLY_EQ(answered.size(), key == std::string_view("wrong") ? 1 : 2);
        EXPECT_EQ(page.TestResultLabel->text(), QString::fromUtf8(shown));
    }
    const QJsonObject asked = QJsonDocument::fromJson(bodyOf(server.requests().last())).object();
    EXPECT_EQ(asked.value(QStringLiteral("engine")).toString(), QStringLiteral("llm.qwen"));
    EXPECT_EQ(asked.value(QStringLiteral("source")).toString(), QStringLiteral("en"));
    EXPECT_EQ(asked.value(QStringLiteral("settings")).toObject().value(QStringLiteral("url")).toString(),
              QStringLiteral("http://127.0.0.1:9/v1"));

    page.MyMemoryEmailEdit->setText(QStringLiteral("me@example.org"));
    page.OfflineBox->setChecked(true);
    ASSERT_TRUE(page.Save());
    const EnginesIni written = EnginesIni::read(ini);
    EXPECT_EQ(written.value(QStringLiteral("llm.qwen"), QStringLiteral("key")), QStringLiteral("right"));
    EXPECT_EQ(written.value(QStringLiteral("llm.qwen"), QStringLiteral("model")), QStringLiteral("qwen"));
    EXPECT_EQ(written.value(QStringLiteral("mymemory"), QStringLiteral("email")), QStringLiteral("me@example.org"));
    EXPECT_EQ(written.value(QStringLiteral("general"), QStringLiteral("offline")), QStringLiteral("true"));
    // The empty [llm] the page started with is not written.
    EXPECT_EQ(written.sections(QStringLiteral("llm")), QStringList{QStringLiteral("llm.qwen")});
    ASSERT_EVENTUALLY(server.requests().last().startsWith("POST /api/v1/engines/reload"));
}
