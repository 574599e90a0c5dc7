// The plain parts of the desktop glue: key codes for the X server, the stored choices and the
// commands of a later start.
#include "app/DesktopSettings.h"
#include "desktop/GlobalHotkey.h"
#include "desktop/SingleInstance.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quillo;

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

    const DesktopChoices changed{QKeySequence(Qt::META | Qt::Key_F9), true, false, false};
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
    EXPECT_EQ(CommandOfArguments({QStringLiteral("quillo"), QStringLiteral("--translate-selection")}),
              QByteArray(kTranslateSelectionCommand));
    // Nobody listens: this start becomes the running one.
    QTemporaryDir folder;
    SingleInstance lonely(folder.filePath(QStringLiteral("quillo.socket")));
    EXPECT_FALSE(lonely.handOver(kShowCommand));
    EXPECT_TRUE(lonely.listen());
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
