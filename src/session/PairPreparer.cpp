#include "session/PairPreparer.h"

#include "core/ServiceAddresses.h"
#include "http/TWebRequest.h"
#include "session/TranslationChoices.h"

#include <QUrl>

namespace quillo {

PairPreparer::PairPreparer(TranslationChoices* choices, std::function<QString()> serviceBase, QObject* parent)
    : QObject(parent)
    , m_choices(choices)
    , m_serviceBase(std::move(serviceBase))
    , m_request(new TWebRequest(this))
    , m_pair(PreparePairBody(*choices))
{
    m_request->setWaitThread(false);
    m_request->setRequestMethod(rmPOST);
    connect(m_choices, &TranslationChoices::changed, this, &PairPreparer::choicesChanged);
}

void PairPreparer::prepareCurrentPairWhenServerAnswers()
{
    WhenServiceBaseKnown(this, [this] {
        if (!m_request->Busy())
            tell(PreparePairBody(*m_choices));
    });
}

void PairPreparer::choicesChanged()
{
    const QByteArray pair = PreparePairBody(*m_choices);
    // A pick while the last one is still on its way is told with the next change; the server
    // starts the rest when the first text needs it.
    if (pair == m_pair || m_request->Busy())
        return;
    tell(pair);
}

void PairPreparer::tell(const QByteArray& pair)
{
    if (pair.isEmpty())
        return;
    const QString base = m_serviceBase();
    if (!IsLoopbackService(base))
        return;
    m_pair = pair;
    m_request->setURL(base + QStringLiteral("/api/v1/prepare"));
    m_request->setPOSTData(pair);
    m_request->Read();
}

QByteArray PreparePairBody(const TranslationChoices& choices)
{
    const int source = IndexOf(choices.source());
    const int target = IndexOf(choices.target());
    if (source < 0 || target < 0)
        return {};
    return "source=" + BabelFishCode(source) + "&target=" + BabelFishCode(target);
}

bool IsLoopbackService(const QString& base)
{
    const QString host = QUrl(base).host();
    return host == QStringLiteral("localhost") || host == QStringLiteral("::1") || host.startsWith(QStringLiteral("127."));
}

} // namespace quillo
