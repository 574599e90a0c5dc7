#include "apiclient/EnginesIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillo {

namespace {

// The section a header line opens, lower-case; empty for any other line.
QString headerOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.size() > 2 && trimmed.startsWith(u'[') && trimmed.endsWith(u']'))
        return trimmed.mid(1, trimmed.size() - 2).trimmed().toLower();
    return {};
}

QString keyOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return {};
    const qsizetype equals = trimmed.indexOf(u'=');
    return equals < 0 ? QString() : trimmed.left(equals).trimmed().toLower();
}

} // namespace

EnginesIni EnginesIni::read(const QString& path)
{
    EnginesIni ini;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        ini.m_lines = QString::fromUtf8(file.readAll()).split(u'\n');
    while (!ini.m_lines.isEmpty() && ini.m_lines.last().trimmed().isEmpty())
        ini.m_lines.removeLast();
    return ini;
}

int EnginesIni::sectionStart(const QString& section) const
{
    const QString wanted = section.toLower();
    for (int i = 0; i < m_lines.size(); ++i)
        if (headerOf(m_lines[i]) == wanted)
            return i + 1;
    // Keys before any header belong to [general], as the server reads them.
    return wanted == QLatin1String("general") ? 0 : -1;
}

int EnginesIni::sectionEnd(int start) const
{
    int end = start;
    while (end < m_lines.size() && headerOf(m_lines[end]).isEmpty())
        ++end;
    return end;
}

int EnginesIni::keyLine(int start, int end, const QString& key) const
{
    const QString wanted = key.toLower();
    for (int i = start; i < end; ++i)
        if (keyOf(m_lines[i]) == wanted)
            return i;
    return -1;
}

QString EnginesIni::value(const QString& section, const QString& key) const
{
    const int start = sectionStart(section);
    if (start < 0)
        return {};
    const int line = keyLine(start, sectionEnd(start), key);
    return line < 0 ? QString() : m_lines[line].mid(m_lines[line].indexOf(u'=') + 1).trimmed();
}

void EnginesIni::set(const QString& section, const QString& key, const QString& value)
{
    // A value is one line: a line break would start a line the server cannot read.
    const QString flat = value.simplified();
    int start = sectionStart(section);
    if (start < 0) {
        if (flat.isEmpty())
            return;
        if (!m_lines.isEmpty())
            m_lines.append(QString());
        m_lines.append(u'[' + section.toLower() + u']');
        start = int(m_lines.size());
    }
    int end = sectionEnd(start);
    const int line = keyLine(start, end, key);
    const QString text = key.toLower() + QStringLiteral(" = ") + flat;
    if (line >= 0) {
        if (flat.isEmpty())
            m_lines.removeAt(line);
        else
            m_lines[line] = text;
        return;
    }
    if (flat.isEmpty())
        return;
    // After the section's last line that is not blank, so a blank line before the next header stays.
    while (end > start && m_lines[end - 1].trimmed().isEmpty())
        --end;
    m_lines.insert(end, text);
}

QStringList EnginesIni::sections(const QString& prefix) const
{
    QStringList found;
    for (const QString& line : m_lines) {
        const QString section = headerOf(line);
        if ((section == prefix || section.startsWith(prefix + u'.')) && !found.contains(section))
            found.append(section);
    }
    return found;
}

bool EnginesIni::write(const QString& path) const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write((m_lines.join(u'\n') + u'\n').toUtf8());
    return file.commit();
}

} // namespace quillo
