// `quillo --ocr`: the text on standard output, or the exit status that names the fault.
#include "ChildProcess.h"
#include "TextPictures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(OcrCommandTest, PrintsTheTextOrEndsWithTheStatusOfTheFault)
{
    QTemporaryDir folder;
    const QString picturePath = folder.filePath(QStringLiteral("line.png"));
    ASSERT_TRUE(test::DrawText({QStringLiteral("Hello world")}, QStringLiteral("DejaVu Sans"), 20, test::Ground::Dark)
                    .save(picturePath));
    const QString notAPicture = folder.filePath(QStringLiteral("notes.png"));
    QFile notes(notAPicture);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("plain text");
    notes.close();
    const QString program = QStringLiteral(QUILLO_BINARY_DIR "/src/app/quillo");

    // No display is needed: the platform is unset, the way a script on a server runs it.
    qunsetenv("QT_QPA_PLATFORM");
    const test::RunResult read = test::RunToEnd(program, {QStringLiteral("--ocr"), picturePath, QStringLiteral("--ocr-lang"), QStringLiteral("en")}, 60000);
    EXPECT_EQ(read.exitCode(), 0) << read.error.toStdString();
    EXPECT_EQ(read.output, "Hello world\n");

    EXPECT_EQ(test::RunToEnd(program, {QStringLiteral("--ocr"), notAPicture}, 60000).exitCode(), 2);
    EXPECT_EQ(test::RunToEnd(program, {QStringLiteral("--ocr"), folder.filePath(QStringLiteral("absent.png"))}, 60000).exitCode(), 2);
    EXPECT_EQ(test::RunToEnd(program, {QStringLiteral("--ocr"), picturePath, QStringLiteral("--ocr-lang"), QStringLiteral("en,xx")}, 60000).exitCode(), 1);

    qputenv("TESSDATA_PREFIX", folder.path().toLocal8Bit());
    const test::RunResult missing = test::RunToEnd(program, {QStringLiteral("--ocr"), picturePath, QStringLiteral("--ocr-lang"), QStringLiteral("ko")}, 60000);
    qunsetenv("TESSDATA_PREFIX");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_EQ(missing.exitCode(), 3);
    EXPECT_TRUE(missing.error.contains("tesseract-ocr-kor")) << missing.error.toStdString();
}

} // namespace
} // namespace quillo
