// The command line: serving options, publish and feedback, and what is refused.

#include "server/base/Log.h"
#include "server/app/ServerOptions.h"

#include <QFile>
#include <QTemporaryDir>

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
                                    "--public-host", "a.example", "--public-host=b.example",
                                    "--feedback-per-day", "10", "--log-file", "/tmp/l",
                                    "--database", "postgresql:///quillo", "--token-key-file", "/etc/k",
                                    "--pipeline-idle", "0", "--pipelines-warm=5"});
    ASSERT_EQ(line.command, CommandLine::Command::Serve) << line.error;
    EXPECT_EQ(line.serve.host, "127.0.0.1");
    EXPECT_EQ(line.serve.port, 0);
    EXPECT_EQ(line.serve.backends, (std::vector<std::string>{"apertium", "echo"}));
    EXPECT_EQ(line.serve.dataDirectory, "/tmp/d");
    EXPECT_EQ(line.serve.threads, 4u);
    EXPECT_TRUE(line.serve.allowPrivateFetch);
    EXPECT_EQ(line.serve.publicHosts, (std::vector<std::string>{"a.example", "b.example"}));
    EXPECT_EQ(line.serve.feedbackLimits.rowsPerDay, 10u);
    EXPECT_EQ(line.serve.logFile, "/tmp/l");
    EXPECT_EQ(line.serve.database, "postgresql:///quillo");
    EXPECT_EQ(line.serve.tokenKeyFile, "/etc/k");
    EXPECT_EQ(line.serve.engineValues.at("apertium/idle"), "0");
    EXPECT_EQ(line.serve.engineValues.at("apertium/warm"), "5");

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
             {"--public-host", "evil.example:80"},
             {"--log-max-bytes", "10"},
             {"--pipeline-idle", "-1"},
             {"--pipelines-warm", "many"},
             {"--data"},
             {"--database", "/tmp/feedback.sqlite3"}, // only PostgreSQL is named this way
             {"--frobnicate"},
             {"stray"},
         }) {
        const CommandLine line = parse(arguments);
        EXPECT_EQ(line.command, CommandLine::Command::Invalid) << arguments.front();
        EXPECT_FALSE(line.error.empty());
    }
    const CommandLine libre = parse({"--backend", "libretranslate", "--libretranslate", "http://x:5000"});
    EXPECT_EQ(libre.command, CommandLine::Command::Serve) << libre.error;
    // The address may come from the configuration file.
    EXPECT_EQ(parse({"--backend", "libretranslate", "--config", "e.ini"}).command, CommandLine::Command::Serve);
}

TEST(ServerOptionsTest, EnginesCommandTakesTheServersOptions)
{
    const CommandLine engines = parse({"engines", "--config", "e.ini", "--backend", "deepl,llm,dictionary",
                                       "--dictionary", "c.u8"});
    ASSERT_EQ(engines.command, CommandLine::Command::Engines) << engines.error;
    EXPECT_EQ(engines.serve.configFile, "e.ini");
    EXPECT_EQ(engines.serve.engineValues.at("dictionary/file"), "c.u8");
    EXPECT_EQ(engines.serve.backends, (std::vector<std::string>{"deepl", "llm", "dictionary"}));
    EXPECT_EQ(parse({"engines", "stray"}).command, CommandLine::Command::Invalid);
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
    EXPECT_EQ(parse({"feedback", "--database", "postgres://h/q"}).feedback.database, "postgres://h/q");
    EXPECT_EQ(parse({"--help"}).command, CommandLine::Command::Help);
}

TEST(LogTest, TheLogFileIsBoundedAndRequestsCannotForgeLines)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("server.log")).toStdString();
    std::string error;
    ASSERT_TRUE(SetLogFile(path, 8192, error)) << error;
    for (int i = 0; i < 200; ++i)
        LogWarning("GET /x\nforged line " + std::string(i % 3 == 0 ? 5000 : 10, 'a'));
    ASSERT_TRUE(SetLogFile("", 0, error));
    for (const std::string& name : {path, path + ".1"}) {
        QFile file(QString::fromStdString(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray text = file.readAll();
        EXPECT_LE(text.size(), 8192);
        EXPECT_FALSE(text.contains("\nforged"));
    }
}
