// The recogniser's parts around Tesseract: languages and their packages, the picture
// preparation, the joining of the text, the worker thread and the command line.
#include "TextPictures.h"
#include "ocr/OcrLanguages.h"
#include "ocr/OcrWorker.h"
#include "ocr/PicturePreparation.h"
#include "ocr/TextJoining.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(OcrLanguagesTest, ParsesTheProgramsCodesAndNamesTheMissingPackage)
{
    const auto parsed = ParseOcrLanguages(QStringLiteral(" zt, ja ,zt,el"));
    ASSERT_TRUE(std::holds_alternative<std::vector<Language>>(parsed));
    EXPECT_EQ(std::get<std::vector<Language>>(parsed), (std::vector<Language>{Traditional, Japanese, Greek}));
    for (const char* wrong : {"zh,xx", "", "zh,", "chi_sim"}) {
        const auto error = ParseOcrLanguages(QString::fromLatin1(wrong));
        ASSERT_TRUE(std::holds_alternative<OcrError>(error)) << wrong;
        EXPECT_EQ(std::get<OcrError>(error).kind, OcrError::UnknownLanguage);
    }

    QTemporaryDir data;
    QFile eng(data.filePath(QStringLiteral("eng.traineddata")));
    ASSERT_TRUE(eng.open(QIODevice::WriteOnly));
    eng.close();
    EXPECT_EQ(std::get<QString>(OcrModelSet({English, Simplified}, false, OcrDataFolder())), QStringLiteral("eng+chi_sim"));
    // Columns leave out the languages without a vertical model.
    EXPECT_EQ(std::get<QString>(OcrModelSet({English, Simplified, Japanese}, true, OcrDataFolder())),
              QStringLiteral("chi_sim_vert+jpn_vert"));
    EXPECT_EQ(std::get<QString>(OcrModelSet({English}, false, data.path())), QStringLiteral("eng"));
    for (const auto& [languages, vertical, package] :
         {std::tuple{std::vector<Language>{English, Simplified}, false, "tesseract-ocr-chi-sim"},
          std::tuple{std::vector<Language>{Traditional}, true, "tesseract-ocr-chi-tra-vert"},
          std::tuple{std::vector<Language>{Greek}, false, "tesseract-ocr-ell"}}) {
        const auto missing = OcrModelSet(languages, vertical, data.path());
        ASSERT_TRUE(std::holds_alternative<OcrError>(missing)) << package;
        EXPECT_EQ(std::get<OcrError>(missing).kind, OcrError::MissingLanguage);
        EXPECT_TRUE(std::get<OcrError>(missing).message.contains(QString::fromLatin1(package)))
            << std::get<OcrError>(missing).message.toStdString();
    }
}

