#include "session/InformationText.h"

#include "core/FileSize.h"
#include "core/ProductIdentity.h"
#include "core/ProfileReader.h"

#include <QCoreApplication>
#include <QDir>

namespace quillo {

QString InformationFilePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("version.txt"));
}

std::optional<QString> InformationText(const QString& versionFile)
{
    if (FileSizeByName(versionFile) <= 0)
        return DefaultInformationText();
    const QString notice = ProfileReader::fromFile(versionFile)
                               .value(QStringLiteral("information"), QStringLiteral("RegNewInformat"));
    if (notice.isEmpty())
        return std::nullopt;
    return notice;
}

QString DefaultInformationText()
{
    // We publish no telephone number: the web site is the way to reach us.
    return QStringLiteral("如使用中有什么问题请与我们联系") + QString(8, QLatin1Char(' ')) + QStringLiteral("网址 ")
           + ProductWebSite();
}

QStringList HelpLines()
{
    const QString contact = QStringLiteral("    程序编写: Quillo开发组   网址：") + ProductWebSite()
                            + QStringLiteral("  联系邮件: ") + ProductEmail() + QStringLiteral("    版本: V")
                            + ProgramVersion();
    return {
        QStringLiteral("【功能说明】"),
        QStringLiteral("    Quillo翻译软件最大特点是迅速和便捷，只需输入所需翻译的内容，就能马上得到翻译结果，支"),
        QStringLiteral("持中、英、法、德、俄、日、韩、荷兰、西班牙、意大利、葡萄牙等国家之间的语言互译，是翻译"),
        QStringLiteral("短小文章的最佳选择。"),
        QStringLiteral("【使用步骤】"),
        QStringLiteral("    请在原文文本框内输入需要翻译的内容，然后选择原文语言和译文语言，点击“开始翻译”便"),
        QStringLiteral("能马上得到翻译结果。“原文语言”指原文的语种类型；“译文语言”指翻译成结果的语言类型。"),
        QStringLiteral("【联系方式】"),
        contact,
    };
}

} // namespace quillo
