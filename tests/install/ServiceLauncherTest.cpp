// The program's own quillo-server: shared between copies of the program, stopped by the last one
// to leave, and a start that fails ending in no address and a log line rather than a wait.
#include "QuilloServerProcess.h"
#include "core/ServiceAddresses.h"
#include "session/ServiceLauncher.h"
#include "session/UserFolders.h"

#include "ChildProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <future>
#include <thread>
#include <sys/file.h>
#include <unistd.h>

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
        // As the program makes its folders: its own alone.
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile::setPermissions(QFileInfo(path(name)).path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
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

bool PollFor(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        ::usleep(50 * 1000);
    }
    return true;
}

// The environment of a user session of its own, put back afterwards.
class ScopedEnvironment
{
public:
    explicit ScopedEnvironment(const QList<std::pair<const char*, QByteArray>>& values)
    {
        for (const auto& [name, value] : values) {
            m_saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    ~ScopedEnvironment()
    {
        for (const Saved& saved : m_saved) {
            if (saved.wasSet)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
    }

private:
    struct Saved
    {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    QList<Saved> m_saved;
};

} // namespace

TEST(ServiceLauncher, TheServerOfAKilledProgramEndsByItselfOnceNoCopyIsLeftButNotBefore)
{
    if (AddressAnswers(QStringLiteral(QUILLO_DEFAULT_SERVICE), 500))
        GTEST_SKIP() << "something answers at the build's default address, so the program starts no server";
    // The program runs the quillo-server beside it: a link to it beside a link to the program, in
    // the build folder (a hard link, since the program finds its folder through /proc/self/exe).
    QTemporaryDir session(QStringLiteral(QUILLO_BINARY_DIR "/own-server-XXXXXX"));
    const QString program = session.filePath(QStringLiteral("quillo"));
    ASSERT_TRUE(::link(QUILLO_PROGRAM, QFile::encodeName(program).constData()) == 0 || QFile::copy(QStringLiteral(QUILLO_PROGRAM), program));
    ASSERT_TRUE(QFile::link(test::QuilloServerProcess::program(), session.filePath(QStringLiteral("quillo-server"))));
    const QString runtime = session.filePath(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkdir(runtime));
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString folder = runtime + QStringLiteral("/quillo");
    const QString data = session.filePath(QStringLiteral("data"));
    // A server's first start builds the dictionary index, which the program's start bound may not
    // cover on a busy machine: built here, with a generous bound.
    {
        ServiceLauncher warm({program + QStringLiteral("-server"), session.filePath(QStringLiteral("warm")),
                              data + QStringLiteral("/quillo-server"), session.filePath(QStringLiteral("state")), 30000, 15000});
        ASSERT_FALSE(warm.Join().isEmpty());
    }
    const ScopedEnvironment environment({{"XDG_RUNTIME_DIR", QFile::encodeName(runtime)},
                                         {"XDG_DATA_HOME", QFile::encodeName(data)},
                                         {"XDG_STATE_HOME", QFile::encodeName(session.filePath(QStringLiteral("state")))},
                                         {"XDG_CONFIG_HOME", QFile::encodeName(session.filePath(QStringLiteral("config")))},
                                         {"QT_QPA_PLATFORM", "offscreen"},
                                         {"QUILLO_SERVICE", QByteArray()}});
    const auto log = [&session] {
        QFile file(session.filePath(QStringLiteral("state/quillo/quillo.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };

    test::ChildProcess first(program, {});
    ASSERT_TRUE(first.started()) << first.startError().toStdString();
    qint64 server = -1;
    QString base;
    ASSERT_TRUE(PollFor([&] {
        QFile file(folder + QStringLiteral("/server"));
        const QList<QByteArray> lines = file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
        server = lines.value(0).toLongLong();
        base = QString::fromUtf8(lines.value(1));
        return server > 0 && AddressAnswers(base, 500);
    }, 60000)) << log().toStdString();

    // Another copy's hold on the clients lock, as every running copy keeps one.
    int hold = ::open(QFile::encodeName(folder + QStringLiteral("/clients.lock")).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(hold, 0);
    ASSERT_EQ(::flock(hold, LOCK_SH), 0);
    first.signal(SIGKILL);
    ASSERT_TRUE(first.waitForExit(10000).has_value());

    // A copy started after the kill finds the server live and shares it.
    test::ChildProcess later(program, {});
    ASSERT_TRUE(later.started()) << later.startError().toStdString();
    EXPECT_TRUE(PollFor([&] { return log().contains(QStringLiteral("sharing quillo-server %1 at %2").arg(server).arg(base)); },
                        30000)) << log().toStdString();
    EXPECT_TRUE(processRuns(server));

    ::close(hold);
    later.signal(SIGKILL);
    ASSERT_TRUE(later.waitForExit(10000).has_value());
    // It looks every ten seconds.
    EXPECT_TRUE(PollFor([&] { return !processRuns(server); }, 30000)) << "the server outlived every copy of the program";
    EXPECT_FALSE(AddressAnswers(base, 500));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/server")));
}

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

// The program looks for its server only once its window is on screen; a request made before then
// must start the look itself rather than wait for one that has not begun.
TEST(ServiceLauncher, ARequestBeforeTheLookForTheOwnServerStartsItInsteadOfWaitingForever)
{
    const QByteArray saved = qgetenv("QUILLO_SERVICE");
    qunsetenv("QUILLO_SERVICE");
    Folders folders;
    {
        ServiceLauncher launcher(folders.setup());
        launcher.UseForThisRun();
        // Not std::async: its future would wait for a request that never returns.
        std::packaged_task<QString()> ask([] { return ServiceBase(); });
        std::future<QString> asked = ask.get_future();
        std::thread(std::move(ask)).detach();
        ASSERT_EQ(asked.wait_for(std::chrono::seconds(30)), std::future_status::ready) << folders.log().toStdString();
        EXPECT_TRUE(AddressAnswers(asked.get(), 1000)) << folders.log().toStdString();
    }
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
