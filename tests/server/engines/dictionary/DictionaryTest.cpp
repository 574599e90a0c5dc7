// The offline dictionary: its index built from a few CC-CEDICT lines kept under tests, the
// entries it answers with, what it takes, and one run over the real file setup installs.

#include "server/engines/dictionary/CedictIndex.h"
#include "server/engines/dictionary/CedictNotation.h"
#include "server/engines/dictionary/DictionaryBackend.h"
#include "server/engines/echo/EchoBackend.h"
#include "server/engines/dictionary/DictionaryEngine.h"
#include "server/engines/dictionary/Pinyin.h"
#include "server/engines/TranslationService.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quillo::server;

namespace {

const std::string kSample = QUILLO_TEST_DATA "/cedict_sample.u8";

std::vector<std::string> simplified(const std::vector<DictionaryEntry>& entries)
{
    std::vector<std::string> words;
    for (const DictionaryEntry& entry : entries)
        words.push_back(entry.simplified);
    return words;
}

class DictionaryTest : public ::testing::Test {
protected:
    std::unique_ptr<CedictIndex> openSample()
    {
        std::string error;
        auto index = CedictIndex::open(kSample, indexFile(), error);
        EXPECT_TRUE(index) << error;
        return index;
    }
    std::string indexFile() const { return dir.filePath(QStringLiteral("cedict.sqlite3")).toStdString(); }
    QTemporaryDir dir;
};

TranslationRequest request(const std::string& text, const char* source, const char* target)
{
    return {text, LanguageByCode(source), LanguageByCode(target), target, {}};
}

} // namespace

TEST_F(DictionaryTest, LooksUpBothScriptsAndEnglishThroughTheSenses)
{
    std::string error;
    EXPECT_EQ(CedictIndex::build(kSample, indexFile(), error), 10) << error; // the stray line is skipped
    const auto index = openSample();
    ASSERT_TRUE(index);

    for (const char* headword : {"苹果", "蘋果"}) {
        const auto entries = index->lookupChinese(headword);
        ASSERT_EQ(entries.size(), 1u) << headword;
        EXPECT_EQ(entries[0].traditional, "蘋果");
        EXPECT_EQ(entries[0].pinyin, "ping2 guo3");
        EXPECT_EQ(entries[0].senses, (std::vector<std::string>{"apple", "CL:個|个[ge4],顆|颗[ke1]"}));
    }
    EXPECT_EQ(index->lookupChinese("女").size(), 2u);
    EXPECT_TRUE(index->lookupChinese("香蕉").empty());

    const std::vector<std::pair<const char*, std::vector<std::string>>> english{
        {"apple", {"苹", "苹果"}},   // the shorter headword first
        {"Eat", {"吃", "吃饭"}},     // as the first sense before as a later one; "to" dropped
        {"to eat", {"吃", "吃饭"}},
        {"China Compulsory Certificate", {"3C"}}, // the bracketed note is not part of the key
        {"variant of 吃", {}},                    // cross-references name no meaning
        {"banana", {}},
    };
    for (const auto& [word, expected] : english)
        EXPECT_EQ(simplified(index->lookupEnglish(word)), expected) << word;
}

TEST_F(DictionaryTest, IndexIsRebuiltWhenTheSourceChanges)
{
    const std::string source = dir.filePath(QStringLiteral("source.u8")).toStdString();
    std::filesystem::copy_file(kSample, source);
    std::string error;
    EXPECT_TRUE(CedictIndex::open(source, indexFile(), error)) << error;
    {
        std::ofstream more(source, std::ios::app);
        more << "\n香蕉 香蕉 [xiang1 jiao1] /banana/CL:根[gen1],個|个[ge4],把[ba3]/\n";
    }
    const auto index = CedictIndex::open(source, indexFile(), error);
    ASSERT_TRUE(index) << error;
    EXPECT_EQ(index->lookupChinese("香蕉").size(), 1u);

    EXPECT_FALSE(CedictIndex::open(dir.filePath(QStringLiteral("missing")).toStdString(), indexFile(), error));
}

TEST_F(DictionaryTest, AnswersWordsAsDictionaryEntries)
{
    DictionaryBackend backend(openSample());
    EXPECT_TRUE(backend.covers("zh", "en") && backend.covers("zt", "en") && backend.covers("en", "zt"));
    EXPECT_FALSE(backend.covers("zh", "ja") || backend.covers("en", "fr") || backend.covers("zh", "zt"));

    const BackendResult apple = backend.translate(request(" 苹果\n", "zh", "en"));
    ASSERT_TRUE(apple.ok);
    EXPECT_EQ(apple.text, "【CC-CEDICT 词典】\n苹果（蘋果） [píng guǒ]\n  1. apple\n  2. 量词：个 [gè]，颗 [kē]");
    const BackendResult green = backend.translate(request("green", "en", "zt"));
    EXPECT_EQ(green.text, "【CC-CEDICT 词典】green\n  1. 綠色（绿色） [lǜ sè] green");
    const BackendResult missing = backend.translate(request("香蕉", "zh", "en"));
    EXPECT_EQ(missing.text.rfind("【CC-CEDICT 词典】没有“香蕉”这一词条。\n", 0), 0u) << missing.text;
}

