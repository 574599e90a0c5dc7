#include "http/CurlExchange.h"

#include "http/CurlApi.h"
#include "http/HttpDate.h"
#include "http/StatusText.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace quillo {

namespace {

using Clock = std::chrono::steady_clock;

// A header value longer than this does not fit the classic 4096-byte query buffer and counts as
// absent.
constexpr qsizetype kMaxHeaderValue = 4095;

bool isRedirectStatus(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isWebScheme(const QByteArray& url)
{
    const QByteArray lower = url.left(8).toLower();
    return lower.startsWith("http://") || lower.startsWith("https://");
}

// "scheme://host:port" of an absolute address, to tell whether a redirection leaves the server
// the credentials were meant for.
QByteArray originOf(const CurlApi& curl, const QByteArray& url)
{
    const CurlUrlHandle h(curl.url());
    if (!h || curl.url_set(h.get(), CURLUPART_URL, url.constData(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return {};
    QByteArray origin;
    for (CURLUPart part : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT})
        origin += CurlUrlPart(curl, h.get(), part, CURLU_DEFAULT_PORT).toLower() + '|';
    return origin;
}

// A Location value resolved against the address it came from.
QByteArray resolveLocation(const CurlApi& curl, const QByteArray& base, const QByteArray& location)
{
    const CurlUrlHandle h(curl.url());
    if (!h || curl.url_set(h.get(), CURLUPART_URL, base.constData(), 0) != CURLUE_OK)
        return {};
    if (curl.url_set(h.get(), CURLUPART_URL, location.constData(),
                     CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_URLENCODE) != CURLUE_OK)
        return {};
    return CurlUrlPart(curl, h.get(), CURLUPART_URL);
}

std::optional<qint64> contentLengthValue(const QByteArray& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

QByteArray noProxyList(const TWebRequestProxy& proxy)
{
    QByteArray list = proxy.ProxyBypass().toUtf8();
    list.replace(';', ',');
    return list;
}

class HttpExchange {
public:
    HttpExchange(const CurlApi& curl, RequestContext& ctx, RequestEvents& events, const AddressParts& parts)
        : m_curl(curl), m_ctx(ctx), m_events(events), m_parts(parts), m_settings(ctx.settings), m_out(ctx.outcome)
    {
    }

    void run();

private:
    enum class Disposition { Undecided, Follow, Retry, Deliver, Stop };

    bool configure();
    void configureNetwork();
    bool configureHttp();
    void configureCredentials();
    void configureCallbacks();
    void useMethod(bool post);
    template <typename T>
    void set(CURLoption option, T value);
    bool optionsAccepted() const;
    CURLcode perform();
    bool storePendingBody();
    std::chrono::milliseconds silenceLeft() const;
    bool stalled() const;
    int pollTimeoutMs() const;
    void touch() { m_lastActivity = Clock::now(); }

    void resetAttempt();
    void onHeaderLine(const QByteArray& line);
    void headersComplete();
    bool decideRedirect(long status);
    bool authenticate(long status);
    void readReplyHeaders();
    std::optional<QByteArray> header(const char* name) const;
    QByteArray rawHeaders() const;
    void followRedirect();
    void reportStatus(int code);
    void reportRedirect(const QByteArray& newUrl);

    static size_t headerCallback(char* data, size_t size, size_t count, void* self);
    static size_t bodyCallback(char* data, size_t size, size_t count, void* self);
    static int progressCallback(void* self, curl_off_t, curl_off_t, curl_off_t ultotal, curl_off_t ulnow);
    static int prereqCallback(void* self, char*, char*, int, int);
    static int sockoptCallback(void* self, curl_socket_t, curlsocktype);
    static int resolverStartCallback(void*, void*, void* self);
    // Runs a callback body so that nothing thrown can cross libcurl; the exception is kept and
    // thrown again once libcurl has returned.
    template <typename F>
    bool guarded(F&& f);

    const CurlApi& m_curl;
    RequestContext& m_ctx;
    RequestEvents& m_events;
    const AddressParts& m_parts;
    RequestSettings& m_settings;
    RequestOutcome& m_out;

    CurlEasyHandle m_easy;
    CurlMultiHandle m_multi;
    CurlHeaderList m_headers;
    QByteArray m_url;
    QByteArray m_origin;
    bool m_post = false;
    int m_redirects = 0;
    std::exception_ptr m_error;
    CURLcode m_refusal = CURLE_OK;
    CURLoption m_refusedOption = CURLOPT_LASTENTRY;

    // Per attempt.
    Disposition m_disposition = Disposition::Undecided;
    QByteArray m_statusLine;
    QList<QByteArray> m_headerLines;
    QByteArray m_redirectTarget;
    bool m_connected = false;
    bool m_responseStarted = false;
    QByteArray m_pendingBody;
    bool m_bodyStopped = false;
    curl_off_t m_ulTotal = 0;
    curl_off_t m_ulNow = 0;
    Clock::time_point m_lastActivity;
};

template <typename F>
bool HttpExchange::guarded(F&& f)
{
    try {
        return f();
    } catch (...) {
        if (!m_error)
            m_error = std::current_exception();
        return false;
    }
}

// A transfer without one of its options is not the transfer this component promises: without
// the pre-request callback, for one, a silent server would never meet its stall timer. So the
// first option libcurl refuses fails the request, and no later option is set.
template <typename T>
void HttpExchange::set(CURLoption option, T value)
{
    if (m_refusal != CURLE_OK)
        return;
    const CURLcode result = m_curl.easy_setopt(m_easy.get(), option, value);
    if (result != CURLE_OK) {
        m_refusal = result;
        m_refusedOption = option;
    }
}

bool HttpExchange::optionsAccepted() const
{
    if (m_refusal == CURLE_OK)
        return true;
    const curl_easyoption* known = m_curl.easy_option_by_id(m_refusedOption);
    const QByteArray name = known ? QByteArray("CURLOPT_") + known->name : QByteArray::number(int(m_refusedOption));
    qWarning("The request was not sent: libcurl refused option %s (%s)", name.constData(),
             m_curl.easy_strerror(m_refusal));
    return false;
}

void HttpExchange::run()
{
    if (m_settings.workOffline) {
        // Offline means "from the cache only", and there is no cache: nothing can be served.
        m_out.success = false;
        return;
    }
    m_easy.reset(m_curl.easy_init());
    m_multi.reset(m_curl.multi_init());
    if (!m_easy || !m_multi || !configure()) {
        m_out.success = false;
        return;
    }
    reportStatus(stHandleCreated);
    for (;;) {
        // A redirection or a new attempt with credentials sets options again.
        if (!optionsAccepted()) {
            m_out.success = false;
            return;
        }
        resetAttempt();
        perform(); // how a transfer ended shows in the disposition and the bytes stored
        if (m_error)
            std::rethrow_exception(m_error);
        if (m_events.Cancelled())
            return;
        switch (m_disposition) {
        case Disposition::Follow:
            followRedirect();
            continue;
        case Disposition::Retry:
            continue;
        case Disposition::Undecided:
            // No complete reply: a failed send. The status stays what an earlier attempt read.
            m_out.success = false;
            return;
        case Disposition::Stop:
            return;
        case Disposition::Deliver:
            // A transfer error here is a read that failed part-way: the body ends there.
            FinishBody(m_ctx);
            reportStatus(stRequestComplete);
            return;
        }
    }
}

bool HttpExchange::configure()
{
    m_url = WithDefaultScheme(m_settings.url);
    m_origin = originOf(m_curl, m_url);
    configureNetwork();
    if (!configureHttp())
        return false;
    configureCredentials();
    configureCallbacks();
    const TRequestMethod method = m_settings.method;
    useMethod(method == rmPOST || (method == rmAutoDetect && !m_settings.postData.isEmpty()));
    return optionsAccepted();
}

void HttpExchange::configureNetwork()
{
    set(CURLOPT_URL, m_url.constData());
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 0L); // followed here, one hop at a time
    set(CURLOPT_MAXREDIRS, long(kMaxRedirects));
    const quint32 connectMs = m_settings.timeouts.ConnectTimeout();
    set(CURLOPT_CONNECTTIMEOUT_MS, long(connectMs ? connectMs : kDefaultConnectTimeoutMs));
    const qint64 readSize = qMax<qint64>(kReadSize, m_settings.transferSize);
    const long bufferSize = long(std::clamp<qint64>(readSize, 1024, CURL_MAX_READ_SIZE));
    set(CURLOPT_BUFFERSIZE, bufferSize);

    const TWebRequestProxy& proxy = m_settings.proxy;
    switch (proxy.AccessType()) {
    case atDirect:
        set(CURLOPT_PROXY, "");
        break;
    case atUseProxy: {
        const QByteArray server =
            proxy.ProxyServer().toUtf8() + ':' + QByteArray::number(proxy.ProxyPort());
        set(CURLOPT_PROXY, server.constData());
        set(CURLOPT_NOPROXY, noProxyList(proxy).constData());
        set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        break;
    }
    case atPreconfig: {
        // The environment's proxy settings, as libcurl reads them by default; this machine is
        // always reached directly, as the system settings of desktops have it.
        QByteArray bypass = qgetenv("no_proxy");
        if (bypass.isEmpty())
            bypass = qgetenv("NO_PROXY");
        bypass += QByteArray(bypass.isEmpty() ? "" : ",") + "127.0.0.1,localhost,::1";
        set(CURLOPT_NOPROXY, bypass.constData());
        set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        break;
    }
    }
    // TLS: libcurl's defaults verify the peer and the host name; they are left alone.
}

bool HttpExchange::configureHttp()
{
    set(CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_USERAGENT, m_settings.agent.constData());
    if (!m_settings.referer.isEmpty())
        set(CURLOPT_REFERER, m_settings.referer.constData());
    if (m_settings.useCookies)
        set(CURLOPT_COOKIEFILE, ""); // cookies live for this request only

    const std::optional<QList<QByteArray>> lines = RequestHeaderLines(m_settings);
    if (!lines)
        return false;
    QList<QByteArray> all = *lines;
    all.append("Accept: " + m_settings.acceptTypes);
    if (m_settings.acceptTypes.isEmpty())
        all.last() = "Accept:";
    if (!m_settings.useCache) {
        all.append("Pragma: no-cache");
        all.append("Cache-Control: no-cache");
    }
    all.append("Expect:"); // no "100-continue" round trip before a body
    curl_slist* list = nullptr;
    for (const QByteArray& line : all) {
        curl_slist* grown = m_curl.slist_append(list, line.constData());
        if (!grown) {
            m_curl.slist_free_all(list);
            return false;
        }
        list = grown;
    }
    m_headers.reset(list);
    set(CURLOPT_HTTPHEADER, m_headers.get());
    return true;
}

void HttpExchange::configureCredentials()
{
    set(CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    set(CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
    // Credentials written in the address win; the properties fill in what it lacks.
    if (m_parts.user.isEmpty() && !m_settings.username.isEmpty())
        set(CURLOPT_USERNAME, m_settings.username.constData());
    if (m_parts.password.isEmpty() && !m_settings.password.isEmpty())
        set(CURLOPT_PASSWORD, m_settings.password.constData());
    if (!m_settings.proxyUsername.isEmpty())
        set(CURLOPT_PROXYUSERNAME, m_settings.proxyUsername.constData());
    if (!m_settings.proxyPassword.isEmpty())
        set(CURLOPT_PROXYPASSWORD, m_settings.proxyPassword.constData());
}

void HttpExchange::configureCallbacks()
{
    set(CURLOPT_HEADERFUNCTION, &HttpExchange::headerCallback);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_WRITEFUNCTION, &HttpExchange::bodyCallback);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &HttpExchange::progressCallback);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_PREREQFUNCTION, &HttpExchange::prereqCallback);
    set(CURLOPT_PREREQDATA, this);
    if (m_settings.onStatus) {
        set(CURLOPT_SOCKOPTFUNCTION, &HttpExchange::sockoptCallback);
        set(CURLOPT_SOCKOPTDATA, this);
        set(CURLOPT_RESOLVER_START_FUNCTION, &HttpExchange::resolverStartCallback);
        set(CURLOPT_RESOLVER_START_DATA, this);
    }
}

void HttpExchange::useMethod(bool post)
{
    m_post = post;
    if (post) {
        set(CURLOPT_POST, 1L);
        set(CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_settings.postData.size()));
        set(CURLOPT_POSTFIELDS, m_settings.postData.constData());
    } else {
        set(CURLOPT_HTTPGET, 1L);
    }
}

CURLcode HttpExchange::perform()
{
    CURLM* multi = m_multi.get();
    if (m_curl.multi_add_handle(multi, m_easy.get()) != CURLM_OK)
        return CURLE_FAILED_INIT;
    // Detached again however the transfer ends, a stored block's exception included.
    struct Attached {
        HttpExchange& x;
        ~Attached()
        {
            x.m_events.SetCancelHook({});
            x.m_curl.multi_remove_handle(x.m_multi.get(), x.m_easy.get());
        }
    } attached{*this};
    m_events.SetCancelHook([multi, wakeup = m_curl.multi_wakeup] { wakeup(multi); });
    touch();
    int running = 1;
    for (;;) {
        if (m_events.Cancelled())
            return CURLE_ABORTED_BY_CALLBACK;
        if (m_curl.multi_perform(multi, &running) != CURLM_OK)
            return CURLE_FAILED_INIT;
        std::optional<CURLcode> result;
        int left = 0;
        while (CURLMsg* msg = m_curl.multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE)
                result = msg->data.result;
        }
        if (!storePendingBody())
            return CURLE_WRITE_ERROR;
        if (result)
            return *result;
        if (running == 0)
            return CURLE_OK;
        if (stalled())
            return CURLE_OPERATION_TIMEDOUT;
        m_curl.multi_poll(multi, nullptr, 0, pollTimeoutMs(), nullptr);
    }
}

// What libcurl handed over during one round is stored as one read would have returned it: in
// blocks of the transfer size, one progress event each, never waiting for more data to arrive.
bool HttpExchange::storePendingBody()
{
    if (m_pendingBody.isEmpty())
        return !m_bodyStopped;
    const bool stored = StoreBody(m_ctx, m_events, m_pendingBody.constData(), m_pendingBody.size());
    m_pendingBody.resize(0); // keeps its capacity for the next read
    touch(); // the handlers' time is not silence on the line
    m_bodyStopped = m_bodyStopped || !stored;
    return stored;
}

// The receive and send time-outs bound the silence on an open connection; time spent in the
// component's own handlers does not count. Connecting has its own limit inside libcurl.
std::chrono::milliseconds HttpExchange::silenceLeft() const
{
    const bool sending = !m_responseStarted && m_ulNow < m_ulTotal;
    const quint32 configured = sending ? m_settings.timeouts.SendTimeout() : m_settings.timeouts.ReceiveTimeout();
    const auto limit = std::chrono::milliseconds(configured ? configured : kDefaultStallTimeoutMs);
    return std::chrono::duration_cast<std::chrono::milliseconds>(limit - (Clock::now() - m_lastActivity));
}

bool HttpExchange::stalled() const
{
    return m_connected && silenceLeft().count() <= 0;
}

int HttpExchange::pollTimeoutMs() const
{
    constexpr qint64 kMaxPollMs = 1000;
    if (!m_connected)
        return int(kMaxPollMs);
    return int(std::clamp<qint64>(silenceLeft().count(), 1, kMaxPollMs));
}

void HttpExchange::resetAttempt()
{
    m_disposition = Disposition::Undecided;
    m_statusLine.clear();
    m_headerLines.clear();
    m_redirectTarget.clear();
    m_pendingBody.clear();
    m_bodyStopped = false;
    m_connected = false;
    m_responseStarted = false;
    m_ulTotal = 0;
    m_ulNow = 0;
}

size_t HttpExchange::headerCallback(char* data, size_t size, size_t count, void* self)
{
    auto* x = static_cast<HttpExchange*>(self);
    const size_t total = size * count;
    const bool ok = x->guarded([&] {
        if (x->m_events.Cancelled() || x->m_disposition == Disposition::Stop)
            return false;
        x->onHeaderLine(QByteArray(data, qsizetype(total)));
        return x->m_disposition != Disposition::Stop;
    });
    return ok ? total : 0;
}

void HttpExchange::onHeaderLine(const QByteArray& line)
{
    touch();
    if (!m_responseStarted) {
        m_responseStarted = true;
        reportStatus(stRequestSent);
        reportStatus(stReceivingResponse);
    }
    const QByteArray text = line.trimmed();
    if (line.startsWith("HTTP/")) {
        m_statusLine = text;
        m_headerLines.clear();
    } else if (text.isEmpty()) {
        long status = 0;
        m_curl.easy_getinfo(m_easy.get(), CURLINFO_RESPONSE_CODE, &status);
        if (status >= 100 && status < 200) {
            reportStatus(stIntermediateResponse);
            return; // an interim reply; the real one follows
        }
        headersComplete();
    } else if ((line.startsWith(' ') || line.startsWith('\t')) && !m_headerLines.isEmpty()) {
        m_headerLines.last() += ' ' + text; // folded continuation line
    } else {
        m_headerLines.append(text);
    }
}

void HttpExchange::headersComplete()
{
    reportStatus(stResponseReceived);
    long status = 0;
    m_curl.easy_getinfo(m_easy.get(), CURLINFO_RESPONSE_CODE, &status);
    m_out.statusCode = qint32(status);
    m_out.success = true;
    if (decideRedirect(status) || authenticate(status))
        return;
    readReplyHeaders();
    if (m_disposition == Disposition::Stop)
        return;
    if (!OpenDestination(m_ctx)) {
        m_out.noStream = !m_events.Cancelled();
        m_disposition = Disposition::Stop;
        return;
    }
    m_disposition = Disposition::Deliver;
}

bool HttpExchange::decideRedirect(long status)
{
    const std::optional<QByteArray> location = header("Location");
    if (!isRedirectStatus(status) || !location || location->isEmpty())
        return false;
    const QByteArray target = resolveLocation(m_curl, m_url, *location);
    // Anything else is handed to the caller as the reply it is.
    if (target.isEmpty() || !isWebScheme(target) || m_redirects >= kMaxRedirects)
        return false;
    m_redirectTarget = target;
    m_disposition = Disposition::Follow;
    return true;
}

bool HttpExchange::authenticate(long status)
{
    bool tryAgain = false;
    if (status == 401 && m_settings.hasPasswordRequest) {
        const QByteArray realm = RealmOf(header("WWW-Authenticate").value_or(QByteArray()));
        if (!m_events.PasswordRequest(m_ctx, realm, tryAgain)) {
            m_disposition = Disposition::Stop;
            return true;
        }
        set(CURLOPT_USERNAME, m_settings.username.constData());
        set(CURLOPT_PASSWORD, m_settings.password.constData());
    } else if (status == 407 && m_settings.hasProxyAuthentication) {
        if (!m_events.ProxyAuthentication(m_ctx, tryAgain)) {
            m_disposition = Disposition::Stop;
            return true;
        }
        set(CURLOPT_PROXYUSERNAME, m_settings.proxyUsername.constData());
        set(CURLOPT_PROXYPASSWORD, m_settings.proxyPassword.constData());
    }
    if (tryAgain)
        m_disposition = Disposition::Retry;
    return tryAgain;
}

void HttpExchange::readReplyHeaders()
{
    if (const std::optional<QByteArray> type = header("Content-Type"))
        m_out.contentType = *type;
    const std::optional<QByteArray> length = header("Content-Length");
    m_out.success = length.has_value();
    m_out.contentLength = length ? contentLengthValue(*length).value_or(0) : 0;
    if (!m_settings.hasHeaderInfo)
        return;
    m_out.rawHeaders = rawHeaders();
    m_out.contentLanguage = header("Content-Language").value_or(QByteArray());
    m_out.contentEncoding = header("Content-Encoding").value_or(QByteArray());
    m_out.location = header("Location").value_or(QByteArray());
    auto dateOf = [this](const char* name) {
        const std::optional<QByteArray> text = header(name);
        return text ? ParseHttpDate(*text) : TDateTime(0);
    };
    m_out.date = dateOf("Date");
    m_out.lastModified = dateOf("Last-Modified");
    m_out.expires = dateOf("Expires");
    if (!m_events.HeaderInfo(m_ctx) || !m_out.continueDownload)
        m_disposition = Disposition::Stop;
}

std::optional<QByteArray> HttpExchange::header(const char* name) const
{
    const QByteArray wanted = QByteArray(name).toLower() + ':';
    for (const QByteArray& line : m_headerLines) {
        if (line.size() >= wanted.size() && line.left(wanted.size()).toLower() == wanted) {
            const QByteArray value = line.mid(wanted.size()).trimmed();
            if (value.size() > kMaxHeaderValue)
                return std::nullopt;
            return value;
        }
    }
    return std::nullopt;
}

QByteArray HttpExchange::rawHeaders() const
{
    QByteArray raw = m_statusLine + "\r\n";
    for (const QByteArray& line : m_headerLines)
        raw += line + "\r\n";
    raw += "\r\n";
    return raw.size() > kMaxHeaderValue ? QByteArray() : raw;
}

void HttpExchange::followRedirect()
{
    ++m_redirects;
    reportRedirect(m_redirectTarget);
    const long status = m_out.statusCode;
    // Browsers turn a redirected POST into a GET except for 307 and 308.
    if (m_post && status != 307 && status != 308)
        useMethod(false);
    const QByteArray origin = originOf(m_curl, m_redirectTarget);
    if (origin != m_origin) {
        // Credentials were given for the first server, not for wherever it sends us.
        set(CURLOPT_USERNAME, nullptr);
        set(CURLOPT_PASSWORD, nullptr);
        m_origin = origin;
    }
    m_url = m_redirectTarget;
    set(CURLOPT_URL, m_url.constData());
}

void HttpExchange::reportStatus(int code)
{
    if (m_settings.onStatus)
        m_events.RunOnWorker([&] { m_settings.onStatus(m_settings.sender, code, StatusText(code)); });
}

void HttpExchange::reportRedirect(const QByteArray& newUrl)
{
    reportStatus(stRedirect);
    if (m_settings.onRedirected)
        m_events.RunOnWorker([&] { m_settings.onRedirected(m_settings.sender, QString::fromUtf8(newUrl)); });
}

size_t HttpExchange::bodyCallback(char* data, size_t size, size_t count, void* self)
{
    auto* x = static_cast<HttpExchange*>(self);
    const size_t total = size * count;
    const bool ok = x->guarded([&] {
        x->touch();
        switch (x->m_disposition) {
        case Disposition::Follow:
        case Disposition::Retry:
            return true; // the body of a reply that is not the answer
        case Disposition::Deliver:
            if (x->m_bodyStopped)
                return false;
            x->m_pendingBody.append(data, qsizetype(total));
            return true;
        default:
            return false;
        }
    });
    return ok ? total : 0;
}

int HttpExchange::progressCallback(void* self, curl_off_t, curl_off_t, curl_off_t ultotal, curl_off_t ulnow)
{
    auto* x = static_cast<HttpExchange*>(self);
    if (ulnow != x->m_ulNow)
        x->touch();
    x->m_ulTotal = ultotal;
    x->m_ulNow = ulnow;
    return x->m_events.Cancelled() ? 1 : 0;
}

int HttpExchange::prereqCallback(void* self, char*, char*, int, int)
{
    auto* x = static_cast<HttpExchange*>(self);
    const bool ok = x->guarded([&] {
        x->m_connected = true;
        x->touch();
        x->reportStatus(stConnected);
        x->reportStatus(stSendingRequest);
        return true;
    });
    return ok ? CURL_PREREQFUNC_OK : CURL_PREREQFUNC_ABORT;
}

int HttpExchange::sockoptCallback(void* self, curl_socket_t, curlsocktype)
{
    auto* x = static_cast<HttpExchange*>(self);
    const bool ok = x->guarded([&] {
        x->reportStatus(stNameResolved);
        x->reportStatus(stConnectingToServer);
        return true;
    });
    return ok ? CURL_SOCKOPT_OK : CURL_SOCKOPT_ERROR;
}

int HttpExchange::resolverStartCallback(void*, void*, void* self)
{
    auto* x = static_cast<HttpExchange*>(self);
    return x->guarded([&] {
        x->reportStatus(stResolvingName);
        return true;
    }) ? 0 : 1;
}

} // namespace

