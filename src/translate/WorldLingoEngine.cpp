#include "translate/WorldLingoEngine.h"

#include "core/Languages.h"
#include "translate/HttpExchange.h"
#include "translate/ServiceReplies.h"

namespace quillo {

WorldLingoEngine::WorldLingoEngine(HttpExchange* loader, HttpExchange* translation, ServiceBase serviceBase,
                                   QObject* parent)
    : TranslationEngine(std::move(serviceBase), parent)
    , m_loader(loader)
    , m_translation(translation)
{
    connect(m_loader, &HttpExchange::finished, this, &WorldLingoEngine::loaderReplied);
    connect(m_translation, &HttpExchange::finished, this, &WorldLingoEngine::translationReplied);
}

QByteArray WorldLingoEngine::languageCode(int languageIndex) const
{
    return WorldLingoCode(languageIndex);
}

bool WorldLingoEngine::send(const QString& text)
{
    if (m_loader->busy())
        return false;
    m_text = text;
    m_stage = Stage::Loading;
    // The loader page is fetched anew for every translation: its address is per visit.
    m_loader->get(LoaderAddress(serviceBase()));
    return true;
}

void WorldLingoEngine::loaderReplied(TranslationFailure failure, const QByteArray& body)
{
    if (failure != TranslationFailure::None) {
        m_stage = Stage::Idle;
        finish(failure);
        return;
    }
    m_stage = Stage::Translating;
    // A second stage still running belongs to an earlier translation, whose result ends this one
    // too; its reply must still be read by the rule it was sent with.
    if (m_translation->busy())
        return;
    const StageTwoRequest next = WorldLingoStageTwo(body, m_text, codes(), serviceBase());
    m_sessionTranslate = next.sessionTranslate;
    m_translation->post(next.url, next.body);
}

void WorldLingoEngine::translationReplied(TranslationFailure failure, const QByteArray& body)
{
    m_stage = Stage::Idle;
    std::optional<QString> text =
        failure == TranslationFailure::None ? WorldLingoResultText(body, m_sessionTranslate) : std::nullopt;
    if (failure == TranslationFailure::None && !text)
        failure = TranslationFailure::UnrecognisedReply;
    if (failure == TranslationFailure::HttpError && (text = WorldLingoFailureSentence(body, m_sessionTranslate)))
        failure = TranslationFailure::ServiceExplained;
    finish(failure, text.value_or(QString()));
}

void WorldLingoEngine::abort()
{
    if (m_stage == Stage::Idle)
        return;
    (m_stage == Stage::Loading ? m_loader : m_translation)->abort();
    m_stage = Stage::Idle;
    finish(TranslationFailure::Aborted);
}

} // namespace quillo
