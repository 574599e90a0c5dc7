#include "CharTables.h"

#include <iterator>

namespace quillo {

namespace {
#include "CharTableData.inc"

static_assert(std::size(kSimplifiedColumn) == std::size(kTraditionalColumn));
} // namespace

int CharTableRowCount()
{
    return int(std::size(kSimplifiedColumn));
}

QChar SimplifiedAt(int row)
{
    return row >= 0 && row < CharTableRowCount() ? QChar(kSimplifiedColumn[row]) : QChar();
}

QChar TraditionalAt(int row)
{
    return row >= 0 && row < CharTableRowCount() ? QChar(kTraditionalColumn[row]) : QChar();
}

} // namespace quillo
