// The user's terms through every kind of engine: placeholders through real Apertium and a plain
// engine, the prompt of a language model and DeepL's own glossary (loopback stand-ins), terms in
// both Chinese scripts, a term inside a longer word left alone, and a dropped term reported.

#include "ApiStandIns.h"

#include "server/api/GlossaryTermSource.h"
#include "server/engines/GlossaryTerms.h"
#include "server/engines/TranslationService.h"
#include "server/engines/apertium/ApertiumBackend.h"
#include "server/engines/remote/ChatCompletionBackend.h"
#include "server/engines/remote/DeepLBackend.h"
#include "server/stores/GlossaryStore.h"

#include <set>

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

TranslationRequest request(const std::string& text, const char* source, const char* target)
{
    return {text, LanguageByCode(source), LanguageByCode(target), target, {}, {}};
}

// Answers with the text as it arrived, or with a fixed text that drops everything.
class PlainEngine final : public TranslationBackend {
public:
    std::string_view name() const override { return "plain"; }
    bool covers(std::string_view, std::string_view) const override { return true; }
    BackendResult translate(const TranslationRequest& request) override
    {
        seen.push_back(request.text);
        return {true, fixedAnswer.empty() ? request.text : fixedAnswer, {}};
    }
    std::vector<std::string> seen;
    std::string fixedAnswer;
};

std::unique_ptr<TranslationService> serviceWith(std::unique_ptr<TranslationBackend> engine, std::vector<GlossaryTerm> terms)
{
    std::vector<std::unique_ptr<TranslationBackend>> engines;
    engines.push_back(std::move(engine));
    auto service = std::make_unique<TranslationService>(std::move(engines));
    service->setGlossary([terms](const ServiceLanguage&, const ServiceLanguage&) { return terms; });
    return service;
}

// DeepL's v2 glossaries as documented: POST /v2/glossaries answers 201 with a glossary_id; a
// translation naming it has each entry's source replaced by its target, and one naming a deleted
// glossary answers 404. GET lists the account's glossaries (some made before, one by the user),
// DELETE /v2/glossaries/{id} answers `deleteStatus` and is recorded.
class DeepLGlossaryStandIn {
public:
    DeepLGlossaryStandIn()
    {
        site.server().Get("/v2/glossaries", [this](const httplib::Request&, httplib::Response& response) {
            std::lock_guard lock(mutex);
            QJsonArray listed;
            for (const auto& [id, name] : std::vector<std::pair<QString, QString>>{
                     {"old1", "quillo en>de"}, {"old2", "quillo en>fr"}, {"mine", "quillo en>de by hand"}})
                listed.append(QJsonObject{{QStringLiteral("glossary_id"), id}, {QStringLiteral("name"), name}});
            for (size_t i = 0; i < created.size(); ++i)
                listed.append(QJsonObject{{QStringLiteral("glossary_id"), QStringLiteral("g%1").arg(i + 1)},
                                          {QStringLiteral("name"), created[i].value(u"name")}});
            response.set_content(QJsonDocument(QJsonObject{{QStringLiteral("glossaries"), listed}}).toJson().toStdString(),
                                 "application/json");
        });
        site.server().Delete(R"(/v2/glossaries/([^/]+))", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex);
            deleteAsked.push_back(request.matches[1]);
            response.status = deleteStatus;
        });
        site.server().Post("/v2/glossaries", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex);
            created.push_back(QJsonDocument::fromJson(bytes(request.body)).object());
            response.status = 201;
            response.set_content("{\"glossary_id\":\"g" + std::to_string(created.size()) + "\",\"ready\":true}",
                                 "application/json");
        });
        site.server().Post("/v2/translate", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex);
            const QJsonObject body = QJsonDocument::fromJson(bytes(request.body)).object();
            usedIds.push_back(body.value(u"glossary_id").toString().toStdString());
            if (gone.contains(usedIds.back())) {
                response.status = 404;
                return;
            }
            QString text = body.value(u"text").toArray().first().toString();
            const size_t index = usedIds.back().empty() ? 0 : std::stoul(usedIds.back().substr(1));
            if (index > 0) {
                for (const QString& line : created[index - 1].value(u"entries").toString().split(u'\n'))
                    text.replace(line.section(u'\t', 0, 0), line.section(u'\t', 1, 1));
            }
            const QJsonObject translation{{QStringLiteral("text"), text}};
            response.set_content(QJsonDocument(QJsonObject{{QStringLiteral("translations"), QJsonArray{translation}}})
                                     .toJson()
                                     .toStdString(),
                                 "application/json");
        });
        site.start();
    }
    LocalSite site;
    std::mutex mutex;
    std::vector<QJsonObject> created;
    std::vector<std::string> usedIds;
    std::vector<std::string> deleteAsked;
    std::set<std::string> gone;
    std::atomic<int> deleteStatus{204};
};

} // namespace

