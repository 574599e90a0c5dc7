#include "server/BackendChain.h"

#include "server/ApertiumBackend.h"
#include "server/ChatCompletionBackend.h"
#include "server/DeepLBackend.h"
#include "server/DictionaryBackend.h"
#include "server/EchoBackend.h"
#include "server/EngineSettings.h"
#include "server/LibreTranslateBackend.h"
#include "server/LlmDiscovery.h"
#include "server/Log.h"

#include <chrono>
#include <filesystem>

namespace quillo::server {

namespace {

constexpr std::chrono::milliseconds kModelListBudget{5000};

std::vector<std::string> defaultOrder(const ServeOptions& options, const EngineSettings& settings)
{
    std::vector<std::string> names;
    if (ApertiumBackend::installed(options.apertiumModes))
        names.push_back("apertium");
    if (!settings.deeplKey.empty())
        names.push_back("deepl");
    if (!settings.llmUrl.empty())
        names.push_back("llm");
    if (!settings.libreTranslateUrl.empty())
        names.push_back("libretranslate");
    if (!settings.dictionaryFile.empty() && std::filesystem::exists(settings.dictionaryFile))
        names.push_back("dictionary");
    return names;
}

std::unique_ptr<TranslationBackend> makeLlm(EngineSettings& settings, std::string& error)
{
    if (settings.llmUrl.empty()) {
        error = "the llm engine needs QUILLO_LLM_URL or [llm] url";
        return nullptr;
    }
    while (settings.llmUrl.ends_with('/'))
        settings.llmUrl.pop_back();
    if (settings.llmModel.empty()) {
        const auto model = FirstListedModel(settings.llmUrl, settings.llmKey, kModelListBudget);
        if (!model) {
            error = "no model named (QUILLO_LLM_MODEL or [llm] model) and " + settings.llmUrl
                + "/models lists none";
            return nullptr;
        }
        settings.llmModel = *model;
    }
    LogInfo("llm: " + settings.llmUrl + ", model " + settings.llmModel);
    return std::make_unique<ChatCompletionBackend>(ChatCompletionOptions{
        settings.llmUrl, settings.llmKey, settings.llmModel, std::chrono::seconds(settings.llmTimeoutSeconds)});
}

std::unique_ptr<TranslationBackend> makeDictionary(const ServeOptions& options, const EngineSettings& settings,
                                                   std::string& error)
{
    std::filesystem::create_directories(options.dataDirectory);
    const std::string indexFile = (std::filesystem::path(options.dataDirectory) / "cedict.sqlite3").string();
    auto index = CedictIndex::open(settings.dictionaryFile, indexFile, error);
    if (!index) {
        error = "dictionary: " + error;
        return nullptr;
    }
    return std::make_unique<DictionaryBackend>(std::move(index));
}

std::unique_ptr<TranslationBackend> makeBackend(const std::string& name, const ServeOptions& options,
                                                EngineSettings& settings, std::string& error)
{
    if (name == "echo")
        return std::make_unique<EchoBackend>();
    if (name == "apertium") {
        if (ApertiumBackend::installed(options.apertiumModes)) {
            ApertiumOptions apertium{options.apertiumModes};
            apertium.limits = {std::chrono::seconds(options.pipelineIdleSeconds), options.pipelinesWarm};
            return std::make_unique<ApertiumBackend>(std::move(apertium));
        }
        error = "apertium is not installed (no apertium-wblank-mode, lt-proc or modes in " + options.apertiumModes
            + ")";
    } else if (name == "libretranslate") {
        if (!settings.libreTranslateUrl.empty())
            return std::make_unique<LibreTranslateBackend>(
                LibreTranslateOptions{settings.libreTranslateUrl, settings.libreTranslateKey});
        error = "the libretranslate engine needs --libretranslate URL or [libretranslate] url";
    } else if (name == "deepl") {
        if (!settings.deeplKey.empty())
            return std::make_unique<DeepLBackend>(DeepLOptions{settings.deeplKey, settings.deeplUrl});
        error = "the deepl engine needs QUILLO_DEEPL_KEY or [deepl] key";
    } else if (name == "llm") {
        return makeLlm(settings, error);
    } else if (name == "dictionary") {
        return makeDictionary(options, settings, error);
    }
    return nullptr;
}

} // namespace

std::vector<std::unique_ptr<TranslationBackend>> MakeBackends(const ServeOptions& options, std::string& error)
{
    EngineSettings settings;
    if (!LoadEngineSettings(options, settings, error))
        return {};
    for (const std::string& warning : settings.warnings)
        LogWarning(warning);
    std::vector<std::string> names = settings.order.empty() ? defaultOrder(options, settings) : settings.order;
    if (settings.nothingConfigured()) {
        if (const auto ollama = FindOllama(options.ollamaOrigin)) {
            settings.llmUrl = ollama->baseUrl;
            settings.llmModel = ollama->model;
            const auto afterApertium = names.begin() + (!names.empty() && names.front() == "apertium" ? 1 : 0);
            names.insert(afterApertium, "llm");
        }
    }
    std::vector<std::unique_ptr<TranslationBackend>> backends;
    for (const std::string& name : names) {
        auto backend = makeBackend(name, options, settings, error);
        if (!backend)
            return {};
        backends.push_back(std::move(backend));
    }
    return backends;
}

} // namespace quillo::server
