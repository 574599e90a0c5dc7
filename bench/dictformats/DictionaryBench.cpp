// The dictionaries' costs: one lookup's latency (median and 99th percentile over many words,
// hits, misses, other case and inflected forms) on the largest installed freedict dictionary and on
// a generated StarDict dictionary of 500,000 entries, and the memory (PSS) that opening every
// installed dictionary adds to the process. Indices are built before any figure is taken: they are
// built once per machine, not per start.

#include "server/engines/dictionary/DictionaryLoaders.h"
#include "server/engines/dictionary/DictionaryLookup.h"
#include "server/engines/dictionary/DictionaryShelf.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>

#include <time.h>

using namespace quillo::dictformats;

namespace {

constexpr int kGeneratedEntries = 500000;

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString indexFolder()
{
    return workDir().filePath(QStringLiteral("dictionary-index"));
}

QString largestFreedict()
{
    QString largest;
    qint64 size = 0;
    for (const QFileInfo& file : QDir(QStringLiteral("/usr/share/dictd")).entryInfoList({QStringLiteral("*.index")})) {
        if (file.size() > size) {
            size = file.size();
            largest = file.filePath();
        }
    }
    return largest;
}

QString generatedWord(int n)
{
    static const char* stems[] = {"house", "tree", "river", "stone", "light", "water", "field", "cloud"};
    return QStringLiteral("%1%2").arg(QLatin1String(stems[n % 8])).arg(n);
}

// A StarDict dictionary of kGeneratedEntries headwords, its articles dictzipped.
QString generatedStarDict()
{
    const QString base = workDir().filePath(QStringLiteral("en-zh/generated/generated"));
    QDir().mkpath(QFileInfo(base).absolutePath());
    std::vector<QByteArray> words;
    for (int n = 0; n < kGeneratedEntries; ++n)
        words.push_back(generatedWord(n).toUtf8());
    std::sort(words.begin(), words.end());
    QByteArray idx, dict;
    for (const QByteArray& word : words) {
        const QByteArray article = "/" + word + "/\n1. the " + word + " of the benchmark\n2. 第二个意思\n";
        idx += word + '\0';
        for (quint32 value : {quint32(dict.size()), quint32(article.size())})
            for (int shift = 24; shift >= 0; shift -= 8)
                idx += char((value >> shift) & 0xff);
        dict += article;
    }
    QFile ifo(base + QStringLiteral(".ifo"));
    ifo.open(QIODevice::WriteOnly);
    ifo.write("StarDict's dict ifo file\nversion=2.4.2\nbookname=Generated\nwordcount=" + QByteArray::number(kGeneratedEntries)
              + "\nidxfilesize=" + QByteArray::number(idx.size()) + "\nsametypesequence=m\n");
    ifo.close();
    for (const auto& [suffix, data] : {std::pair{".idx", &idx}, std::pair{".dict", &dict}}) {
        QFile file(base + QLatin1String(suffix));
        file.open(QIODevice::WriteOnly);
        file.write(*data);
    }
    const QByteArray command = "dictzip '" + QFile::encodeName(base) + ".dict'";
    if (std::system(command.constData()) != 0)
        std::fprintf(stderr, "dictzip failed: the articles stay uncompressed\n");
    return base + QStringLiteral(".ifo");
}

std::unique_ptr<Dictionary> open(const QString& path)
{
    const DictionaryLoader* loader = loaderFor(path);
    auto dictionary = loader ? loader->load(path, indexFolder()) : dictError(DictErrorKind::Missing, path);
    if (!dictionary) {
        std::fprintf(stderr, "%s\n", qPrintable(dictionary.error().message));
        std::exit(1);
    }
    return std::move(dictionary.value());
}

// Every 40th headword of the dictionary's own index, then the same words in capitals, with an
// "s" (a plural or a miss) and with a letter that makes them misses; shuffled.
QStringList queriesFor(const Dictionary& dictionary, const QString& path)
{
    QStringList headwords;
    if (dictionary.info().format == QLatin1String("stardict")) {
        for (int n = 0; n < kGeneratedEntries; n += 40)
            headwords.append(generatedWord(n));
    } else {
        QFile index(path);
        index.open(QIODevice::ReadOnly);
        for (int n = 0; !index.atEnd(); ++n) {
            const QByteArray line = index.readLine();
            if (n % 40 == 0 && !line.startsWith("00"))
                headwords.append(QString::fromUtf8(line.left(line.indexOf('\t'))));
        }
    }
    QStringList queries;
    for (const QString& word : std::as_const(headwords))
        queries << word << word.toUpper() << word + QLatin1Char('s') << word + QStringLiteral("qx");
    std::shuffle(queries.begin(), queries.end(), std::mt19937(42));
    return queries;
}

// The time this thread has run: on a busy machine the wall clock counts other processes' turns.
double threadCpuMicros()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

double percentile(std::vector<double> values, int which)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() * size_t(which) / 100];
}

