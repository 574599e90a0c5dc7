// The conversion when libopencc cannot be used: run with a stand-in libopencc that lacks its
// functions ahead of the real one on the library search path (see CMakeLists.txt).
#include "translate/ChineseConvert.h"
#include "translate/OpenCC.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

QStringList logged;

void keepMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    logged << message;
}

} // namespace

TEST(WithoutOpenCC, ConversionFallsBackToTheTablesAndSaysSo)
{
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    const QString text = QStringLiteral("开始翻译\r\n中国 Qt 6");
    EXPECT_EQ(SimplifiedToTraditional(text), SimplifiedToTraditionalByTable(text));
    EXPECT_EQ(SimplifiedToTraditional(text), QStringLiteral("開始翻譯\r\n中國 Qt 6"));
    EXPECT_EQ(TraditionalToSimplified(QStringLiteral("開始翻譯")), QStringLiteral("开始翻译"));
    qInstallMessageHandler(previous);

    const QString reason = OpenCCUnavailableReason(ScriptDirection::SimplifiedToTraditional);
    EXPECT_TRUE(reason.contains(QLatin1String("lacks opencc_"))) << reason.toStdString();
    ASSERT_EQ(logged.size(), 2) << "one line for each direction, once";
    EXPECT_TRUE(logged[0].contains(QLatin1String("falls back to the character tables"))) << logged[0].toStdString();
    EXPECT_TRUE(logged[0].contains(reason)) << logged[0].toStdString();
}
