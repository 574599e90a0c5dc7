#include "server/app/EngineReload.h"

#include "server/app/BackendChain.h"
#include "server/base/Log.h"
#include "server/engines/AllEngines.h"
#include "server/engines/EngineSettings.h"
#include "server/engines/TranslationService.h"

namespace quillo::server {

namespace {

EngineOutcome failed(const std::string& engine, std::string sentence)
{
    return {engine, {}, false, {}, std::move(sentence), false};
}

} // namespace

EngineControl::Reload EngineReload::reload() const
{
    std::lock_guard lock(reloading_);
    Reload reloaded;
    auto backends = MakeBackends(options_, reloaded.error);
    if (!reloaded.error.empty()) {
        LogError("engines not reloaded, the old ones stay: " + reloaded.error);
        return reloaded;
    }
    for (const auto& backend : backends)
        reloaded.engines.emplace_back(backend->name());
    service_.replaceBackends(std::move(backends));
    LogInfo("engines reloaded: " + service_.backendNames());
    reloaded.ok = true;
    return reloaded;
}

EngineOutcome EngineReload::test(const std::string& engine, const std::map<std::string, std::string>& settings,
                                 const TranslationRequest& request) const
{
    const EngineDescriptor* descriptor = AllEngines().find(engine);
    if (!descriptor)
        return failed(engine, "本服务器没有名为“" + engine + "”的翻译引擎。");
    EngineSettings saved;
    std::string error;
    const bool offline = options_.offline || (LoadEngineSettings(options_, saved, error) && saved.offline);
    if (offline && descriptor->online)
        return failed(engine, "已设置为只用离线引擎，“" + AllEngines().displayNameOf(engine) + "”会把文字发送到其他计算机，没有测试。");
    EngineConfig config;
    config.id = engine;
    config.dataDirectory = options_.dataDirectory;
    for (const EngineOption& option : descriptor->options) {
        const auto given = settings.find(option.key);
        const std::string value = given == settings.end() || given->second.empty() ? option.defaultValue : given->second;
        if (!option.accepts(value))
            return failed(engine, "设置“" + option.key + "”的值无效：" + value);
        config.set(option.key, value);
    }
    auto backend = descriptor->make(config, error);
    if (!backend)
        return failed(engine, "无法使用这些设置：" + error);
    std::vector<std::unique_ptr<TranslationBackend>> one;
    one.push_back(std::move(backend));
    const TranslationService alone(std::move(one), &AllEngines());
    const EngineAnswer answer = alone.translateWith(engine, request);
    EngineOutcome outcome{answer.engine, std::string(EngineKindName(answer.kind)), answer.ok, {}, {}, answer.rateLimited};
    (answer.ok ? outcome.text : outcome.error) = answer.text;
    return outcome;
}

} // namespace quillo::server
