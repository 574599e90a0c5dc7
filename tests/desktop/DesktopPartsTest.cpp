// The plain parts of the desktop glue: key codes for the X server, the stored choices and the
// commands of a later start.
#include "app/DesktopSettings.h"
#include "desktop/GlobalHotkey.h"
#include "desktop/SingleInstance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

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