TEST(TextJoiningTest, JoinsTheWayEachLanguageWrites)
{
    const std::vector<Language> chinese{Simplified, English};
    const struct {
        const char* name;
        std::vector<Language> languages;
        QString recognised;
        QString joined;
    } cases[] = {
        {"blanks between characters go", chinese, QStringLiteral("今 天 的 天 气 很 好 。\n\f"), QStringLiteral("今天的天气很好。")},
        {"ASCII marks after characters become full-width", chinese, QStringLiteral("你好, 世界: 再见! Hi, there"),
         QStringLiteral("你好，世界：再见！Hi, there")},
        {"blanks beside Latin words stay", chinese, QStringLiteral("在 Linux 上 运 行"), QStringLiteral("在 Linux 上运行")},
        {"a wrapped paragraph becomes one line", chinese,
         QStringLiteral("这个程序可以把屏幕上的文\n字翻译成中文，而且很快\n就能完成。\n"), QStringLiteral("这个程序可以把屏幕上的文字翻译成中文，而且很快就能完成。")},
        {"paragraphs stay apart", chinese, QStringLiteral("第一段的文字写在这里很长很长的一行\n\n第二段"),
         QStringLiteral("第一段的文字写在这里很长很长的一行\n\n第二段")},
        {"verse with punctuation keeps its lines", chinese, QStringLiteral("床前明月光，\n疑是地上霜。\n举头望明月，\n低头思故乡。"),
         QStringLiteral("床前明月光，\n疑是地上霜。\n举头望明月，\n低头思故乡。")},
        {"verse of even lines keeps them", chinese, QStringLiteral("白日依山尽\n黄河入海流"), QStringLiteral("白日依山尽\n黄河入海流")},
        {"English wrapped inside Chinese keeps its blank", chinese, QStringLiteral("用 Qt 写的一个很长很长的翻译\nprogram runs"),
         QStringLiteral("用 Qt 写的一个很长很长的翻译program runs")},
        {"Japanese loses blanks, keeps lines", {Japanese}, QStringLiteral("今 日 は 良 い 天 気 で す ね 。 と て も\n良 い"),
         QStringLiteral("今日は良い天気ですね。とても\n良い")},
        {"Korean keeps its word blanks", {Korean}, QStringLiteral("오늘은 날씨가 아주 좋습니다."), QStringLiteral("오늘은 날씨가 아주 좋습니다.")},
        {"English keeps its lines", {English}, QStringLiteral("The quick brown\nfox jumps.\n\nNext\n\f"),
         QStringLiteral("The quick brown\nfox jumps.\n\nNext")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoinRecognisedText(c.recognised, c.languages), c.joined) << c.name;
}

TEST(PicturePreparationTest, TurnsLightTextDarkEnlargesSmallTextAndBinarisesUnevenGrounds)
{
    const QStringList lines{QStringLiteral("Small text")};
    const PreparedPicture small = PreparePicture(test::DrawText(lines, QStringLiteral("DejaVu Sans"), 12, test::Ground::Dark), false);
    EXPECT_TRUE(small.inverted);
    EXPECT_GT(small.scale, 2.0);
    EXPECT_FALSE(small.binarised);
    EXPECT_EQ(small.grey.format(), QImage::Format_Grayscale8);
    EXPECT_GT(small.grey.pixelColor(1, 1).lightness(), 200) << "the ground must come out light";

    const PreparedPicture large = PreparePicture(test::DrawText(lines, QStringLiteral("DejaVu Sans"), 64, test::Ground::Light), false);
    EXPECT_FALSE(large.inverted);
    EXPECT_EQ(large.scale, 1.0);

    // Dark text over a ground that fades from white to mid-grey.
    QImage faded = test::DrawText(lines, QStringLiteral("DejaVu Sans"), 24, test::Ground::Light);
    for (int y = 0; y < faded.height(); ++y)
        for (int x = 0; x < faded.width(); ++x) {
            const QColor c = faded.pixelColor(x, y);
            const int shade = 140 * x / faded.width();
            faded.setPixelColor(x, y, QColor(std::max(0, c.red() - shade), std::max(0, c.green() - shade), std::max(0, c.blue() - shade)));
        }
    const PreparedPicture uneven = PreparePicture(faded, false);
    EXPECT_TRUE(uneven.binarised);
    // Only black and white are left, and the ground on the dark side is white.
    EXPECT_EQ(uneven.grey.pixelColor(uneven.grey.width() - 20, 20).lightness(), 255);
}

TEST(OcrWorkerTest, ReadsOnItsOwnThreadAndAnswersEachRequest)
{
    OcrWorker worker;
    QSignalSpy read(&worker, &OcrWorker::textRead);
    QSignalSpy failed(&worker, &OcrWorker::readingFailed);
    const QImage picture = test::DrawText({QStringLiteral("Hello world")}, QStringLiteral("DejaVu Sans"), 24, test::Ground::Light);
    const int first = worker.read(picture, {English});
    const int second = worker.read(QImage(), {English});
    const int third = worker.read(picture, {English});
    EXPECT_TRUE(read.isEmpty()) << "the answer must not arrive inside read()";
    ASSERT_TRUE(QTest::qWaitFor([&] { return read.size() + failed.size() == 3; }, 60000));
    ASSERT_EQ(read.size(), 2);
    EXPECT_EQ(read[0][0].toInt(), first);
    EXPECT_EQ(read[0][1].toString(), QStringLiteral("Hello world"));
    EXPECT_EQ(read[1][0].toInt(), third);
    EXPECT_EQ(failed[0][0].toInt(), second);
    EXPECT_EQ(failed[0][1].value<OcrError>().kind, OcrError::UnreadableImage);
}

} // namespace
} // namespace quillo
