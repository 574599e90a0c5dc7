#include "core/Languages.h"

#include <array>

namespace quillo {

namespace {

struct LanguageEntry
{
    const char16_t* name;
    const char* babelFish;
    const char* worldLingo;
    QLocale::Language spoken;
    QLocale::Territory territory;
};

constexpr std::array<LanguageEntry, kLanguageCount> kLanguages{{
    {u"简体中文", "zh", "ZH_CN", QLocale::Chinese, QLocale::China},
    {u"繁体中文", "zt", "ZH_TW", QLocale::Chinese, QLocale::Taiwan},
    {u"英语", "en", "EN", QLocale::English, QLocale::UnitedStates},
    {u"荷兰语", "nl", "NL", QLocale::Dutch, QLocale::Netherlands},
    {u"法语", "fr", "FR", QLocale::French, QLocale::France},
    {u"德语", "de", "DE", QLocale::German, QLocale::Germany},
    {u"希腊语", "el", "EL", QLocale::Greek, QLocale::Greece},
    {u"意大利语", "it", "IT", QLocale::Italian, QLocale::Italy},
    {u"日本语", "ja", "JA", QLocale::Japanese, QLocale::Japan},
    {u"韩国语", "ko", "KO", QLocale::Korean, QLocale::SouthKorea},
    {u"葡萄牙语(巴西)", "pt", "PT", QLocale::Portuguese, QLocale::Brazil},
    {u"俄语", "ru", "RU", QLocale::Russian, QLocale::Russia},
    {u"西班牙语", "es", "ES", QLocale::Spanish, QLocale::Spain},
}};

constexpr std::array<const char16_t*, 21> kTopics{{
    u"一般",
    u"汽车业",
    u"航空业",
    u"化学",
    u"口语",
    u"计算机",
    u"地球科学",
    u"经济学",
    u"电子学",
    u"食品科学",
    u"法律",
    u"生命科学",
    u"数学",
    u"机械工程",
    u"医学",
    u"冶金学",
    u"军事",
    u"海军/海洋",
    u"摄影/光学",
    u"物理学",
    u"政治学",
}};

bool inRange(int index, std::size_t size)
{
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

} // namespace

QStringList LanguageNames()
{
    QStringList names;
    for (const LanguageEntry& language : kLanguages)
        names << QString::fromUtf16(language.name);
    return names;
}

QByteArray BabelFishCode(int index)
{
    return inRange(index, kLanguages.size()) ? QByteArray(kLanguages[index].babelFish) : QByteArray();
}

QByteArray WorldLingoCode(int index)
{
    return inRange(index, kLanguages.size()) ? QByteArray(kLanguages[index].worldLingo) : QByteArray();
}

QLocale LanguageLocale(int index)
{
    if (!inRange(index, kLanguages.size()))
        return QLocale::c();
    return QLocale(kLanguages[index].spoken, kLanguages[index].territory);
}

QStringList TopicNames()
{
    QStringList names;
    for (const char16_t* topic : kTopics)
        names << QString::fromUtf16(topic);
    return names;
}

QByteArray TopicCode(int index)
{
    return inRange(index, kTopics.size()) ? "gl" + QByteArray::number(index + 1) : QByteArray();
}

} // namespace quillo
