#include "app/TranslationRequests.h"

#include "app/ServiceRequests.h"
#include "http/TWebRequest.h"

#include <QIODevice>

namespace quillo {

const QString kNoSourceText = QStringLiteral("   请 输 入 要 翻 译 的 原 文 文 本 ！");
const QString kSameLanguages = QStringLiteral("   原 文 语 言 不 能 与 译 文 语 言 相 同 ！");
const QString kConnectionFailed = QStringLiteral("   连 接 服 务 器 超 时 ，请 稍 后 重 试 。");
const QString kHostUnreachable =
    QStringLiteral(" 如 果 安 装 了 防 火 墙 请 先 关 闭 或 设 置 允 许 访 问 网 络，然 后 重 试 。");
const QString kHostUnreachableHelp = QStringLiteral("访问服务器错误！请先连接到互联网，然后再翻译！") + QStringLiteral("\n\n")
                                     + QStringLiteral("如果安装了防火墙请先关闭或设置允许访问网络，然后重试 。")
                                     + QStringLiteral("\n\n");
const QString kUnrecognisedReply = QStringLiteral("   服 务 器 返 回 的 内 容 无 法 识 别 ，请 稍 后 重 试 。");

namespace {

constexpr quint32 kTranslationTimeoutMs = 50000;
constexpr quint32 kSpareTimeoutMs = 15000;

void setTimeouts(TWebRequest& request, quint32 ms)
{
    request.Timeouts().setConnectTimeout(ms);
    request.Timeouts().setReceiveTimeout(ms);
    request.Timeouts().setSendTimeout(ms);
    request.setWaitTimeout(static_cast<qint32>(ms));
}

} // namespace

TWebRequest* SpareRequest(QObject* owner)
{
    auto* request = new TWebRequest(owner);
    request->setObjectName(QStringLiteral("WebRequest0"));
    request->setUseCache(false);
    request->setUseCookies(false);
    setTimeouts(*request, kSpareTimeoutMs);
    request->setThreadPriority(tpHigher);
    request->setWaitThread(true);
    return request;
}

TWebRequest* TranslationRequest(const char* name, QObject* owner)
{
    auto* request = new TWebRequest(owner);
    request->setObjectName(QString::fromLatin1(name));
    request->setAcceptTypes(QStringLiteral("image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
                                           "application/vnd.ms-excel, application/msword, */*"));
    request->setAddHeaders({QStringLiteral("Connection: Keep-Alive")});
    request->setAgent(QStringLiteral("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)"));
    request->setUseCache(false);
    request->setReferer(BabelFishReferer());
    request->setRequestMethod(rmPOST);
    setTimeouts(*request, kTranslationTimeoutMs);
    request->setThreadPriority(tpHigher);
    request->setWaitThread(true);
    return request;
}

QByteArray ReadReply(QIODevice* stream)
{
    return stream ? stream->readAll() : QByteArray();
}

} // namespace quillo
