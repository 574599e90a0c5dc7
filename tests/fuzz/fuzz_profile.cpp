// The INI profile reader on any bytes, asked for the first section and key it holds.
#include "core/ProfileReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const quillo::ProfileReader reader = quillo::ProfileReader::fromBytes(text);

    // Guess a section name from the first bracketed text, so that lookups hit real entries.
    const qsizetype open = text.indexOf('[');
    const qsizetype close = text.indexOf(']', open + 1);
    const QString section = open >= 0 && close > open ? QString::fromLatin1(text.mid(open + 1, close - open - 1)).trimmed()
                                                      : QStringLiteral("information");
    const QStringList keys = reader.keys(section);
    const QStringList lines = reader.sectionLines(section);
    if (lines.size() < keys.size())
        std::abort();
    for (const QString& key : keys) {
        // A value holds at most 2047 bytes, so never more code units.
        if (reader.value(section, key).size() > 2047)
            std::abort();
    }
    for (const QString& line : lines) {
        if (!line.contains(u'='))
            std::abort();
    }
    return 0;
}
