#include "update/SwapScript.h"

#include "UpdateTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using test::EndedProcessId;
using test::ReadAll;
using test::WriteAll;

// A folder name that breaks every careless quoting.
const QString kAwkwardFolder = QStringLiteral("程序 目录 $HOME `id` 'q\" \\n;&");

TEST(SwapScript, NamesFollowTheProgram)
{
    const SwapPlan plan = SwapPlanFor(QStringLiteral("/opt/q.d/quillo"), 42);
    EXPECT_EQ(plan.program, QStringLiteral("/opt/q.d/quillo"));
    EXPECT_EQ(plan.download, QStringLiteral("/opt/q.d/quillo~"));
    EXPECT_EQ(plan.pid, 42);
#ifdef Q_OS_WIN
    EXPECT_EQ(SwapPlanFor(QStringLiteral("C:/Q/quillo.exe"), 1).script, QStringLiteral("C:/Q/quillo.bat"));
#else
    EXPECT_EQ(plan.script, QStringLiteral("/opt/q.d/quillo.sh"));
    EXPECT_EQ(SwapPlanFor(QStringLiteral("/opt/quillo.bin"), 1).script, QStringLiteral("/opt/quillo.sh"));
#endif
}

TEST(SwapScript, WindowsBatchRetriesUntilTheProgramHasEnded)
{
    const SwapPlan plan{QStringLiteral("C:/Program Files/Q/quillo.exe"), QStringLiteral("C:/Program Files/Q/quillo.exe~"),
                        QStringLiteral("C:/Program Files/Q/quillo.bat"), 0};
    const QString p = QDir::toNativeSeparators(QStringLiteral("\"C:/Program Files/Q/quillo.exe\""));
    const QString aside = QDir::toNativeSeparators(QStringLiteral("\"C:/Program Files/Q/quillo.exe.old\""));
    const QString n = QDir::toNativeSeparators(QStringLiteral("\"C:/Program Files/Q/quillo.exe~\""));
    const QString b = QDir::toNativeSeparators(QStringLiteral("\"C:/Program Files/Q/quillo.bat\""));
    const QStringList expected{
        QStringLiteral("copy /b /y ") + p + u' ' + aside,
        QStringLiteral(":try"),
        QStringLiteral("del ") + p,
        QStringLiteral("if exist ") + p + QStringLiteral(" goto try"),
        QStringLiteral("move ") + n + u' ' + p,
        QStringLiteral("if not exist ") + p + QStringLiteral(" move ") + aside + u' ' + p,
        p,
        QStringLiteral("del ") + aside,
        QStringLiteral("del ") + b,
    };
    EXPECT_EQ(WindowsSwapBatch(plan), expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

#ifndef Q_OS_WIN

const QString kShell = QStringLiteral("/bin/sh");
constexpr int kShellLimitMs = 30000;

TEST(SwapScript, ShellQuoteStandsForItself)
{
    const QStringList words{QString(), QStringLiteral("plain"), QStringLiteral("it's"), QStringLiteral("''"),
                            kAwkwardFolder, QStringLiteral("a\nb"), QStringLiteral("-n")};
    for (const QString& word : words) {
        const test::RunResult shell = test::RunToEnd(
            kShell, {QStringLiteral("-c"), QStringLiteral("printf '%s' ") + ShellQuote(word)}, kShellLimitMs);
        ASSERT_TRUE(shell.succeeded()) << shell.startError.toStdString() << shell.error.toStdString();
        EXPECT_EQ(QString::fromUtf8(shell.output), word);
    }
}

class PosixSwap : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString folder = dir.filePath(kAwkwardFolder);
        ASSERT_TRUE(QDir().mkpath(folder));
        plan = SwapPlanFor(folder + QStringLiteral("/quillo"), EndedProcessId());
        marker = dir.filePath(QStringLiteral("started"));
        ASSERT_TRUE(WriteAll(plan.program, "old program\n"));
        newProgram = "#!/bin/sh\nprintf '%s' \"$0\" > " + QFile::encodeName(ShellQuote(marker)) + "\n";
        ASSERT_TRUE(WriteAll(plan.download, newProgram));
        QFile::setPermissions(plan.program, QFile::permissions(plan.program) | QFile::ExeOwner);
    }

    int runScript()
    {
        if (!WriteAll(plan.script, QFile::encodeName(PosixSwapScript(plan))))
            return -1;
        return test::RunToEnd(kShell, {plan.script}, kShellLimitMs).exitCode();
    }

    QTemporaryDir dir;
    SwapPlan plan;
    QString marker;
    QByteArray newProgram;
};

TEST_F(PosixSwap, ReplacesStartsAndCleansUp)
{
    // The download gets the program's permissions when the script is started for real; here the
    // script alone runs.
    QFile::setPermissions(plan.download, QFile::permissions(plan.program));
    EXPECT_EQ(runScript(), 0);
    EXPECT_EQ(ReadAll(plan.program), newProgram);
    EXPECT_FALSE(QFile::exists(plan.download));
    EXPECT_FALSE(QFile::exists(SetAsidePath(plan.program)));
    EXPECT_FALSE(QFile::exists(plan.script));
    ASSERT_TRUE(test::WaitUntil([&] { return !ReadAll(marker).isEmpty(); }));
    EXPECT_EQ(QString::fromUtf8(ReadAll(marker)), plan.program);
}

TEST_F(PosixSwap, PutsTheOldProgramBackWhenTheMoveFails)
{
    QFile::remove(plan.download);
    runScript();
    EXPECT_EQ(ReadAll(plan.program), QByteArray("old program\n"));
    EXPECT_TRUE(QFile::permissions(plan.program) & QFile::ExeOwner);
    EXPECT_FALSE(QFile::exists(SetAsidePath(plan.program)));
    EXPECT_FALSE(QFile::exists(plan.script));
    EXPECT_FALSE(QFile::exists(marker));
}

TEST_F(PosixSwap, StartSwapScriptCopiesPermissionsAndRunsDetached)
{
    ASSERT_TRUE(StartSwapScript(plan));
    ASSERT_TRUE(test::WaitUntil([&] { return !QFile::exists(plan.script) && QFile::exists(marker); }));
    EXPECT_EQ(ReadAll(plan.program), newProgram);
    EXPECT_TRUE(QFile::permissions(plan.program) & QFile::ExeOwner);

    // A script that cannot be written starts nothing.
    SwapPlan nowhere = plan;
    nowhere.script = dir.filePath(QStringLiteral("missing folder/quillo.sh"));
    EXPECT_FALSE(StartSwapScript(nowhere));
}

#endif

} // namespace
} // namespace quillo
