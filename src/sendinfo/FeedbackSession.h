#pragma once
// One feedback message on its way to the feedback script: the checks of what the user typed, the
// form body, the post after a short pause, and the judgement of the script's reply. It has no
// widgets: the window hands it the message and shows what it reports.
//
// A send pauses a second before the post, handling events meanwhile, so the busy cursor shows and
// the windows stay responsive. A second send during the pause takes the place of the first, so
// only the newest message is posted; a send while a post runs is ignored.
#include "sendinfo/FeedbackScript.h"

#include <QDateTime>
#include <QObject>
#include <functional>

class QIODevice;

namespace quillo {

class TWebRequest;

class FeedbackSession : public QObject
{
    Q_OBJECT
public:
    enum class Failure {
        EmptyTitle, // refused before anything was sent
        EmptyText,  // refused before anything was sent
        OffLine,    // refused before anything was sent
        Unreachable,
        ServerError,
        NotStored, // the script answered without taking the message
    };
    Q_ENUM(Failure)

    explicit FeedbackSession(QObject* parent = nullptr);

    // The clock and the installation identifier the message is sent with; tests replace them.
    std::function<QDateTime()> Now;
    std::function<QByteArray()> InstallationIdentifier;
    int PauseBeforePost = 1000;

    // The component the message is posted with.
    TWebRequest* request() const { return m_request; }

    // Returns once the message is posted (the reply comes later), refused (`failed` said why), put
    // aside for a later send or cancelled during the pause, or ignored because a post is running.
    void send(const FeedbackMessage& message);
    // Drops the messages still waiting out their pause; true when there was one. A post already
    // running goes on.
    bool cancel();

signals:
    // A message passed the checks and its pause begins.
    void posting();
    void sent(const QString& message);
    void failed(quillo::FeedbackSession::Failure failure, const QString& message);

private:
    void fail(Failure failure);

    void onRequestDone(QObject* Sender, const QString& ContentType, qint64 FileSize, QIODevice* Stream);
    void onHttpError(QObject* Sender, qint32 ErrorCode, QIODevice* Stream);
    void onHostUnreachable(QObject* Sender);
    void onConnectionLost(QObject* Sender, const QString& ContentType, qint64 FileSize, qint64 BytesRead,
                             QIODevice* Stream);

    TWebRequest* m_request;
    // Counts the sends and cancels; a send waiting out its pause posts only when no later one came.
    quint64 FSendCount = 0;
    int FWaiting = 0;
};

} // namespace quillo
