// Replacing another program's selection on a real X server (the test runs under its own Xvfb):
// a Tk text field holds the selected text and the focus, the key is pressed by xdotool, and the
// field must then hold the echo backend's translation, typed in through XTest and the clipboard,
// which is the user's own again afterwards.
#include "WaitUntil.h"
#include "../e2e/EngineFixture.h"
#include "ChildProcess.h"
#include "DesktopTestTools.h"
#include "QuilloServerProcess.h"
#include "app/TranslateAnywhere.h"
#include "desktop/ClipboardLoan.h"
#include "desktop/GlobalHotkey.h"
#include "desktop/SelectionReplacer.h"

#include <QClipboard>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quillo;
using namespace quillo::test;

namespace {

constexpr int kTranslationWaitMs = 15000;

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class ReplaceSelectionTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (Tool("xdotool").isEmpty() || Tool("xclip").isEmpty())
            GTEST_SKIP() << "xdotool and xclip are needed to act as the user and another program";
        ASSERT_TRUE(m_server.listening()) << m_server.failure().toStdString();
        m_form = showFormFor(m_server.base());
        choose(*m_form, BabelFish, English, French);
        m_anywhere = std::make_unique<TranslateAnywhere>(m_form.get(), DesktopChoices{});
        m_anywhere->Hooks.detectLanguage = [](const QString&) { return int(English); };
        if (!m_anywhere->Replacer->canType())
            GTEST_SKIP() << "the X server has no XTest extension";
    }

    void TearDown() override
    {
        m_anywhere.reset();
        m_form.reset();
        EngineTest::TearDown();
    }

    // The Tk field of another program, focused; its text is mirrored in `m_fieldFile`.
    std::unique_ptr<ChildProcess> openField(const QString& text, const QStringList& options)
    {
        auto field = std::make_unique<ChildProcess>(
            QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral(QUILLO_SOURCE_DIR "/tests/desktop/text_field.py"), m_fieldFile, text} + options);
        EXPECT_TRUE(field->started()) << field->startError().toStdString();
        EXPECT_EQ(field->readLine(20000).value_or("no answer"), QByteArray("ready"));
        return field;
    }

    void pressReplaceKey()
    {
        const RunResult xdotool = RunToEnd(Tool("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+alt+r")}, 10000);
        ASSERT_TRUE(xdotool.succeeded()) << xdotool.startError.toStdString() << xdotool.error.toStdString();
    }

    FreshQuilloServer m_server;
    QTemporaryDir m_folder;
    QString m_fieldFile = m_folder.filePath(QStringLiteral("field.txt"));
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<TranslateAnywhere> m_anywhere;
};

} // namespace

TEST_F(ReplaceSelectionTest, TheKeyPastesTheTranslationOverTheSelectionAndGivesTheClipboardBack)
{
    ASSERT_TRUE(m_anywhere->ReplaceHotkey->error().isEmpty()) << m_anywhere->ReplaceHotkey->error().toStdString();
    // The terminal's field pastes on Ctrl+Shift+V only: with Ctrl+V it would keep its text.
    for (const QStringList& options : {QStringList(), QStringList{QStringLiteral("--terminal")}}) {
        SCOPED_TRACE(options.join(u' ').toStdString());
        ASSERT_NO_FATAL_FAILURE(HoldSelectionElsewhere(QDir(m_folder.path()), "clipboard", QStringLiteral("the user's own clipboard")));

        auto field = openField(QStringLiteral("hello world"), options);
        QSignalSpy returned(m_anywhere->Replacer->Loan, &ClipboardLoan::returned);
        ASSERT_NO_FATAL_FAILURE(pressReplaceKey());
        ASSERT_EVENTUALLY_EQ_WITHIN(fileText(m_fieldFile), QStringLiteral("[fr] hello world"), kTranslationWaitMs);
        ASSERT_EVENTUALLY_EQ_WITHIN(returned.count(), 1, kTranslationWaitMs);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's own clipboard"));
        field->stop(2000);
    }
}

TEST_F(ReplaceSelectionTest, WithoutASelectionInTheFocusedProgramNothingIsTypedAndANoticeSaysWhy)
{
    auto field = openField(QStringLiteral("keep me"), {QStringLiteral("--no-selection")});
    // Text selected elsewhere is not the focused program's.
    ASSERT_NO_FATAL_FAILURE(HoldSelectionElsewhere(QDir(m_folder.path()), "primary", QStringLiteral("selected elsewhere")));

    QSignalSpy notices(m_anywhere->Replacer, &SelectionReplacer::notice);
    ASSERT_NO_FATAL_FAILURE(pressReplaceKey());
    ASSERT_EVENTUALLY_EQ_WITHIN(notices.count(), 1, kTranslationWaitMs);
    EXPECT_EQ(notices.first().first().toString(), NoSelectionNotice());
    EXPECT_EQ(fileText(m_fieldFile), QStringLiteral("keep me"));
    field->stop(2000);
}
