#pragma once
// The engines.ini of the server the program starts, edited in place: values the settings page
// sets replace their lines or join their section, and every other line (comments, sections and
// keys the page does not know) stays as it was. Sections and keys are matched case-blind, as the
// server reads them.
#include <QString>
#include <QStringList>

namespace quillo {

class EnginesIni
{
public:
    // An absent or unreadable file reads as empty.
    static EnginesIni read(const QString& path);

    QString value(const QString& section, const QString& key) const;
    // An empty value removes the key, so the server falls back to its default.
    void set(const QString& section, const QString& key, const QString& value);
    // Sections named `prefix` or starting with "prefix.", in file order.
    QStringList sections(const QString& prefix) const;
    // Written whole or not at all.
    bool write(const QString& path) const;

    QStringList lines() const { return m_lines; }

private:
    int sectionStart(const QString& section) const;
    int sectionEnd(int start) const;
    int keyLine(int start, int end, const QString& key) const;

    QStringList m_lines;
};

} // namespace quillo
