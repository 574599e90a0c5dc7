#include "app/TextTranslator.h"

#include "app/RequestBodies.h"
#include "app/ServiceReplies.h"
#include "app/TranslationRequests.h"
#include "http/TWebRequest.h"
#include "translate/ChineseConvert.h"
#include "core/Languages.h"

#include <optional>

namespace quillo {

namespace {

enum { kWorldLingo = 0, kTextService = 1 };

// Simplified and Traditional Chinese are converted here, never sent.
std::optional<QString> convertedLocally(const TranslationJob& job)
{
    if (job.source == 0 && job.target == 1)
        return SimplifiedToTraditional(job.text);
    if (job.source == 1 && job.target == 0)
        return TraditionalToSimplified(job.text);
    return std::nullopt;
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
    , m_first(TranslationRequest("PopupRequest1", this))
    , m_second(TranslationRequest("PopupRequest2", this))
{
    m_first->OnDone = [this](QObject*, const QString&, qint64, QIODevice* stream) {
        const QByteArray body = ReadReply(stream);
        if (m_job.engine == kWorldLingo)
            loaderReplied(body);
        else
            textServiceReplied(body);
    };
    m_second->OnDone = [this](QObject*, const QString&, qint64, QIODevice* stream) {
        stageTwoReplied(ReadReply(stream));
    };
    connectFailures(m_first);
    connectFailures(m_second);
}

void TextTranslator::connectFailures(TWebRequest* request)
{
    request->OnConnLost = [this](QObject*, const QString&, qint64, qint64, QIODevice*) { fail(kConnectionFailed); };
    request->OnHTTPError = [this](QObject*, qint32, QIODevice*) { fail(kConnectionFailed); };
    request->OnWaitTimeoutExpired = [this](QObject*) { fail(kConnectionFailed); };
    request->OnHostUnreachable = [this](QObject*) { fail(kHostUnreachable); };
}

bool TextTranslator::translate(const TranslationJob& job)
{
    if (m_busy)
        return false;
    m_busy = true;
    m_job = job;
    if (const QString refused = RefusedJobText(job); !refused.isEmpty()) {
        fail(refused);
        return true;
    }
    if (const std::optional<QString> converted = convertedLocally(job)) {
        finish(*converted);
        return true;
    }
    if (job.engine == kWorldLingo) {
        m_codes = {WorldLingoCode(job.source), WorldLingoCode(job.target), TopicCode(job.topic)};
        m_first->setRequestMethod(rmGET);
        m_first->setURL(LoaderAddress());
        m_first->Read();
        return true;
    }
    m_codes = {BabelFishCode(job.source), BabelFishCode(job.target), {}};
    m_viaEnglish = NeedsEnglishPivot(job.source, job.target);
    startTextService(job.text, LanguagePair(m_codes.source, m_viaEnglish ? QByteArray("en") : m_codes.target));
    return true;
}

void TextTranslator::startTextService(const QString& text, const QByteArray& pair)
{
    m_first->setRequestMethod(rmPOST);
    m_first->setURL(BabelFishAddress());
    m_first->setPOSTData(BabelFishBody(text, pair));
    m_first->Read();
}

void TextTranslator::textServiceReplied(const QByteArray& body)
{
    const std::optional<QString> text = BabelFishResultText(body);
    if (!text)
        return fail(kUnrecognisedReply);
    if (!m_viaEnglish)
        return finish(*text);
    m_viaEnglish = false;
    startTextService(*text, LanguagePair("en", m_codes.target));
}

void TextTranslator::loaderReplied(const QByteArray& body)
{
    const StageTwoRequest next = WorldLingoStageTwo(body, m_job.text, m_codes);
    m_sessionTranslate = next.sessionTranslate;
    m_second->setURL(next.url);
    m_second->setPOSTData(next.body);
    m_second->Read();
}

void TextTranslator::stageTwoReplied(const QByteArray& body)
{
    const std::optional<QString> text = WorldLingoResultText(body, m_sessionTranslate);
    if (!text)
        return fail(kUnrecognisedReply);
    finish(*text);
}

void TextTranslator::finish(const QString& result)
{
    m_busy = false;
    emit finished(result);
}

void TextTranslator::fail(const QString& message)
{
    m_busy = false;
    emit failed(message);
}

} // namespace quillo
