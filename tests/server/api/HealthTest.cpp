// What a balancer asks: is the process up, and can this instance do its work now.

#include "ServerFixture.h"

#include "server/stores/FeedbackStore.h"

#include <sqlite3.h>

using namespace quillo::server;
using namespace quillo::server::testing;

TEST(HealthTest, ReadyOnlyWithADatabaseAndAnEngineWhileHealthOnlyNeedsTheProcess)
{
    ServeOptions engineless = RunningService::echoOptions();
    engineless.backends.clear();
    engineless.engineValues["apertium/modes"] = "/nonexistent";
    engineless.engineValues["dictionary/file"] = "/nonexistent";
    RunningService ready, noEngine(engineless), noTable;
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
        {"no database", noTable, 503, "database unreachable"},
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
