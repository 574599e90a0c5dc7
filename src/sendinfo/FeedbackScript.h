#pragma once
// What the feedback script on the product's web server takes and answers: the form body a
// message is posted as, and the reply line that says the message was stored.
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace quillo {

// The script's path on the product's web server.
QString FeedbackScriptPath();

struct FeedbackMessage
{
    QString title;
    QString contact;
    // As the message box holds it; any line break convention.
    QString text;
};

// The form body, in code page 936. `installationId` goes out as it stands, so it must hold only
// characters that need no form encoding.
QByteArray FeedbackBody(const FeedbackMessage& message, const QDateTime& now, const QByteArray& installationId);

// True when one line of the reply (code page 936; lines end at CR, LF or CR LF) is exactly the
// script's acceptance line.
bool IsAcceptedReply(const QByteArray& reply);

} // namespace quillo
