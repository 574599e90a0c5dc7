#include "core/Languages.h"
#include "translate/LanguageDetect.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cstdio>

namespace quillo {
namespace {

int IndexOfCode(const QString& code)
{
    for (int index = 0; index < kLanguageCount; ++index) {
        if (QString::fromLatin1(BabelFishCode(index)) == code)
            return index;
    }
    return -1;
}

QStringList Sentences(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

// The sentences under detection/ are named after the language's code in the language list; every
// language must be there with at least 50, each one told right nearly every time.
TEST(LanguageDetect, TellsTheLanguageOfEachTestSentence)
{
    const QDir folder(QStringLiteral(QUILLO_SOURCE_DIR "/tests/translate/detection"));
    int right = 0;
    int total = 0;
    for (int index = 0; index < kLanguageCount; ++index) {
        const QString code = QString::fromLatin1(BabelFishCode(index));
        const QStringList sentences = Sentences(folder.filePath(code + QStringLiteral(".txt")));
        ASSERT_GE(sentences.size(), 50) << code.toStdString();
        int rightHere = 0;
        for (const QString& sentence : sentences) {
            const int found = DetectLanguage(sentence);
            rightHere += found == index ? 1 : 0;
            if (found != index)
                std::printf("%s taken for %d: %s\n", code.toUtf8().constData(), found, sentence.toUtf8().constData());
        }
        const double accuracy = 100.0 * rightHere / sentences.size();
        std::printf("%s %d/%lld %.1f%%\n", code.toUtf8().constData(), rightHere,
                    static_cast<long long>(sentences.size()), accuracy);
        EXPECT_GE(accuracy, 90.0) << code.toStdString();
        right += rightHere;
        total += static_cast<int>(sentences.size());
    }
    std::printf("all %d/%d %.1f%%\n", right, total, 100.0 * right / total);
    EXPECT_GE(100.0 * right / total, 97.0);
}

TEST(LanguageDetect, HandlesMixedAndEmptyText)
{
    const struct
    {
        const char* text;
        const char* code;  // empty: cannot tell
    } cases[] = {
        {"", ""},
        {"12345 + 678 = ?!", ""},
        {"我用 Linux 和 Qt 写程序。", "zh"},
        {"我用 Linux 和 Qt 寫程式。", "zt"},
        {"東京タワー", "ja"},
        {"田中さんは東京大学の教授です。", "ja"},
        {"Привет", "ru"},
        {"Καλημέρα", "el"},
        {"안녕하세요", "ko"},
        {"Dziękuję bardzo za pomoc w przeprowadzce w zeszłym tygodniu.", ""},
    };
    for (const auto& c : cases) {
        const QString code = QString::fromLatin1(c.code);
        EXPECT_EQ(DetectLanguage(QString::fromUtf8(c.text)), code.isEmpty() ? -1 : IndexOfCode(code)) << c.text;
    }
}

} // namespace
} // namespace quillo
