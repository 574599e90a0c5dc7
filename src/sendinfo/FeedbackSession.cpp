#include "sendinfo/FeedbackSession.h"

#include "core/BindHandler.h"
#include "core/EventWait.h"
#include "core/ServiceAddresses.h"
#include "http/NetworkState.h"
#include "http/ServiceRequest.h"
#include "sendinfo/InstallationId.h"

#include <QIODevice>
#include <QPointer>

namespace quillo {

namespace {

QString failureText(FeedbackSession::Failure failure)
{
    switch (failure) {
    case FeedbackSession::Failure::EmptyTitle: return QStringLiteral("   标 题 不 能 为 空 ，请 输 入 标 题 ！");
    case FeedbackSession::Failure::EmptyText: return QStringLiteral("   请 输 入 您 要 提 交 的 内 容！");
    case FeedbackSession::Failure::OffLine: return QStringLiteral("   计 算 机 没 有 连 接 到 网 络 !");
    case FeedbackSession::Failure::Unreachable:
        return QStringLiteral("   计 算 机 不 能 连 接 到 服 务 器 ，请 稍 后 再 试。");
    case FeedbackSession::Failure::ServerError:
        return QStringLiteral("   计 算 机 连 接 服 务 器 错 误 ，请 稍 后 再 试 。");
    case FeedbackSession::Failure::NotStored: return QStringLiteral("   提 交 信 息 失 败 ，请 稍 后 再 试 。");
    }
    return {};
}

} // namespace

FeedbackSession::FeedbackSession(QObject* parent)
    : QObject(parent)
    , Now([] { return QDateTime::currentDateTime(); })
    , InstallationIdentifier([] { return InstallationId(); })
    , m_request(NewServiceRequest(this))
{
    m_request->setRequestMethod(rmPOST);
    m_request->OnDone = BindHandler(this, &FeedbackSession::onRequestDone);
    m_request->OnHTTPError = BindHandler(this, &FeedbackSession::onHttpError);
    m_request->OnHostUnreachable = BindHandler(this, &FeedbackSession::onHostUnreachable);
    m_request->OnConnLost = BindHandler(this, &FeedbackSession::onConnectionLost);
}

void FeedbackSession::send(const FeedbackMessage& message)
{
    if (message.title.isEmpty())
        return fail(Failure::EmptyTitle);
    // A text of blanks is a text.
    if (message.text.isEmpty())
        return fail(Failure::EmptyText);
    const QString address = ServiceUrl(FeedbackScriptPath());
    if (!InternetGetConnectedState(address))
        return fail(Failure::OffLine);
    const QByteArray body = FeedbackBody(message, Now(), InstallationIdentifier());
    if (m_request->Busy())
        return;

    emit posting();
    const quint64 thisSend = ++FSendCount;
    const QPointer<FeedbackSession> alive(this);
    ++FWaiting;
    WaitWithMessages(PauseBeforePost);
    if (!alive)
        return;
    --FWaiting;
    if (thisSend != FSendCount)
        return;
    m_request->setURL(address);
    m_request->setPOSTData(body);
    m_request->Read();
}

bool FeedbackSession::cancel()
{
    if (FWaiting == 0)
        return false;
    ++FSendCount;
    return true;
}

void FeedbackSession::fail(Failure failure)
{
    emit failed(failure, failureText(failure));
}

void FeedbackSession::onRequestDone(QObject*, const QString&, qint64, QIODevice* Stream)
{
    // The stream lives only for this event: it is read before anyone hears of the outcome.
    const QByteArray reply = Stream ? Stream->readAll() : QByteArray();
    if (!IsAcceptedReply(reply))
        return fail(Failure::NotStored);
    // A reply is promised only where someone will read the message.
    const QString keptLocally = KeptLocallyLine(reply);
    emit sent(keptLocally.isEmpty() ? QStringLiteral("   提 交 信 息 成 功 ，我 们 会 尽 快 回 复 您 。")
                                    : QStringLiteral("   提 交 信 息 成 功 。") + keptLocally);
}

void FeedbackSession::onHttpError(QObject*, qint32, QIODevice*)
{
    fail(Failure::ServerError);
}

void FeedbackSession::onHostUnreachable(QObject*)
{
    fail(Failure::Unreachable);
}

// A reply cut short leaves it open whether the message was stored; the user is told that the
// exchange failed instead of being left under the busy cursor without an answer.
void FeedbackSession::onConnectionLost(QObject*, const QString&, qint64, qint64, QIODevice*)
{
    fail(Failure::ServerError);
}

} // namespace quillo
