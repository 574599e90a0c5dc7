#pragma once
// One request: a snapshot of the component's settings taken by Read, the outcome the worker
// records, and the reply's destination. The worker only ever touches its own context, so an
// abandoned request cannot reach the component or a newer request.
#include "http/TWebRequest.h"

#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>

#include <memory>
#include <mutex>

namespace quillo {

struct RequestSettings {
    QByteArray url; // as requested: unsafe bytes escaped; "http://" added later when missing
    TRequestMethod method = rmAutoDetect;
    QByteArray postData;
    QList<QByteArray> addHeaders;
    QByteArray agent;
    QByteArray referer;
    QByteArray acceptTypes;
    TWebRequestProxy proxy;
    TWebRequestRange range;
    TWebRequestTimeouts timeouts;
    quint32 transferSize = 4096;
    QString outputFileName;
    bool hideOutputFile = false;
    bool useCache = true;
    bool useCookies = true;
    bool workOffline = false;
    // The credentials may change during the request: an authentication handler sets them.
    QByteArray username;
    QByteArray password;
    QByteArray proxyUsername;
    QByteArray proxyPassword;
    // Which GUI-thread events are assigned: the routine reads the extra headers, or stops at
    // 401/407, only for these.
    bool hasHeaderInfo = false;
    bool hasProgress = false;
    bool hasPasswordRequest = false;
    bool hasProxyAuthentication = false;
    // The two events that run on the worker, copied so the worker never reads the component.
    TRedirectedEvent onRedirected;
    TStatusEvent onStatus;
    QObject* sender = nullptr; // passed to those two; never dereferenced on the worker
};

struct RequestOutcome {
    qint32 statusCode = -1;
    bool success = false;
    bool continueDownload = true;
    bool noStream = false; // the output file could not be created
    QByteArray contentType;
    QByteArray rawHeaders;
    QByteArray contentLanguage;
    QByteArray contentEncoding;
    QByteArray location;
    TDateTime date = 0;
    TDateTime lastModified = 0;
    TDateTime expires = 0;
    qint64 contentLength = 0;
    qint64 bytesTransferred = 0;
};

struct RequestContext {
    RequestContext();
    ~RequestContext();

    // Stops the worker's access to the destination and lets the partial output file go aside
    // (GUI thread). The file stays on disk as far as written, under "<name>.part", so no
    // truncated file is left under the name the caller trusts.
    void Abandon();
    // Drops the streams (GUI thread, where they were created).
    void ReleaseStreams();

    RequestSettings settings;
    RequestOutcome outcome;
    QElapsedTimer started;

    // Destination of the body. Created on the GUI thread, opened and written by the worker while
    // it runs, read by handlers while the worker waits, released on the GUI thread.
    std::mutex ioLock;
    std::unique_ptr<QBuffer> memory;
    std::unique_ptr<QFile> file;
    QIODevice* stream = nullptr;
    bool abandoned = false;

    // GUI thread only.
    bool completing = false; // the completion step has begun
    bool keepFile = false;   // a newer request writes the same file: leave it alone
};

} // namespace quillo
