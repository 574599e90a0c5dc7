#include "ChineseConvert.h"

#include "CharTables.h"

#include <algorithm>
#include <vector>

namespace quillo {

namespace {

// A dense map over the stretch of UTF-16 code units that the table covers, so that every
// character costs one bounds check and one load. Entry 0 means "not in the table"; a row that
// maps a character to itself still claims it, because the first row that holds a character wins.
class DirectionMap
{
public:
    DirectionMap(QChar (*from)(int), QChar (*to)(int))
    {
        char16_t low = 0xFFFF;
        char16_t high = 0;
        for (int row = 0; row < CharTableRowCount(); ++row) {
            low = std::min(low, from(row).unicode());
            high = std::max(high, from(row).unicode());
        }
        m_low = low;
        m_map.assign(high >= low ? high - low + 1 : 0, 0);
        for (int row = 0; row < CharTableRowCount(); ++row) {
            char16_t& slot = m_map[from(row).unicode() - low];
            if (slot == 0)
                slot = to(row).unicode();
        }
    }

    QString convert(const QString& text) const
    {
        QString out = text;
        char16_t* unit = reinterpret_cast<char16_t*>(out.data());
        char16_t* const end = unit + out.size();
        const char16_t* const map = m_map.data();
        const std::size_t size = m_map.size();
        for (; unit != end; ++unit) {
            const std::size_t offset = char16_t(*unit - m_low);
            if (offset < size && map[offset] != 0)
                *unit = map[offset];
        }
        return out;
    }

private:
    char16_t m_low = 0;
    std::vector<char16_t> m_map;
};

} // namespace

QString SimplifiedToTraditional(const QString& text)
{
    static const DirectionMap map(SimplifiedAt, TraditionalAt);
    return map.convert(text);
}

QString TraditionalToSimplified(const QString& text)
{
    static const DirectionMap map(TraditionalAt, SimplifiedAt);
    return map.convert(text);
}

} // namespace quillo
