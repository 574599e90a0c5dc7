#pragma once
// Runs the event loop until `done` holds, for at most `timeoutMs`; whether it held. Qt Test's
// QTRY_ macros report to Qt Test's own runner, which GoogleTest never reads: one that times out
// there only returns from the test, which then passes. Assert on this instead.
#include <QDeadlineTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace quillo::test {

template <typename Condition>
bool waitUntil(Condition done, int timeoutMs = 10000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace quillo::test

// Waits for the values to become equal, then asserts it (so a failure shows both).
#define ASSERT_EVENTUALLY_EQ(actual, expected)                                              \
    do {                                                                                    \
        ::quillo::test::waitUntil([&] { return (actual) == (expected); });                  \
        ASSERT_EQ(actual, expected);                                                        \
    } while (false)
#define ASSERT_EVENTUALLY_EQ_WITHIN(actual, expected, timeoutMs)                            \
    do {                                                                                    \
        ::quillo::test::waitUntil([&] { return (actual) == (expected); }, timeoutMs);       \
        ASSERT_EQ(actual, expected);                                                        \
    } while (false)
#define ASSERT_EVENTUALLY(condition) ASSERT_TRUE(::quillo::test::waitUntil([&] { return bool(condition); })) << #condition
