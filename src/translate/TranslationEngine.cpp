#include "translate/TranslationEngine.h"

#include "translate/ChineseConvert.h"

namespace quillo {

namespace {

enum { kSimplified = 0, kTraditional = 1 }; // entries of the shared language list

void takeCode(QByteArray& code, const QByteArray& chosen)
{
    if (!chosen.isEmpty())
        code = chosen;
}

} // namespace

TranslationEngine::TranslationEngine(ServiceBase serviceBase, QObject* parent)
    : QObject(parent)
    , m_serviceBase(std::move(serviceBase))
{
}

bool TranslationEngine::start(const QString& text, const TranslationCodes& codes)
{
    takeCode(m_codes.topic, codes.topic);
    takeCode(m_codes.source, codes.source);
    takeCode(m_codes.target, codes.target);
    // Ahead of the busy test: a conversion runs even while a request is in flight.
    if (convertLocally(text))
        return true;
    return send(text);
}

bool TranslationEngine::convertLocally(const QString& text)
{
    const QByteArray simplified = languageCode(kSimplified);
    const QByteArray traditional = languageCode(kTraditional);
    if (m_codes.source == simplified && m_codes.target == traditional)
        finish(TranslationFailure::None, SimplifiedToTraditional(text));
    else if (m_codes.source == traditional && m_codes.target == simplified)
        finish(TranslationFailure::None, TraditionalToSimplified(text));
    else
        return false;
    return true;
}

void TranslationEngine::finish(TranslationFailure failure, const QString& text)
{
    emit finished({failure, text});
}

} // namespace quillo
