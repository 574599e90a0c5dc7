// A local HTTP server (cpp-httplib, on its own thread) serves a 256 MiB file and a small page.
// Every file of a run lives in a temporary folder of its own, removed when the run ends. Measured in one run:
//   Download/<TransferBufferSize>  TWebRequest to OutputFileName with OnProgress bound
//   CurlCliDownload               the curl command line writing the same file
//   SmallGets/Component           1000 GETs in a row through TWebRequest (WaitThread)
//   SmallGets/Libcurl             the same with a fresh libcurl easy handle per request
//   SmallGets/CurlCli             one curl process fetching the 1000 addresses (one connection)
//   SmallGets/CurlCliProcesses    one curl process per request (100 of them, timed per request)
//   HandOver                      one empty call handed from a worker to the GUI thread and back
#include "http/TWebRequest.h"
#include "http/WorkerHolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <fstream>
#include <thread>

using namespace quillo;

namespace {

constexpr qint64 kBigSize = 256LL * 1024 * 1024;
constexpr int kSmallGets = 1000;
constexpr int kCliProcesses = 100;

QString workFile(const char* name)
{
    static const QTemporaryDir folder;
    return folder.filePath(QString::fromLatin1(name));
}

const QString& bigFile()
{
    static const QString path = workFile("256MiB.bin");
    return path;
}

void ensureBigFile()
{
    if (QFile(bigFile()).size() == kBigSize)
        return;
    std::ofstream out(bigFile().toStdString(), std::ios::binary | std::ios::trunc);
    std::string block(1 << 20, '\0');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = char((i * 131 + 7) & 0xff);
    for (qint64 written = 0; written < kBigSize; written += qint64(block.size()))
        out.write(block.data(), std::streamsize(block.size()));
}

class LocalServer {
public:
    LocalServer()
    {
        m_server.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            auto file = std::make_shared<std::ifstream>(bigFile().toStdString(), std::ios::binary);
            res.set_content_provider(size_t(kBigSize), "application/octet-stream",
                                     [file](size_t offset, size_t length, httplib::DataSink& sink) {
                                         static thread_local std::vector<char> buffer(1 << 20);
                                         const size_t n = std::min(length, buffer.size());
                                         file->seekg(std::streamoff(offset));
                                         file->read(buffer.data(), std::streamsize(n));
                                         return sink.write(buffer.data(), size_t(file->gcount()));
                                     });
        });
        m_server.Get("/small", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html>small page</html>", "text/html");
        });
        // Without it, headers and body written separately wait on delayed ACKs once a connection
        // is reused (the curl command line's 1000 requests share one).
        m_server.set_tcp_nodelay(true);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LocalServer()
    {
        m_server.stop();
        m_thread.join();
    }
    std::string url(const char* path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

LocalServer& server()
{
    static LocalServer s;
    return s;
}

void Download(benchmark::State& state)
{
    ensureBigFile();
    TWebRequest request;
    request.setURL(QString::fromStdString(server().url("/big")));
    request.setWaitThread(true);
    const QString output = workFile("component.out");
    request.setOutputFileName(output);
    request.setTransferBufferSize(TBufferSize(state.range(0)));
    qint64 progressEvents = 0;
    qint64 received = 0;
    request.OnProgress = [&](QObject*, const QString&, qint64, qint64 read, qint32, qint32, quint8, float,
                             QIODevice*) {
        ++progressEvents;
        received = read;
    };
    bool ok = false;
    request.OnDone = [&](QObject*, const QString&, qint64 size, QIODevice*) { ok = size == kBigSize; };
    for (auto _ : state) {
        ok = false;
        request.Read();
        if (!ok)
            state.SkipWithError("download failed");
    }
    state.SetBytesProcessed(state.iterations() * kBigSize);
    state.counters["progress_events"] = double(progressEvents) / double(state.iterations());
    benchmark::DoNotOptimize(received);
    QFile::remove(output);
}

void CurlCliDownload(benchmark::State& state)
{
    ensureBigFile();
    const QString url = QString::fromStdString(server().url("/big"));
    const QString output = workFile("curl.out");
    for (auto _ : state) {
        const int rc = QProcess::execute(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-f"),
                                                                  QStringLiteral("-o"), output, url});
        if (rc != 0 || QFile(output).size() != kBigSize)
            state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed(state.iterations() * kBigSize);
    QFile::remove(output);
}

void SmallGetsComponent(benchmark::State& state)
{
    TWebRequest request;
    request.setURL(QString::fromStdString(server().url("/small")));
    request.setWaitThread(true);
    int done = 0;
    request.OnDone = [&](QObject*, const QString&, qint64, QIODevice*) { ++done; };
    for (auto _ : state) {
        done = 0;
        for (int i = 0; i < kSmallGets; ++i)
            request.Read();
        if (done != kSmallGets)
            state.SkipWithError("a request failed");
    }
    state.SetItemsProcessed(state.iterations() * kSmallGets);
}

size_t collect(char* data, size_t size, size_t count, void* out)
{
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

void SmallGetsLibcurl(benchmark::State& state)
{
    const std::string url = server().url("/small");
    for (auto _ : state) {
        int done = 0;
        for (int i = 0; i < kSmallGets; ++i) {
            CURL* h = curl_easy_init();
            std::string body;
            curl_easy_setopt(h, CURLOPT_URL, url.c_str());
            curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &collect);
            curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
            if (curl_easy_perform(h) == CURLE_OK && !body.empty())
                ++done;
            curl_easy_cleanup(h);
        }
        if (done != kSmallGets)
            state.SkipWithError("a request failed");
    }
    state.SetItemsProcessed(state.iterations() * kSmallGets);
}

void SmallGetsCurlCli(benchmark::State& state)
{
    const QString config = workFile("urls.conf");
    {
        QFile file(config);
        file.open(QIODevice::WriteOnly);
        const QByteArray url = QByteArray::fromStdString(server().url("/small"));
        for (int i = 0; i < kSmallGets; ++i)
            file.write("url = \"" + url + "\"\noutput = \"/dev/null\"\n");
    }
    for (auto _ : state) {
        const int rc = QProcess::execute(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-f"),
                                                                  QStringLiteral("-K"), config});
        if (rc != 0)
            state.SkipWithError("curl failed");
    }
    state.SetItemsProcessed(state.iterations() * kSmallGets);
    QFile::remove(config);
}