TEST(GlossaryTermsTest, FindsWholeWordsAndTheLongestChineseTerm)
{
    const std::vector<GlossaryTerm> terms{{"cat", "Katze", ""}, {"Quillo server", "Quillo-Server", ""},
                                          {"苹果", "apple", ""}, {"苹果树", "apple tree", ""}, {"C++", "C++", ""}};
    const struct {
        const char* text;
        std::vector<std::string> found;
    } cases[] = {
        {"The cat sat.", {"cat"}},
        {"A category of cats; concat.", {}},        // inside longer words
        {"CAT and the quillo SERVER", {"cat", "Quillo server"}}, // case ignored
        {"苹果树上有苹果", {"苹果树", "苹果"}},        // the longest term at a place wins
        {"我用C++写代码", {"C++"}},                    // Latin term between Chinese characters
    };
    for (const auto& c : cases) {
        std::vector<std::string> found;
        for (const GlossaryTerm& term : TermsIn(c.text, terms))
            found.push_back(term.term);
        EXPECT_EQ(found, c.found) << c.text;
    }
    const ProtectedText hidden = ProtectTerms("苹果树上有苹果, cat!", terms);
    EXPECT_EQ(hidden.text, "ZQ1QZ上有ZQ2QZ, ZQ3QZ!");
    // Apertium marks an unknown word with "*"; engines may put a blank inside.
    EXPECT_EQ(RestoreTerms("*ZQ1QZ y zq2qz, Z Q3 QZ ZQ9QZ", hidden.placed), "apple tree y apple, Katze ZQ9QZ");
    EXPECT_EQ(MissingTerms("the APPLE tree", {{"苹果", "apple", ""}, {"cat", "Katze", ""}}),
              std::vector<std::string>{"cat"});
}

TEST(GlossaryTest, PlaceholdersThroughRealApertiumLeaveLongerWordsAlone)
{
    const std::string modes = "/usr/share/apertium/modes";
    if (!ApertiumBackend::installed(modes))
        GTEST_SKIP() << "Apertium is not installed (scripts/setup.sh installs apertium and its pairs)";
    ApertiumOptions options;
    options.modesDirectory = modes;
    const auto service = serviceWith(std::make_unique<ApertiumBackend>(options),
                                             {{"house", "hogar", ""}, {"Quillo", "Quillo", ""}});
    const Translation result = service->translate(request("The house of Quillo is big and the houses are small.", "en", "es"));
    ASSERT_EQ(result.outcome, Translation::Outcome::Translated) << result.text;
    EXPECT_NE(result.text.find("hogar"), std::string::npos) << result.text;
    EXPECT_NE(result.text.find("Quillo"), std::string::npos) << result.text;
    EXPECT_NE(result.text.find("casas"), std::string::npos) << result.text; // "houses" translated as Apertium does
    EXPECT_EQ(result.text.find("ZQ"), std::string::npos) << result.text;
    EXPECT_EQ(result.text.find('*'), std::string::npos) << result.text;
    EXPECT_TRUE(result.missingTerms.empty());
}

TEST(GlossaryTest, BothChineseScriptsShareTheTermsOfTheStore)
{
    QTemporaryDir folder;
    std::string error;
    auto store = GlossaryStore::open(GlossaryStore::defaultPath(folder.path().toStdString()), error);
    ASSERT_TRUE(store) << error;
    bool replaced = false;
    GlossaryEntry software{0, "zh-Hans", "en", "软件", "software", ""};
    GlossaryEntry server{0, "en", "zh-Hant", "software", "軟件", ""};
    ASSERT_EQ(store->add(software, replaced, error), GlossaryStore::Outcome::Done) << error;
    ASSERT_EQ(store->add(server, replaced, error), GlossaryStore::Outcome::Done) << error;

    auto engine = std::make_unique<PlainEngine>();
    std::vector<std::unique_ptr<TranslationBackend>> engines;
    engines.push_back(std::move(engine));
    TranslationService service(std::move(engines));
    GlossaryTermSource terms(*store);
    service.setGlossary(terms.lookup());
    const struct {
        const char *text, *source, *target, *expected;
    } cases[] = {
        {"这个软件很好", "zh", "en", "这个software很好"},
        {"這個軟件很好", "zt", "en", "這個software很好"},   // kept in Simplified, found in Traditional
        {"the software is up", "en", "zt", "the 軟件 is up"},
        {"the software is up", "en", "zh", "the 软件 is up"}, // the translation written in the script asked
    };
    for (const auto& c : cases) {
        const Translation result = service.translate(request(c.text, c.source, c.target));
        EXPECT_EQ(result.text, c.expected) << c.text << " " << c.target;
    }
}

