#pragma once
// Local Simplified <-> Traditional Chinese conversion; no request is sent. Only Chinese
// characters change: everything else, line breaks included, passes through unchanged.

#include <QString>

namespace quillo {

// Phrase by phrase through OpenCC's standard configurations, opened on first use; character by
// character through the character tables when OpenCC cannot be loaded.
QString SimplifiedToTraditional(const QString& text);
QString TraditionalToSimplified(const QString& text);

// Character by character through the character tables alone.
QString SimplifiedToTraditionalByTable(const QString& text);
QString TraditionalToSimplifiedByTable(const QString& text);

} // namespace quillo
