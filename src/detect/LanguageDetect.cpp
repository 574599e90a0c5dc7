#include "detect/LanguageDetect.h"

#include "core/Languages.h"
#include "core/RuntimeLibrary.h"
#include "detect/WordLists.h"
#include "translate/ChineseConvert.h"

#include <QRegularExpression>
#include <QSet>

#include <fingerprint.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace quillo {

namespace {

// Letters counted by the script they are written in.
struct ScriptCounts
{
    int han = 0;
    int kana = 0;
    int hangul = 0;
    int greek = 0;
    int cyrillic = 0;
    int latin = 0;
};

ScriptCounts CountScripts(const QString& text)
{
    ScriptCounts counts;
    for (const char32_t codePoint : text.toUcs4()) {
        switch (QChar::script(codePoint)) {
        case QChar::Script_Han: ++counts.han; break;
        case QChar::Script_Hiragana:
        case QChar::Script_Katakana: ++counts.kana; break;
        case QChar::Script_Hangul: ++counts.hangul; break;
        case QChar::Script_Greek: ++counts.greek; break;
        case QChar::Script_Cyrillic: ++counts.cyrillic; break;
        case QChar::Script_Latin: counts.latin += QChar::isLetter(codePoint) ? 1 : 0; break;
        default: break;
        }
    }
    return counts;
}

int IndexOfCode(const char* code)
{
    for (int index = 0; index < kLanguageCount; ++index) {
        if (BabelFishCode(index) == code)
            return index;
    }
    return -1;
}

// The languages of the list that their script alone tells.
const QSet<QByteArray> kScriptLanguages{"zh", "zt", "ja", "ko", "el", "ru"};

const int kSimplifiedChinese = IndexOfCode("zh");
const int kTraditionalChinese = IndexOfCode("zt");

int ChangedCharacters(const QString& text, const QString& converted)
{
    if (converted.size() != text.size())
        return text == converted ? 0 : 1;
    int changed = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        changed += text[i] != converted[i] ? 1 : 0;
    return changed;
}

// Characters only Traditional writing uses change when converted to Simplified, and the other way
// round; text in characters both share counts as Simplified, the more common of the two.
int DetectChinese(const QString& text)
{
    const int traditionalMarks = ChangedCharacters(text, TraditionalToSimplified(text));
    const int simplifiedMarks = ChangedCharacters(text, SimplifiedToTraditional(text));
    // Characters that only Traditional writing uses are the surer sign: converting to Traditional
    // also changes characters Traditional text shares (公布 becomes 公佈), so a tie goes that way.
    return traditionalMarks > 0 && traditionalMarks >= simplifiedMarks ? kTraditionalChinese : kSimplifiedChinese;
}

// The n-gram fingerprints of libexttextcat (LibreOffice's language guesser) for the languages of
// the list written in Latin letters, and for a few other Latin-script languages so that text in
// one of those is not forced into the list. Loaded once, on first use.
// X(name): the member `name` points at libexttextcat's `fp_name`.
#define QUILLO_TEXTCAT_FUNCTIONS(X) \
    X(Init)                         \
    X(Done)                         \
    X(SetProperty)                  \
    X(Create)                       \
    X(Read)                         \
    X(Compare)

struct TextcatApi
{
    // Typed after the header's declarations, so a signature that does not match fails to build.
#define QUILLO_TEXTCAT_MEMBER(name) decltype(&::fp_##name) name = nullptr;
    QUILLO_TEXTCAT_FUNCTIONS(QUILLO_TEXTCAT_MEMBER)
#undef QUILLO_TEXTCAT_MEMBER
};

// The library's functions, or none when it cannot be had (then nothing is told apart by n-grams).
std::optional<TextcatApi> loadTextcat()
{
    // Never unloaded: the fingerprints below live until the process ends.
    static RuntimeLibrary library(QUILLO_LIBEXTTEXTCAT_NAME);
    return ResolveFunctions<TextcatApi>(library, [](RuntimeLibrary& opened, TextcatApi& api) {
#define QUILLO_TEXTCAT_RESOLVE(name) opened.Resolve(api.name, "fp_" #name) &&
        return QUILLO_TEXTCAT_FUNCTIONS(QUILLO_TEXTCAT_RESOLVE) true;
#undef QUILLO_TEXTCAT_RESOLVE
    });
}

class LatinFingerprints
{
public:
    LatinFingerprints()
        : m_api(loadTextcat())
    {
        if (!m_api)
            return;
        for (int index = 0; index < kLanguageCount; ++index) {
            if (!kScriptLanguages.contains(BabelFishCode(index)))
                load(BabelFishCode(index), index);
        }
        for (const char* other : {"pl", "cs", "hu", "fi", "sv", "da", "tr", "id", "vi", "hr"})
            load(other, -1);
    }
    ~LatinFingerprints()
    {
        for (const Fingerprint& fingerprint : m_fingerprints)
            m_api->Done(fingerprint.handle);
    }
    LatinFingerprints(const LatinFingerprints&) = delete;
    LatinFingerprints& operator=(const LatinFingerprints&) = delete;

