#include "QuilloServerProcess.h"
#include "SendWindowFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace quillo;
using quillo::test::SendWindowTest;

namespace {

// The stored messages, as the server's own listing gives them.
QJsonArray storedMessages(const test::FreshQuilloServer& service)
{
    const test::RunResult listing = test::RunQuilloServerCommand(
        {QStringLiteral("feedback"), QStringLiteral("--data"), service.dataDir(), QStringLiteral("--json")});
    EXPECT_TRUE(listing.succeeded()) << listing.startError.toStdString() << listing.error.toStdString();
    return QJsonDocument::fromJson(listing.output).array();
}

} // namespace

TEST_F(SendWindowTest, TheServiceStoresTheMessageAsItWasTyped)
{
    test::FreshQuilloServer service;
    ASSERT_TRUE(service.listening()) << service.failure().toStdString();
    auto window = openWindow(service.base());
    const QString text = QStringLiteral("第一行 有 空格\n第二行：“引号” & <b>标记</b>\n\n  末行");
    fill(*window, QStringLiteral("关于 翻译"), QStringLiteral(" someone @ example.org "), text);
    window->SkinButton1->click();
    ASSERT_TRUE(waitForBoxes(1));
    EXPECT_EQ(answer.texts.value(0), QStringLiteral("   提 交 信 息 成 功 ，我 们 会 尽 快 回 复 您 。"));
    EXPECT_FALSE(window->isVisible());

    const QJsonArray messages = storedMessages(service);
    ASSERT_EQ(messages.size(), 1);
    const QJsonObject stored = messages.first().toObject();
    EXPECT_EQ(stored.value(QStringLiteral("title")).toString(), QStringLiteral("关于 翻译"));
    EXPECT_EQ(stored.value(QStringLiteral("email")).toString(), QStringLiteral("someone@example.org"));
    QString typed = text;
    typed.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    EXPECT_EQ(stored.value(QStringLiteral("text")).toString(), typed);
    EXPECT_EQ(stored.value(QStringLiteral("name")).toString(), QStringLiteral("Quillo_注册用户_16"));
    EXPECT_EQ(stored.value(QStringLiteral("home")).toString(), QStringLiteral("HOME42"));
    EXPECT_EQ(stored.value(QStringLiteral("time")).toString(), QStringLiteral("2006-06-12 10:30"));
}
