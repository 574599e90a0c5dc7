#pragma once
// The Chinese code pages text is stored and sent in: code page 936 (GBK), which the INI files,
// the version file and the older services use, and GB18030, which holds every character.
#include <QByteArray>
#include <QString>

namespace quillo {

// UTF-16 to code page 936; a character without a GBK form becomes '?'.
QByteArray ToAnsi(const QString& text);
// Code page 936 to UTF-16.
QString FromAnsi(const QByteArray& bytes);

// UTF-16 to GB18030, which holds every character. For a character of code page 936 the bytes are
// those of ToAnsi, except the euro sign (A2 E3 rather than 80) and a few private-use characters.
QByteArray ToGb18030(const QString& text);

} // namespace quillo
