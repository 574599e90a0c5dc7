// Replacing a selection, without a desktop: the decisions (what is replaced, which paste, what the
// user is told) through a typing stand-in, the names of terminals and the portal's key names.
#include "desktop/ClipboardLoan.h"
#include "desktop/DesktopSettingsDialog.h"
#include "desktop/DesktopTyping.h"
#include "desktop/PortalShortcuts.h"
#include "desktop/SelectionReplacer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequenceEdit>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace quillo;

namespace {

struct TypingLog
{
    QList<bool> pastes; // one entry per erase-and-paste: true for the terminal's chord
};

class StandInTyping : public DesktopTyping
{
public:
    StandInTyping(bool available, FocusedProgram focused, bool typingWorks, TypingLog* log)
        : m_available(available), m_focused(focused), m_typingWorks(typingWorks), m_log(log)
    {
    }
    bool available() const override { return m_available; }
    FocusedProgram focusedProgram() const override { return m_focused; }
    bool eraseAndPaste(bool terminal) override
    {
        m_log->pastes.append(terminal);
        return m_typingWorks;
    }

private:
    bool m_available;
    FocusedProgram m_focused;
    bool m_typingWorks;
    TypingLog* m_log;
};

} // namespace

TEST(SelectionReplacer, ReplacesOnlyAFocusedSelectionAndSaysWhyNotOtherwise)
{
    const struct
    {
        const char* name;
        bool typing;
        FocusedProgram focused;
        bool typingWorks;
        QString selection;
        std::optional<QString> failure; // the translation fails with this
        QList<bool> pastes;
        QString notice;
        QString clipboardAfter;
    } cases[] = {
        {"a field's selection", true, {true, false}, true, QStringLiteral("hello"), {}, {false}, {}, QStringLiteral("[fr] hello")},
        {"a terminal's selection", true, {true, true}, true, QStringLiteral("ls"), {}, {true}, {}, QStringLiteral("[fr] hello")},
        {"nothing selected", true, {true, false}, true, QStringLiteral("  "), {}, {}, NoSelectionNotice(), QStringLiteral("mine")},
        {"selected in another window", true, {false, false}, true, QStringLiteral("hello"), {}, {}, NoSelectionNotice(),
         QStringLiteral("mine")},
        {"the translation failed", true, {true, false}, true, QStringLiteral("hello"), QStringLiteral("  网络错误 "), {},
         FailedTranslationNotice(QStringLiteral("网络错误")), QStringLiteral("mine")},
        {"the keys could not be sent", true, {true, false}, false, QStringLiteral("hello"), {}, {false},
         TypingFailedNotice(), QStringLiteral("[fr] hello")},
        {"no typing on this desktop", false, {}, true, QStringLiteral("hello"), {}, {}, CopiedForPastingNotice(),
         QStringLiteral("[fr] hello")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QGuiApplication::clipboard()->setText(QStringLiteral("mine"));
        TypingLog log;
        SelectionReplacer replacer(std::make_unique<StandInTyping>(c.typing, c.focused, c.typingWorks, &log));
        QSignalSpy notices(&replacer, &SelectionReplacer::notice);
        QSignalSpy replaced(&replacer, &SelectionReplacer::replaced);
        if (replacer.begin(c.selection)) {
            if (c.failure)
                replacer.fail(*c.failure);
            else
                replacer.finish(QStringLiteral("[fr] hello"));
        }
        EXPECT_EQ(log.pastes, c.pastes);
        EXPECT_EQ(notices.count(), c.notice.isEmpty() ? 0 : 1);
        if (!c.notice.isEmpty() && !notices.isEmpty()) {
            EXPECT_EQ(notices.first().first().toString(), c.notice);
        }
        EXPECT_EQ(replaced.count(), c.notice.isEmpty() ? 1 : 0);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.clipboardAfter);
        // A late answer of an abandoned translation types nothing.
        replacer.finish(QStringLiteral("late"));
        EXPECT_EQ(log.pastes, c.pastes);
    }
}

