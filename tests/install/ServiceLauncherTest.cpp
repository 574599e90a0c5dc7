// The program's own quillo-server: shared between copies of the program, stopped by the last one
// to leave, and a start that fails ending in no address and a log line rather than a wait.
#include "QuilloServerProcess.h"
#include "core/ServiceAddresses.h"
#include "session/ServiceLauncher.h"
#include "session/UserFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

using namespace quillo;

namespace {

class Folders
{
public:
    ServiceLauncher::Setup setup(const QString& program = test::QuilloServerProcess::program()) const
    {
        // Generous bounds: a server's first start builds its dictionary index, which takes seconds on
        // a busy machine. The cases about a server that never answers set their own short bound.
        return {program, m_root.filePath(QStringLiteral("run")), m_root.filePath(QStringLiteral("data")),
                m_root.filePath(QStringLiteral("state")), 15000, 15000};
    }
    QString log() const
    {
        QFile file(m_root.filePath(QStringLiteral("state/quillo.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QString path(const QString& name) const { return m_root.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return file.fileName();
    }

private:
    QTemporaryDir m_root;
};

// Neither gone nor a zombie (the server started here stays our unreaped child).
bool processRuns(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    return !QByteArray("ZXx").contains(line.at(line.lastIndexOf(") ") + 2));
}

} // namespace

TEST(ServiceLauncher, CopiesShareOneServerThatTheLastToLeaveStops)
{
    Folders folders;
    ServiceLauncher first(folders.setup());
    ServiceLauncher second(folders.setup());
    const QString base = first.Join();
    ASSERT_FALSE(base.isEmpty()) << folders.log().toStdString();
    EXPECT_TRUE(base.startsWith(QLatin1String("http://127.0.0.1:")));
    EXPECT_EQ(second.Join(), base);
    EXPECT_EQ(second.ServerPid(), first.ServerPid());
    EXPECT_TRUE(QFile::exists(folders.path(QStringLiteral("data/feedback.sqlite3"))));

    first.Leave();
    EXPECT_TRUE(AddressAnswers(base, 1000)) << "the first copy to close stopped the server under the second";

    second.Leave();
    EXPECT_FALSE(AddressAnswers(base, 1000));
    EXPECT_FALSE(processRuns(first.ServerPid()));
    EXPECT_FALSE(QFile::exists(folders.path(QStringLiteral("run/server"))));
}

TEST(ServiceLauncher, ServerThatCannotStartGivesNoAddressAndALogLine)
{
    Folders folders;
    const QString silent = folders.write(QStringLiteral("silent.sh"), "#!/bin/sh\nexec sleep 60\n");

    const struct
    {
        QString program;
        const char* logged;
    } cases[] = {
        {folders.path(QStringLiteral("missing/quillo-server")), "is missing"},
        {QStringLiteral("/bin/false"), "ended with status 1 before listening"},
        {silent, "did not report its port within"},
    };
    for (const auto& c : cases) {
        ServiceLauncher::Setup setup = folders.setup(c.program);
        setup.startTimeoutMs = 500;
        ServiceLauncher launcher(setup);
        EXPECT_TRUE(launcher.Join().isEmpty()) << c.logged;
        EXPECT_TRUE(folders.log().contains(QLatin1String(c.logged))) << folders.log().toStdString();
        EXPECT_EQ(launcher.ServerPid(), -1);
    }
}

TEST(ServiceLauncher, StaleAddressFileIsReplacedWithoutTouchingTheProcessItNames)
{
    Folders folders;
    // Our own process number: a number that now belongs to some other program.
    folders.write(QStringLiteral("run/server"),
                  QByteArray::number(QCoreApplication::applicationPid()) + "\nhttp://127.0.0.1:1\n");

    ServiceLauncher launcher(folders.setup());
    const QString base = launcher.Join();
    ASSERT_FALSE(base.isEmpty()) << folders.log().toStdString();
    EXPECT_NE(base, QLatin1String("http://127.0.0.1:1"));
    EXPECT_TRUE(folders.log().contains(QLatin1String("started quillo-server")));
    launcher.Leave();
    EXPECT_FALSE(AddressAnswers(base, 1000));
}

TEST(ServiceLauncher, RunAddressStandsInForTheBuildDefaultButNotForTheEnvironment)
{
    const QByteArray saved = qgetenv("QUILLO_SERVICE");
    std::promise<QString> own;
    own.set_value(QStringLiteral("http://127.0.0.1:4242"));
    SetRunServiceBase(own.get_future().share());

    qunsetenv("QUILLO_SERVICE");
    EXPECT_EQ(ServiceUrl(QStringLiteral("/translate_txt")), QLatin1String("http://127.0.0.1:4242/translate_txt"));
    qputenv("QUILLO_SERVICE", "http://127.0.0.1:5151");
    EXPECT_EQ(ServiceBase(), QLatin1String("http://127.0.0.1:5151"));

    std::promise<QString> none;
    none.set_value({});
    SetRunServiceBase(none.get_future().share());
    qunsetenv("QUILLO_SERVICE");
    EXPECT_EQ(ServiceBase(), QLatin1String(QUILLO_DEFAULT_SERVICE));

    SetRunServiceBase({});
    if (!saved.isNull())
        qputenv("QUILLO_SERVICE", saved);
}

TEST(ProgramLog, KeepsOneOlderGenerationPastOneMebibyte)
{
    Folders folders;
    const QByteArray old(1024 * 1024 + 1, 'x');
    folders.write(QStringLiteral("state/quillo.log"), old);
    folders.write(QStringLiteral("state/quillo.log.1"), "oldest");
    AppendLogLine(folders.path(QStringLiteral("state")), QStringLiteral("after rotation"));
    QFile rotated(folders.path(QStringLiteral("state/quillo.log.1")));
    ASSERT_TRUE(rotated.open(QIODevice::ReadOnly));
    EXPECT_EQ(rotated.readAll(), old);
    EXPECT_TRUE(folders.log().endsWith(QLatin1String(" after rotation\n"))) << folders.log().toStdString();
    EXPECT_LT(folders.log().size(), 100);

    AppendLogLine(folders.path(QStringLiteral("state")), QStringLiteral("appended"));
    EXPECT_EQ(folders.log().count(QLatin1Char('\n')), 2);
}
