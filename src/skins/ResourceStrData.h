#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace quillo {

// Captions of the skinned controls' own menus, hints and dialogs: lines of "KEY=text", the text
// taken as it stands after the first equals sign (blanks included). The window layer fills one
// from its caption table and hands it to the skin holder.
class TResourceStrData {
public:
    TResourceStrData() = default;
    explicit TResourceStrData(const QStringList& lines);

    // Empty when the key is not in the table.
    QString value(const QString& key) const { return m_texts.value(key); }
    bool contains(const QString& key) const { return m_texts.contains(key); }

private:
    QHash<QString, QString> m_texts;
};

} // namespace quillo