TEST(SelectionReplacer, TheLentClipboardComesBackUnlessTheUserCopiedSinceAndTheTextStaysWhenKept)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const struct
    {
        const char* name;
        std::function<void(ClipboardLoan&)> meanwhile;
        QString after;
    } cases[] = {
        {"the text was read", [](ClipboardLoan&) {}, QStringLiteral("mine")},
        {"the user copied", [clipboard](ClipboardLoan&) { clipboard->setText(QStringLiteral("newer")); },
         QStringLiteral("newer")},
        {"kept for pasting by hand", [](ClipboardLoan& loan) { loan.keep(); }, QStringLiteral("lent")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clipboard->setText(QStringLiteral("mine"));
        ClipboardLoan loan;
        QSignalSpy returned(&loan, &ClipboardLoan::returned);
        loan.lend(QStringLiteral("lent"));
        // Reading it, as a paste does, starts its return.
        EXPECT_EQ(clipboard->text(), QStringLiteral("lent"));
        c.meanwhile(loan);
        if (loan.open()) {
            EXPECT_TRUE(returned.wait(10000));
        }
        EXPECT_EQ(clipboard->text(), c.after);
    }
}

TEST(SelectionReplacer, TerminalsAreToldByTheirWindowClass)
{
    const struct
    {
        const char* instance;
        const char* windowClass;
        bool terminal;
    } windows[] = {
        {"xterm", "XTerm", true},        {"gnome-terminal-server", "Gnome-terminal", true},
        {"konsole", "konsole", true},    {"Alacritty", "Alacritty", true},
        {"urxvt", "URxvt", true},        {"st-256color", "st-256color", true},
        {"kitty", "kitty", true},        {"", "foot", true},
        {"gedit", "Gedit", false},       {"Navigator", "firefox", false},
        {"stellarium", "Stellarium", false}, {"", "", false},
    };
    for (const auto& w : windows)
        EXPECT_EQ(IsTerminalWindowClass(QString::fromLatin1(w.instance), QString::fromLatin1(w.windowClass)), w.terminal)
            << w.instance << " / " << w.windowClass;
}

TEST(PortalShortcuts, KeysAreNamedAsThePortalsPreferredTriggers)
{
    const std::pair<QKeySequence, const char*> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R), "CTRL+ALT+r"},
        {QKeySequence(Qt::SHIFT | Qt::META | Qt::Key_F9), "SHIFT+LOGO+F9"},
        {QKeySequence(Qt::CTRL | Qt::Key_5), "CTRL+5"},
        {QKeySequence(), ""},
    };
    for (const auto& [keys, trigger] : keys)
        EXPECT_EQ(PortalTrigger(keys), QString::fromLatin1(trigger)) << trigger;
}

TEST(DesktopSettingsDialog, SaysHowKeysReachTheProgramAndKeepsWhatItDoesNotShow)
{
    DesktopChoices choices;
    choices.replaceEngine = QStringLiteral("服务器(一)");
    for (const ShortcutWay way : {ShortcutWay::Grab, ShortcutWay::Portal, ShortcutWay::DesktopSettings}) {
        DesktopSettingsDialog form(choices, way);
        EXPECT_EQ(form.ReplaceHotkeyEdit->isEnabled(), way != ShortcutWay::DesktopSettings);
        form.ReplaceHotkeyEdit->setKeySequence(QKeySequence(Qt::CTRL | Qt::Key_F3));
        const DesktopChoices chosen = form.Choices();
        EXPECT_EQ(chosen.replaceHotkey, QKeySequence(Qt::CTRL | Qt::Key_F3));
        EXPECT_EQ(chosen.replaceEngine, choices.replaceEngine);
    }
    EXPECT_TRUE(HotkeyNote(ShortcutWay::Portal).contains(QStringLiteral("GlobalShortcuts")));
    EXPECT_TRUE(HotkeyNote(ShortcutWay::DesktopSettings).contains(QStringLiteral("quillo --replace-selection")));
}