    struct Distance
    {
        int index; // -1 for a language outside the list
        sint4 distance;
    };

    // Every loaded language's distance from the text, the closest first (on a tie, the one loaded
    // first); empty when nothing could be loaded or the text gives no n-grams.
    std::vector<Distance> distances(const QString& text) const
    {
        std::vector<Distance> found;
        if (m_fingerprints.empty())
            return found;
        const QByteArray utf8 = text.toUtf8();
        void* unknown = m_api->Init(nullptr);
        m_api->SetProperty(unknown, TCPROP_UTF8AWARE, TC_TRUE);
        if (m_api->Create(unknown, utf8.constData(), static_cast<uint4>(utf8.size()), kNgrams)) {
            for (const Fingerprint& fingerprint : m_fingerprints)
                found.push_back({fingerprint.index, m_api->Compare(fingerprint.handle, unknown, std::numeric_limits<sint4>::max())});
        }
        m_api->Done(unknown);
        std::stable_sort(found.begin(), found.end(), [](const Distance& a, const Distance& b) { return a.distance < b.distance; });
        return found;
    }

private:
    struct Fingerprint
    {
        void* handle;
        int index;
    };
    static constexpr int kNgrams = 400;

    void load(const QByteArray& code, int index)
    {
        void* handle = m_api->Init(code.constData());
        m_api->SetProperty(handle, TCPROP_UTF8AWARE, TC_TRUE);
        const QByteArray path = QByteArray(QUILLO_TEXTCAT_FINGERPRINTS "/") + code + ".lm";
        if (m_api->Read(handle, path.constData(), kNgrams))
            m_fingerprints.push_back({handle, index});
        else
            m_api->Done(handle);
    }

    std::optional<TextcatApi> m_api;
    std::vector<Fingerprint> m_fingerprints;
};

std::vector<LatinFingerprints::Distance> LatinDistances(const QString& text)
{
    static const LatinFingerprints fingerprints;
    return fingerprints.distances(text);
}

// The Latin-script languages of the list by closeness, each with a weight that halves for each
// 5 % it lies further than the closest, `share` divided among every loaded language by weight;
// empty when the closest is a language outside the list or nothing could be loaded.
std::vector<LanguageGuess> RankLatin(const QString& text, double share)
{
    const std::vector<LatinFingerprints::Distance> distances = LatinDistances(text);
    if (distances.empty() || distances.front().index < 0)
        return {};
    const double closest = std::max<double>(distances.front().distance, 1.0);
    std::vector<LanguageGuess> guesses;
    double total = 0;
    for (const auto& [index, distance] : distances) {
        const double weight = std::exp2(-20.0 * (distance - closest) / closest);
        total += weight;
        if (index >= 0)
            guesses.push_back({index, weight});
    }
    for (LanguageGuess& guess : guesses)
        guess.confidence *= share / total;
    return guesses;
}

constexpr size_t kMostGuesses = 3;

std::vector<LanguageGuess> DetectLatin(const QString& text, double share)
{
    std::vector<LanguageGuess> guesses = RankLatin(text, share);
    guesses.resize(std::min(guesses.size(), kMostGuesses));
    return guesses;
}

// The words of a text: runs of letters, with the apostrophes and hyphens inside them.
QStringList Words(const QString& text)
{
    QStringList words;
    QString word;
    const auto joins = [](QChar c) { return c == QLatin1Char('\'') || c == QChar(0x2019) || c == QLatin1Char('-'); };
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const QChar c = i < text.size() ? text[i] : QChar();
        const bool inside = c.isLetter() || c.isMark()
            || (joins(c) && !word.isEmpty() && i + 1 < text.size() && text[i + 1].isLetter());
        if (inside) {
            word += c;
        } else if (!word.isEmpty()) {
            words << word;
            word.clear();
        }
    }
    return words;
}

// A list knows a word when it holds it whole, or each of its parts ("e-mail", "l'eau").
bool Knows(const QByteArray& code, const QString& word)
{
    if (WordListKnows(code, word))
        return true;
    static const QRegularExpression joins(QStringLiteral("['\u2019-]"));
    const QStringList parts = word.split(joins, Qt::SkipEmptyParts);
    return parts.size() > 1 && std::all_of(parts.begin(), parts.end(), [&](const QString& part) { return WordListKnows(code, part); });
}

int KnownWords(const QByteArray& code, const QStringList& words)
{
    return static_cast<int>(std::count_if(words.begin(), words.end(), [&](const QString& word) { return Knows(code, word); }));
}

