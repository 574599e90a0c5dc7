#pragma once
// Text encodings of request bodies and replies: form and percent escaping, UTF-8, and the
// ANSI code page 936 (GBK) form.

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

// UTF-16 to code page 936; a character without a GBK form becomes '?'.
QByteArray ToAnsi(const QString& text);
// Code page 936 to UTF-16.
QString FromAnsi(const QByteArray& bytes);

// UTF-16 to GB18030, which holds every character. For a character of code page 936 the bytes are
// those of ToAnsi, except the euro sign (A2 E3 rather than 80) and a few private-use characters.
QByteArray ToGb18030(const QString& text);

} // namespace quillo
