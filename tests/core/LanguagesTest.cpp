#include "core/Languages.h"

#include <QSet>
#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(Languages, ListsAndCodesLineUp)
{
    const QStringList names = LanguageNames();
    ASSERT_EQ(names.size(), kLanguageCount);
    EXPECT_EQ(names.front(), QStringLiteral("简体中文"));
    EXPECT_EQ(names[10], QStringLiteral("葡萄牙语(巴西)"));
    EXPECT_EQ(names.back(), QStringLiteral("西班牙语"));
    QSet<QByteArray> babel;
    QSet<QByteArray> lingo;
    for (int i = 0; i < kLanguageCount; ++i) {
        babel.insert(BabelFishCode(i));
        lingo.insert(WorldLingoCode(i));
    }
    EXPECT_EQ(babel.size(), kLanguageCount);
    EXPECT_EQ(lingo.size(), kLanguageCount);
    EXPECT_EQ(BabelFishCode(1), "zt");
    EXPECT_EQ(WorldLingoCode(1), "ZH_TW");
    EXPECT_EQ(BabelFishCode(12), "es");
    EXPECT_EQ(WorldLingoCode(12), "ES");
    EXPECT_TRUE(BabelFishCode(-1).isEmpty());
    EXPECT_TRUE(WorldLingoCode(kLanguageCount).isEmpty());
    EXPECT_EQ(LanguageLocale(Traditional).name(), QStringLiteral("zh_TW"));
    EXPECT_EQ(LanguageLocale(Portuguese).name(), QStringLiteral("pt_BR"));
    EXPECT_EQ(LanguageLocale(kLanguageCount), QLocale::c());

    const QStringList topics = TopicNames();
    ASSERT_EQ(topics.size(), 21);
    EXPECT_EQ(topics.front(), QStringLiteral("一般"));
    EXPECT_EQ(topics.back(), QStringLiteral("政治学"));
    EXPECT_EQ(TopicCode(0), "gl1");
    EXPECT_EQ(TopicCode(20), "gl21");
    EXPECT_TRUE(TopicCode(21).isEmpty());
    EXPECT_TRUE(TopicCode(-1).isEmpty());
}

} // namespace
} // namespace quillo
