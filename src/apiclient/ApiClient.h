#pragma once
// The program's asynchronous client of quillo-server's open API (v1): the engines, a translation
// with several named engines streamed as their pieces arrive, and plain JSON calls. Every call
// returns at once; its answer comes as signals on the caller's thread, and a cancelled call says
// nothing more. A server that predates the API answers 404, reported as ApiFailure::NoApi.
#include "apiclient/ApiTypes.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace quillo {

class CurlTransfers;

struct TranslateCall
{
    QString text;
    QString source; // API codes; "auto" lets the server tell
    QString target;
    QStringList engines; // empty: every engine that serves the pair
};

class ApiClient : public QObject
{
    Q_OBJECT
public:
    // `base` gives the server's address ("http://127.0.0.1:8437") when a call starts.
    explicit ApiClient(std::function<QString()> base, QObject* parent = nullptr);
    ~ApiClient() override;

    int listEngines();
    int translate(const TranslateCall& call);
    // Plain calls to /api/v1/`path` (a query may follow it), each answered by replied() whatever
    // the status.
    int get(const QString& path);
    int post(const QString& path, const QByteArray& json);
    int remove(const QString& path);
    void cancel(int call);
    bool running(int call) const { return m_calls.contains(call); }

signals:
    void enginesListed(int call, const std::vector<quillo::EngineInfo>& engines);
    void delta(int call, const QString& engine, const QString& piece);
    void engineDone(int call, const quillo::EngineResult& result);
    void ended(int call, const QString& source);
    void replied(int call, int status, const QByteArray& body);
    void failed(int call, const quillo::ApiFailure& failure);

private:
    enum class Kind { Engines, Stream, Plain };
    struct Call;
    int start(Kind kind, const QString& path, const QByteArray& body, const QList<QByteArray>& headers,
              const QByteArray& method = {});
    void drain();
    void onData(int id, Call& call, long status, const QByteArray& bytes);
    void onFinished(int id, long status, const QString& error);

    std::function<QString()> m_base;
    std::unique_ptr<CurlTransfers> m_transfers;
    QHash<int, std::shared_ptr<Call>> m_calls;
};

} // namespace quillo
