#include "apiclient/EnginesIni.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillo;

TEST(EnginesIni, SetValuesReplaceTheirLinesAndKeepEverythingElse)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/engines.ini"));
    EnginesIni fresh = EnginesIni::read(path);
    fresh.set(QStringLiteral("deepl"), QStringLiteral("key"), QStringLiteral("k:fx"));
    ASSERT_TRUE(fresh.write(path));
    EXPECT_EQ(EnginesIni::read(path).lines(), (QStringList{QStringLiteral("[deepl]"), QStringLiteral("key = k:fx")}));

    // A user's comment, a key the page does not know and a section spelled in capitals survive.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("; mine\n[engines]\norder = llm\n\n[LLM.Qwen]\nURL = http://old\ntimeout = 40\n");
    }
    EnginesIni edited = EnginesIni::read(path);
    EXPECT_EQ(edited.value(QStringLiteral("llm.qwen"), QStringLiteral("url")), QStringLiteral("http://old"));
    edited.set(QStringLiteral("llm.qwen"), QStringLiteral("url"), QStringLiteral("http://127.0.0.1:2/v1"));
    edited.set(QStringLiteral("llm.qwen"), QStringLiteral("prompt"), QStringLiteral("Say {text}\nin {target}"));
    edited.set(QStringLiteral("general"), QStringLiteral("offline"), QStringLiteral("true"));
    edited.set(QStringLiteral("engines"), QStringLiteral("order"), QString());
    edited.set(QStringLiteral("mymemory"), QStringLiteral("email"), QString());
    ASSERT_TRUE(edited.write(path));

    const QStringList expected{QStringLiteral("; mine"), QStringLiteral("offline = true"), QStringLiteral("[engines]"),
                               QString(), QStringLiteral("[LLM.Qwen]"), QStringLiteral("url = http://127.0.0.1:2/v1"),
                               QStringLiteral("timeout = 40"), QStringLiteral("prompt = Say {text} in {target}")};
    EXPECT_EQ(EnginesIni::read(path).lines(), expected);
    EXPECT_EQ(EnginesIni::read(path).sections(QStringLiteral("llm")), QStringList{QStringLiteral("llm.qwen")});
}
