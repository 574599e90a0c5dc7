#include "speech/Speaker.h"
#include "speech/SpeechTrouble.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quillo {
namespace {

class SpeakerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QCoreApplication::addLibraryPath(QStringLiteral(QUILLO_TEST_PLUGINS));
        qputenv("QUILLO_TEST_TTS_LOCALES", "en_US,zh_CN,de_DE,pt_PT");
        qApp->setProperty("standInSpeech", QStringList());
    }
    static QStringList heard() { return qApp->property("standInSpeech").toStringList(); }
};

bool TextToSpeechLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6TextToSpeech");
}

TEST_F(SpeakerTest, ReadsInTheLanguagesLocaleOrAnotherCountrysForTheSameLanguage)
{
    Speaker speaker(nullptr, QStringLiteral("quillo-stand-in"));
    EXPECT_TRUE(heard().isEmpty());  // nothing loaded before the first use
    EXPECT_FALSE(TextToSpeechLoaded());
    QSignalSpy failures(&speaker, &Speaker::failed);
    EXPECT_TRUE(speaker.speak(QStringLiteral("Good morning"), 2));
    EXPECT_TRUE(speaker.speak(QStringLiteral("早安"), 1));  // Traditional, read by the mainland voice
    EXPECT_TRUE(speaker.speak(QStringLiteral("Bom dia"), 10));  // Brazilian, read by the Portuguese one
    EXPECT_TRUE(speaker.speak(QStringLiteral("Guten Morgen"), 5));
    speaker.stop();
    EXPECT_TRUE(TextToSpeechLoaded());
    EXPECT_EQ(heard().first(), QStringLiteral("engine"));
    EXPECT_EQ(heard().filter(QStringLiteral("say")),
              (QStringList{"say en_US Good morning", "say zh_CN 早安", "say pt_PT Bom dia", "say de_DE Guten Morgen"}));
    EXPECT_EQ(heard().last(), QStringLiteral("stop"));
    EXPECT_EQ(failures.count(), 0);
}

TEST_F(SpeakerTest, FindsAVoiceByNameWhereQtCannotNameItsLanguage)
{
    qputenv("QUILLO_TEST_TTS_LOCALES", "en_US,C");
    Speaker speaker(nullptr, QStringLiteral("quillo-stand-in"));
    EXPECT_TRUE(speaker.speak(QStringLiteral("你好"), 0));
    EXPECT_EQ(heard().filter(QRegularExpression(QStringLiteral("^(say|voice)"))),
              (QStringList{"voice Chinese (Mandarin, latin as English)", "say C 你好"}));
}

TEST_F(SpeakerTest, SaysWhyWhenThereIsNoVoiceOrNoEngine)
{
    const struct
    {
        const char* engine;
        int language;
        const char* message;
    } cases[] = {
        {"quillo-stand-in", 9, "没有可以朗读韩国语的语音。"},
        {"quillo-stand-in", -1, "不知道这段文字的语言，无法朗读。"},
        {"no-such-engine", 2, "没有朗读引擎，请安装 qt6-speech-speechd-plugin。"},
    };
    for (const auto& c : cases) {
        Speaker speaker(nullptr, QString::fromLatin1(c.engine));
        QSignalSpy failures(&speaker, &Speaker::failed);
        EXPECT_FALSE(speaker.speak(QStringLiteral("안녕하세요"), c.language)) << c.engine;
        ASSERT_EQ(failures.count(), 1) << c.engine;
        EXPECT_EQ(failures[0][0].toString(), QString::fromUtf8(c.message));
    }
    EXPECT_TRUE(heard().filter(QStringLiteral("say")).isEmpty());
}

TEST_F(SpeakerTest, GivesUpOnASpeechServiceThatDoesNotAnswer)
{
    qputenv("QUILLO_TEST_TTS_STALL_MS", "3000");
    Speaker speaker(nullptr, QStringLiteral("quillo-stand-in"));
    speaker.setReplyTimeout(100);
    QSignalSpy failures(&speaker, &Speaker::failed);
    EXPECT_FALSE(speaker.speak(QStringLiteral("Hello"), 2));
    EXPECT_FALSE(speaker.speak(QStringLiteral("Hello again"), 2));  // not queued behind the stuck call
    qunsetenv("QUILLO_TEST_TTS_STALL_MS");
    ASSERT_EQ(failures.count(), 2);
    EXPECT_EQ(failures[1][0].toString(), NoReplyMessage(ProbeSpeechSurroundings()));
}

// A missing package and a missing sound device are told apart, whichever way speech fails.
TEST(SpeechTrouble, NamesTheCause)
{
    QTemporaryDir devices;
    QTemporaryDir runtime;
    EXPECT_FALSE(ProbeSpeechSurroundings(devices.path(), runtime.path()).soundOutput);
    QFile capture(devices.filePath(QStringLiteral("pcmC0D0c")));
    ASSERT_TRUE(capture.open(QIODevice::WriteOnly));
    EXPECT_FALSE(ProbeSpeechSurroundings(devices.path(), runtime.path()).soundOutput);  // a microphone plays nothing
    ASSERT_TRUE(QDir(runtime.path()).mkpath(QStringLiteral("pulse")));
    QFile socket(runtime.filePath(QStringLiteral("pulse/native")));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    EXPECT_TRUE(ProbeSpeechSurroundings(devices.path(), runtime.path()).soundOutput);

    const struct
    {
        bool dispatcher, sound;
        const char* failed;   // the engine could not start
        const char* noReply;  // the speech service hung
    } cases[] = {
        {false, true, "无法启动朗读引擎，请安装 speech-dispatcher 和 espeak-ng。", "朗读服务没有响应，请检查 speech-dispatcher 是否正常运行。"},
        {true, false, "这台计算机没有可以播放声音的设备，无法朗读。", "这台计算机没有可以播放声音的设备，无法朗读。"},
        {true, true, "无法启动朗读引擎，请检查 speech-dispatcher 是否正常运行。", "朗读服务没有响应，请检查 speech-dispatcher 是否正常运行。"},
    };
    for (const auto& c : cases) {
        const SpeechSurroundings surroundings{c.dispatcher, c.sound};
        EXPECT_EQ(EngineFailureMessage(surroundings), QString::fromUtf8(c.failed));
        EXPECT_EQ(NoReplyMessage(surroundings), QString::fromUtf8(c.noReply));
    }
}

} // namespace
} // namespace quillo
