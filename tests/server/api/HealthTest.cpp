// What a balancer asks: is the process up, and can this instance do its work now.

#include "ChildProcess.h"
#include "ServerFixture.h"

#include "server/stores/FeedbackStore.h"

#include <sqlite3.h>

#include <limits>

using namespace quillo::server;
using namespace quillo::server::testing;

TEST(HealthTest, ReadyOnlyWithADatabaseAndAnEngineWhileHealthOnlyNeedsTheProcess)
{
    ServeOptions engineless = RunningService::echoOptions();
    engineless.backends.clear();
    engineless.engineValues["apertium/modes"] = "/nonexistent";
    engineless.engineValues["dictionary/file"] = "/nonexistent";
    engineless.offline = true; // else the keyless online engine serves
    ServeOptions tightDisk = RunningService::echoOptions();
    tightDisk.feedbackLimits.minimumFreeBytes = std::numeric_limits<uint64_t>::max(); // more than any disk has
    RunningService ready, noEngine(engineless), noTable, fullDisk(tightDisk);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(FeedbackStore::defaultPath(noTable.dataDirectory()).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DROP TABLE messages", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    const struct {
        const char* what;
        const RunningService& service;
        int ready;
        const char* reason;
    } cases[] = {
        {"ready", ready, 200, "ready"},
        {"no engine", noEngine, 503, "no translation engine configured"},
        {"no table", noTable, 503, "database schema unusable: no such table: messages"},
        {"full disk", fullDisk, 503, "disk full: "},
    };
    for (const auto& c : cases) {
        httplib::Client client = c.service.client();
        const auto health = client.Get("/healthz");
        ASSERT_TRUE(health) << c.what;
        EXPECT_EQ(health->status, 200) << c.what;
        const auto readiness = client.Get("/readyz");
        ASSERT_TRUE(readiness) << c.what;
        EXPECT_EQ(readiness->status, c.ready) << c.what;
        EXPECT_NE(readiness->body.find(c.reason), std::string::npos) << c.what << ": " << readiness->body;
    }
    // The Host check holds here too: a balancer's probe names the address or a public host.
    const auto foreign = ready.client().Get("/healthz", {{"Host", "rebound.attacker.example"}});
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->status, 421);
}

TEST(HealthTest, ADatabaseLockedByAnotherProcessHoldsOnlyTheMessages)
{
    ServeOptions options = RunningService::echoOptions();
    options.feedbackLimits.statementTime = options.feedbackLimits.connectionWait = std::chrono::seconds(3);
    RunningService service(options);
    const QString database = QString::fromStdString(FeedbackStore::defaultPath(service.dataDirectory()));
    {
        // Another process takes the write lock and keeps it until its input ends.
        quillo::test::ChildProcess locker(QStringLiteral("/usr/bin/sqlite3"),
                                          {QStringLiteral("-cmd"), QStringLiteral("BEGIN EXCLUSIVE"), QStringLiteral("-cmd"),
                                           QStringLiteral(".print locked"), database},
                                          {quillo::test::ChildOptions::Channel::Pipe, quillo::test::ChildOptions::Channel::Pipe});
        ASSERT_EQ(locker.readLine(10000), QByteArray("locked")) << locker.startError().toStdString();
        const StalledStoreOutcome outcome = WhileTheStoreStalls(service, 12);
        EXPECT_TRUE(outcome.othersAnsweredFirst);
        EXPECT_EQ(outcome.readyStatus, 503);
        EXPECT_NE(outcome.readyBody.find("database does not answer"), std::string::npos) << outcome.readyBody;
        EXPECT_EQ(outcome.postStatuses, std::vector<int>(12, 503));
        locker.closeInput();
        ASSERT_TRUE(locker.waitForExit(10000));
    }
    httplib::Client client = service.client();
    const auto stored = client.Post("/translation/feedback/addinfo.asp", "title=t&text=after", kForm);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->status, 200);
    EXPECT_EQ(client.Get("/readyz")->status, 200);
}
