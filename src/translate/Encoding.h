#pragma once
// Text encodings of request bodies and replies: form and percent escaping and UTF-8. The code
// pages are core/CodePage.h.

#include <QByteArray>
#include <QString>

namespace quillo {

// Blank -> "+", ASCII letters and digits unchanged, every other byte "%XX" (upper-case hex).
QByteArray FormEncode(const QByteArray& bytes);
// Every byte "%XX"; the result is three times as long as the input.
QByteArray PercentEncodeBytes(const QByteArray& bytes);

// UTF-16 to UTF-8; a surrogate pair becomes one four-byte sequence, a lone surrogate U+FFFD.
QByteArray Utf8Encode(const QString& text);
// UTF-8 to UTF-16, never failing: the lead byte alone decides the sequence length; a sequence
// cut short by the end of the input, or a value that does not fit, gives U+FFFD.
QString Utf8Decode(const QByteArray& bytes);

} // namespace quillo
