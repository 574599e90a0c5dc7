#pragma once
// The HTTP request component every window uses. A window sets the properties, checks Busy(), and
// calls Read(); the exchange runs on a worker thread of its own (WorkerHolder.h) and the outcome
// comes back through the On... events below, run on the GUI thread while the worker waits, except
// OnRedirected and OnStatus, which run on the worker.
//
// Events are plain std::function members: an empty one is "unassigned". Sender is always the
// component. A Stream handed to an event belongs to the component and lives only for the event:
// copy what you need out of it. Byte counts are 64-bit so that downloads past 2 GiB report
// correctly.
#include "http/ThreadPriority.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;

namespace quillo {

enum TRequestMethod { rmAutoDetect = 0, rmGET = 1, rmPOST = 2 };
enum TAccessType { atPreconfig = 0, atDirect = 1, atUseProxy = 2 };

// Bytes asked for by each read of a reply body; restricted to 255..2147483647.
using TBufferSize = quint32;
// Days since 30 December 1899 00:00, the fraction being the time of day; 0 stands for "no date".
using TDateTime = double;

class TWorkerHolder;
struct RequestContext;

class TWebRequestProxy {
public:
    TAccessType AccessType() const { return m_accessType; }
    void setAccessType(TAccessType v) { m_accessType = v; }
    qint32 ProxyPort() const { return m_proxyPort; }
    void setProxyPort(qint32 v) { m_proxyPort = v; }
    QString ProxyServer() const { return m_proxyServer; }
    void setProxyServer(const QString& v) { m_proxyServer = v; }
    QString ProxyBypass() const { return m_proxyBypass; }
    void setProxyBypass(const QString& v) { m_proxyBypass = v; }

private:
    TAccessType m_accessType = atPreconfig;
    qint32 m_proxyPort = 8080;
    QString m_proxyServer;
    QString m_proxyBypass = QStringLiteral("127.0.0.1;");
};

class TWebRequestRange {
public:
    qint32 StartRange() const { return m_start; }
    void setStartRange(qint32 v) { m_start = v; }
    qint32 EndRange() const { return m_end; }
    void setEndRange(qint32 v) { m_end = v; }

private:
    qint32 m_start = 0;
    qint32 m_end = 0;
};

// Milliseconds; 0 keeps the component's own limit.
class TWebRequestTimeouts {
public:
    quint32 ConnectTimeout() const { return m_connect; }
    void setConnectTimeout(quint32 v) { m_connect = v; }
    quint32 ReceiveTimeout() const { return m_receive; }
    void setReceiveTimeout(quint32 v) { m_receive = v; }
    quint32 SendTimeout() const { return m_send; }
    void setSendTimeout(quint32 v) { m_send = v; }

private:
    quint32 m_connect = 0;
    quint32 m_receive = 0;
    quint32 m_send = 0;
};

// User name and password, and their stored form: the scrambled "LInfo" block (LoginInfo.h).
class TLoginComponent : public QObject {
    Q_OBJECT
public:
    explicit TLoginComponent(QObject* parent = nullptr);

    QString Username() const { return m_username; }
    void setUsername(const QString& v) { m_username = v; }
    QString Password() const { return m_password; }
    void setPassword(const QString& v) { m_password = v; }

    // The "LInfo" property: empty when both are empty, or when they are too long for the block.
    QByteArray LInfo() const;
    // Returns false and changes nothing when the block is damaged.
    bool setLInfo(const QByteArray& block);

private:
    QString m_username;
    QString m_password;
};

// Event signatures, parameters in the order the handlers receive them.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using THeaderInfoEvent = std::function<void(
    QObject* Sender, const QString& RawHeadersCRLF, const QString& ContentType,
    const QString& ContentLanguage, const QString& ContentEncoding, const QString& Location,
    qint64 ContentLength, TDateTime Date, TDateTime LastModified, TDateTime Expires,
    bool& ContinueDownload)>;
using TDoneEvent =
    std::function<void(QObject* Sender, const QString& ContentType, qint64 FileSize, QIODevice* Stream)>;
using TProgressEvent = std::function<void(
    QObject* Sender, const QString& ContentType, qint64 DataSize, qint64 BytesRead,
    qint32 ElapsedTime, qint32 EstimatedTimeLeft, quint8 PercentsDone, float TransferRate,
    QIODevice* Stream)>;
using TRedirectedEvent = std::function<void(QObject* Sender, const QString& NewURL)>;
using TUploadProgressEvent = std::function<void(
    QObject* Sender, qint64 DataSize, qint64 BytesTransferred, qint32 ElapsedTime,
    qint32 EstimatedTimeLeft, quint8 PercentsDone, float TransferRate)>;
using TUploadFieldRequestEvent = std::function<void(
    QObject* Sender, quint16 FileIndex, QIODevice* UploadStream, QString& FieldName, QString& FileName)>;
using TConnLostEvent = std::function<void(
    QObject* Sender, const QString& ContentType, qint64 FileSize, qint64 BytesRead, QIODevice* Stream)>;
using THTTPErrorEvent = std::function<void(QObject* Sender, qint32 ErrorCode, QIODevice* Stream)>;
using TPasswordRequestEvent = std::function<void(QObject* Sender, const QString& Realm, bool& TryAgain)>;
using TProxyAuthenticationEvent = std::function<void(
    QObject* Sender, QString& ProxyUsername, QString& ProxyPassword, bool& TryAgain)>;
using TStatusEvent = std::function<void(QObject* Sender, qint32 StatusCode, const QString& StatusText)>;

// All state and behaviour of the component. Windows place TWebRequest.
class TCustomWebRequest : public TLoginComponent {
    Q_OBJECT
public:
    explicit TCustomWebRequest(QObject* parent = nullptr);
    ~TCustomWebRequest() override;

