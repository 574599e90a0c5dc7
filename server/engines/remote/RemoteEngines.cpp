// The engines behind remote APIs in the registry: DeepL, chat models and LibreTranslate, each
// chosen by default once it is given a key or an address, and MyMemory, which needs neither and
// so comes last: a sentence is translated out of the box, by it only when nothing else can.

#include "server/base/Log.h"
#include "server/engines/EngineRegistry.h"
#include "server/engines/remote/ChatCompletionBackend.h"
#include "server/engines/remote/DeepLBackend.h"
#include "server/engines/remote/LibreTranslateBackend.h"
#include "server/engines/remote/LlmDiscovery.h"
#include "server/engines/remote/MyMemoryBackend.h"

#include <chrono>

namespace quillo::server {

namespace {

constexpr std::chrono::milliseconds kModelListBudget{5000};

auto given(const char* key)
{
    return [key](const EngineConfig& config) { return !config.value(key).empty(); };
}

EngineDescriptor deepl()
{
    EngineDescriptor deepl;
    deepl.id = deepl.section = "deepl";
    deepl.displayName = "DeepL 在线翻译";
    deepl.kind = EngineKind::OnlineService;
    deepl.online = true;
    deepl.rank = 20; // before a chat model where both cover a pair
    deepl.options = {
        {.key = "key", .environment = "QUILLO_DEEPL_KEY", .help = "a DeepL API key (\":fx\" keys use DeepL's free host)"},
        {.key = "url", .environment = "QUILLO_DEEPL_URL", .help = "another DeepL-compatible host"},
    };
    deepl.setUp = given("key");
    deepl.configuredByUser = true;
    deepl.make = [](EngineConfig& config, std::string& error) -> std::unique_ptr<TranslationBackend> {
        if (config.value("key").empty()) {
            error = "the deepl engine needs QUILLO_DEEPL_KEY or [deepl] key";
            return nullptr;
        }
        return std::make_unique<DeepLBackend>(DeepLOptions{config.value("key"), config.value("url")});
    };
    return deepl;
}

std::unique_ptr<TranslationBackend> makeLlm(EngineConfig& config, std::string& error)
{
    const std::string id = config.id.empty() ? "llm" : config.id;
    std::string url = config.value("url");
    if (url.empty()) {
        error = id == "llm" ? "the llm engine needs QUILLO_LLM_URL or [llm] url" : "the " + id + " engine needs [" + id + "] url";
        return nullptr;
    }
    while (url.ends_with('/'))
        url.pop_back();
    std::string model = config.value("model");
    if (model.empty()) {
        const auto listed = FirstListedModel(url, config.value("key"), kModelListBudget);
        if (!listed) {
            error = "no model named (QUILLO_LLM_MODEL or [" + id + "] model) and " + url + "/models lists none";
            return nullptr;
        }
        model = *listed;
    }
    LogInfo(id + ": " + url + ", model " + model);
    ChatCompletionOptions options;
    options.baseUrl = url;
    options.key = config.value("key");
    options.model = model;
    options.budget = std::chrono::seconds(config.number("timeout"));
    options.id = id;
    options.promptTemplate = config.value("prompt");
    options.askNotToReason = ChatCompletionBackend::onThisMachine(url);
    return std::make_unique<ChatCompletionBackend>(std::move(options));
}

EngineDescriptor llm()
{
    EngineDescriptor llm;
    llm.id = llm.section = "llm";
    llm.displayName = "大模型翻译";
    llm.kind = EngineKind::LanguageModel;
    llm.online = true;
    llm.rank = 30;
    llm.options = {
        {.key = "url",
         .environment = "QUILLO_LLM_URL",
         .help = "an OpenAI-compatible server, e.g. http://127.0.0.1:11434/v1 (Ollama)"},
        {.key = "key", .environment = "QUILLO_LLM_KEY", .help = "its API key (sent as a bearer token)"},
        {.key = "model", .environment = "QUILLO_LLM_MODEL", .help = "the model (default: the first the server lists)"},
        {.key = "timeout", .defaultValue = "40", .minimum = 1, .maximum = 3600},
        {.key = "prompt", .help = "a prompt of one's own, with {source}, {target} and {text}"},
        // Where a local Ollama is looked for when nothing is configured (loopback only).
        {.key = "ollama", .defaultValue = std::string(kOllamaOrigin)},
    };
    llm.setUp = given("url");
    llm.configuredByUser = true;
    llm.discover = [](EngineConfig& config) {
        const auto ollama = FindOllama(config.value("ollama"));
        if (ollama) {
            config.set("url", ollama->baseUrl);
            config.set("model", ollama->model);
        }
        return ollama.has_value();
    };
    llm.make = makeLlm;
    llm.namedInstances = true;
    return llm;
}

EngineDescriptor libreTranslate()
{
    EngineDescriptor libre;
    libre.id = libre.section = "libretranslate";
    libre.displayName = "LibreTranslate 翻译服务";
    libre.shortName = "libre";
    libre.kind = EngineKind::MachineTranslation;
    libre.online = true;
    libre.rank = 40;
    libre.options = {
        {.key = "url",
         .flag = "--libretranslate",
         .help = "a LibreTranslate-compatible server, e.g. http://127.0.0.1:5000",
         .neededWhenNamed = true,
         .valueName = "URL"},
        {.key = "key", .flag = "--libretranslate-key", .help = "sent to it as api_key", .valueName = "KEY"},
    };
    libre.setUp = given("url");
    libre.configuredByUser = true;
    libre.make = [](EngineConfig& config, std::string& error) -> std::unique_ptr<TranslationBackend> {
        if (config.value("url").empty()) {
            error = "the libretranslate engine needs --libretranslate URL or [libretranslate] url";
            return nullptr;
        }
        return std::make_unique<LibreTranslateBackend>(LibreTranslateOptions{config.value("url"), config.value("key")});
    };
    return libre;
}

EngineDescriptor myMemory()
{
    EngineDescriptor memory;
    memory.id = memory.section = "mymemory";
    memory.displayName = "MyMemory";
    memory.shortName = "mymemory";
    memory.kind = EngineKind::OnlineService;
    memory.online = true;
    memory.rank = 60; // after every engine that keeps the text here or that the user set up
    memory.options = {
        {.key = "url", .environment = "QUILLO_MYMEMORY_URL", .help = "MyMemory's API address",
         .defaultValue = MyMemoryOptions{}.url},
        {.key = "email",
         .environment = "QUILLO_MYMEMORY_EMAIL",
         .help = "a contact address sent to MyMemory as de= (raises its daily limit)"},
    };
    memory.setUp = [](const EngineConfig& config) { return !config.value("url").empty(); };
    memory.make = [](EngineConfig& config, std::string&) -> std::unique_ptr<TranslationBackend> {
        MyMemoryOptions options;
        if (!config.value("url").empty())
            options.url = config.value("url");
        options.email = config.value("email");
        return std::make_unique<MyMemoryBackend>(std::move(options));
    };
    return memory;
}

} // namespace

void RegisterRemoteEngines(EngineRegistry& registry)
{
    registry.add(deepl());
    registry.add(llm());
    registry.add(libreTranslate());
    registry.add(myMemory());
}

} // namespace quillo::server
