// Simplified -> Traditional conversion on a 2000-character text (the source box's limit) and on
// a 1 MiB text (UTF-8 size), by:
//   Quillo      SimplifiedToTraditional on UTF-16, as the window calls it: OpenCC on the runs
//               of Chinese characters;
//   QuilloUtf8  the same from UTF-8 to UTF-8, the footing OpenCC works on;
//   Tables      SimplifiedToTraditionalByTable, the fallback without OpenCC;
//   ListScan    the first way the tables were used: the text to GBK, each double-byte character
//               searched in the list from the first row, and the result back to UTF-16;
//   OpenCC      OpenCC's s2t configuration on UTF-8.
// Every case reports bytes processed as the UTF-8 size of the same text, so rates compare per byte.

#include "core/CodePage.h"
#include "translate/CharTables.h"
#include "translate/ChineseConvert.h"
#include "translate/Encoding.h"

#include <QList>
#include <QStringDecoder>

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#ifdef QUILLO_HAVE_OPENCC
#include <opencc/SimpleConverter.hpp>
#endif

namespace {

// Text built from the table's characters, other common characters, punctuation and some ASCII,
// in sentence-like runs with line breaks; the same seed gives the same text.
QString sampleText(qsizetype utf8Bytes)
{
    QString pool;
    for (int row = 0; row < quillo::CharTableRowCount(); ++row)
        pool += quillo::SimplifiedAt(row);
    for (int code = 0xC5EB; code <= 0xCFE1; code += 2) {
        const char bytes[2] = {char(code >> 8), char(code & 0xFF)};
        pool += QStringDecoder("GBK").decode(QByteArrayView(bytes, 2));
    }
    const QString punctuation = QStringLiteral("，。、；：！？");
    std::mt19937 random(2000);
    QString text;
    qsizetype size = 0;
    while (size < utf8Bytes) {
        const int run = 4 + int(random() % 20);
        for (int i = 0; i < run; ++i)
            text += pool[random() % pool.size()];
        text += random() % 8 == 0 ? QStringLiteral(" Qt 6.4 ") : QString(punctuation[random() % punctuation.size()]);
        if (random() % 6 == 0)
            text += QStringLiteral("\r\n");
        size = quillo::Utf8Encode(text).size();
    }
    return text;
}

QString textFor(const benchmark::State& state)
{
    // range(0) 0: the 2000-character text; 1: the 1 MiB text.
    static const QString small = sampleText(8000).left(2000);
    static const QString large = sampleText(1 << 20);
    return state.range(0) == 0 ? small : large;
}

class ListScan
{
public:
    ListScan()
    {
        for (int row = 0; row < quillo::CharTableRowCount(); ++row) {
            m_simplified.append(quillo::ToAnsi(QString(quillo::SimplifiedAt(row))));
            m_traditional.append(quillo::ToAnsi(QString(quillo::TraditionalAt(row))));
        }
    }

    QString toTraditional(const QString& text) const
    {
        const QByteArray gbk = quillo::ToAnsi(text);
        QByteArray out;
        out.reserve(gbk.size());
        int pending = -1;
        for (char c : gbk) {
            if (uchar(c) < 0x80 && pending < 0) {
                out += c;
            } else if (pending >= 0) {
                const char pair[2] = {char(pending), c};
                const QByteArray item(pair, 2);
                pending = -1;
                const qsizetype row = m_simplified.indexOf(item);
                out += row >= 0 ? m_traditional[row] : item;
            } else {
                pending = uchar(c);
            }
        }
        return quillo::FromAnsi(out);
    }

private:
    QList<QByteArray> m_simplified;
    QList<QByteArray> m_traditional;
};

void setBytes(benchmark::State& state, const QString& text)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * quillo::Utf8Encode(text).size());
}

void BM_Quillo(benchmark::State& state)
{
    const QString text = textFor(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(quillo::SimplifiedToTraditional(text));
    setBytes(state, text);
}

void BM_QuilloUtf8(benchmark::State& state)
{
    const QString text = textFor(state);
    const QByteArray utf8 = quillo::Utf8Encode(text);
    for (auto _ : state)
        benchmark::DoNotOptimize(quillo::Utf8Encode(quillo::SimplifiedToTraditional(quillo::Utf8Decode(utf8))));
    setBytes(state, text);
}

void BM_Tables(benchmark::State& state)
{
    const QString text = textFor(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(quillo::SimplifiedToTraditionalByTable(text));
    setBytes(state, text);
}

void BM_ListScan(benchmark::State& state)
{
    const QString text = textFor(state);
    static const ListScan scan;
    for (auto _ : state)
        benchmark::DoNotOptimize(scan.toTraditional(text));
    setBytes(state, text);
}

BENCHMARK(BM_Quillo)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QuilloUtf8)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tables)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListScan)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

#ifdef QUILLO_HAVE_OPENCC
void BM_OpenCC(benchmark::State& state)
{
    const QString text = textFor(state);
    const std::string utf8 = quillo::Utf8Encode(text).toStdString();
    static const opencc::SimpleConverter converter("s2t.json");
    for (auto _ : state)
        benchmark::DoNotOptimize(converter.Convert(utf8));
    setBytes(state, text);
}
BENCHMARK(BM_OpenCC)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
#endif

} // namespace

BENCHMARK_MAIN();
