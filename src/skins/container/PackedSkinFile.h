#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quillo {

// A packed skin file: a 32-bit version (3 or less), a 32-bit length, then that many bytes of
// zlib data, which are a container's compressed bytes as they are.
std::optional<QByteArray> ReadPackedSkinFile(QByteArrayView fileBytes);
QByteArray WritePackedSkinFile(const QByteArray& compressed);

} // namespace quillo