TEST(GlossaryTest, ADroppedTermIsReportedAndStreamsCarryNoPlaceholder)
{
    auto engine = std::make_unique<PlainEngine>();
    PlainEngine* plain = engine.get();
    const auto service = serviceWith(std::move(engine), {{"Quillo", "Quillo", ""}, {"widget", "Baustein", ""}});
    std::string streamed;
    EngineAnswer kept = service->translateWith("plain", request("a Quillo widget", "en", "de"),
                                              [&](std::string_view, std::string_view piece) { streamed += piece; });
    EXPECT_EQ(kept.text, "a Quillo Baustein");
    EXPECT_EQ(streamed, kept.text);
    EXPECT_EQ(plain->seen.back(), "a ZQ1QZ ZQ2QZ");

    plain->fixedAnswer = "ein Baustein";
    EXPECT_EQ(service->translateWith("plain", request("a Quillo widget", "en", "de")).missingTerms,
              std::vector<std::string>{"Quillo"});
    EXPECT_EQ(service->translateMany(request("", "en", "de"), {"Quillo", "no terms"})[0].missingTerms,
              std::vector<std::string>{"Quillo"});
}

TEST(GlossaryTest, ALanguageModelIsToldOnlyTheTermsOfItsText)
{
    ChatStandIn standIn;
    const auto service = serviceWith(std::make_unique<ChatCompletionBackend>(ChatCompletionOptions{standIn.base(), "", "m"}),
                                             {{"Quillo", "Quillo", "the product"}, {"widget", "Baustein", ""}, {"absent", "fehlt", ""}});
    const Translation result = service->translate(request("The Quillo widget", "en", "de"));
    const auto arrived = standIn.requests();
    ASSERT_EQ(arrived.size(), 1u);
    const QString system = arrived[0].body.value(u"messages").toArray().first().toObject().value(u"content").toString();
    EXPECT_TRUE(system.contains(u"\"Quillo\" -> \"Quillo\" (the product)")) << system.toStdString();
    EXPECT_TRUE(system.contains(u"\"widget\" -> \"Baustein\"")) << system.toStdString();
    EXPECT_FALSE(system.contains(u"absent"));
    // The stand-in answers with the text as it came: the model did not keep "widget".
    EXPECT_EQ(arrived[0].body.value(u"messages").toArray().last().toObject().value(u"content").toString(),
              QStringLiteral("The Quillo widget"));
    EXPECT_EQ(result.missingTerms, std::vector<std::string>{"widget"});
}

TEST(GlossaryTest, DeepLGetsOneGlossaryPerPairMadeAgainOnlyWhenTheTermsChangeAndDeletesThoseItReplaced)
{
    DeepLGlossaryStandIn standIn;
    std::vector<GlossaryTerm> terms{{"widget", "Baustein", ""}};
    std::vector<std::unique_ptr<TranslationBackend>> engines;
    engines.push_back(std::make_unique<DeepLBackend>(DeepLOptions{"key", standIn.site.url(""), std::chrono::seconds(10)}));
    TranslationService service(std::move(engines));
    service.setGlossary([&terms](const ServiceLanguage&, const ServiceLanguage&) { return terms; });

    EXPECT_EQ(service.translate(request("one widget", "en", "de")).text, "one Baustein");
    EXPECT_EQ(service.translate(request("two widgets", "en", "de")).text, "two Bausteins");
    terms.push_back({"Quillo", "Quillo", ""});
    // The replaced glossary is deleted; DeepL refusing that does not fail the translation.
    standIn.deleteStatus = 500;
    const Translation changed = service.translate(request("a widget", "en", "de"));
    EXPECT_EQ(changed.text, "a Baustein");
    EXPECT_TRUE(changed.missingTerms.empty());
    // Another server of the same key deleted the glossary: a new one is made and the text asked again.
    {
        std::lock_guard lock(standIn.mutex);
        standIn.gone.insert("g2");
    }
    EXPECT_EQ(service.translate(request("the widget", "en", "de")).text, "the Baustein");

    std::lock_guard lock(standIn.mutex);
    ASSERT_EQ(standIn.created.size(), 3u);
    EXPECT_EQ(standIn.usedIds, (std::vector<std::string>{"g1", "g1", "g2", "g2", "g3"}));
    // At first use only the earlier glossaries of this server's pair go, never one in use.
    EXPECT_EQ(standIn.deleteAsked, (std::vector<std::string>{"old1", "g1"}));
    const QJsonObject& first = standIn.created[0];
    EXPECT_EQ(first.value(u"source_lang").toString(), QStringLiteral("en"));
    EXPECT_EQ(first.value(u"target_lang").toString(), QStringLiteral("de"));
    EXPECT_EQ(first.value(u"entries_format").toString(), QStringLiteral("tsv"));
    EXPECT_EQ(standIn.created[1].value(u"entries").toString(), QStringLiteral("widget\tBaustein\nQuillo\tQuillo"));
}
