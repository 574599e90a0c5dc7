// The desktop-wide key and a second start of the program, on a real X server (the test runs under
// its own Xvfb): the selection is set by xclip and the key pressed by xdotool, as another program
// and the user would, and the popup must show the echo backend's translation of that selection.
#include "../e2e/EngineFixture.h"
#include "ChildProcess.h"
#include "DesktopTestTools.h"
#include "QuilloServerProcess.h"
#include "WaitUntil.h"
#include "app/TranslateAnywhere.h"
#include "desktop/GlobalHotkey.h"
#include "desktop/ResultPopup.h"
#include "desktop/SingleInstance.h"

#include <QTemporaryDir>
#include <QTest>
#include <qguiapplication_platform.h>
#include <xcb/xcb.h>

using namespace quillo;
using namespace quillo::test;

namespace {

constexpr int kTranslationWaitMs = 15000;

class HotkeyTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(m_server.listening()) << m_server.failure().toStdString();
        m_form = showFormFor(m_server.base());
        choose(*m_form, BabelFish, English, French);
        m_anywhere = std::make_unique<TranslateAnywhere>(m_form.get(), DesktopChoices{});
        m_anywhere->Hooks.detectLanguage = [](const QString&) { return int(English); };
    }

    void TearDown() override
    {
        m_anywhere.reset();
        m_form.reset();
        EngineTest::TearDown();
    }

    // The primary selection as another program holds it.
    void selectElsewhere(const QString& text) { HoldSelectionElsewhere(QDir(m_folder.path()), "primary", text); }

    FreshQuilloServer m_server;
    QTemporaryDir m_folder;
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<TranslateAnywhere> m_anywhere;
};

// What a window manager would say (Xvfb runs none): `window` has the focus, full screen or not.
void announceActiveWindow(WId window, bool fullScreen)
{
    xcb_connection_t* connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto atom = [connection](const char* name) {
        const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t value = reply->atom;
        free(reply);
        return value;
    };
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto id = static_cast<xcb_window_t>(window);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, 1,
                        &id);
    const xcb_atom_t state = atom("_NET_WM_STATE_FULLSCREEN");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        fullScreen ? 1 : 0, &state);
    xcb_flush(connection);
}

} // namespace

TEST_F(HotkeyTest, OverAFullScreenProgramThePopupOpensWithoutTakingTheFocus)
{
    QWidget film;
    film.setAttribute(Qt::WA_QuitOnClose, false);
    film.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&film));
    for (const bool fullScreen : {true, false}) {
        announceActiveWindow(film.winId(), fullScreen);
        EXPECT_EQ(ActiveWindowIsFullScreen(), fullScreen);
        m_anywhere->TranslateText(QStringLiteral("hello"));
        EXPECT_TRUE(m_anywhere->Popup->isVisible());
        EXPECT_EQ(m_anywhere->Popup->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus), fullScreen);
        EXPECT_EQ(m_anywhere->Popup->testAttribute(Qt::WA_ShowWithoutActivating), fullScreen);
        ASSERT_TRUE(waitUntil([&] { return m_anywhere->Popup->ResultText() == QStringLiteral("[fr] hello"); },
                              kTranslationWaitMs));
        m_anywhere->Popup->close();
    }
}

TEST_F(HotkeyTest, ThePopupClosesOnEscapeAndWhenTheUserWorksElsewhere)
{
    QWidget elsewhere;
    elsewhere.setAttribute(Qt::WA_QuitOnClose, false);
    elsewhere.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&elsewhere));
    m_anywhere->TranslateText(QStringLiteral("hello"));
    ASSERT_EVENTUALLY(m_anywhere->Popup->isActiveWindow());
    // Escape stops answers still coming in place; with every answer in, it closes the popup.
    ASSERT_EVENTUALLY_EQ_WITHIN(m_anywhere->Popup->ResultText(), QStringLiteral("[fr] hello"), kTranslationWaitMs);
    ASSERT_EVENTUALLY(!m_anywhere->Popup->Waiting());
    QTest::keyClick(m_anywhere->Popup, Qt::Key_Escape);
    EXPECT_FALSE(m_anywhere->Popup->isVisible());

    m_anywhere->TranslateText(QStringLiteral("hello"));
    ASSERT_EVENTUALLY(m_anywhere->Popup->isActiveWindow());
    elsewhere.activateWindow();
    ASSERT_EVENTUALLY(!m_anywhere->Popup->isVisible());
}

