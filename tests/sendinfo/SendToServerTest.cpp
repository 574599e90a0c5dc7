#include "SendWindowFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace quillo;
using quillo::test::SendWindowTest;

namespace {

// quillo-server on a free loopback port with its own data folder, for as long as it lives.
class ServiceProcess
{
public:
    ServiceProcess()
    {
        m_process.setProgram(QStringLiteral(QUILLO_SERVER_PROGRAM));
        m_process.setArguments({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--backend"),
                                QStringLiteral("echo"), QStringLiteral("--quiet"), QStringLiteral("--data"),
                                m_data.path()});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        const QString prefix = QStringLiteral("quillo-server listening on ");
        if (line.startsWith(prefix))
            m_base = QStringLiteral("http://") + line.mid(prefix.size());
    }

    ~ServiceProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }

    // Empty when the server did not come up.
    QString base() const { return m_base; }

    // The stored messages, as the server's own listing gives them.
    QJsonArray messages() const
    {
        QProcess listing;
        listing.start(QStringLiteral(QUILLO_SERVER_PROGRAM),
                      {QStringLiteral("feedback"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--json")});
        listing.waitForFinished(10000);
        return QJsonDocument::fromJson(listing.readAllStandardOutput()).array();
    }

private:
    QTemporaryDir m_data;
    QProcess m_process;
    QString m_base;
};

} // namespace

TEST_F(SendWindowTest, TheServiceStoresTheMessageAsItWasTyped)
{
    ServiceProcess service;
    ASSERT_FALSE(service.base().isEmpty());
    auto window = openWindow(service.base());
    const QString text = QStringLiteral("第一行 有 空格\n第二行：“引号” & <b>标记</b>\n\n  末行");
    fill(*window, QStringLiteral("关于 翻译"), QStringLiteral(" someone @ example.org "), text);
    window->SkinButton1->click();
    ASSERT_TRUE(waitForBoxes(1));
    EXPECT_EQ(answer.texts.value(0), QStringLiteral("   提 交 信 息 成 功 ，我 们 会 尽 快 回 复 您 。"));
    EXPECT_FALSE(window->isVisible());

    const QJsonArray messages = service.messages();
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