TEST(DictionaryBackendTest, TakesWordsAndShortPhrasesOnly)
{
    const std::vector<std::tuple<const char*, bool, bool>> cases{
        {"苹果", true, true},
        {"  中华人民共和国 ", true, true},
        {"一二三四五六七八九", true, false}, // nine characters
        {"今天天气很好。", true, false},
        {"苹果，香蕉", true, false},
        {"第一行\n第二行", true, false},
        {"", true, false},
        {"apple", false, true},
        {"to go Dutch", false, true},
        {"one two three four five", false, false},
        {"It's fine.", false, false},
        {"C++", false, false},
    };
    for (const auto& [text, chinese, taken] : cases)
        EXPECT_EQ(DictionaryBackend::isShortEnough(text, chinese), taken) << text;
}

TEST(CedictNotationTest, ReferencesReadInTheReadersScriptWithMarkedPinyin)
{
    const struct
    {
        const char* sense;
        bool traditional;
        const char* readable;
    } cases[] = {
        {"CL:個|个[ge4],顆|颗[ke1]", false, "量词：个 [gè]，颗 [kē]"},
        {"CL:個|个[ge4],顆|颗[ke1]", true, "量词：個 [gè]，顆 [kē]"},
        {"CL:本[ben3]", false, "量词：本 [běn]"},
        {"variant of 蘋果|苹果[ping2 guo3]", false, "variant of 苹果 [píng guǒ]"},
        {"see also 綠色|绿色[lu:4 se4] (green)", true, "see also 綠色 [lǜ sè] (green)"},
        {"to eat [sth] slowly", false, "to eat [sth] slowly"},
        {"apple", false, "apple"},
        {"unclosed 個|个[ge4", false, "unclosed 個|个[ge4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadableSense(c.sense, c.traditional), c.readable) << c.sense;
}

TEST(PinyinTest, ToneNumbersBecomeMarks)
{
    const std::vector<std::pair<const char*, const char*>> cases{
        {"ping2 guo3", "píng guǒ"}, {"lu:4 se4", "lǜ sè"},     {"nu:3", "nǚ"},       {"san1 C", "sān C"},
        {"xiu1 xi5", "xiū xi"},     {"gou3", "gǒu"},           {"liu2", "liú"},      {"hui4", "huì"},
        {"er2", "ér"},              {"Bei3 jing1", "Běi jīng"}, {"A A zhi4", "A A zhì"}};
    for (const auto& [numbered, marked] : cases)
        EXPECT_EQ(PinyinWithToneMarks(numbered), marked) << numbered;
}

// The file scripts/setup.sh installs: the whole of CC-CEDICT.
TEST(DictionaryRealDataTest, TheInstalledFileIndexesAndAnswers)
{
    const std::string source = DefaultDictionaryFile();
    ASSERT_TRUE(std::filesystem::exists(source)) << source << " is missing: scripts/setup.sh installs it";
    QTemporaryDir dir;
    const std::string indexFile = dir.filePath(QStringLiteral("cedict.sqlite3")).toStdString();
    std::string error;
    EXPECT_GT(CedictIndex::build(source, indexFile, error), 100000) << error;
    const auto index = CedictIndex::open(source, indexFile, error);
    ASSERT_TRUE(index) << error;
    DictionaryBackend backend(CedictIndex::open(source, indexFile, error));
    const BackendResult apple = backend.translate(request("苹果", "zh", "en"));
    EXPECT_NE(apple.text.find("[píng guǒ]\n  1. apple"), std::string::npos) << apple.text;
    const auto computer = simplified(index->lookupEnglish("computer"));
    EXPECT_NE(std::find(computer.begin(), computer.end(), "电脑"), computer.end());
}

TEST_F(DictionaryTest, StandsInOnlyWhereNoEngineTranslatesThePair)
{
    auto chain = [this](bool withEcho) {
        std::vector<std::unique_ptr<TranslationBackend>> backends;
        backends.push_back(std::make_unique<DictionaryBackend>(openSample()));
        if (withEcho)
            backends.push_back(std::make_unique<EchoBackend>());
        return TranslationService(std::move(backends));
    };
    const TranslationService alone = chain(false);
    // Pages and whole texts have no engine here.
    EXPECT_EQ(alone.coverage(*LanguageByCode("zh"), *LanguageByCode("en")), TranslationService::Coverage::NoEngine);
    EXPECT_EQ(alone.translate(request("苹果", "zh", "en")).outcome, Translation::Outcome::Translated);
    const Translation sentence = alone.translate(request("今天天气很好。", "zh", "en"));
    EXPECT_EQ(sentence.outcome, Translation::Outcome::NoEngine);
    EXPECT_EQ(sentence.text, TranslationService::noEngineSentence(*LanguageByCode("zh"), *LanguageByCode("en")));

    EXPECT_EQ(alone.engineFor(*LanguageByCode("zh"), *LanguageByCode("en"))->name(), "dictionary");

    const TranslationService withEcho = chain(true); // the dictionary first in order, yet echo serves
    EXPECT_EQ(withEcho.translate(request("苹果", "zh", "en")).text, "[en] 苹果");
    EXPECT_EQ(withEcho.engineFor(*LanguageByCode("zh"), *LanguageByCode("en"))->name(), "echo");
}