TEST_F(HotkeyTest, TheKeyTranslatesThePrimarySelectionIntoThePopup)
{
    ASSERT_TRUE(m_anywhere->HotkeyError().isEmpty()) << m_anywhere->HotkeyError().toStdString();
    // The grab holds whatever lock keys are on.
    const QString presses[] = {QStringLiteral("ctrl+alt+t"), QStringLiteral("Num_Lock ctrl+alt+t Num_Lock")};
    int round = 0;
    for (const QString& press : presses) {
        const QString text = QStringLiteral("hello world %1").arg(++round);
        ASSERT_NO_FATAL_FAILURE(selectElsewhere(text));
        const RunResult xdotool = RunToEnd(Tool("xdotool"), QStringList{QStringLiteral("key")} + press.split(u' '), 10000);
        ASSERT_TRUE(xdotool.succeeded()) << xdotool.startError.toStdString() << xdotool.error.toStdString();
        ASSERT_EVENTUALLY_EQ_WITHIN(m_anywhere->Popup->ResultText(), QStringLiteral("[fr] ") + text, kTranslationWaitMs);
        EXPECT_TRUE(m_anywhere->Popup->isVisible());
        EXPECT_EQ(m_anywhere->Popup->SourceText(), text);
        EXPECT_EQ(m_anywhere->Popup->PairLabel->text(), QStringLiteral("英语 → 法语"));
    }
}

TEST_F(HotkeyTest, ASecondStartHandsItsCommandToTheRunningProgramAndEnds)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    SingleInstance instance;
    ASSERT_TRUE(instance.listen());
    ServeInstance(m_anywhere.get(), &instance, kShowCommand);
    ASSERT_NO_FATAL_FAILURE(selectElsewhere(QStringLiteral("from a second start")));

    ChildProcess second(QStringLiteral(QUILLO_BINARY_DIR "/src/app/quillo"), {QStringLiteral("--translate-selection")});
    ASSERT_TRUE(second.started()) << second.startError().toStdString();
    ASSERT_EVENTUALLY_EQ_WITHIN(m_anywhere->Popup->ResultText(), QStringLiteral("[fr] from a second start"),
                              kTranslationWaitMs);
    // It ends by itself, successfully, without a window of its own.
    const std::optional<ExitStatus> status = second.waitForExit(10000);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->succeeded());
    qunsetenv("XDG_RUNTIME_DIR");
}

TEST_F(HotkeyTest, TheSessionBusMethodTranslatesTheSelection)
{
    // Run by its own ctest entry inside dbus-run-session; elsewhere there is no bus to call on.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "no session bus";
    SingleInstance instance(m_folder.filePath(QStringLiteral("quillo.socket")));
    ASSERT_TRUE(OfferCommandsOnSessionBus(&instance));
    ServeInstance(m_anywhere.get(), &instance, kShowCommand);
    ASSERT_NO_FATAL_FAILURE(selectElsewhere(QStringLiteral("über die Brücke")));

    ChildProcess call(Tool("gdbus"), {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                                      QStringLiteral("org.quillo.Quillo"), QStringLiteral("--object-path"),
                                      QStringLiteral("/Quillo"), QStringLiteral("--method"),
                                      QStringLiteral("org.quillo.Quillo.TranslateSelection")});
    ASSERT_TRUE(call.started()) << call.startError().toStdString();
    ASSERT_EVENTUALLY_EQ_WITHIN(m_anywhere->Popup->ResultText(), QStringLiteral("[fr] über die Brücke"),
                              kTranslationWaitMs);
    const std::optional<ExitStatus> status = call.waitForExit(10000);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->succeeded());
}
