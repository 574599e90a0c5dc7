#pragma once
// Reads INI text with the rules of the Windows profile functions: section and key names compared
// without case, blanks around names and values trimmed, at most 2047 bytes of a value, the first
// of duplicate sections and keys wins, text in code page 936. Any bytes are accepted.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace quillo {

class ProfileReader
{
public:
    ProfileReader() = default;

    // An unreadable or missing file gives a reader that is not loaded and answers defaults.
    static ProfileReader fromFile(const QString& path);
    static ProfileReader fromBytes(const QByteArray& gbkText);
    // The same rules for text already decoded into UTF-8 (at build time, say), with no GBK decoder.
    static ProfileReader fromUtf8(const QByteArray& utf8Text);

    bool isLoaded() const;

    QString value(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    // "key=value" lines of the section in file order, as the platform lists a section.
    QStringList sectionLines(const QString& section) const;
    // Key names of the section in file order, each once.
    QStringList keys(const QString& section) const;
    // Section names in file order, each once (the first spelling of duplicates).
    QStringList sections() const;

private:
    // Names are kept case-folded beside their spelling: a lookup folds its name once and then
    // compares plainly, where comparing without case folded both sides at every entry.
    struct Entry
    {
        QString key;
        QString foldedKey;
        QString value;
    };
    struct Section
    {
        QString name;
        QString foldedName;
        QList<Entry> entries;
    };

    const Section* findSection(const QString& name) const;
    static ProfileReader parse(QByteArrayView text, QString (*decode)(QByteArrayView));

    QList<Section> m_sections;
    bool m_loaded = false;
};

} // namespace quillo
