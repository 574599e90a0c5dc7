// The translation service beside its chain: engines listed with their pairs, one named engine
// asked alone, several at once with each answer tagged, pieces passed on as they come; and the
// registry, settings and chain built from descriptors alone.

#include "server/engines/EngineChain.h"
#include "server/engines/EngineRegistry.h"
#include "server/engines/EngineSettings.h"
#include "server/engines/TranslationService.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <set>

using namespace quillo::server;

namespace {

class FakeEngine final : public TranslationBackend {
public:
    FakeEngine(std::string id, std::set<std::string> pairs, BackendResult result, std::vector<std::string> pieces = {},
               bool wordsOnly = false)
        : id_(std::move(id)), pairs_(std::move(pairs)), result_(std::move(result)), pieces_(std::move(pieces)),
          wordsOnly_(wordsOnly)
    {
    }
    std::string_view name() const override { return id_; }
    bool covers(std::string_view source, std::string_view target) const override
    {
        return pairs_.count(std::string(source) + ">" + std::string(target)) > 0;
    }
    bool wordsOnly() const override { return wordsOnly_; }
    BackendResult translate(const TranslationRequest&) override { return result_; }
    BackendResult translateInPieces(const TranslationRequest& request, const PieceSink& onPiece) override
    {
        if (pieces_.empty())
            return TranslationBackend::translateInPieces(request, onPiece);
        for (const std::string& piece : pieces_)
            onPiece(piece);
        return result_;
    }

private:
    std::string id_;
    std::set<std::string> pairs_;
    BackendResult result_;
    std::vector<std::string> pieces_;
    bool wordsOnly_;
};

BackendResult ok(std::string text)
{
    return {true, std::move(text), {}};
}

BackendResult failed(std::string sentence)
{
    BackendResult result(false, {}, "HTTP 500");
    result.tryNext = true;
    result.userMessage = std::move(sentence);
    return result;
}

EngineDescriptor descriptor(std::string id, int rank, EngineKind kind = EngineKind::MachineTranslation)
{
    EngineDescriptor engine;
    engine.id = engine.section = std::move(id);
    engine.displayName = "引擎" + engine.id;
    engine.kind = kind;
    engine.rank = rank;
    engine.make = [](EngineConfig& config, std::string&) -> std::unique_ptr<TranslationBackend> {
        return std::make_unique<FakeEngine>(config.value("id"), std::set<std::string>{"en>es"}, ok("x"));
    };
    engine.options = {{.key = "id", .defaultValue = ""}};
    return engine;
}

// Three engines: a model that streams, a service that fails, a dictionary.
TranslationService threeEngines(const EngineRegistry* registry)
{
    std::vector<std::unique_ptr<TranslationBackend>> engines;
    engines.push_back(std::make_unique<FakeEngine>("model", std::set<std::string>{"en>es", "es>en"}, ok("hola mundo"),
                                                   std::vector<std::string>{"hola", " mundo"}));
    engines.push_back(std::make_unique<FakeEngine>("service", std::set<std::string>{"en>es"}, failed("服务出错。")));
    engines.push_back(std::make_unique<FakeEngine>("words", std::set<std::string>{"en>es", "zh>en"}, ok("hola"),
                                                   std::vector<std::string>{}, true));
    return TranslationService(std::move(engines), registry);
}

TranslationRequest request(const char* source, const char* target)
{
    return {"hello world", LanguageByCode(source), LanguageByCode(target), target, {}};
}

} // namespace

TEST(TranslationServiceTest, ListsEachEngineWithThePairsItServes)
{
    EngineRegistry registry;
    EngineDescriptor model = descriptor("model", 1, EngineKind::LanguageModel);
    model.online = true;
    registry.add(std::move(model));
    const TranslationService service = threeEngines(&registry);
    const std::vector<EngineInfo> engines = service.engines();
    ASSERT_EQ(engines.size(), 3u);
    EXPECT_EQ(engines[0].name, "引擎model");
    EXPECT_EQ(engines[0].kind, EngineKind::LanguageModel);
    EXPECT_TRUE(engines[0].online);
    ASSERT_EQ(engines[0].pairs.size(), 2u);
    EXPECT_EQ(engines[0].pairs[0].first->code, "en"); // in the order of the program's lists
    EXPECT_EQ(engines[0].pairs[0].second->code, "es");
    // Not registered: shown by its id, offline; a dictionary by what it does.
    EXPECT_EQ(engines[1].name, "service");
    EXPECT_FALSE(engines[1].online);
    EXPECT_EQ(engines[2].kind, EngineKind::Dictionary);
    EXPECT_EQ(service.enginesFor(*LanguageByCode("en"), *LanguageByCode("es")),
              (std::vector<std::string>{"model", "service", "words"}));
    EXPECT_EQ(service.enginesFor(*LanguageByCode("zh"), *LanguageByCode("en")), (std::vector<std::string>{"words"}));
}

TEST(TranslationServiceTest, ANamedEngineAnswersAloneWithItsOwnFailure)
{
    const TranslationService service = threeEngines(nullptr);
    struct Case {
        const char* engine;
        const char* source;
        bool ok;
        std::string text;
    } cases[] = {
        {"model", "en", true, "hola mundo"},
        {"service", "en", false, "服务出错。"}, // no other engine stands in
        {"words", "en", true, "hola"},
        {"model", "zh", false, TranslationService::noEngineSentence(*LanguageByCode("zh"), *LanguageByCode("es"))},
        {"google", "en", false, "本服务器没有名为“google”的翻译引擎。"},
    };
    for (const Case& c : cases) {
        const EngineAnswer answer = service.translateWith(c.engine, request(c.source, "es"));
        EXPECT_EQ(answer.engine, c.engine);
        EXPECT_EQ(answer.ok, c.ok) << c.engine;
        EXPECT_EQ(answer.text, c.text) << c.engine;
    }
    // The chain still takes the first engine that answers.
    EXPECT_EQ(service.translate(request("en", "es")).text, "hola mundo");
}

