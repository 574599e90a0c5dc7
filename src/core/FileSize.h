#pragma once
#include <QString>

namespace quillo {

// Size of the named file in bytes; 0 for a directory; -1 when nothing of that name exists. A
// relative name is taken from the current directory.
qint64 FileSizeByName(const QString& fileName);

} // namespace quillo
