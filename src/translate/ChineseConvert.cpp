#include "ChineseConvert.h"

#include "CharTables.h"
#include "Encoding.h"
#include "OpenCC.h"

#include <algorithm>
#include <optional>
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

// OpenCC sees only the runs of Chinese characters, so that nothing else can change, not even
// what UTF-8 cannot carry (a lone surrogate). A run is converted as a whole, for its phrases.
std::optional<QString> convertChineseRuns(ScriptDirection direction, const QString& text)
{
    QString out;
    out.reserve(text.size());
    qsizetype runStart = -1;
    const auto flushRun = [&](qsizetype end) {
        if (runStart < 0)
            return true;
        const auto converted = OpenCCConvert(direction, Utf8Encode(text.mid(runStart, end - runStart)));
        runStart = -1;
        if (!converted)
            return false;
        out += Utf8Decode(*converted);
        return true;
    };
    for (qsizetype i = 0; i < text.size();) {
        const char32_t code = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
                                  ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                                  : text.at(i).unicode();
        const qsizetype width = code > 0xFFFF ? 2 : 1;
        if (QChar::script(code) == QChar::Script_Han) {
            if (runStart < 0)
                runStart = i;
        } else {
            if (!flushRun(i))
                return std::nullopt;
            out += text.mid(i, width);
        }
        i += width;
    }
    if (!flushRun(text.size()))
        return std::nullopt;
    return out;
}

} // namespace

QString SimplifiedToTraditionalByTable(const QString& text)
{
    static const DirectionMap map(SimplifiedAt, TraditionalAt);
    return map.convert(text);
}

QString TraditionalToSimplifiedByTable(const QString& text)
{
    static const DirectionMap map(TraditionalAt, SimplifiedAt);
    return map.convert(text);
}

QString SimplifiedToTraditional(const QString& text)
{
    const auto converted = convertChineseRuns(ScriptDirection::SimplifiedToTraditional, text);
    return converted ? *converted : SimplifiedToTraditionalByTable(text);
}

QString TraditionalToSimplified(const QString& text)
{
    const auto converted = convertChineseRuns(ScriptDirection::TraditionalToSimplified, text);
    return converted ? *converted : TraditionalToSimplifiedByTable(text);
}

} // namespace quillo