TEST(TranslationServiceTest, SeveralEnginesAtOnceEachTaggedWithPiecesAsTheyCome)
{
    const TranslationService service = threeEngines(nullptr);
    std::mutex mutex;
    std::map<std::string, std::vector<std::string>> pieces;
    const auto answers =
        service.translateWithEach({"words", "model", "service"}, request("en", "es"),
                                  [&](std::string_view engine, std::string_view piece) {
                                      std::lock_guard lock(mutex);
                                      pieces[std::string(engine)].emplace_back(piece);
                                  });
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0].engine, "words");
    EXPECT_EQ(answers[0].kind, EngineKind::Dictionary);
    EXPECT_EQ(answers[1].engine, "model");
    EXPECT_EQ(answers[1].text, "hola mundo");
    EXPECT_EQ(answers[2].engine, "service");
    EXPECT_FALSE(answers[2].ok);
    EXPECT_EQ(answers[2].error, "HTTP 500");
    EXPECT_EQ(pieces["model"], (std::vector<std::string>{"hola", " mundo"}));
    EXPECT_EQ(pieces["words"], (std::vector<std::string>{"hola"})); // one piece when it cannot stream
    EXPECT_EQ(pieces.count("service"), 0u);                         // a failure sends none
}

TEST(EngineRegistryTest, KeepsRankOrderAndOneEngineAnId)
{
    EngineRegistry registry;
    EXPECT_TRUE(registry.add(descriptor("b", 20)));
    EXPECT_TRUE(registry.add(descriptor("a", 10)));
    EXPECT_TRUE(registry.add(descriptor("c", 30)));
    EXPECT_FALSE(registry.add(descriptor("a", 5)));
    std::vector<std::string> ids;
    for (const auto& engine : registry.all())
        ids.push_back(engine.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(registry.find("a")->rank, 10);
    EXPECT_EQ(registry.find("z"), nullptr);

    const EngineOption range{.key = "n", .minimum = 1, .maximum = 9};
    for (const auto& [value, accepted] : std::vector<std::pair<std::string, bool>>{
             {"1", true}, {"9", true}, {"0", false}, {"10", false}, {"x", false}, {"", false}})
        EXPECT_EQ(range.accepts(value), accepted) << value;
    EXPECT_TRUE(EngineOption{.key = "free"}.accepts("anything"));
}

TEST(EngineRegistryTest, SettingsAndChainComeFromTheDescriptorsAlone)
{
    EngineRegistry registry;
    EngineDescriptor later = descriptor("later", 20);
    later.options = {{.key = "id", .environment = "QUILLO_TEST_LATER_ID", .defaultValue = "later"},
                     {.key = "size", .flag = "--size", .defaultValue = "3", .minimum = 1, .maximum = 5}};
    later.setUp = [](const EngineConfig&) { return true; };
    registry.add(std::move(later));
    EngineDescriptor found = descriptor("found", 10);
    found.discover = [](EngineConfig& config) {
        config.set("id", "found");
        return true;
    };
    registry.add(std::move(found));
    EngineDescriptor keyed = descriptor("keyed", 30);
    keyed.configuredByUser = true;
    keyed.setUp = [](const EngineConfig& config) { return !config.value("id").empty(); };
    registry.add(std::move(keyed));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("engines.ini"));
    auto write = [&](const char* text) {
        QFile ini(file);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(text);
    };
    write("[later]\nid = from-file\nsize = 4\n");
    EngineSources sources{file.toStdString(), dir.path().toStdString(), {}, {{"later/size", "5"}}};
    EngineSettings settings;
    std::string error;
    setenv("QUILLO_TEST_LATER_ID", "from-environment", 1);
    ASSERT_TRUE(LoadEngineSettings(registry, sources, settings, error)) << error;
    unsetenv("QUILLO_TEST_LATER_ID");
    EXPECT_EQ(settings.value("later", "id"), "from-environment");
    EXPECT_EQ(settings.value("later", "size"), "5");
    EXPECT_EQ(settings.config("later").dataDirectory, dir.path().toStdString());

    // Nothing given by the user: the engine that finds itself joins at its rank.
    auto ids = [&](std::vector<std::unique_ptr<TranslationBackend>> chain) {
        std::vector<std::string> names;
        for (const auto& engine : chain)
            names.emplace_back(engine->name());
        return names;
    };
    EXPECT_EQ(ids(MakeChain(registry, settings, error)), (std::vector<std::string>{"found", "from-environment"}));
    // Once one is configured by the user, nothing is looked for.
    settings.config("keyed").set("id", "keyed");
    settings.config("found").set("id", "");
    EXPECT_EQ(ids(MakeChain(registry, settings, error)), (std::vector<std::string>{"from-environment", "keyed"}));
    settings.order = {"keyed", "nowhere"};
    EXPECT_TRUE(MakeChain(registry, settings, error).empty());
    EXPECT_NE(error.find("nowhere"), std::string::npos);

    write("[later]\nsize = 6\n");
    EXPECT_FALSE(LoadEngineSettings(registry, sources, settings, error));
    write("[engines]\norder = later, nowhere\n");
    EXPECT_FALSE(LoadEngineSettings(registry, sources, settings, error));
}
