#include "apiclient/CurlTransfers.h"

#include "http/CurlApi.h"

#include <algorithm>

namespace quillo {

struct CurlTransfers::Transfer
{
    int id = 0;
    CurlTransfers* owner = nullptr;
    TransferRequest request;
    CurlEasyHandle easy;
    CurlHeaderList headers;

    long status() const
    {
        long code = 0;
        Curl()->easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &code);
        return code;
    }
};

namespace {

size_t receive(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<CurlTransfers::Transfer*>(user);
    const size_t bytes = size * count;
    TransferEvent event{transfer->id, TransferEvent::Data, transfer->status(),
                        QByteArray(data, static_cast<qsizetype>(bytes)), {}};
    transfer->owner->pushEvent(std::move(event));
    return bytes;
}

// Only the options this client relies on; a refused one fails the request rather than sending it
// without its limits.
bool configure(const CurlApi& curl, CurlTransfers::Transfer& t)
{
    CURL* h = t.easy.get();
    for (const QByteArray& line : t.request.headers)
        t.headers.reset(curl.slist_append(t.headers.release(), line.constData()));
    bool ok = curl.easy_setopt(h, CURLOPT_URL, t.request.url.constData()) == CURLE_OK;
    ok = ok && curl.easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl.easy_setopt(h, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl.easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, 5000L) == CURLE_OK;
    ok = ok && curl.easy_setopt(h, CURLOPT_TIMEOUT_MS, long(t.request.timeoutMs)) == CURLE_OK;
    ok = ok && curl.easy_setopt(h, CURLOPT_HTTPHEADER, t.headers.get()) == CURLE_OK;
    ok = ok && curl.easy_setopt(h, CURLOPT_WRITEFUNCTION, &receive) == CURLE_OK;
    ok = ok && curl.easy_setopt(h, CURLOPT_WRITEDATA, &t) == CURLE_OK;
    if (!t.request.method.isEmpty())
        ok = ok && curl.easy_setopt(h, CURLOPT_CUSTOMREQUEST, t.request.method.constData()) == CURLE_OK;
    if (!t.request.body.isNull()) {
        ok = ok && curl.easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(t.request.body.size())) == CURLE_OK;
        ok = ok && curl.easy_setopt(h, CURLOPT_POSTFIELDS, t.request.body.constData()) == CURLE_OK;
    }
    return ok;
}

} // namespace

CurlTransfers::CurlTransfers(std::function<void()> wake) : m_wake(std::move(wake)) {}

CurlTransfers::~CurlTransfers()
{
    {
        const std::lock_guard lock(m_lock);
        m_stopping = true;
        if (m_multi)
            Curl()->multi_wakeup(m_multi);
    }
    if (m_thread.joinable())
        m_thread.join();
}

int CurlTransfers::start(TransferRequest request)
{
    const CurlApi* curl = Curl();
    const std::lock_guard lock(m_lock);
    const int id = m_nextId++;
    auto transfer = std::make_unique<Transfer>();
    transfer->id = id;
    transfer->owner = this;
    transfer->request = std::move(request);
    if (curl)
        transfer->easy.reset(curl->easy_init());
    if (!transfer->easy || !configure(*curl, *transfer)) {
        const QString why = curl ? QStringLiteral("cannot set up the request") : CurlUnavailableReason();
        m_events.push_back({id, TransferEvent::Finished, 0, {}, why});
        if (m_events.size() == 1)
            m_wake();
        return id;
    }
    m_starting.push_back(std::move(transfer));
    // The thread starts with the first request, not with the program.
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    else if (m_multi)
        curl->multi_wakeup(m_multi);
    return id;
}

void CurlTransfers::cancel(int id)
{
    const std::lock_guard lock(m_lock);
    const auto starting = std::find_if(m_starting.begin(), m_starting.end(), [id](auto& t) { return t->id == id; });
    if (starting != m_starting.end()) {
        m_starting.erase(starting);
        return;
    }
    m_cancelling.push_back(id);
    if (m_multi)
        Curl()->multi_wakeup(m_multi);
}

std::vector<TransferEvent> CurlTransfers::take()
{
    const std::lock_guard lock(m_lock);
    return std::exchange(m_events, {});
}

void CurlTransfers::pushEvent(TransferEvent event)
{
    bool wasEmpty = false;
    {
        const std::lock_guard lock(m_lock);
        wasEmpty = m_events.empty();
        m_events.push_back(std::move(event));
    }
    if (wasEmpty)
        m_wake();
}

// False once the owner is going.
bool CurlTransfers::adoptStartsAndCancels()
{
    const CurlApi& curl = *Curl();
    std::vector<std::unique_ptr<Transfer>> starting;
    std::vector<int> cancelling;
    {
        const std::lock_guard lock(m_lock);
        if (m_stopping)
            return false;
        starting = std::exchange(m_starting, {});
        cancelling = std::exchange(m_cancelling, {});
    }
    for (int id : cancelling) {
        const auto it = std::find_if(m_running.begin(), m_running.end(), [id](auto& t) { return t->id == id; });
        if (it == m_running.end())
            continue;
        curl.multi_remove_handle(m_multi, (*it)->easy.get());
        m_running.erase(it);
    }
    for (auto& transfer : starting) {
        if (curl.multi_add_handle(m_multi, transfer->easy.get()) != CURLM_OK) {
            pushEvent({transfer->id, TransferEvent::Finished, 0, {}, QStringLiteral("cannot start the request")});
            continue;
        }
        m_running.push_back(std::move(transfer));
    }
    return true;
}

void CurlTransfers::collectFinished()
{
    const CurlApi& curl = *Curl();
    int left = 0;
    while (CURLMsg* message = curl.multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* easy = message->easy_handle;
        const CURLcode result = message->data.result;
        const auto it = std::find_if(m_running.begin(), m_running.end(), [easy](auto& t) { return t->easy.get() == easy; });
        if (it == m_running.end())
            continue;
        const QString error = result == CURLE_OK ? QString() : QString::fromUtf8(curl.easy_strerror(result));
        pushEvent({(*it)->id, TransferEvent::Finished, (*it)->status(), {}, error});
        curl.multi_remove_handle(m_multi, easy);
        m_running.erase(it);
    }
}

void CurlTransfers::run()
{
    const CurlApi& curl = *Curl();
    CurlMultiHandle multi(curl.multi_init());
    {
        const std::lock_guard lock(m_lock);
        m_multi = multi.get();
    }
    while (m_multi && adoptStartsAndCancels()) {
        int running = 0;
        curl.multi_perform(m_multi, &running);
        collectFinished();
        curl.multi_poll(m_multi, nullptr, 0, 1000, nullptr);
    }
    for (auto& transfer : m_running)
        curl.multi_remove_handle(multi.get(), transfer->easy.get());
    m_running.clear();
    const std::lock_guard lock(m_lock);
    m_multi = nullptr;
}

} // namespace quillo
