// The warm child process: round trips, large inputs, silence and death.

#include "server/base/PipeProcess.h"

#include <gtest/gtest.h>

using quillo::server::PipeProcess;
using namespace std::chrono_literals;

namespace {

// Answers every NUL-terminated record with the record and "!", NUL-terminated.
PipeProcess echoer()
{
    return PipeProcess({"bash", "-c", R"(while IFS= read -r -d '' x; do printf '%s!\0' "$x"; done)"});
}

} // namespace

TEST(PipeProcessTest, RecordsGoRoundTripAfterRoundTrip)
{
    PipeProcess process = echoer();
    std::string error;
    ASSERT_TRUE(process.start(error)) << error;
    std::string output;
    for (const std::string record : {"one", "two words", "中文"}) {
        ASSERT_TRUE(process.exchange(record + '\0', '\0', 10s, 1024, output, error)) << error;
        EXPECT_EQ(output, record + "!");
    }
}

TEST(PipeProcessTest, AnInputLargerThanThePipeDoesNotDeadlock)
{
    // cat answers while it is still being fed: writing everything first would block forever.
    PipeProcess process({"cat"});
    std::string error;
    ASSERT_TRUE(process.start(error)) << error;
    const std::string big(4 * 1024 * 1024, 'x');
    std::string output;
    ASSERT_TRUE(process.exchange(big + '\0', '\0', 60s, big.size() + 1, output, error)) << error;
    EXPECT_EQ(output.size(), big.size());
    // Too much output for the caller's cap: refused, and the child is gone.
    EXPECT_FALSE(process.exchange(big + '\0', '\0', 60s, 1024, output, error));
    EXPECT_FALSE(process.running());
}

TEST(PipeProcessTest, SilenceAndDeathAreReportedAndAStartGivesAFreshChild)
{
    PipeProcess silent({"sleep", "600"});
    std::string error;
    ASSERT_TRUE(silent.start(error)) << error;
    std::string output;
    EXPECT_FALSE(silent.exchange("x", '\0', 200ms, 1024, output, error));
    EXPECT_NE(error.find("no answer"), std::string::npos) << error;
    EXPECT_FALSE(silent.running());

    PipeProcess dying({"bash", "-c", "read -r -d '' x; exit 0"});
    ASSERT_TRUE(dying.start(error)) << error;
    EXPECT_FALSE(dying.exchange(std::string("x") + '\0', '\0', 10s, 1024, output, error));
    EXPECT_NE(error.find("ended"), std::string::npos) << error;

    PipeProcess process = echoer();
    ASSERT_TRUE(process.start(error)) << error;
    ASSERT_TRUE(process.start(error)) << error; // restarting replaces the child
    ASSERT_TRUE(process.exchange(std::string("again") + '\0', '\0', 10s, 1024, output, error)) << error;
    EXPECT_EQ(output, "again!");

    PipeProcess missing({"/nonexistent/program"});
    EXPECT_FALSE(missing.start(error));
    EXPECT_FALSE(error.empty());
}

TEST(PipeProcessTest, RunCollectsTheWholeOutputAndTheExitStatus)
{
    std::string output;
    std::string error;
    ASSERT_TRUE(PipeProcess::run({"printf", "a\\nb"}, 10s, output, error)) << error;
    EXPECT_EQ(output, "a\nb");
    EXPECT_FALSE(PipeProcess::run({"false"}, 10s, output, error));
}
