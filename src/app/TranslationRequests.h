#pragma once
// What every translation of the program shares, whoever asks for it (the main window or the
// popup): the request components as the services expect them, and the texts of their failures.
#include <QByteArray>
#include <QString>

class QIODevice;
class QObject;

namespace quillo {

class TWebRequest;

// The two refusals before anything is sent.
extern const QString kNoSourceText;
extern const QString kSameLanguages;
extern const QString kConnectionFailed;
extern const QString kHostUnreachable;
extern const QString kHostUnreachableHelp;
// A page without its result block is an error page or a changed service, not a translation.
extern const QString kUnrecognisedReply;

// The component set up like the translation ones but never started.
TWebRequest* SpareRequest(QObject* owner);
// A translation component that presents itself as the browser the services were made for.
TWebRequest* TranslationRequest(const char* name, QObject* owner);

// The stream lives only for the event; an absent one is an empty reply.
QByteArray ReadReply(QIODevice* stream);

} // namespace quillo
