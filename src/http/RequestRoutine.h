#pragma once
// The request routine: what runs on the worker for one request, over libcurl or, for "file"
// addresses, the local file system.
#include "http/RequestContext.h"

#include <functional>

namespace quillo {

// How the routine reaches the GUI thread and learns that it has been abandoned. The bool calls
// block until the GUI thread has handled them; false means the request was abandoned meanwhile.
class RequestEvents {
public:
    virtual ~RequestEvents() = default;
    virtual bool HeaderInfo(RequestContext& ctx) = 0;
    // One hand-over for the blocks of one read: on the GUI thread, calls `storeNextBlock` and,
    // after each block it stored, raises OnProgress, until it returns false or the request is
    // abandoned. Each event thus sees the stream and the counts as they are after its own block.
    virtual bool Progress(RequestContext& ctx, const std::function<bool()>& storeNextBlock) = 0;
    virtual bool PasswordRequest(RequestContext& ctx, const QByteArray& realm, bool& tryAgain) = 0;
    virtual bool ProxyAuthentication(RequestContext& ctx, bool& tryAgain) = 0;
    // Runs a handler that belongs on the worker (OnStatus, OnRedirected), unless the request has
    // been abandoned; once it has, none starts and none is still running.
    virtual void RunOnWorker(const std::function<void()>& handler) = 0;
    virtual bool Cancelled() const = 0;
    virtual void SetCancelHook(std::function<void()> hook) = 0;
};

void RunRequest(RequestContext& ctx, RequestEvents& events);

// Pieces shared by the HTTP and the file paths.
// Opens the body's destination once the reply's status and length are known; false when the
// output file cannot be created (or the request was abandoned).
bool OpenDestination(RequestContext& ctx);
// Stores data in blocks of at most the transfer size, with a progress event after each, all of
// them in one hand-over; false when the request was abandoned or the data could not be written.
bool StoreBody(RequestContext& ctx, RequestEvents& events, const char* data, qint64 size);
// The success rule once the body has been read.
void FinishBody(RequestContext& ctx);

// Largest memory reservation made from an announced Content-Length; beyond it the buffer grows
// as data arrives, so a lying header cannot make us allocate gigabytes up front.
constexpr qint64 kMaxPresize = 16 * 1024 * 1024;

// Bytes taken from the network or a local file in one read, whatever the transfer size: the
// transfer size sets how the body is reported, not how it is read, and small reads cost a round
// through the transfer loop each.
constexpr qint64 kReadSize = 256 * 1024;

} // namespace quillo
