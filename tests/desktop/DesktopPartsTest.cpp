// The plain parts of the desktop glue: key codes for the X server, the stored choices and the
// commands of a later start.
#include "app/DesktopSettings.h"
#include "desktop/GlobalHotkey.h"
#include "desktop/SingleInstance.h"
#include "WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillo;

namespace {

constexpr uid_t kNobody = 65534;

sockaddr_un AddressOf(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    return address;
}

// A listener that nobody serves: whether anyone tried to connect is all it tells.
int RawListener(const QString& path)
{
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const sockaddr_un address = AddressOf(path);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 4) != 0) {
        ::close(listener);
        return -1;
    }
    return listener;
}

bool SomeoneConnected(int listener)
{
    const int connection = ::accept(listener, nullptr, nullptr);
    if (connection >= 0)
        ::close(connection);
    return connection >= 0;
}

} // namespace

TEST(GlobalHotkey, QtKeysMapToX11KeySymbolsAndModifierMasks)
{
    const std::pair<int, std::uint32_t> keys[] = {
        {Qt::Key_T, 0x74}, {Qt::Key_A, 0x61},  {Qt::Key_0, 0x30},    {Qt::Key_F1, 0xffbe}, {Qt::Key_F12, 0xffc9},
        {Qt::Key_Space, 0x20}, {Qt::Key_Insert, 0xff63}, {Qt::Key_Escape, 0},
    };
    for (const auto& [key, symbol] : keys)
        EXPECT_EQ(KeySymbolOf(key), symbol) << key;
    EXPECT_EQ(X11ModifiersOf(Qt::ControlModifier | Qt::AltModifier), 0x4 | 0x8);
    EXPECT_EQ(X11ModifiersOf(Qt::ShiftModifier | Qt::MetaModifier), 0x1 | 0x40);
    EXPECT_EQ(X11ModifiersOf(Qt::NoModifier), 0);
}

TEST(DesktopSettings, ChoicesSurviveARunAndMissingOrBrokenValuesTakeTheDefaults)
{
    QTemporaryDir folder;
    QSettings key(folder.filePath(QStringLiteral("5372.ini")), QSettings::IniFormat);
    EXPECT_EQ(ReadDesktopChoices(key), DesktopChoices{});
    EXPECT_EQ(DesktopChoices{}.hotkey, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_T));

    DesktopChoices changed{QKeySequence(Qt::META | Qt::Key_F9), true, false, false};
    changed.popupEngines = QStringList{QStringLiteral("llm.qwen"), QStringLiteral("dictionary")};
    EXPECT_EQ(changed.replaceHotkey, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
    changed.replaceHotkey = QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F2);
    changed.replaceEngine = QStringLiteral("服务器(一)");
    WriteDesktopChoices(key, changed);
    EXPECT_EQ(ReadDesktopChoices(key), changed);

    key.setValue(QStringLiteral("CloseToTray"), QStringLiteral("yes"));
    EXPECT_FALSE(ReadDesktopChoices(key).closeToTray);
    // An empty key is the user's choice of no key at all.
    key.setValue(QStringLiteral("Hotkey"), QString());
    EXPECT_TRUE(ReadDesktopChoices(key).hotkey.isEmpty());
}

TEST(SingleInstance, TheCommandLineNamesTheCommandHandedOver)
{
    EXPECT_EQ(CommandOfArguments({QStringLiteral("quillo")}), QByteArray(kShowCommand));
    const std::pair<const char*, const char*> commands[] = {{"--translate-selection", kTranslateSelectionCommand},
                                                            {"--ocr-region", kReadScreenRegionCommand},
                                                            {"--replace-selection", kReplaceSelectionCommand}};
    for (const auto& [option, command] : commands)
        EXPECT_EQ(CommandOfArguments({QStringLiteral("quillo"), QString::fromLatin1(option)}), QByteArray(command));
    // Nobody listens: this start becomes the running one.
    QTemporaryDir folder;
    SingleInstance lonely(folder.filePath(QStringLiteral("quillo.socket")));
    EXPECT_FALSE(lonely.handOver(kShowCommand));
    EXPECT_TRUE(lonely.listen());
}

