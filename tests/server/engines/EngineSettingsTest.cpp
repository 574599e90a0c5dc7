// Where the engine settings come from, the chain they build, a local Ollama found on loopback,
// and the table of engines by pair.

#include "ApiStandIns.h"

#include "server/app/BackendChain.h"
#include "server/engines/AllEngines.h"
#include "server/engines/remote/ChatCompletionBackend.h"
#include "server/engines/remote/DeepLBackend.h"
#include "server/engines/EngineSettings.h"
#include "server/engines/dictionary/DictionaryEngine.h"
#include "server/app/EnginesTable.h"
#include "server/engines/remote/LlmDiscovery.h"
#include "server/engines/TranslationService.h"

#include <QFile>

#include <cstdlib>

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

// Sets environment variables for one test and restores them after.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(std::vector<std::pair<const char*, std::string>> values)
    {
        for (auto& [name, value] : values) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            setenv(name, value.c_str(), 1);
        }
    }
    ~ScopedEnvironment()
    {
        for (const auto& [name, old] : saved_) {
            if (old)
                setenv(name, old->c_str(), 1);
            else
                unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

std::string writeConfig(const QTemporaryDir& dir, const std::string& text)
{
    const QString path = dir.filePath(QStringLiteral("engines.ini"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
    return path.toStdString();
}

std::vector<std::string> names(const std::vector<std::unique_ptr<TranslationBackend>>& backends)
{
    std::vector<std::string> list;
    for (const auto& backend : backends)
        list.emplace_back(backend->name());
    return list;
}

} // namespace

TEST(EngineSettingsTest, FileThenEnvironmentThenCommandLine)
{
    QTemporaryDir dir;
    ServeOptions options;
    options.configFile = writeConfig(dir, "[engines]\norder = deepl, llm\n[llm]\nurl = http://file/v1\nmodel = file-model\n"
                                          "timeout = 9\n[deepl]\nkey = file-key\n[dictionary]\nfile =\n");
    EngineSettings settings;
    std::string error;
    {
        ScopedEnvironment env({{"QUILLO_LLM_MODEL", "env-model"}, {"QUILLO_DEEPL_URL", "http://env"}});
        ASSERT_TRUE(LoadEngineSettings(options, settings, error)) << error;
    }
    EXPECT_EQ(settings.order, (std::vector<std::string>{"deepl", "llm"}));
    EXPECT_EQ(settings.value("llm", "url"), "http://file/v1");
    EXPECT_EQ(settings.value("llm", "model"), "env-model");
    EXPECT_EQ(settings.value("llm", "timeout"), "9");
    EXPECT_EQ(settings.value("deepl", "key"), "file-key");
    EXPECT_EQ(settings.value("deepl", "url"), "http://env");
    EXPECT_EQ(settings.value("dictionary", "file"), DefaultDictionaryFile()); // an empty value keeps the default

    options.backends = {"echo"};
    ASSERT_TRUE(LoadEngineSettings(options, settings, error));
    EXPECT_EQ(settings.order, (std::vector<std::string>{"echo"}));

    for (const char* bad : {"[engines]\norder = google\n", "[llm]\ntimeout = soon\n"}) {
        options.configFile = writeConfig(dir, bad);
        EXPECT_FALSE(LoadEngineSettings(options, settings, error)) << bad;
    }
    options.configFile = dir.filePath(QStringLiteral("missing.ini")).toStdString();
    EXPECT_FALSE(LoadEngineSettings(options, settings, error));

    // Without --config, the data folder's engines.ini is read.
    options = ServeOptions{};
    options.dataDirectory = dir.path().toStdString();
    writeConfig(dir, "[llm]\nurl = http://data-folder/v1\n");
    ASSERT_TRUE(LoadEngineSettings(options, settings, error)) << error;
    EXPECT_EQ(settings.value("llm", "url"), "http://data-folder/v1");
}

TEST(EngineSettingsTest, UnreadableLinesAndUnreachableAddressesAreNamedInWarnings)
{
    QTemporaryDir dir;
    ServeOptions options;
    std::string random(8000, '\0');
    for (size_t i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>((i * 2654435761u) >> 13);
    const struct {
        std::string file;
        std::string cliLibre;
        std::vector<std::string> warningParts; // one warning holding each, in order
    } cases[] = {
        {"[libretranslate]\nurl = gopher://127.0.0.1:70/\n", "", {"engines.ini:2: [libretranslate] url: \"gopher://"}},
        {"; fine\n[llm]\n\nurl = http://127.0.0.1:1/v1\nthis line is wrong\n", "", {"engines.ini:5: not a [section]"}},
        {"[llm]\nurl = 127.0.0.1:8080\n", "", {"engines.ini:2: [llm] url"}},
        {"[libretranslate]\nurl = http://127.0.0.1:5000\n", "file:///etc/passwd", {"--libretranslate: \"file://"}},
        {random, "", {"engines.ini:1: not a [section]", "more lines ignored"}},
        {"[deepl]\nurl = https://api.deepl.example/\n", "", {}},
    };
    for (const auto& c : cases) {
        options.configFile = writeConfig(dir, c.file);
        options.engineValues["libretranslate/url"] = c.cliLibre;
        EngineSettings settings;
        std::string error;
        ASSERT_TRUE(LoadEngineSettings(options, settings, error)) << error;
        std::string all;
        for (const std::string& warning : settings.warnings)
            all += warning + "\n";
        size_t from = 0;
        for (const std::string& part : c.warningParts) {
            from = all.find(part, from);
            ASSERT_NE(from, std::string::npos) << part << " in\n" << all;
        }
        if (c.warningParts.empty()) {
            EXPECT_TRUE(settings.warnings.empty()) << all;
        }
    }
}

TEST(EngineSettingsTest, ChainPutsDeepLBeforeTheChatModelAndAsksForAModelWhenNoneIsNamed)
{
    ChatStandIn chat;
    QTemporaryDir dir;
    ServeOptions options;
    options.engineValues["apertium/modes"] = dir.filePath(QStringLiteral("no-apertium")).toStdString();
    options.engineValues["dictionary/file"] = dir.filePath(QStringLiteral("no-dictionary")).toStdString();
    options.dataDirectory = dir.path().toStdString();
    ScopedEnvironment env({{"QUILLO_LLM_URL", chat.base() + "/"}, {"QUILLO_DEEPL_KEY", "k"}});
    std::string error;
    const auto backends = MakeBackends(options, error);
    EXPECT_EQ(names(backends), (std::vector<std::string>{"deepl", "llm", "mymemory"})) << error;

    ASSERT_EQ(backends.size(), 3u);
    TranslationRequest request{"x", LanguageByCode("zh"), LanguageByCode("zt"), "zt", {}};
    ASSERT_TRUE(backends[1]->translate(request).ok);
    EXPECT_EQ(chat.requests().back().body.value(u"model").toString(), QStringLiteral("first-model"));

    options.backends = {"libretranslate"};
    EXPECT_TRUE(MakeBackends(options, error).empty());
    EXPECT_NE(error.find("libretranslate"), std::string::npos);
}

TEST(EngineSettingsTest, LocalOllamaIsUsedOnlyWhenNothingIsConfigured)
{
    LocalSite ollama;
    ollama.server().set_keep_alive_max_count(1);
    ollama.server().Get("/api/tags", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(R"({"models":[{"name":"qwen2.5:7b","model":"qwen2.5:7b","size":1}]})", "application/json");
    });
    ollama.start();
    const std::string origin = ollama.url("");
    const auto found = FindOllama(origin);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->baseUrl, origin + "/v1");
    EXPECT_EQ(found->model, "qwen2.5:7b");
    EXPECT_FALSE(FindOllama("http://192.0.2.1:11434")); // never anything but loopback

    QTemporaryDir dir;
    ServeOptions options;
    options.engineValues["apertium/modes"] = dir.filePath(QStringLiteral("no-apertium")).toStdString();
    options.engineValues["dictionary/file"] = dir.filePath(QStringLiteral("no-dictionary")).toStdString();
    options.engineValues["llm/ollama"] = origin;
    std::string error;
    EXPECT_EQ(names(MakeBackends(options, error)), (std::vector<std::string>{"llm", "mymemory"})) << error;
    ScopedEnvironment env({{"QUILLO_DEEPL_KEY", std::string("k")}});
    EXPECT_EQ(names(MakeBackends(options, error)), (std::vector<std::string>{"deepl", "mymemory"})) << error;
}

// The order comes from the ranks: engines that keep the text here, then those the user sets up,
// then the one that needs nothing.
TEST(EngineSettingsTest, RanksPutOfflineEnginesFirstAndTheKeylessServiceLast)
{
    int lastOffline = 0, firstConfigured = 1 << 30, lastConfigured = 0, firstKeyless = 1 << 30;
    for (const EngineDescriptor& engine : AllEngines().all()) {
        if (engine.kind == EngineKind::Dictionary || !engine.setUp)
            continue; // words only, or never chosen by default
        if (!engine.online)
            lastOffline = std::max(lastOffline, engine.rank);
        else if (engine.configuredByUser)
            firstConfigured = std::min(firstConfigured, engine.rank), lastConfigured = std::max(lastConfigured, engine.rank);
        else
            firstKeyless = std::min(firstKeyless, engine.rank);
    }
    EXPECT_LT(lastOffline, firstConfigured);
    EXPECT_LT(lastConfigured, firstKeyless);
    EXPECT_EQ(AllEngines().find("mymemory")->displayName, "MyMemory");
}

TEST(EngineSettingsTest, NamedChatModelsAreEnginesOfTheirOwnAndOfflineLeavesOutEveryOnlineOne)
{
    ChatStandIn chat;
    QTemporaryDir dir;
    ServeOptions options;
    options.engineValues["apertium/modes"] = dir.filePath(QStringLiteral("no-apertium")).toStdString();
    options.engineValues["dictionary/file"] = dir.filePath(QStringLiteral("no-dictionary")).toStdString();
    options.dataDirectory = dir.path().toStdString();
    const std::string models = "[llm]\nurl = " + chat.base() + "\nmodel = m\nkey = main-key\n[llm.local]\nurl = " + chat.base()
        + "\nmodel = m2\nprompt = Into {target}: {text}\n[llm.second]\nurl = " + chat.base() + "\nmodel = m3\n";
    options.configFile = writeConfig(dir, models);
    std::string error;
    auto backends = MakeBackends(options, error);
    EXPECT_EQ(names(backends), (std::vector<std::string>{"llm", "llm.local", "llm.second", "mymemory"})) << error;
    EXPECT_EQ(AllEngines().displayNameOf("llm.local"), "大模型翻译（local）");

    ASSERT_GE(backends.size(), 2u);
    const BackendResult reply = backends[1]->translate({"你好", LanguageByCode("zh"), LanguageByCode("en"), "en", {}});
    EXPECT_EQ(reply.text, "[m2] Into English: 你好");
    const ArrivedRequest arrived = chat.requests().back();
    EXPECT_EQ(arrived.body.value(u"messages").toArray().size(), 1); // the template is the whole request
    EXPECT_TRUE(arrived.authorization.empty());                     // [llm]'s key stays with [llm]
    EXPECT_EQ(arrived.body[u"chat_template_kwargs"][u"enable_thinking"], QJsonValue(false)); // a loopback server
    EXPECT_FALSE(ChatCompletionBackend::onThisMachine("https://api.openai.com/v1"));
    EXPECT_TRUE(ChatCompletionBackend::onThisMachine("http://localhost:8080/v1"));

    for (const std::string& offline : {std::string("[general]\noffline = true\n"), std::string()}) {
        options.configFile = writeConfig(dir, offline + models + "[engines]\norder = echo, llm.local, mymemory\n");
        options.offline = offline.empty();
        EXPECT_EQ(names(MakeBackends(options, error)), (std::vector<std::string>{"echo"})) << error;
    }
    options.offline = false;
    options.configFile = writeConfig(dir, "[engines]\norder = llm.missing\n");
    EngineSettings settings;
    EXPECT_FALSE(LoadEngineSettings(options, settings, error));
    EXPECT_NE(error.find("llm.missing"), std::string::npos) << error;
}

TEST(EnginesTableTest, ShowsTheEngineOfEveryPair)
{
    DeepLStandIn deepl;
    std::vector<std::unique_ptr<TranslationBackend>> backends;
    backends.push_back(std::make_unique<DeepLBackend>(DeepLOptions{"k", deepl.base()}));
    const std::string withDeepL = EnginesTable(TranslationService(std::move(backends)));
    EXPECT_NE(withDeepL.find("\nzh        =         -         deepl     deepl"), std::string::npos) << withDeepL;
    EXPECT_NE(withDeepL.find("154 of 156 pairs translated."), std::string::npos) << withDeepL;
    EXPECT_NE(withDeepL.find("-: no engine."), std::string::npos);

    ChatStandIn chat;
    backends.push_back(std::make_unique<ChatCompletionBackend>(ChatCompletionOptions{chat.base(), "", "m"}));
    const std::string withLlm = EnginesTable(TranslationService(std::move(backends)));
    EXPECT_NE(withLlm.find("156 of 156 pairs translated."), std::string::npos) << withLlm;
    EXPECT_EQ(withLlm.find("-: no engine."), std::string::npos);
}