void BM_Lookup(benchmark::State& state, QString (*pathOf)())
{
    const QString path = pathOf();
    if (path.isEmpty()) {
        state.SkipWithError("no dictionary of this kind is installed");
        return;
    }
    const auto dictionary = open(path);
    const QStringList queries = queriesFor(*dictionary, path);
    std::vector<double> wall, cpu;
    for (auto _ : state) {
        wall.clear();
        cpu.clear();
        for (const QString& query : queries) {
            const auto start = std::chrono::steady_clock::now();
            const double cpuStart = threadCpuMicros();
            benchmark::DoNotOptimize(lookUp(*dictionary, query));
            cpu.push_back(threadCpuMicros() - cpuStart);
            wall.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
    }
    state.counters["lookups"] = double(wall.size());
    state.counters["p50_us"] = percentile(wall, 50);
    state.counters["p99_us"] = percentile(wall, 99);
    state.counters["cpu_p50_us"] = percentile(cpu, 50);
    state.counters["cpu_p99_us"] = percentile(cpu, 99);
    state.SetLabel(dictionary->info().title.toStdString());
}
BENCHMARK_CAPTURE(BM_Lookup, largest_freedict, &largestFreedict)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Lookup, generated_stardict_500k, &generatedStarDict)->Unit(benchmark::kMillisecond)->Iterations(1);

double pssMegabytes()
{
    QFile rollup(QStringLiteral("/proc/self/smaps_rollup"));
    rollup.open(QIODevice::ReadOnly);
    for (const QByteArray& line : rollup.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Opens every installed dictionary, as the server does, and asks each a few hundred words.
void BM_MemoryOfInstalledDictionaries(benchmark::State& state)
{
    auto options = DictionaryShelf::defaultOptions(workDir().path());
    options.indexFolder = indexFolder();
    { // indices first: they are built once per machine, not per start
        DictionaryShelf builder(options);
        builder.start();
        builder.waitUntilSettled(std::chrono::minutes(30));
    }
    malloc_trim(0);
    const QStringList words = {QStringLiteral("house"), QStringLiteral("Haus"), QStringLiteral("maison"),
                               QStringLiteral("casa"), QStringLiteral("water"), QStringLiteral("runs")};
    for (auto _ : state) {
        const double before = pssMegabytes();
        DictionaryShelf shelf(options);
        shelf.start();
        shelf.waitUntilSettled(std::chrono::minutes(30));
        for (int round = 0; round < 50; ++round)
            for (const QString& word : words)
                benchmark::DoNotOptimize(shelf.lookUpAll(word, {}, {}));
        state.counters["dictionaries"] = double(shelf.dictionaries().size());
        state.counters["pss_added_MB"] = pssMegabytes() - before;
    }
}
BENCHMARK(BM_MemoryOfInstalledDictionaries)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
