#include "detect/WordLists.h"

#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#include <mutex>
#include <string_view>
#include <vector>

namespace quillo {

namespace {

struct WordListSource
{
    QByteArray code;
    QList<QByteArray> files; // under QUILLO_WORD_LISTS
};

// British spellings join the American ones: a user's "colour" is as English as "color".
const QList<WordListSource>& Sources()
{
    static const QList<WordListSource> sources{
        {"en", {"american-english", "british-english"}},
        {"fr", {"french"}},
        {"de", {"ngerman"}},
        {"es", {"spanish"}},
        {"it", {"italian"}},
        {"nl", {"dutch"}},
        {"pt", {"portuguese"}},
    };
    return sources;
}

size_t WordHash(QByteArrayView utf8)
{
    return std::hash<std::string_view>{}(std::string_view(utf8.data(), static_cast<size_t>(utf8.size())));
}

// Typographic apostrophes count as the plain one the lists use; case and composition do not count.
size_t FoldedHash(QStringView word)
{
    QString folded = word.toString().normalized(QString::NormalizationForm_C).toCaseFolded();
    folded.replace(QChar(0x2019), QLatin1Char('\''));
    return WordHash(folded.toUtf8());
}

// The same for a line of a list, which is in composed form already. Most lines are plain ASCII,
// folded here byte by byte: reading a list then takes a fraction of the time.
size_t LineHash(QByteArrayView line, QByteArray& buffer)
{
    const bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii)
        return WordHash(QString::fromUtf8(line).toCaseFolded().toUtf8());
    buffer.resize(line.size());
    std::transform(line.begin(), line.end(), buffer.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return WordHash(buffer);
}

class WordList
{
public:
    bool knows(QStringView word) const
    {
        return std::binary_search(m_hashes.begin(), m_hashes.end(), FoldedHash(word));
    }

    void load(const QList<QByteArray>& files)
    {
        for (const QByteArray& name : files) {
            QFile file(QStringLiteral(QUILLO_WORD_LISTS "/") + QString::fromLatin1(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = file.readAll();
            QByteArray buffer;
            for (qsizetype start = 0; start < text.size();) {
                qsizetype end = text.indexOf('\n', start);
                end = end < 0 ? text.size() : end;
                const QByteArrayView line = QByteArrayView(text).sliced(start, end - start).trimmed();
                if (!line.isEmpty())
                    m_hashes.push_back(LineHash(line, buffer));
                start = end + 1;
            }
        }
        std::sort(m_hashes.begin(), m_hashes.end());
        m_hashes.erase(std::unique(m_hashes.begin(), m_hashes.end()), m_hashes.end());
        m_hashes.shrink_to_fit();
    }

private:
    // Hashes rather than strings: a tenth of the memory, and a false match among a few hundred
    // thousand 64-bit hashes is as good as impossible.
    std::vector<size_t> m_hashes;
};

struct LazyWordList
{
    std::once_flag loaded;
    WordList list;
};

} // namespace

bool WordListKnows(const QByteArray& code, QStringView word)
{
    // quillo-server detects on several threads at once; each list is read by the first of them.
    const QList<WordListSource>& sources = Sources();
    static std::vector<LazyWordList> lists(static_cast<size_t>(sources.size()));
    const auto source = std::find_if(sources.begin(), sources.end(), [&](const WordListSource& s) { return s.code == code; });
    if (source == sources.end())
        return false;
    LazyWordList& lazy = lists[static_cast<size_t>(source - sources.begin())];
    std::call_once(lazy.loaded, [&] { lazy.list.load(source->files); });
    return lazy.list.knows(word);
}

const QList<QByteArray>& WordListLanguages()
{
    static const QList<QByteArray> codes = [] {
        QList<QByteArray> found;
        for (const WordListSource& source : Sources())
            found << source.code;
        return found;
    }();
    return codes;
}

} // namespace quillo
