#pragma once
// Local Simplified <-> Traditional Chinese conversion, character by character through the
// character tables. Characters outside the tables pass through unchanged.

#include <QString>

namespace quillo {

QString SimplifiedToTraditional(const QString& text);
QString TraditionalToSimplified(const QString& text);

} // namespace quillo
