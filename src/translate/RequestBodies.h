#pragma once
// The form bodies the two text services are sent, built from the user's text and the service
// codes. Pure functions: the window supplies the text and the codes, the tests drive them alone.
//
// Every text goes out UTF-8 and escaped, whatever the body: an "&", "=" or "+" in the text would
// otherwise end its field early, and the bodies declare UTF-8 to the service.
#include <QByteArray>
#include <QString>

namespace quillo {

// A memo's text with the line breaks the services expect (CR LF).
QString WithCrLf(const QString& memoText);

// Whether the text service needs two requests through English for the pair of list indexes.
bool NeedsEnglishPivot(int sourceIndex, int targetIndex);

// "zh_en": the lp field of the text service.
QByteArray LanguagePair(const QByteArray& sourceCode, const QByteArray& targetCode);

// The text service's form: the text, then the pair.
QByteArray BabelFishBody(const QString& text, const QByteArray& pair);

// The fixed heads of the two WorldLingo bodies (browser cookies and the fields before the text).
QByteArray SessionBodyHead();
QByteArray PageBodyHead();

// Body posted to the per-visit "texttranslate" address.
QByteArray WorldLingoSessionBody(const QString& text, const QByteArray& sourceCode, const QByteArray& targetCode,
                                 const QByteArray& topicCode);
// Body posted to the translation page.
QByteArray WorldLingoPageBody(const QString& text, const QByteArray& sourceCode, const QByteArray& targetCode,
                              const QByteArray& topicCode);

} // namespace quillo
