#include "skins/container/ProfileList.h"

#include <algorithm>

namespace quillo {

QStringList ReadProfileList(const ProfileReader& profile, const QString& section, const QString& name)
{
    const int declared = profile.value(section, name + QStringLiteral("count")).toInt();
    const int count = std::min<qsizetype>(std::max(declared, 0), profile.keys(section).size());
    QStringList entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.append(profile.value(section, QString::number(i)));
    return entries;
}

} // namespace quillo
