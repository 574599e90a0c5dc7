#pragma once
// The two parallel character tables: row i maps the Simplified form SimplifiedAt(i) to the
// Traditional form TraditionalAt(i). Rows keep their historical order, because the conversions
// let the first matching row win.

#include <QChar>

namespace quillo {

int CharTableRowCount();
QChar SimplifiedAt(int row);   // QChar() out of range
QChar TraditionalAt(int row);  // QChar() out of range

} // namespace quillo
