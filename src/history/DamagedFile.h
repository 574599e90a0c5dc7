#pragma once
// A database file SQLite cannot read is moved aside rather than deleted or silently given up on:
// the program starts a new one and the old one is kept for whoever wants to look into it.
#include <QDateTime>
#include <QString>

namespace quillo {

// Renames `path`, with the journal files SQLite keeps beside it, to `path`.damaged-<time>
// (a counter added when that name is taken). The new name, or empty when the file could not be
// moved (then nothing was).
QString SetAsideDamagedFile(const QString& path, const QDateTime& when = QDateTime::currentDateTime());

} // namespace quillo
