// The command line: serving options, publish and feedback, and what is refused.

#include "server/ServerOptions.h"

#include <gtest/gtest.h>

using namespace quillo::server;

namespace {

CommandLine parse(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "quillo-server");
    return ParseCommandLine(arguments);
}

} // namespace

TEST(ServerOptionsTest, ServeOptionsAreRead)
{
    const CommandLine line = parse({"--listen", "127.0.0.1:0", "--backend", "apertium,echo",
                                    "--data=/tmp/d", "--threads", "4", "--allow-private-fetch",
                                    "--pipeline-idle", "0", "--pipelines-warm=5"});
    ASSERT_EQ(line.command, CommandLine::Command::Serve) << line.error;
    EXPECT_EQ(line.serve.host, "127.0.0.1");
    EXPECT_EQ(line.serve.port, 0);
    EXPECT_EQ(line.serve.backends, (std::vector<std::string>{"apertium", "echo"}));
    EXPECT_EQ(line.serve.dataDirectory, "/tmp/d");
    EXPECT_EQ(line.serve.threads, 4u);
    EXPECT_TRUE(line.serve.allowPrivateFetch);
    EXPECT_EQ(line.serve.pipelineIdleSeconds, 0);
    EXPECT_EQ(line.serve.pipelinesWarm, 5u);

    const CommandLine v6 = parse({"serve", "--listen", "[::1]:8437"});
    ASSERT_EQ(v6.command, CommandLine::Command::Serve) << v6.error;
    EXPECT_EQ(v6.serve.host, "::1");
    EXPECT_EQ(v6.serve.port, 8437);
    EXPECT_TRUE(v6.serve.backends.empty()); // the default choice is made at start
    EXPECT_FALSE(v6.serve.dataDirectory.empty());
}

TEST(ServerOptionsTest, BadServeOptionsAreRefusedWithAReason)
{
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--listen", "127.0.0.1"},
             {"--listen", "127.0.0.1:65536"},
             {"--listen", ":80"},
             {"--backend", "google"},
             {"--backend", "libretranslate"}, // without --libretranslate URL
             {"--threads", "1"},
             {"--pipeline-idle", "-1"},
             {"--pipelines-warm", "many"},
             {"--data"},
             {"--frobnicate"},
             {"stray"},
         }) {
        const CommandLine line = parse(arguments);
        EXPECT_EQ(line.command, CommandLine::Command::Invalid) << arguments.front();
        EXPECT_FALSE(line.error.empty());
    }
    const CommandLine libre = parse({"--backend", "libretranslate", "--libretranslate", "http://x:5000"});
    EXPECT_EQ(libre.command, CommandLine::Command::Serve) << libre.error;
}

TEST(ServerOptionsTest, PublishAndFeedbackCommands)
{
    const CommandLine publish = parse({"publish", "--data", "D", "prog.bin", "--version", "17",
                                       "--notice", "新版本", "--sign-key", "k.pem"});
    ASSERT_EQ(publish.command, CommandLine::Command::Publish) << publish.error;
    EXPECT_EQ(publish.publish.programFile, "prog.bin");
    EXPECT_EQ(publish.publish.version, "17");
    EXPECT_EQ(publish.publish.notice, "新版本");
    EXPECT_EQ(publish.publish.signKeyFile, "k.pem");
    EXPECT_EQ(parse({"publish", "--data", "D", "--version", "17"}).command, CommandLine::Command::Invalid);
    EXPECT_EQ(parse({"publish", "a", "b", "--version", "17"}).command, CommandLine::Command::Invalid);
    EXPECT_EQ(parse({"publish", "a"}).command, CommandLine::Command::Invalid);

    const CommandLine feedback = parse({"feedback", "--data", "D", "--json"});
    ASSERT_EQ(feedback.command, CommandLine::Command::Feedback) << feedback.error;
    EXPECT_TRUE(feedback.feedback.json);
    EXPECT_EQ(feedback.feedback.dataDirectory, "D");
    EXPECT_EQ(parse({"--help"}).command, CommandLine::Command::Help);
}
