// One English sentence to Spanish, three ways, each through the interface a user of that way
// would call: quillo-server's /translate_txt (warm pipelines, the program's form body), Apertium's
// own HTTP service apertium-apy (/translate, warm pipelines too), and a cold `apertium eng-spa`
// process per sentence. Every request opens a fresh connection, as the program's requests do.
//
// usage: bench_server [Google Benchmark options]; needs apertium and apertium-apy installed.

#include "server/base/PipeProcess.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<const char*, 8> kSentences{
    "The weather is nice today",
    "I would like a cup of coffee, please",
    "The train leaves the station at eight o'clock",
    "She reads a book in the garden every morning",
    "We need more time to finish the project",
    "My brother lives in a small house near the river",
    "Can you tell me where the museum is?",
    "The children are playing football in the park",
};

std::string formEncode(const std::string& text)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c)) {
            out.push_back(static_cast<char>(c));
        } else if (c == ' ') {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// The two servers, started once for the whole run and stopped at its end.
struct Servers {
    QTemporaryDir data;
    QProcess quillo;
    QProcess apy;
    int quilloPort = 0;
    int apyPort = 0;

    bool start(std::string& error)
    {
        quillo.setStandardErrorFile(QProcess::nullDevice());
        quillo.start(QStringLiteral(QUILLO_BINARY_DIR "/server/quillo-server"),
                     {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--backend"),
                      QStringLiteral("apertium"), QStringLiteral("--data"), data.path(), QStringLiteral("--quiet")});
        while (quillo.waitForReadyRead(30000) && !quillo.canReadLine()) {
        }
        const auto match = QRegularExpression(QStringLiteral(":(\\d+)\\n$")).match(QString::fromUtf8(quillo.readLine()));
        quilloPort = match.hasMatch() ? match.captured(1).toInt() : 0;
        if (quilloPort == 0) {
            error = "quillo-server did not start";
            return false;
        }
        apyPort = freePort();
        apy.setStandardOutputFile(QProcess::nullDevice());
        apy.setStandardErrorFile(QProcess::nullDevice());
        apy.start(QStringLiteral("apertium-apy"), {QStringLiteral("-p"), QString::number(apyPort),
                                                   QStringLiteral("/usr/share/apertium/modes")});
        httplib::Client client("127.0.0.1", apyPort);
        for (int i = 0; i < 600; ++i) {
            if (auto answer = client.Get("/listPairs"); answer && answer->status == 200)
                return warmUp(error);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        error = "apertium-apy did not start";
        return false;
    }

    bool warmUp(std::string& error)
    {
        for (const char* sentence : kSentences) {
            if (quilloTranslate(sentence).empty() || apyTranslate(sentence).empty()) {
                error = "a warm-up translation failed";
                return false;
            }
        }
        return true;
    }

    // httplib gives up reading after 5 s by default; a loaded machine and APy's first requests
    // (which start its pipelines) can take longer, and a benchmark with one failed request
    // reports no figures at all.
    static httplib::Client client(int port)
    {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(std::chrono::seconds(120));
        return client;
    }

    std::string quilloTranslate(const std::string& sentence) const
    {
        httplib::Client client = Servers::client(quilloPort);
        const auto answer = client.Post("/translate_txt",
                                        "ei=UTF-8&doit=done&fr=bf-res&intl=1&tt=urltext&trtext="
                                            + formEncode(sentence) + "&lp=en_es&btnTrTxt=Translate",
                                        "application/x-www-form-urlencoded");
        return answer && answer->status == 200 ? answer->body : std::string();
    }

    std::string apyTranslate(const std::string& sentence) const
    {
        httplib::Client client = Servers::client(apyPort);
        const auto answer = client.Get("/translate?langpair=eng%7Cspa&q=" + formEncode(sentence));
        return answer && answer->status == 200 ? answer->body : std::string();
    }

    ~Servers()
    {
        for (QProcess* process : {&quillo, &apy}) {
            process->terminate();
            if (!process->waitForFinished(10000))
                process->kill();
        }
    }
};

Servers* servers = nullptr;

void BM_QuilloServer(benchmark::State& state)
{
    size_t i = 0;
    for (auto _ : state) {
        const std::string page = servers->quilloTranslate(kSentences[i++ % kSentences.size()]);
        if (page.find("<div id=\"result\">") == std::string::npos)
            state.SkipWithError("no result block");
    }
}

void BM_ApertiumApy(benchmark::State& state)
{
    size_t i = 0;
    for (auto _ : state) {
        const std::string reply = servers->apyTranslate(kSentences[i++ % kSentences.size()]);
        if (reply.find("translatedText") == std::string::npos)
            state.SkipWithError("no translatedText");
    }
}

void BM_ColdApertiumProcess(benchmark::State& state)
{
    QTemporaryDir folder;
    std::vector<std::string> inputs;
    for (const char* sentence : kSentences) {
        const QString path = folder.filePath(QString::number(inputs.size()));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(sentence);
        inputs.push_back(path.toStdString());
    }
    size_t i = 0;
    std::string output;
    std::string error;
    for (auto _ : state) {
        if (!quillo::server::PipeProcess::run({"apertium", "-u", "eng-spa", inputs[i++ % inputs.size()]},
                                              std::chrono::seconds(60), output, error)
            || output.empty())
            state.SkipWithError(error.c_str());
    }
}

BENCHMARK(BM_QuilloServer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ApertiumApy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColdApertiumProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(16);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Servers running;
    std::string error;
    if (!running.start(error)) {
        std::fprintf(stderr, "bench_server: %s\n", error.c_str());
        return 1;
    }
    servers = &running;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    servers = nullptr;
    return 0;
}
