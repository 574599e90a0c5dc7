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

// The form body, in GB18030: the bytes of code page 936 for its characters, so a script that
// reads GBK gets them as before, and a form for every other character, so nothing typed is lost.
// `installationId` goes out as it stands, so it must hold only characters that need no form
// encoding.
QByteArray FeedbackBody(const FeedbackMessage& message, const QDateTime& now, const QByteArray& installationId);

// True when one line of the reply (code page 936; lines end at CR, LF or CR LF) is exactly the
// script's acceptance line.
bool IsAcceptedReply(const QByteArray& reply);

// The line of an accepted reply that says the message stays where nobody will answer it (the
// program's own server, with nowhere to forward it); empty when there is none.
QString KeptLocallyLine(const QByteArray& reply);

} // namespace quillo
