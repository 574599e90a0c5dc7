#include "skins/ResourceStrData.h"

namespace quillo {

TResourceStrData::TResourceStrData(const QStringList& lines)
{
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !m_texts.contains(line.left(eq)))
            m_texts.insert(line.left(eq), line.mid(eq + 1));
    }
}

} // namespace quillo
