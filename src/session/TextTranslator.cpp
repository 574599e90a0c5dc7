#include "session/TextTranslator.h"

#include "core/Languages.h"
#include "core/ServiceAddresses.h"
#include "http/TWebRequest.h"
#include "session/TranslationRequests.h"
#include "session/WebRequestExchange.h"
#include "translate/BabelFishEngine.h"
#include "translate/ChineseConvert.h"
#include "translate/WorldLingoEngine.h"

#include <optional>

namespace quillo {

namespace {

WebRequestExchange* boundExchange(const char* name, QObject* owner)
{
    auto* exchange = new WebRequestExchange(TranslationRequest(name, owner), owner);
    exchange->bindEvents();
    return exchange;
}

} // namespace

QString RefusedJobText(const TranslationJob& job)
{
    if (job.text.isEmpty())
        return kNoSourceText;
    if (job.source == job.target)
        return kSameLanguages;
    return {};
}

TextTranslator::TextTranslator(QObject* parent)
    : QObject(parent)
    , m_worldLingo(new WorldLingoEngine(boundExchange("PopupLoader", this), boundExchange("PopupRequest2", this),
                                        &ServiceBase, this))
    , m_textService(new BabelFishEngine(boundExchange("PopupRequest1", this), &ServiceBase, this))
{
    connect(m_worldLingo, &TranslationEngine::finished, this, &TextTranslator::engineFinished);
    connect(m_textService, &TranslationEngine::finished, this, &TextTranslator::engineFinished);
}

bool TextTranslator::translate(const TranslationJob& job)
{
    if (m_busy)
        return false;
    m_busy = true;
    if (const QString refused = RefusedJobText(job); !refused.isEmpty()) {
        fail(refused);
        return true;
    }
    TranslationEngine* engine = job.engine == EngineId::WorldLingo ? m_worldLingo : m_textService;
    const TranslationCodes codes{engine->languageCode(job.source), engine->languageCode(job.target),
                                 job.engine == EngineId::WorldLingo ? TopicCode(job.topic) : QByteArray()};
    if (engine->start(job.text, codes))
        return true;
    m_busy = false;
    return false;
}

void TextTranslator::engineFinished(const TranslationOutcome& outcome)
{
    if (outcome.failure != TranslationFailure::None)
        return fail(FailureMessage(outcome));
    m_busy = false;
    emit finished(outcome.text);
}

void TextTranslator::fail(const QString& message)
{
    m_busy = false;
    emit failed(message);
}

} // namespace quillo