// The Latin-script languages of the list, the closest by n-grams first, then those the n-grams
// could not rank.
std::vector<int> LatinLanguagesByCloseness(const std::vector<LanguageGuess>& ranked)
{
    std::vector<int> order;
    for (const LanguageGuess& guess : ranked)
        order.push_back(guess.index);
    for (const QByteArray& code : WordListLanguages()) {
        const int index = IndexOfCode(code.constData());
        if (std::find(order.begin(), order.end(), index) == order.end())
            order.push_back(index);
    }
    return order;
}

// The languages other than English whose lists know the most words of all, if that is more than
// English's list knows, in the given order; empty when English knows as many.
std::vector<int> BestKnowing(const std::vector<int>& order, const QStringList& words, int englishKnows)
{
    std::vector<int> best;
    int most = englishKnows + 1;
    for (const int index : order) {
        const QByteArray code = BabelFishCode(index);
        const int known = code == "en" ? 0 : KnownWords(code, words);
        if (known > most)
            best.clear();
        if (known >= most) {
            best.push_back(index);
            most = known;
        }
    }
    return best;
}

// One to three words are too few for n-grams ("hello" comes closest to Italian), so the spelling
// lists decide: English, the language most short selections are in, when its list knows every
// word; else the language whose list knows the most words, if that is more than English's (the
// n-grams choose among equals); the n-grams alone only when no list knows any word. The
// languages after the first keep the n-grams' order, and the guesses their confidences.
std::vector<LanguageGuess> DetectShortLatin(const QString& text, const QStringList& words, double share)
{
    const std::vector<LanguageGuess> ranked = RankLatin(text, share);
    std::vector<int> order = LatinLanguagesByCloseness(ranked);
    const int englishKnows = KnownWords("en", words);
    const std::vector<int> best = englishKnows < words.size() ? BestKnowing(order, words, englishKnows) : std::vector<int>{};
    int chosen = best.empty() ? IndexOfCode("en") : best.front();
    if (best.empty() && englishKnows == 0 && !ranked.empty())
        chosen = ranked.front().index;
    std::stable_partition(order.begin(), order.end(), [&](int index) {
        return index == chosen || std::find(best.begin(), best.end(), index) != best.end();
    });
    std::stable_partition(order.begin(), order.end(), [&](int index) { return index == chosen; });
    std::vector<LanguageGuess> guesses;
    for (size_t i = 0; i < std::min(order.size(), kMostGuesses); ++i) {
        // Without the n-grams' closeness every guess is as likely as the next.
        const double confidence = ranked.size() >= kMostGuesses ? ranked[i].confidence : share / kMostGuesses;
        guesses.push_back({order[i], confidence});
    }
    return guesses;
}

} // namespace

int DetectLanguage(const QString& text)
{
    const std::vector<LanguageGuess> guesses = DetectLanguages(text);
    return guesses.empty() ? -1 : guesses.front().index;
}

std::vector<LanguageGuess> DetectLanguages(const QString& selection)
{
    // The opening of a long selection tells its language as well as the whole would, and keeps
    // the conversions and the n-gram count short whatever was selected.
    constexpr qsizetype kSampleLength = 2000;
    const QString text = selection.left(kSampleLength);
    const ScriptCounts counts = CountScripts(text);
    // Japanese mixes Chinese characters with kana; a text with hardly any kana is Chinese quoting a
    // Japanese name or two.
    const bool japanese = counts.kana > 0 && counts.kana * 10 >= counts.han + counts.kana;
    // A Chinese character or a hangul syllable says about as much as three alphabet letters: a
    // Chinese sentence naming "Linux" stays Chinese.
    constexpr int kSyllableWeight = 3;
    const int chineseOrJapanese = kSyllableWeight * (counts.han + (japanese ? counts.kana : 0));
    const int hangul = kSyllableWeight * counts.hangul;
    const int most = std::max({chineseOrJapanese, hangul, counts.greek, counts.cyrillic, counts.latin});
    if (most == 0)
        return {};
    const double share = static_cast<double>(most) / (chineseOrJapanese + hangul + counts.greek + counts.cyrillic + counts.latin);
    if (most == chineseOrJapanese)
        return {{japanese ? IndexOfCode("ja") : DetectChinese(text), share}};
    if (most == hangul)
        return {{IndexOfCode("ko"), share}};
    if (most == counts.greek)
        return {{IndexOfCode("el"), share}};
    if (most == counts.cyrillic)
        return {{IndexOfCode("ru"), share}};
    const QStringList words = Words(text);
    constexpr qsizetype kMostShortWords = 3;
    if (!words.isEmpty() && words.size() <= kMostShortWords)
        return DetectShortLatin(text, words, share);
    return DetectLatin(text, share);
}

} // namespace quillo
