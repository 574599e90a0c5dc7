// The running service's engines: the offline switch on every route, the settings read again
// through the API (the old engines kept when the new ones cannot be had), and an engine's settings
// tried before they are saved.

#include "ApiStandIns.h"
#include "ServerFixture.h"

#include <QFile>
#include <QJsonArray>

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

constexpr const char* kJson = "application/json";

// A service whose engines come from `engines.ini` in a folder of its own, MyMemory's address from
// the command line (as it overrides the test harness's variable); no Apertium, no dictionary.
class ConfiguredService {
public:
    ConfiguredService(const std::string& ini, const MyMemoryStandIn& memory, const std::string& apiKeysFile = {})
    {
        write(ini);
        ServeOptions options;
        options.engineValues["mymemory/url"] = memory.base();
        options.configFile = path();
        options.apiKeysFile = apiKeysFile;
        options.engineValues["apertium/modes"] = folder.filePath(QStringLiteral("no-apertium")).toStdString();
        options.engineValues["dictionary/file"] = folder.filePath(QStringLiteral("no-dictionary")).toStdString();
        service.emplace(options);
    }
    std::string path() const { return folder.filePath(QStringLiteral("engines.ini")).toStdString(); }
    void write(const std::string& ini) const
    {
        QFile file(QString::fromStdString(path()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(ini.data(), static_cast<qint64>(ini.size()));
    }
    std::vector<std::string> engineIds() const
    {
        std::vector<std::string> ids;
        const auto listed = service->client().Get("/api/v1/engines");
        for (const QJsonValue& engine : QJsonDocument::fromJson(bytes(listed->body)).array())
            ids.push_back(engine[QStringLiteral("id")].toString().toStdString());
        return ids;
    }

    QTemporaryDir folder;
    std::optional<RunningService> service;
};

QJsonObject post(const RunningService& service, const std::string& path, const std::string& body, int expectedStatus,
                 const httplib::Headers& headers = {})
{
    const auto reply = service.client().Post(path, headers, body, kJson);
    EXPECT_TRUE(reply);
    if (!reply)
        return {};
    EXPECT_EQ(reply->status, expectedStatus) << path << ": " << reply->body;
    return QJsonDocument::fromJson(bytes(reply->body)).object();
}

} // namespace

TEST(EngineReloadTest, OfflineNoStandInHearsAnything)
{
    MyMemoryStandIn memory;
    ChatStandIn chat;
    const std::string ini = "[general]\noffline = true\n[llm]\nurl = " + chat.base()
        + "\nmodel = m\n[llm.local]\nurl = " + chat.base() + "\nmodel = m2\n";
    ConfiguredService configured(ini, memory);
    const RunningService& service = *configured.service;
    auto client = service.client();

    EXPECT_TRUE(configured.engineIds().empty());
    post(service, "/api/v1/translate", R"({"text":"今天天气很好。","source":"zh-Hans","target":"en","engines":"all"})", 200);
    post(service, "/api/v1/translate", R"({"text":"今天天气很好。","source":"zh-Hans","target":"en","engines":["mymemory","llm.local"]})", 200);
    post(service, "/api/v1/translate", R"({"text":"今天天气很好。","source":"zh-Hans","target":"en","stream":true})", 200);
    EXPECT_NE(client.Post("/translate", "q=hello&source=en&target=zh", kForm)->status, 200);
    const auto babel = client.Post("/translate_txt", "ei=UTF-8&trtext=hello&lp=en_zh&btnTrTxt=Translate", kForm);
    EXPECT_EQ(babel->status, 200);
    post(service, "/api/v1/engines/test", R"({"engine":"mymemory","settings":{"url":")" + memory.base() + R"("}})", 200);
    post(service, "/api/v1/engines/reload", "{}", 200);
    EXPECT_TRUE(configured.engineIds().empty());

    EXPECT_TRUE(memory.queries().empty());
    EXPECT_TRUE(chat.requests().empty());
}

TEST(EngineReloadTest, ReloadSwapsTheEnginesOrKeepsTheOldOnes)
{
    MyMemoryStandIn memory;
    ChatStandIn chat;
    const std::string memoryOnly = "[mymemory]\nemail = ops@example.org\n";
    ConfiguredService configured(memoryOnly, memory);
    const RunningService& service = *configured.service;
    EXPECT_EQ(configured.engineIds(), (std::vector<std::string>{"mymemory"}));

    configured.write(memoryOnly + "[llm.local]\nurl = " + chat.base() + "\nmodel = m2\n");
    const QJsonObject reloaded = post(service, "/api/v1/engines/reload", "{}", 200);
    EXPECT_EQ(reloaded[QStringLiteral("engines")], (QJsonArray{QStringLiteral("llm.local"), QStringLiteral("mymemory")}));
    const auto listed = QJsonDocument::fromJson(bytes(service.client().Get("/api/v1/engines")->body)).array();
    EXPECT_EQ(listed.first()[QStringLiteral("name")].toString(), QStringLiteral("大模型翻译（local）"));
    const QJsonObject both = post(service, "/api/v1/translate",
                                  R"({"text":"你好。","source":"zh-Hans","target":"en","engines":"all"})", 200);
    const QJsonArray results = both[QStringLiteral("results")].toArray();
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0][QStringLiteral("text")].toString(), QStringLiteral("[m2] 你好。"));
    EXPECT_EQ(results[1][QStringLiteral("text")].toString(), QStringLiteral("[en] 你好。"));
    ASSERT_EQ(memory.queries().size(), 1u);
    EXPECT_EQ(memory.queries().front().de, "ops@example.org");

    configured.write("[engines]\norder = google\n");
    const QJsonObject refused = post(service, "/api/v1/engines/reload", "{}", 500);
    EXPECT_NE(refused[QStringLiteral("error")].toString().indexOf(u"google"), -1);
    EXPECT_EQ(configured.engineIds(), (std::vector<std::string>{"llm.local", "mymemory"}));

    QTemporaryDir keys;
    const std::string keyFile = keys.filePath(QStringLiteral("keys")).toStdString();
    {
        QFile file(QString::fromStdString(keyFile));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("admin-key\n");
    }
    ConfiguredService guarded(memoryOnly, memory, keyFile);
    post(*guarded.service, "/api/v1/engines/reload", "{}", 403);
    post(*guarded.service, "/api/v1/engines/test", R"({"engine":"echo"})", 403);
    post(*guarded.service, "/api/v1/engines/reload", "{}", 200, {{"Authorization", "Bearer admin-key"}});
}

