#include "http/TWebRequest.h"

#include "core/ProductIdentity.h"
#include "http/LoginInfo.h"
#include "http/ProgressStats.h"
#include "http/RequestRoutine.h"
#include "http/WorkerHolder.h"

#include <QFile>

namespace quillo {

namespace {

// Bytes a request line cannot carry as they are (blanks, controls, anything beyond ASCII) are
// escaped, as a browser does; everything else, escapes included, is sent as written.
QByteArray requestAddress(const QString& url)
{
    QByteArray out;
    const QByteArray bytes = url.toUtf8();
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F)
            out += '%' + QByteArray::number(b, 16).toUpper().rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

// Handlers whose exception must not stop the request: it is dropped and the request goes on.
template <typename F>
void dropExceptions(F&& f)
{
    try {
        f();
    } catch (...) {
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TLoginComponent

TLoginComponent::TLoginComponent(QObject* parent) : QObject(parent) {}

QByteArray TLoginComponent::LInfo() const
{
    return WriteLoginInfo(m_username.toUtf8(), m_password.toUtf8());
}

bool TLoginComponent::setLInfo(const QByteArray& block)
{
    QByteArray user;
    QByteArray password;
    if (!ReadLoginInfo(block, user, password))
        return false;
    m_username = QString::fromUtf8(user);
    m_password = QString::fromUtf8(password);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The routine's way to the component: each call runs on the GUI thread while the worker waits,
// and not at all once the request has been abandoned.

class WebRequestEvents final : public RequestEvents {
public:
    WebRequestEvents(TCustomWebRequest* owner, WorkerState& worker) : m_owner(owner), m_worker(worker) {}

    bool HeaderInfo(RequestContext& ctx) override
    {
        return m_worker.Synchronize([&] {
            if (!m_owner->OnHeaderInfo)
                return;
            const RequestOutcome& o = ctx.outcome;
            bool continueDownload = true;
            dropExceptions([&] {
                m_owner->OnHeaderInfo(m_owner, QString::fromLatin1(o.rawHeaders), QString::fromLatin1(o.contentType),
                                      QString::fromLatin1(o.contentLanguage), QString::fromLatin1(o.contentEncoding),
                                      QString::fromLatin1(o.location), o.contentLength, o.date, o.lastModified,
                                      o.expires, continueDownload);
            });
            ctx.outcome.continueDownload = continueDownload;
        });
    }

    bool Progress(RequestContext& ctx, const std::function<bool()>& storeNextBlock) override
    {
        return m_worker.Synchronize([&] {
            // A handler that aborts the request also stops the blocks after its own.
            while (!m_worker.Cancelled() && storeNextBlock()) {
                if (!m_owner->OnProgress)
                    continue;
                const RequestOutcome& o = ctx.outcome;
                const ProgressFigures f = ComputeProgress(o.contentLength, o.bytesTransferred, ctx.started.elapsed());
                dropExceptions([&] {
                    m_owner->OnProgress(m_owner, QString::fromLatin1(o.contentType), o.contentLength,
                                        o.bytesTransferred, f.elapsedTime, f.estimatedTimeLeft, f.percentsDone,
                                        f.transferRate, ctx.stream);
                });
            }
        });
    }

    bool PasswordRequest(RequestContext& ctx, const QByteArray& realm, bool& tryAgain) override
    {
        return m_worker.Synchronize([&] {
            if (m_owner->OnPasswordRequest) {
                // The realm stands in the content type while the handler runs.
                ctx.outcome.contentType = realm;
                dropExceptions([&] { m_owner->OnPasswordRequest(m_owner, QString::fromLatin1(realm), tryAgain); });
            }
            ctx.settings.username = m_owner->Username().toUtf8();
            ctx.settings.password = m_owner->Password().toUtf8();
        });
    }

    bool ProxyAuthentication(RequestContext& ctx, bool& tryAgain) override
    {
        return m_worker.Synchronize([&] {
            if (m_owner->OnProxyAuthenticationRequest) {
                dropExceptions([&] {
                    m_owner->OnProxyAuthenticationRequest(m_owner, m_owner->m_proxyUsername,
                                                          m_owner->m_proxyPassword, tryAgain);
                });
            }
            ctx.settings.proxyUsername = m_owner->m_proxyUsername.toUtf8();
            ctx.settings.proxyPassword = m_owner->m_proxyPassword.toUtf8();
        });
    }

    void RunOnWorker(const std::function<void()>& handler) override { m_worker.RunWorkerEvent(handler); }
    bool Cancelled() const override { return m_worker.Cancelled(); }
    void SetCancelHook(std::function<void()> hook) override { m_worker.SetCancelHook(std::move(hook)); }

private:
    TCustomWebRequest* m_owner; // dereferenced on the GUI thread only
    WorkerState& m_worker;
};

// ---------------------------------------------------------------------------------------------
// TCustomWebRequest

TCustomWebRequest::TCustomWebRequest(QObject* parent)
    : TLoginComponent(parent),
      m_acceptTypes(QStringLiteral("text/html, */*")),
      m_agent([] { return QStringLiteral("Quillo TWebRequest (%1)").arg(ProductWebSite()); }),
      m_holder(std::make_unique<TWorkerHolder>()),
      m_alive(std::make_shared<bool>(true))
{
    m_holder->SetWork([this](WorkerState& worker) {
        auto ctx = std::static_pointer_cast<RequestContext>(worker.Job());
        WebRequestEvents events(this, worker);
        try {
            RunRequest(*ctx, events);
        } catch (...) {
            ctx->outcome.success = false; // whatever was read, the request did not complete
            throw;
        }
    });
    m_holder->SetExceptionHandler([this] { raise(OnAnyError); });
    m_holder->SetEndHandler([this](TWorkerHolder*, WorkerState& worker) {
        completionStep(std::static_pointer_cast<RequestContext>(worker.Job()));
    });
    m_holder->SetWaitExpiry([this] { waitExpired(); });
}

TCustomWebRequest::~TCustomWebRequest()
{
    m_destroying = true;
    *m_alive = false;
    m_holder.reset(); // the running worker is abandoned: nothing more reaches this object
    if (m_current && !m_current->completing)
        m_current->Abandon();
}

std::shared_ptr<RequestContext> TCustomWebRequest::makeContext() const
{
    auto ctx = std::make_shared<RequestContext>();
    RequestSettings& s = ctx->settings;
    s.url = requestAddress(m_url);
    s.method = m_requestMethod;
    s.postData = m_postData;
    for (const QString& line : m_addHeaders)
        s.addHeaders.append(line.toUtf8());
    s.agent = Agent().toUtf8();
    s.referer = Referer().toUtf8();
    s.acceptTypes = m_acceptTypes.toUtf8();
    s.proxy = m_proxy;
    s.range = m_range;
    s.timeouts = m_timeouts;
    s.transferSize = m_transferBufferSize;
    s.outputFileName = m_outputFileName;
    s.hideOutputFile = m_hideOutputFile;
    s.useCache = m_useCache;
    s.useCookies = m_useCookies;
    s.workOffline = m_workOffline;
    s.username = Username().toUtf8();
    s.password = Password().toUtf8();
    s.proxyUsername = m_proxyUsername.toUtf8();
    s.proxyPassword = m_proxyPassword.toUtf8();
    s.hasHeaderInfo = bool(OnHeaderInfo);
    s.hasProgress = bool(OnProgress);
    s.hasPasswordRequest = bool(OnPasswordRequest);
    s.hasProxyAuthentication = bool(OnProxyAuthenticationRequest);
    s.onRedirected = OnRedirected;
    s.onStatus = OnStatus;
    s.sender = const_cast<TCustomWebRequest*>(this);
    return ctx;
}

bool TCustomWebRequest::Read()
{
    if (Busy())
        return false;
    std::shared_ptr<RequestContext> ctx = makeContext();
    if (m_current) {
        if (!m_current->completing) {
            // Its worker ended but its completion never ran: it is dropped like an abandoned one.
            m_current->Abandon();
        } else if (!ctx->settings.outputFileName.isEmpty()
                   && m_current->settings.outputFileName == ctx->settings.outputFileName) {
            m_current->keepFile = true; // the new request owns that file from now on
        }
    }
    m_current = ctx;
    // A handler inside a waiting Start may destroy this object: nothing is touched afterwards.
    return m_holder->Start(ctx);
}

void TCustomWebRequest::Abort()
{
    const bool wasBusy = Busy();
    if (wasBusy)
        m_holder->ReplaceWorker();
    releaseCurrent(wasBusy);
    if (wasBusy && !m_destroying)
        raise(OnAborted);
}

bool TCustomWebRequest::Busy() const
{
    return m_holder && m_holder->Executing();
}

void TCustomWebRequest::releaseCurrent(bool abandoned)
{
    if (!m_current)
        return;
    // A completion step in progress owns its streams (a handler may still be reading them).
    if (abandoned && !m_current->completing)
        m_current->Abandon();
    m_current.reset();
}

void TCustomWebRequest::waitExpired()
{
    releaseCurrent(true);
    raise(OnWaitTimeoutExpired);
}

void TCustomWebRequest::raise(const TNotifyEvent& event)
{
    if (event && !m_destroying)
        event(this);
}

void TCustomWebRequest::completionStep(const std::shared_ptr<RequestContext>& ctx)
{
    ctx->completing = true;
    m_lastStatusCode = ctx->outcome.statusCode;
    const std::weak_ptr<bool> alive = m_alive;
    // Events stop once the component is gone or a newer request (or Abort) took over.
    auto stillOurs = [&] { return !alive.expired() && *alive.lock() && m_current == ctx; };
    const RequestOutcome& o = ctx->outcome;
    const bool failed = o.continueDownload && !o.success;
    struct Cleanup {
        const std::shared_ptr<RequestContext>& ctx;
        bool deleteFile;
        ~Cleanup()
        {
            const QString name = ctx->file ? ctx->file->fileName() : QString();
            const bool wroteFile = ctx->stream && ctx->stream == ctx->file.get();
            ctx->ReleaseStreams();
            if (deleteFile && wroteFile && !ctx->keepFile)
                QFile::remove(name);
        }
    } cleanup{ctx, failed};

    QIODevice* stream = ctx->stream;
    if (stream)
        stream->seek(0);
    const QString contentType = QString::fromLatin1(o.contentType);
    if (!o.continueDownload) {
        raise(OnDoneInterrupted);
    } else if (o.success) {
        if (!stream) {
            raise(OnAnyError);
        } else {
            if (stream == ctx->file.get()) {
                ctx->file->close(); // complete and closed while OnDone runs
                stream = nullptr;
            }
            if (OnDone)
                OnDone(this, contentType, o.bytesTransferred, stream);
        }
    } else {
        raise(OnAnyError);
        if (!stillOurs())
            return;
        if (o.statusCode == 200) {
            if (OnConnLost)
                OnConnLost(this, contentType, o.contentLength, o.bytesTransferred, stream);
        } else if (o.statusCode == -1) {
            raise(OnHostUnreachable);
        } else if (OnHTTPError) {
            OnHTTPError(this, o.statusCode, stream);
        }
    }
    if (stillOurs())
        m_current.reset();
}

// ---------------------------------------------------------------------------------------------
// Properties kept by the worker holder

TThreadPriority TCustomWebRequest::ThreadPriority() const
{
    return m_holder->Priority();
}

void TCustomWebRequest::setThreadPriority(TThreadPriority v)
{
    m_holder->SetPriority(v);
}

bool TCustomWebRequest::WaitThread() const
{
    return m_holder->WaitThread();
}

void TCustomWebRequest::setWaitThread(bool v)
{
    m_holder->SetWaitThread(v);
}

qint32 TCustomWebRequest::WaitTimeout() const
{
    return m_holder->WaitTimeout();
}

void TCustomWebRequest::setWaitTimeout(qint32 ms)
{
    m_holder->SetWaitTimeout(ms);
}

void TCustomWebRequest::setTransferBufferSize(TBufferSize v)
{
    m_transferBufferSize = qBound<TBufferSize>(255, v, 2147483647u);
}

} // namespace quillo
