// UTF-8 decoding of any bytes, and the UTF-8 round trip of any UTF-16 text.
#include "translate/Encoding.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // Every input byte yields at most one code unit.
    const QString decoded = quillo::Utf8Decode(bytes);
    if (decoded.size() > bytes.size())
        std::abort();

    // The same bytes read as UTF-16 code units: encoding and decoding again gives the text back,
    // with each lone surrogate turned into U+FFFD.
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    if (!text.isEmpty())
        std::memcpy(text.data(), data, size_t(text.size()) * 2); // the input may be unaligned
    QString expected = text;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (expected[i].isHighSurrogate() && i + 1 < expected.size() && expected[i + 1].isLowSurrogate())
            ++i;
        else if (expected[i].isSurrogate())
            expected[i] = QChar::ReplacementCharacter;
    }
    if (quillo::Utf8Decode(quillo::Utf8Encode(text)) != expected)
        std::abort();
    return 0;
}
