#include "ChildProcess.h"
#include "QuilloServerProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

namespace quillo::test {
namespace {

constexpr int kLimitMs = 30000;

const QString kShell = QStringLiteral("/bin/sh");

QStringList script(const char* text)
{
    return {QStringLiteral("-c"), QString::fromLatin1(text)};
}

TEST(ChildProcess, LinesOutputErrorsAndExitCode)
{
    ChildProcess child(kShell, script("printf 'one\\ntwo\\n'; sleep 0.2; printf 'three\\npart'; echo oops >&2; exit 3"),
                       ChildOptions{ChildOptions::Channel::Discard, ChildOptions::Channel::Pipe});
    ASSERT_TRUE(child.started()) << child.startError().toStdString();
    EXPECT_GT(child.pid(), 0);
    EXPECT_EQ(child.readLine(kLimitMs), QByteArray("one"));
    EXPECT_EQ(child.readLine(kLimitMs), QByteArray("two"));
    EXPECT_EQ(child.readLine(kLimitMs), QByteArray("three"));
    // The output ends without a line end: no line, and the rest is still there.
    EXPECT_EQ(child.readLine(kLimitMs), std::nullopt);
    const auto status = child.waitForExit(kLimitMs);
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->exited());
    EXPECT_EQ(status->code, 3);
    EXPECT_FALSE(status->succeeded());
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.takeOutput(), QByteArray("part"));
    EXPECT_EQ(child.takeOutput(), QByteArray());
    EXPECT_EQ(child.standardError(), QByteArray("oops\n"));
}

TEST(ChildProcess, DeadlinesAndStopping)
{
    // A child that says nothing: reading and waiting give up at their deadlines.
    ChildProcess silent(kShell, script("trap 'exit 7' TERM; while :; do sleep 0.05; done"));
    ASSERT_TRUE(silent.started());
    EXPECT_EQ(silent.readLine(100), std::nullopt);
    EXPECT_EQ(silent.waitForExit(100), std::nullopt);
    EXPECT_TRUE(silent.running());
    // SIGTERM first: it ends by its own hand.
    const auto ended = silent.stop(kLimitMs);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ended->exited());
    EXPECT_EQ(ended->code, 7);

    // One that ignores SIGTERM is killed.
    ChildProcess stubborn(kShell, script("trap '' TERM; echo ready; while :; do sleep 0.05; done"));
    ASSERT_EQ(stubborn.readLine(kLimitMs), QByteArray("ready"));
    const auto killed = stubborn.stop(200);
    ASSERT_TRUE(killed);
    EXPECT_FALSE(killed->exited());
    EXPECT_EQ(killed->signal, SIGKILL);
    EXPECT_EQ(stubborn.exitStatus()->signal, SIGKILL);
}

TEST(ChildProcess, DestructionKillsAndReapsTheChild)
{
    pid_t pid = 0;
    {
        ChildProcess child(kShell, script("echo up; exec sleep 60"));
        ASSERT_EQ(child.readLine(kLimitMs), QByteArray("up"));
        pid = child.pid();
        ASSERT_EQ(::kill(pid, 0), 0);
    }
    // Reaped, not a zombie: the id is gone.
    errno = 0;
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST(ChildProcess, InputIsEmptyOrAPipeTheTestCloses)
{
    ChildProcess discarded(QStringLiteral("/bin/cat"), {});
    const auto atOnce = discarded.waitForExit(kLimitMs);
    ASSERT_TRUE(atOnce);
    EXPECT_TRUE(atOnce->succeeded());
    EXPECT_EQ(discarded.takeOutput(), QByteArray());

    ChildProcess waiting(QStringLiteral("/bin/cat"), {}, ChildOptions{ChildOptions::Channel::Pipe});
    EXPECT_EQ(waiting.waitForExit(100), std::nullopt);
    waiting.closeInput();
    const auto closed = waiting.waitForExit(kLimitMs);
    ASSERT_TRUE(closed);
    EXPECT_TRUE(closed->succeeded());
}

TEST(ChildProcess, RunToEndCollectsEverythingAndKillsAtTheDeadline)
{
    // More than a pipe holds on both channels: neither may block the child.
    const RunResult big = RunToEnd(
        kShell, script("head -c 1000000 /dev/zero; head -c 300000 /dev/zero >&2; echo done >&2"), kLimitMs);
    ASSERT_TRUE(big.succeeded()) << big.startError.toStdString();
    EXPECT_EQ(big.exitCode(), 0);
    EXPECT_EQ(big.output, QByteArray(1000000, '\0'));
    EXPECT_EQ(big.error.size(), 300005);
    EXPECT_TRUE(big.error.endsWith("done\n"));

    const RunResult slow = RunToEnd(kShell, script("echo before; exec sleep 60"), 200);
    EXPECT_EQ(slow.status, std::nullopt);
    EXPECT_EQ(slow.exitCode(), -1);
    EXPECT_EQ(slow.output, QByteArray("before\n"));

    const RunResult missing = RunToEnd(QStringLiteral("/nonexistent/program"), {}, kLimitMs);
    EXPECT_FALSE(missing.succeeded());
    EXPECT_TRUE(missing.startError.contains(QStringLiteral("/nonexistent/program")));
    ChildProcess notStarted(QStringLiteral("/nonexistent/program"), {});
    EXPECT_FALSE(notStarted.started());
    EXPECT_EQ(notStarted.readLine(kLimitMs), std::nullopt);
    EXPECT_EQ(notStarted.waitForExit(kLimitMs), std::nullopt);
    EXPECT_FALSE(notStarted.running());
}

TEST(QuilloServerProcess, ListensOnItsPortOrSaysWhyNot)
{
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    EXPECT_GT(server.port(), 0);
    EXPECT_EQ(server.base(), QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    EXPECT_TRUE(server.failure().isEmpty());

    // Refused arguments: no first line, and the reason names what it printed instead.
    QuilloServerProcess refused({QStringLiteral("--backend"), QStringLiteral("babelfish")},
                                ChildOptions{ChildOptions::Channel::Discard, ChildOptions::Channel::Pipe});
    EXPECT_FALSE(refused.listening());
    EXPECT_FALSE(refused.failure().isEmpty());
    const auto status = refused.process().waitForExit(kLimitMs);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->code, 2);
    EXPECT_TRUE(refused.process().standardError().contains("Usage"));
}

} // namespace
} // namespace quillo::test
