#pragma once

#include "core/ProfileReader.h"

#include <QStringList>

namespace quillo {

// A list in a skin definition: "<name>count" holds the number of entries, and the entries follow
// as keys "0", "1", ... of the same section. A count beyond the keys the section really has is
// cut to them, so a forged count cannot make us loop for long.
QStringList ReadProfileList(const ProfileReader& profile, const QString& section, const QString& name);

} // namespace quillo
