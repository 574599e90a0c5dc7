// The offline dictionary's costs on the whole of CC-CEDICT: the first-start index build, one
// lookup per word (Chinese headwords and English words, hits and misses), and the memory the
// open index holds.

#include "server/engines/dictionary/CedictIndex.h"
#include "server/engines/dictionary/DictionaryEngine.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

using namespace quillo::server;

namespace {

struct BuiltIndex {
    BuiltIndex()
    {
        std::string error;
        if (CedictIndex::build(DefaultDictionaryFile(), path(), error) < 0)
            throw std::runtime_error(error);
    }
    std::string path() const { return dir.filePath(QStringLiteral("cedict.sqlite3")).toStdString(); }
    QTemporaryDir dir;
};

BuiltIndex& builtIndex()
{
    static BuiltIndex index;
    return index;
}

void BM_IndexBuild(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("cedict.sqlite3")).toStdString();
    for (auto _ : state) {
        std::string error;
        benchmark::DoNotOptimize(CedictIndex::build(DefaultDictionaryFile(), path, error));
    }
}
BENCHMARK(BM_IndexBuild)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Lookup(benchmark::State& state, bool chinese)
{
    std::string error;
    const auto index = CedictIndex::open(DefaultDictionaryFile(), builtIndex().path(), error);
    const std::vector<std::string> words = chinese
        ? std::vector<std::string>{"苹果", "電腦", "中华人民共和国", "天气", "翻译", "不存在的词语"}
        : std::vector<std::string>{"apple", "computer", "to eat", "weather", "translation", "xyzzy"};
    // Touch the index widely first, so the memory figure is that of a server that has run a while.
    std::ifstream source(DefaultDictionaryFile());
    std::string line;
    for (int n = 0; std::getline(source, line); ++n) {
        if (n % 50 == 0 && !line.starts_with('#'))
            benchmark::DoNotOptimize(index->lookupChinese(line.substr(line.find(' ') + 1, line.find(' ', line.find(' ') + 1) - line.find(' ') - 1)));
    }
    size_t next = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(chinese ? index->lookupChinese(words[next++ % words.size()])
                                         : index->lookupEnglish(words[next++ % words.size()]));
    // What the open index holds in memory: SQLite's own allocations (page cache, schema, the
    // prepared queries); the index file itself is read through the system's file cache.
    state.counters["index_mb"] = static_cast<double>(sqlite3_memory_used()) / (1024.0 * 1024.0);
}
BENCHMARK_CAPTURE(BM_Lookup, Chinese, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Lookup, English, false)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
