#include "core/ProfileReader.h"

#include "core/CodePage.h"

#include <QFile>
#include <QSet>

namespace quillo {

namespace {

constexpr qsizetype kMaxValueBytes = 2047;

// GBK pairs a lead byte 0x81..0xFE with a trail byte 0x40..0xFE (not 0x7F). Trail bytes include
// '[', ']' and '\\', so brackets must be looked for on character boundaries only.
qsizetype charLength(QByteArrayView s, qsizetype i)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x81 || lead > 0xFE || i + 1 >= s.size())
        return 1;
    const auto trail = static_cast<unsigned char>(s[i + 1]);
    return (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) ? 2 : 1;
}

qsizetype indexOfChar(QByteArrayView s, char wanted)
{
    for (qsizetype i = 0; i < s.size(); i += charLength(s, i)) {
        if (s[i] == wanted)
            return i;
    }
    return -1;
}

// At most kMaxValueBytes bytes, never ending in half a double-byte character.
QByteArrayView truncateValue(QByteArrayView value)
{
    if (value.size() <= kMaxValueBytes)
        return value;
    qsizetype end = 0;
    while (end < value.size()) {
        const qsizetype next = end + charLength(value, end);
        if (next > kMaxValueBytes)
            break;
        end = next;
    }
    return value.first(end);
}

// The platform drops one pair of quotation marks enclosing a whole value.
QByteArrayView unquote(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// The next line from `start` (which moves past it), without its line break.
QByteArrayView nextLine(QByteArrayView text, qsizetype& start)
{
    qsizetype end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
        ++end;
    const QByteArrayView line = text.sliced(start, end - start);
    start = end + 1;
    return line;
}

} // namespace

ProfileReader ProfileReader::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return fromBytes(file.readAll());
}

ProfileReader ProfileReader::fromBytes(const QByteArray& gbkText)
{
    return parse(gbkText, [](QByteArrayView bytes) { return FromAnsi(bytes.toByteArray()); });
}

ProfileReader ProfileReader::fromUtf8(const QByteArray& utf8Text)
{
    return parse(utf8Text, [](QByteArrayView bytes) { return QString::fromUtf8(bytes); });
}

ProfileReader ProfileReader::parse(QByteArrayView text, QString (*decode)(QByteArrayView))
{
    ProfileReader reader;
    reader.m_loaded = true;
    Section* current = nullptr;
    for (qsizetype start = 0; start < text.size();) {
        const QByteArrayView line = nextLine(text, start).trimmed();
        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            QByteArrayView name = line.sliced(1);
            if (const qsizetype close = indexOfChar(name, ']'); close >= 0)
                name = name.first(close);
            const QString decoded = decode(name.trimmed());
            reader.m_sections.append(Section{decoded, decoded.toCaseFolded(), {}});
            current = &reader.m_sections.back();
            continue;
        }
        const qsizetype equals = line.indexOf('='); // '=' is never a trail byte
        if (current == nullptr || equals <= 0)
            continue;
        const QByteArrayView key = line.first(equals).trimmed();
        if (key.isEmpty())
            continue;
        const QString decodedKey = decode(key);
        current->entries.append(Entry{decodedKey, decodedKey.toCaseFolded(),
                                      decode(truncateValue(unquote(line.sliced(equals + 1).trimmed())))});
    }
    return reader;
}

bool ProfileReader::isLoaded() const
{
    return m_loaded;
}

const ProfileReader::Section* ProfileReader::findSection(const QString& name) const
{
    const QString folded = name.toCaseFolded();
    for (const Section& section : m_sections) {
        if (section.foldedName == folded)
            return &section;
    }
    return nullptr;
}

QString ProfileReader::value(const QString& section, const QString& key, const QString& defaultValue) const
{
    if (const Section* found = findSection(section)) {
        const QString folded = key.toCaseFolded();
        for (const Entry& entry : found->entries) {
            if (entry.foldedKey == folded)
                return entry.value;
        }
    }
    return defaultValue;
}

QStringList ProfileReader::sectionLines(const QString& section) const
{
    QStringList lines;
    if (const Section* found = findSection(section)) {
        for (const Entry& entry : found->entries)
            lines << entry.key + u'=' + entry.value;
    }
    return lines;
}

QStringList ProfileReader::sections() const
{
    QStringList names;
    QSet<QString> seen;
    for (const Section& section : m_sections) {
        if (!seen.contains(section.foldedName)) {
            seen.insert(section.foldedName);
            names << section.name;
        }
    }
    return names;
}

QStringList ProfileReader::keys(const QString& section) const
{
    QStringList names;
    if (const Section* found = findSection(section)) {
        QSet<QString> seen;
        for (const Entry& entry : found->entries) {
            if (!seen.contains(entry.foldedKey)) {
                seen.insert(entry.foldedKey);
                names << entry.key;
            }
        }
    }
    return names;
}

} // namespace quillo