    // --- operations (GUI thread) ---
    // Starts the request. False when busy (nothing changes) or when a wait interval ran out.
    bool Read();
    // Stops a running request (OnAborted) and releases the reply.
    void Abort();
    // From Read until the request routine has ended; already false while completion events run.
    bool Busy() const;

    // --- properties ---
    QString AcceptTypes() const { return m_acceptTypes; }
    void setAcceptTypes(const QString& v) { m_acceptTypes = v; }
    const QStringList& AddHeaders() const { return m_addHeaders; }
    void setAddHeaders(const QStringList& lines) { m_addHeaders = lines; }
    // The agent text and the referer may name the service's address, which can still be unknown
    // while the window that owns the request is built: given as a LateText they are asked for
    // when a request is made.
    using LateText = std::function<QString()>;
    QString Agent() const { return m_agent(); }
    void setAgent(const QString& v) { m_agent = [v] { return v; }; }
    void setAgent(LateText v) { m_agent = std::move(v); }
    TWebRequestProxy& Proxy() { return m_proxy; }
    const TWebRequestProxy& Proxy() const { return m_proxy; }
    QString URL() const { return m_url; }
    void setURL(const QString& v) { m_url = v; }
    bool UseCache() const { return m_useCache; }
    void setUseCache(bool v) { m_useCache = v; }
    bool UseCookies() const { return m_useCookies; }
    void setUseCookies(bool v) { m_useCookies = v; }
    QString OutputFileName() const { return m_outputFileName; }
    void setOutputFileName(const QString& v) { m_outputFileName = v; }
    bool HideOutputFile() const { return m_hideOutputFile; }
    void setHideOutputFile(bool v) { m_hideOutputFile = v; }
    QByteArray POSTData() const { return m_postData; }
    void setPOSTData(const QByteArray& v) { m_postData = v; }
    TWebRequestRange& Range() { return m_range; }
    const TWebRequestRange& Range() const { return m_range; }
    QString Referer() const { return m_referer(); }
    void setReferer(const QString& v) { m_referer = [v] { return v; }; }
    void setReferer(LateText v) { m_referer = std::move(v); }
    TRequestMethod RequestMethod() const { return m_requestMethod; }
    void setRequestMethod(TRequestMethod v) { m_requestMethod = v; }
    TWebRequestTimeouts& Timeouts() { return m_timeouts; }
    const TWebRequestTimeouts& Timeouts() const { return m_timeouts; }
    TThreadPriority ThreadPriority() const;
    void setThreadPriority(TThreadPriority v);
    TBufferSize TransferBufferSize() const { return m_transferBufferSize; }
    void setTransferBufferSize(TBufferSize v); // clamped to 255..2147483647
    bool WaitThread() const;
    void setWaitThread(bool v);
    qint32 WaitTimeout() const;
    void setWaitTimeout(qint32 ms);
    bool WorkOffline() const { return m_workOffline; }
    void setWorkOffline(bool v) { m_workOffline = v; }

    // --- events, in declared order ---
    THeaderInfoEvent OnHeaderInfo;
    TDoneEvent OnDone;
    TNotifyEvent OnDoneInterrupted;
    TProgressEvent OnProgress;
    TRedirectedEvent OnRedirected; // on the worker: must not touch widgets
    TUploadProgressEvent OnUploadProgress; // declared only: nothing sends an upload
    TUploadFieldRequestEvent OnUploadFieldRequest; // declared only
    TNotifyEvent OnAnyError;
    TNotifyEvent OnAborted;
    TConnLostEvent OnConnLost;
    THTTPErrorEvent OnHTTPError;
    TNotifyEvent OnHostUnreachable;
    TPasswordRequestEvent OnPasswordRequest;
    TProxyAuthenticationEvent OnProxyAuthenticationRequest;
    TNotifyEvent OnWaitTimeoutExpired;
    // Unpublished: every status report of the transfer, on the worker, with its classic text.
    TStatusEvent OnStatus;

    // Outcome of the last finished request (readable until the next Read): HTTP status, -1 when
    // none was received.
    qint32 LastStatusCode() const { return m_lastStatusCode; }

private:
    friend class WebRequestEvents;

    std::shared_ptr<RequestContext> makeContext() const;
    void completionStep(const std::shared_ptr<RequestContext>& ctx);
    void waitExpired();
    void releaseCurrent(bool abandoned);
    void raise(const TNotifyEvent& event);

    QString m_acceptTypes;
    QStringList m_addHeaders;
    LateText m_agent;
    TWebRequestProxy m_proxy;
    QString m_url;
    bool m_useCache = true;
    bool m_useCookies = true;
    QString m_outputFileName;
    bool m_hideOutputFile = false;
    QByteArray m_postData;
    TWebRequestRange m_range;
    LateText m_referer = [] { return QString(); };
    TRequestMethod m_requestMethod = rmAutoDetect;
    TWebRequestTimeouts m_timeouts;
    TBufferSize m_transferBufferSize = 4096;
    bool m_workOffline = false;

    // Kept between requests: what the last OnProxyAuthenticationRequest handler gave.
    QString m_proxyUsername;
    QString m_proxyPassword;
    qint32 m_lastStatusCode = -1;

    std::unique_ptr<TWorkerHolder> m_holder;
    std::shared_ptr<RequestContext> m_current;
    std::shared_ptr<bool> m_alive; // lets a running handler notice that the component went away
    bool m_destroying = false;
};

// The class the windows hold.
class TWebRequest : public TCustomWebRequest {
    Q_OBJECT
public:
    explicit TWebRequest(QObject* parent = nullptr) : TCustomWebRequest(parent) {}
};

} // namespace quillo
