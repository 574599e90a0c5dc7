// The glossary routes of the open API on a running service, the glossary command, and the
// missingTerms of a translation whose engine dropped a term.

#include "ApiStandIn.h"
#include "ServerFixture.h"

#include "server/api/ServiceEngines.h"
#include "server/app/Commands.h"
#include "server/engines/TranslationService.h"

#include <QFile>
#include <QJsonArray>

#include <fstream>

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

QJsonDocument json(const httplib::Result& reply)
{
    return reply ? QJsonDocument::fromJson(bytes(reply->body)) : QJsonDocument();
}

// Answers every text with the same words, whatever its terms.
class ForgetfulEngine final : public TranslationBackend {
public:
    std::string_view name() const override { return "forgetful"; }
    bool covers(std::string_view, std::string_view) const override { return true; }
    BackendResult translate(const TranslationRequest&) override { return {true, "ein Ding", {}}; }
};

} // namespace

TEST(GlossaryApiTest, AddListTranslateAndRemove)
{
    RunningService service;
    httplib::Client client = service.client();
    const auto added = client.Post("/api/v1/glossary",
                                   R"({"source":"zh","target":"en","term":"软件","translation":"software","note":"n"})",
                                   "application/json");
    ASSERT_TRUE(added);
    EXPECT_EQ(added->status, 201);
    const QJsonObject entry = json(added).object();
    EXPECT_EQ(entry.value(u"source").toString(), QStringLiteral("zh-Hans")); // the alias in the API's own spelling
    EXPECT_EQ(entry.value(u"note").toString(), QStringLiteral("n"));
    const qint64 id = entry.value(u"id").toInteger();
    EXPECT_GT(id, 0);
    // The same term again replaces its translation and keeps its id.
    const auto again = client.Post("/api/v1/glossary", "source=zh-Hans&target=en&term=%E8%BD%AF%E4%BB%B6&translation=app",
                                   "application/x-www-form-urlencoded");
    EXPECT_EQ(again->status, 200);
    EXPECT_EQ(json(again).object().value(u"id").toInteger(), id);

    const QJsonArray listed = json(client.Get("/api/v1/glossary?source=zh-Hans&target=en")).array();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].toObject().value(u"translation").toString(), QStringLiteral("app"));
    EXPECT_TRUE(json(client.Get("/api/v1/glossary?source=en&target=zh-Hans")).array().isEmpty());

    const auto translated = client.Post("/api/v1/translate", R"({"text":"這個軟件","source":"zt","target":"en"})",
                                        "application/json");
    const QJsonObject result = json(translated).object().value(u"results").toArray().first().toObject();
    EXPECT_EQ(result.value(u"text").toString(), QStringLiteral("[en] 這個app"));
    EXPECT_FALSE(result.contains(u"missingTerms"));

    EXPECT_EQ(client.Delete("/api/v1/glossary/" + std::to_string(id))->status, 204);
    EXPECT_EQ(client.Delete("/api/v1/glossary/" + std::to_string(id))->status, 404);
    EXPECT_TRUE(json(client.Get("/api/v1/glossary")).array().isEmpty());
}

TEST(GlossaryApiTest, RefusesWhatItCannotKeep)
{
    QTemporaryDir folder;
    const std::string keys = folder.filePath(QStringLiteral("keys")).toStdString();
    std::ofstream(keys) << "k1\n";
    ServeOptions options = RunningService::echoOptions();
    options.apiKeysFile = keys;
    RunningService service(options);
    httplib::Client client = service.client();
    const httplib::Headers key{{"Authorization", "Bearer k1"}};
    const struct {
        const char* body;
        int status;
    } cases[] = {
        {R"({"source":"en","target":"de","term":"a"})", 400},                       // no translation
        {R"({"source":"xx","target":"de","term":"a","translation":"b"})", 400},     // no such language
        {R"({"source":"en","target":"en","term":"a","translation":"b"})", 400},     // one language
        {R"({"source":"en","target":"de","term":["a","b"],"translation":"b"})", 400},
    };
    for (const auto& c : cases)
        EXPECT_EQ(client.Post("/api/v1/glossary", key, c.body, "application/json")->status, c.status) << c.body;
    EXPECT_EQ(client.Post("/api/v1/glossary", R"({"source":"en","target":"de","term":"a","translation":"b"})",
                          "application/json")->status, 403);
    EXPECT_EQ(client.Get("/api/v1/glossary")->status, 403);
    EXPECT_EQ(client.Delete("/api/v1/glossary/1")->status, 403);
    EXPECT_EQ(client.Get("/api/v1/glossary?source=en&target=de&api_key=k1")->status, 200);
    EXPECT_EQ(client.Get("/api/v1/glossary?source=en", key)->status, 400);
}

TEST(GlossaryApiTest, ADroppedTermIsListedWithTheResult)
{
    std::vector<std::unique_ptr<TranslationBackend>> engines;
    engines.push_back(std::make_unique<ForgetfulEngine>());
    TranslationService translator(std::move(engines));
    translator.setGlossary([](const ServiceLanguage&, const ServiceLanguage&) {
        return std::vector<GlossaryTerm>{{"Quillo", "Quillo", ""}, {"widget", "Baustein", ""}, {"gone", "weg", ""}};
    });
    const ServiceEngines serviceEngines(translator);
    ApiServer server({}, &serviceEngines);
    httplib::Client client(kLoopback, server.port());
    const auto reply = client.Post("/api/v1/translate", R"({"text":"the Quillo widget","source":"en","target":"de"})",
                                   "application/json");
    const QJsonObject result = json(reply).object().value(u"results").toArray().first().toObject();
    EXPECT_EQ(result.value(u"missingTerms").toArray(), (QJsonArray{QStringLiteral("Quillo"), QStringLiteral("widget")}));
}

TEST(GlossaryApiTest, TheCommandAddsListsAndRemoves)
{
    QTemporaryDir folder;
    GlossaryCommandOptions options;
    options.dataDirectory = folder.path().toStdString();
    options.action = GlossaryCommandOptions::Action::Add;
    options.source = "en";
    options.target = "zt";
    options.term = "server";
    options.translation = "伺服器";
    EXPECT_EQ(RunGlossaryCommand(options), 0);
    options.source = "xx";
    EXPECT_EQ(RunGlossaryCommand(options), 2);

    options = GlossaryCommandOptions{};
    options.action = GlossaryCommandOptions::Action::Remove;
    options.dataDirectory = folder.path().toStdString();
    options.id = "1";
    EXPECT_EQ(RunGlossaryCommand(options), 0);
    EXPECT_EQ(RunGlossaryCommand(options), 1); // gone already
}
