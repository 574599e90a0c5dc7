#include "QuilloServerProcess.h"
#include "SendWindowFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
    const struct {
        QString title;
        QString contact;
        QString storedContact;
        QString text;
    } cases[] = {
        {QStringLiteral("关于 翻译"), QStringLiteral(" someone @ example.org "), QStringLiteral("someone@example.org"),
         QStringLiteral("第一行 有 空格\n第二行：“引号” & <b>标记</b>\n\n  末行")},
        // Characters code page 936 does not hold.
        {QStringLiteral("한국어 제목 😀"), QStringLiteral("ñ@例え.jp"), QStringLiteral("ñ@例え.jp"),
         QStringLiteral("Привет 한국어 ñ ü ß €\n𠀀")},
    };
    test::FreshQuilloServer service;
    ASSERT_TRUE(service.listening()) << service.failure().toStdString();
    for (qsizetype i = 0; i < qsizetype(std::size(cases)); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.title.toStdString());
        auto window = openWindow(service.base());
        fill(*window, c.title, c.contact, c.text);
        window->sendButton->click();
        ASSERT_TRUE(waitForBoxes(int(i) + 1));
        EXPECT_EQ(answer.texts.value(i), QStringLiteral("   提 交 信 息 成 功 ，我 们 会 尽 快 回 复 您 。"));
        EXPECT_FALSE(window->isVisible());

        const QJsonArray messages = storedMessages(service);
        ASSERT_EQ(messages.size(), i + 1);
        const QJsonObject stored = messages.at(i).toObject();
        EXPECT_EQ(stored.value(QStringLiteral("title")).toString(), c.title);
        EXPECT_EQ(stored.value(QStringLiteral("email")).toString(), c.storedContact);
        QString typed = c.text;
        typed.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        EXPECT_EQ(stored.value(QStringLiteral("text")).toString(), typed);
        EXPECT_EQ(stored.value(QStringLiteral("name")).toString(), QStringLiteral("Quillo_注册用户_16"));
        EXPECT_EQ(stored.value(QStringLiteral("home")).toString(), QStringLiteral("HOME42"));
        EXPECT_EQ(stored.value(QStringLiteral("time")).toString(), QStringLiteral("2006-06-12 10:30"));
    }
}

TEST_F(SendWindowTest, TheProgramsOwnServerSaysWhereTheMessageStaysInsteadOfPromisingAReply)
{
    // The server the program starts for itself runs while a copy holds the clients lock.
    QTemporaryDir runtime;
    const int clientLock = ::open(QFile::encodeName(runtime.filePath(QStringLiteral("clients.lock"))).constData(),
                                  O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(clientLock, LOCK_SH), 0);
    test::FreshQuilloServer service(QStringLiteral("echo"), {QStringLiteral("--clients-folder"), runtime.path()});
    ASSERT_TRUE(service.listening()) << service.failure().toStdString();
    auto window = openWindow(service.base());
    fill(*window, QStringLiteral("标题"), QStringLiteral("a@b"), QStringLiteral("内容"));
    window->sendButton->click();
    ASSERT_TRUE(waitForBoxes(1));
    EXPECT_EQ(answer.texts.value(0), QStringLiteral("   提 交 信 息 成 功 。留言只保存在本机的 ") + service.dataDir()
                                         + QStringLiteral("/feedback.sqlite3 中，没有发给任何人，不会有回复。"));
    EXPECT_EQ(storedMessages(service).size(), 1);
    ::close(clientLock);
}