TEST(EngineReloadTest, SettingsAreTriedBeforeTheyAreSaved)
{
    MyMemoryStandIn memory;
    ChatStandIn chat;
    ConfiguredService configured("", memory);
    const RunningService& service = *configured.service;

    const QJsonObject tried = post(service, "/api/v1/engines/test",
                                   R"({"engine":"llm.new","settings":{"url":")" + chat.base()
                                       + R"(","model":"m","prompt":"To {target}: {text}"},"text":"早上好","source":"zh-Hans","target":"en"})",
                                   200);
    EXPECT_EQ(tried[QStringLiteral("engine")].toString(), QStringLiteral("llm.new"));
    EXPECT_EQ(tried[QStringLiteral("text")].toString(), QStringLiteral("[m] To English: 早上好"));
    EXPECT_EQ(configured.engineIds(), (std::vector<std::string>{"mymemory"})); // nothing saved, nothing swapped

    chat.answer = Answer::Unauthorized;
    const QJsonObject refusedKey = post(service, "/api/v1/engines/test",
                                        R"({"engine":"llm","settings":{"url":")" + chat.base() + R"(","model":"m","key":"bad"}})", 200);
    EXPECT_NE(refusedKey[QStringLiteral("error")].toString().indexOf(u"拒绝了服务器的密钥"), -1) << QJsonDocument(refusedKey).toJson().toStdString();

    memory.answer = Answer::RateLimited;
    const QJsonObject quota = post(service, "/api/v1/engines/test",
                                   R"({"engine":"mymemory","settings":{"url":")" + memory.base() + R"("}})", 200);
    EXPECT_NE(quota[QStringLiteral("error")].toString().indexOf(u"额度已经用完"), -1);

    const QJsonObject noUrl = post(service, "/api/v1/engines/test", R"({"engine":"llm","settings":{}})", 200);
    EXPECT_NE(noUrl[QStringLiteral("error")].toString().indexOf(u"无法使用这些设置"), -1);
    const QJsonObject unknown = post(service, "/api/v1/engines/test", R"({"engine":"google"})", 200);
    EXPECT_TRUE(unknown.contains(QStringLiteral("error")));
    post(service, "/api/v1/engines/test", R"({"settings":{}})", 400);
    post(service, "/api/v1/engines/test", R"({"engine":"echo","target":"xx"})", 400);
}
