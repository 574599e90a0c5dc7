#include "translate/BabelFishEngine.h"

#include "core/Languages.h"
#include "translate/HttpExchange.h"
#include "translate/RequestBodies.h"
#include "translate/ServiceReplies.h"

namespace quillo {

namespace {

// The entry of the shared language list a code stands for; -1 for none.
int languageOf(const QByteArray& code)
{
    for (int index = 0; index < kLanguageCount; ++index) {
        if (BabelFishCode(index) == code)
            return index;
    }
    return -1;
}

} // namespace

BabelFishEngine::BabelFishEngine(HttpExchange* exchange, ServiceBase serviceBase, QObject* parent)
    : TranslationEngine(std::move(serviceBase), parent)
    , m_exchange(exchange)
{
    connect(m_exchange, &HttpExchange::finished, this, &BabelFishEngine::replied);
}

QByteArray BabelFishEngine::languageCode(int languageIndex) const
{
    return BabelFishCode(languageIndex);
}

bool BabelFishEngine::send(const QString& text)
{
    if (m_exchange->busy())
        return false;
    const bool viaEnglish = NeedsEnglishPivot(languageOf(codes().source), languageOf(codes().target));
    m_stage = viaEnglish ? Stage::ToEnglish : Stage::Direct;
    const QByteArray pair = LanguagePair(codes().source, viaEnglish ? QByteArray("en") : codes().target);
    m_exchange->post(BabelFishAddress(serviceBase()), BabelFishBody(text, pair));
    return true;
}

void BabelFishEngine::replied(TranslationFailure failure, const QByteArray& body)
{
    std::optional<QString> text = failure == TranslationFailure::None ? BabelFishResultText(body) : std::nullopt;
    if (failure == TranslationFailure::None && !text)
        failure = TranslationFailure::UnrecognisedReply;
    if (failure == TranslationFailure::HttpError && (text = BabelFishFailureSentence(body)))
        failure = TranslationFailure::ServiceExplained;
    if (failure == TranslationFailure::None && m_stage == Stage::ToEnglish) {
        // The English text goes on to the target language; nothing is shown yet.
        m_stage = Stage::FromEnglish;
        m_exchange->post(BabelFishAddress(serviceBase()), BabelFishBody(*text, LanguagePair("en", codes().target)));
        return;
    }
    m_stage = Stage::Idle;
    finish(failure, text.value_or(QString()));
}

void BabelFishEngine::abort()
{
    if (m_stage == Stage::Idle)
        return;
    m_stage = Stage::Idle;
    m_exchange->abort();
    finish(TranslationFailure::Aborted);
}

} // namespace quillo
