#include "core/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace quillo {

QByteArray ToAnsi(const QString& text)
{
    // Qt's GBK encoder (ICU) substitutes '?' for a character without a form in the code page,
    // as the Windows conversion does.
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QByteArray ToGb18030(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString FromAnsi(const QByteArray& bytes)
{
    // Below 0x80 the code page is ASCII. Most profile keys and values are, and opening an ICU
    // converter for each of them was a good part of reading a skin at start-up.
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    // The decoder keeps a lead byte at the very end pending and would drop it; a line feed
    // after it (never a trail byte) makes it come out as U+FFFD, and is removed again.
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes + '\n');
    text.chop(1);
    return text;
}

} // namespace quillo
