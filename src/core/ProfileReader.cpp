#include "core/ProfileReader.h"

#include "core/CodePage.h"

#include <QFile>
#include <QSet>

namespace quillo {

namespace {

constexpr qsizetype kMaxValueBytes = 2047;

// GBK pairs a lead byte 0x81..0xFE with a trail byte 0x40..0xFE (not 0x7F). Trail bytes include
// '[', ']' and '\\', so brackets must be looked for on character boundaries only.
qsizetype charLength(const QByteArray& s, qsizetype i)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x81 || lead > 0xFE || i + 1 >= s.size())
        return 1;
    const auto trail = static_cast<unsigned char>(s[i + 1]);
    return (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) ? 2 : 1;
}

qsizetype indexOfChar(const QByteArray& s, char wanted)
{
    for (qsizetype i = 0; i < s.size(); i += charLength(s, i)) {
        if (s[i] == wanted)
            return i;
    }
    return -1;
}

// At most kMaxValueBytes bytes, never ending in half a double-byte character.
QByteArray truncateValue(const QByteArray& value)
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
    return value.left(end);
}

// The platform drops one pair of quotation marks enclosing a whole value.
QByteArray unquote(const QByteArray& value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

QList<QByteArray> splitLines(const QByteArray& text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
            if (i > start)
                lines.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    return lines;
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
    return parse(gbkText, FromAnsi);
}

ProfileReader ProfileReader::fromUtf8(const QByteArray& utf8Text)
{
    return parse(utf8Text, [](const QByteArray& bytes) { return QString::fromUtf8(bytes); });
}

ProfileReader ProfileReader::parse(const QByteArray& text, QString (*decode)(const QByteArray&))
{
    ProfileReader reader;
    reader.m_loaded = true;
    Section* current = nullptr;
    for (const QByteArray& rawLine : splitLines(text)) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            QByteArray name = line.mid(1);
            const qsizetype close = indexOfChar(name, ']');
            if (close >= 0)
                name.truncate(close);
            const QString decoded = decode(name.trimmed());
            reader.m_sections.append(Section{decoded, decoded.toCaseFolded(), {}});
            current = &reader.m_sections.back();
            continue;
        }
        const qsizetype equals = line.indexOf('='); // '=' is never a trail byte
        if (current == nullptr || equals <= 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        if (key.isEmpty())
            continue;
        const QByteArray value = truncateValue(unquote(line.mid(equals + 1).trimmed()));
        const QString decodedKey = decode(key);
        current->entries.append(Entry{decodedKey, decodedKey.toCaseFolded(), decode(value)});
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