QByteArray RealmOf(const QByteArray& wwwAuthenticate)
{
    const qsizetype at = wwwAuthenticate.indexOf("=\"");
    if (at < 0)
        return wwwAuthenticate;
    const qsizetype from = at + 2;
    return wwwAuthenticate.mid(from, qMax<qsizetype>(0, wwwAuthenticate.size() - from - 1));
}

std::optional<QList<QByteArray>> RequestHeaderLines(const RequestSettings& settings)
{
    QList<QByteArray> lines;
    for (const QByteArray& line : settings.addHeaders) {
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(':');
        const bool malformed = colon <= 0 || line.contains('\r') || line.contains('\n')
            || line.contains('\0') || line.startsWith(' ') || line.startsWith('\t');
        if (malformed)
            return std::nullopt;
        lines.append(line);
    }
    const TWebRequestRange& range = settings.range;
    if (range.StartRange() != 0 || range.EndRange() != 0) {
        QByteArray rangeLine = "RANGE: bytes=" + QByteArray::number(range.StartRange()) + '-';
        if (range.EndRange() != 0)
            rangeLine += QByteArray::number(range.EndRange());
        lines.append(rangeLine);
    }
    return lines;
}

void RunHttpExchange(RequestContext& ctx, RequestEvents& events, const AddressParts& parts)
{
    const CurlApi* curl = Curl();
    if (!curl) {
        ctx.outcome.success = false; // as a host that cannot be reached
        return;
    }
    HttpExchange(*curl, ctx, events, parts).run();
}

} // namespace quillo