void SmallGetsCurlCliProcesses(benchmark::State& state)
{
    const QString url = QString::fromStdString(server().url("/small"));
    for (auto _ : state) {
        for (int i = 0; i < kCliProcesses; ++i) {
            if (QProcess::execute(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-f"),
                                                           QStringLiteral("-o"), QStringLiteral("/dev/null"), url})
                != 0)
                state.SkipWithError("curl failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * kCliProcesses);
}

// What each synchronous event costs by itself: the worker posts, the GUI thread wakes, runs an
// empty call, and the worker wakes again.
void HandOver(benchmark::State& state)
{
    constexpr int kCalls = 20000;
    TWorkerHolder holder;
    holder.SetWaitThread(true);
    int ran = 0;
    holder.SetWork([&](WorkerState& worker) {
        for (int i = 0; i < kCalls; ++i)
            worker.Synchronize([&] { ++ran; });
    });
    for (auto _ : state) {
        ran = 0;
        holder.Start(nullptr);
        if (ran != kCalls)
            state.SkipWithError("calls lost");
    }
    state.SetItemsProcessed(state.iterations() * kCalls);
}

} // namespace

BENCHMARK(HandOver)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(Download)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(CurlCliDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(SmallGetsComponent)->Name("SmallGets/Component")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(SmallGetsLibcurl)->Name("SmallGets/Libcurl")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(SmallGetsCurlCli)->Name("SmallGets/CurlCli")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(SmallGetsCurlCliProcesses)
    ->Name("SmallGets/CurlCliProcesses")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // the component hands its events to this thread's loop
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