TEST(SingleInstance, TheSocketLivesOnlyInAFolderThatIsTheUsersAlone)
{
    QTemporaryDir root;
    const QString privateFolder = root.filePath(QStringLiteral("private"));
    ASSERT_TRUE(QDir().mkdir(privateFolder));
    const struct
    {
        const char* name;
        std::function<bool(const QString&)> make; // false: cannot be made here
        bool usable;
    } folders[] = {
        {"missing, made now", [](const QString&) { return true; }, true},
        {"open to everyone", [](const QString& f) { return QDir().mkdir(f) && ::chmod(QFile::encodeName(f).constData(), 0777) == 0; }, false},
        {"a link to a private folder", [&](const QString& f) { return QFile::link(privateFolder, f); }, false},
        {"another user's", [](const QString& f) {
             return ::geteuid() == 0 && QDir().mkdir(f) && ::chown(QFile::encodeName(f).constData(), kNobody, kNobody) == 0;
         }, false},
    };
    int index = 0;
    for (const auto& c : folders) {
        SCOPED_TRACE(c.name);
        const QString folder = root.filePath(QStringLiteral("runtime-%1").arg(++index));
        if (!c.make(folder))
            continue; // another user's folder needs root to be made
        const QString path = folder + QStringLiteral("/quillo.socket");
        // Someone else's listener already in place: a refused folder is not even connected to.
        const int squatter = c.usable ? -1 : RawListener(path);
        SingleInstance instance(path);
        EXPECT_FALSE(instance.handOver(kShowCommand));
        if (squatter >= 0) {
            EXPECT_FALSE(SomeoneConnected(squatter));
            ::close(squatter);
        }
        EXPECT_EQ(instance.listen(), c.usable);
        if (c.usable) {
            EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
        }
    }
}

TEST(SingleInstance, WithoutAUsableRuntimeFolderThereIsNoSocketRatherThanOneInTheSharedTemporaryFolder)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a folder of another user, which only root can make";
    QTemporaryDir shared;
    const QByteArray savedTemp = qgetenv("TMPDIR");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(shared.path()));
    // Qt's own fallback, taken first by another user, and a runtime folder of another user.
    for (const QString& name : {QStringLiteral("runtime-root"), QStringLiteral("foreign")}) {
        ASSERT_TRUE(QDir(shared.path()).mkdir(name));
        ASSERT_EQ(::chown(QFile::encodeName(shared.filePath(name)).constData(), kNobody, kNobody), 0);
    }
    for (const QByteArray& runtime : {QByteArray(), QFile::encodeName(shared.filePath(QStringLiteral("foreign")))}) {
        SCOPED_TRACE(runtime.toStdString());
        if (runtime.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", runtime);
        SingleInstance instance;
        EXPECT_FALSE(instance.listen());
        EXPECT_FALSE(QFile::exists(shared.filePath(QStringLiteral("quillo.socket"))));
    }
    qputenv("TMPDIR", savedTemp);
    if (savedRuntime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
}

TEST(SingleInstance, ACommandGoesToNoListenerOfAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a process of another user, which only root can start";
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("quillo.socket"));
    const sockaddr_un address = AddressOf(path);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    // The kernel records the listener's user when it starts listening: the child binds in our
    // private folder as root, becomes nobody, listens, and ends telling how much it received.
    const pid_t child = ::fork();
    if (child == 0) {
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
            || ::chmod(address.sun_path, 0666) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0
            || ::listen(listener, 4) != 0)
            ::_exit(100);
        (void)!::write(ready[1], "r", 1);
        const timeval wait{5, 0};
        ::setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        const int connection = ::accept(listener, nullptr, nullptr);
        if (connection < 0)
            ::_exit(0);
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char buffer[64];
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        ::_exit(got > 0 ? 1 : 0);
    }
    ::close(ready[1]);
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    ::close(ready[0]);

    EXPECT_FALSE(SingleInstance(path).handOver(kTranslateSelectionCommand));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other user's listener received the command";
}

TEST(SingleInstance, ALaterStartHandsOverToTheOneListeningWhoseSocketIsTheUsersAloneAndGoesWithIt)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("quillo.socket"));
    // The socket file of an instance that crashed: bound once, nobody listening on it.
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(stale);
    EXPECT_FALSE(SingleInstance(path).handOver(kShowCommand));

    auto running = std::make_unique<SingleInstance>(path);
    ASSERT_TRUE(running->listen());
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
    QSignalSpy received(running.get(), &SingleInstance::commandReceived);
    // The later start waits for the answer, which the running one gives from its event loop.
    auto later = std::async(std::launch::async, [&path] { return SingleInstance(path).handOver(kTranslateSelectionCommand); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }, 5000));
    EXPECT_TRUE(later.get());
    EXPECT_EQ(received.value(0).value(0).toByteArray(), QByteArray(kTranslateSelectionCommand));

    running.reset();
    EXPECT_FALSE(QFile::exists(path));
}

// The program takes commands only once its first frame is out, but listens from the start.
TEST(SingleInstance, CommandsHandedOverBeforeAnythingTakesThemWaitForTheFirstTaker)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("quillo.socket"));
    SingleInstance running(path);
    ASSERT_TRUE(running.listen());
    for (const char* command : {kTranslateSelectionCommand, kShowCommand}) {
        auto later = std::async(std::launch::async, [&path, command] { return SingleInstance(path).handOver(command); });
        ASSERT_EVENTUALLY(later.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        EXPECT_TRUE(later.get());
    }
    QTest::qWait(50);

    QList<QByteArray> taken;
    QObject::connect(&running, &SingleInstance::commandReceived, [&taken](const QByteArray& c) { taken.append(c); });
    ASSERT_EVENTUALLY_EQ(taken.size(), 2);
    EXPECT_EQ(taken, QList<QByteArray>({kTranslateSelectionCommand, kShowCommand}));
}
