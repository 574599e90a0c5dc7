// The desktop portal's global shortcuts, as a desktop without key grabs (Wayland) offers them:
// a stand-in portal on the test's own session bus (the ctest entry runs in dbus-run-session)
// takes the program's three keys and reports a press, and the program runs the key's command.
// The program runs on the offscreen platform, where, as on Wayland, no key can be grabbed and
// nothing can be typed into another program.
#include "WaitUntil.h"
#include "../e2e/EngineFixture.h"
#include "ChildProcess.h"
#include "QuilloServerProcess.h"
#include "app/TranslateAnywhere.h"
#include "desktop/DesktopSettingsDialog.h"
#include "desktop/PortalShortcuts.h"
#include "desktop/ResultPopup.h"
#include "desktop/SelectionReplacer.h"
#include "desktop/SingleInstance.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QKeySequenceEdit>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace quillo;
using namespace quillo::test;

namespace {

class PortalShortcutsTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "no session bus of the test's own";
        ASSERT_TRUE(m_server.listening()) << m_server.failure().toStdString();
        m_form = showFormFor(m_server.base());
        choose(*m_form, BabelFish, English, French);
    }

    std::unique_ptr<TranslateAnywhere> startAnywhere()
    {
        auto anywhere = std::make_unique<TranslateAnywhere>(m_form.get(), DesktopChoices{});
        anywhere->Hooks.detectLanguage = [](const QString&) { return int(English); };
        return anywhere;
    }

    // A method of the stand-in's test interface.
    void tell(const QString& method, const QList<QVariant>& arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                           QStringLiteral("/org/freedesktop/portal/desktop"),
                                                           QStringLiteral("org.quillo.PortalStandIn"), method);
        call.setArguments(arguments);
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
    void press(const QString& id) { tell(QStringLiteral("Press"), {id}); }

    std::unique_ptr<ChildProcess> startPortal(const QStringList& options = {})
    {
        auto portal = std::make_unique<ChildProcess>(
            QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral(QUILLO_SOURCE_DIR "/tests/desktop/portal_standin.py")} + options);
        EXPECT_TRUE(portal->started()) << portal->startError().toStdString();
        EXPECT_EQ(portal->readLine(20000).value_or("no answer"), QByteArray("ready"));
        return portal;
    }

    FreshQuilloServer m_server;
    std::unique_ptr<MainWindow> m_form;
};

} // namespace

TEST_F(PortalShortcutsTest, ThreeKeysAreBoundThroughThePortalWhereItExistsAndTheirPressesRunTheirCommands)
{
    // No portal yet: the settings explain the desktop's own shortcut settings.
    {
        auto without = startAnywhere();
        ASSERT_NE(without->Portal, nullptr);
        QSignalSpy checked(without->Portal, &PortalShortcuts::checked);
        ASSERT_EVENTUALLY_EQ_WITHIN(checked.count(), 1, 30000);
        EXPECT_FALSE(checked.first().first().toBool());
        EXPECT_EQ(without->KeyWay(), ShortcutWay::DesktopSettings);
    }

    const auto started = startPortal();
    ChildProcess& portal = *started;
    auto anywhere = startAnywhere();
    ASSERT_NE(anywhere->Portal, nullptr);
    QSignalSpy bound(anywhere->Portal, &PortalShortcuts::bound);
    ASSERT_EVENTUALLY_EQ_WITHIN(bound.count(), 1, 10000);
    EXPECT_EQ(anywhere->KeyWay(), ShortcutWay::Portal);
    QList<QByteArray> lines;
    for (int i = 0; i < 3; ++i)
        lines.append(portal.readLine(5000).value_or("no answer"));
    EXPECT_EQ(lines, (QList<QByteArray>{"bound translate-selection CTRL+ALT+t", "bound ocr-region CTRL+ALT+o",
                                        "bound replace-selection CTRL+ALT+r"}));

    // Replacing without typing: the translation waits on the clipboard, and the notice says so.
    QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
    QSignalSpy notices(anywhere->Replacer, &SelectionReplacer::notice);
    ASSERT_NO_FATAL_FAILURE(press(QString::fromLatin1(kReplaceSelectionCommand)));
    ASSERT_EVENTUALLY_EQ_WITHIN(notices.count(), 1, 15000);
    EXPECT_EQ(notices.first().first().toString(), QStringLiteral("已复制译文，请粘贴"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("[fr] hello"));

    ASSERT_NO_FATAL_FAILURE(press(QString::fromLatin1(kTranslateSelectionCommand)));
    ASSERT_EVENTUALLY_EQ_WITHIN(anywhere->Popup->ResultText(), QStringLiteral("[fr] [fr] hello"), 15000);
    portal.stop(2000);
}

TEST_F(PortalShortcutsTest, APortalThatAnswersLateHoldsUpNeitherTheStartNorTheSettings)
{
    const auto portal = startPortal({QStringLiteral("--late")});
    // The portal holds its answer until told: a start that waited for it would give up and bind nothing.
    auto anywhere = startAnywhere();
    ASSERT_NE(anywhere->Portal, nullptr);
    EXPECT_EQ(anywhere->KeyWay(), ShortcutWay::DesktopSettings);
    QSignalSpy bound(anywhere->Portal, &PortalShortcuts::bound);

    // The settings dialog, open when the answer comes, then tells the portal's way.
    QString noteBefore, noteAfter;
    bool keysEditable = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<DesktopSettingsDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        noteBefore = dialog->NoteLabel->text();
        tell(QStringLiteral("Release"));
        if (QTest::qWaitFor([&] { return dialog->NoteLabel->text() != noteBefore; }, 10000))
            noteAfter = dialog->NoteLabel->text();
        keysEditable = dialog->HotkeyEdit->isEnabled();
        dialog->reject();
    });
    anywhere->OpenSettings();
    EXPECT_EQ(noteBefore, HotkeyNote(ShortcutWay::DesktopSettings));
    EXPECT_EQ(noteAfter, HotkeyNote(ShortcutWay::Portal));
    EXPECT_TRUE(keysEditable);
    ASSERT_EVENTUALLY_EQ_WITHIN(bound.count(), 1, 10000);
    EXPECT_EQ(portal->readLine(5000).value_or("no answer"), QByteArray("bound translate-selection CTRL+ALT+t"));
    portal->stop(2000);
}
