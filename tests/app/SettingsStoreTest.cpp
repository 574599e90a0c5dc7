#include "session/SettingsStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QSettings& key(std::initializer_list<std::pair<const char*, QVariant>> values)
    {
        m_key = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("key.ini")), QSettings::IniFormat);
        m_key->clear();
        for (const auto& [name, value] : values)
            m_key->setValue(QString::fromLatin1(name), value);
        m_key->sync();
        // Read back from the file, as a fresh start would.
        m_key = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("key.ini")), QSettings::IniFormat);
        return *m_key;
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_key;
};

Selections selections(int server, int option, int source, int source2, int topic, int target)
{
    return {server, option, source, source2, topic, target};
}

bool operator==(const Selections& a, const Selections& b)
{
    return a.TranServer == b.TranServer && a.TranOption == b.TranOption && a.SourceLanguage == b.SourceLanguage
           && a.SourceLanguage2 == b.SourceLanguage2 && a.TopicLanguage == b.TopicLanguage
           && a.TargetLanguage == b.TargetLanguage;
}

} // namespace

TEST_F(SettingsStoreTest, StoredIndexesAreTakenAsTheyAreExceptAnEngineThatDoesNotExist)
{
    const StoredChoices first = ReadChoices(key({}));
    EXPECT_TRUE(first.selections == selections(0, 2, 0, 0, 0, 2));
    EXPECT_FALSE(first.face.has_value());
    EXPECT_FALSE(first.fellBack);

    const StoredChoices stored = ReadChoices(key({{"TranServer", 1}, {"TranOption", 37}, {"SourceLanguage", 40},
                                                  {"SourceLanguage2", -1}, {"TopicLanguage", 20}, {"TargetLanguage", 5},
                                                  {"Face", 2}}));
    EXPECT_TRUE(stored.selections == selections(1, 37, 40, -1, 20, 5));
    EXPECT_EQ(stored.face, 2);

    for (int engine : {2, 7, -1})
        EXPECT_EQ(ReadChoices(key({{"TranServer", engine}})).selections.TranServer, 0) << engine;
    for (int face : {0, 4, -3})
        EXPECT_FALSE(ReadChoices(key({{"Face", face}})).face.has_value()) << face;
}

TEST_F(SettingsStoreTest, AValueOfAnotherTypeGivesTheDefaultsKeepingTheSecondSourceAsFarAsRead)
{
    // Before the second source list is read: it gets its default too.
    StoredChoices early = ReadChoices(key({{"TranServer", 1}, {"TranOption", QStringLiteral("two")},
                                           {"SourceLanguage2", 5}, {"TargetLanguage", 7}}));
    EXPECT_TRUE(early.fellBack);
    EXPECT_TRUE(early.selections == selections(0, 2, 0, 0, 0, 2));

    // After it: that list keeps what was read.
    StoredChoices late = ReadChoices(key({{"TranServer", 1}, {"SourceLanguage2", 5}, {"TopicLanguage", 3},
                                          {"TargetLanguage", QStringLiteral("7x")}, {"Face", 3}}));
    EXPECT_TRUE(late.fellBack);
    EXPECT_TRUE(late.selections == selections(0, 2, 0, 5, 0, 2));
    EXPECT_FALSE(late.face.has_value()) << "the skin stays as it was";

    StoredChoices badFace = ReadChoices(key({{"TargetLanguage", 7}, {"Face", QStringLiteral("blue")}}));
    EXPECT_TRUE(badFace.fellBack);
    EXPECT_EQ(badFace.selections.TargetLanguage, 2);

    EXPECT_TRUE(ReadChoices(key({{"TranServer", QStringLiteral("9999999999")}})).fellBack)
        << "beyond 32 bits is not an integer value";
}
