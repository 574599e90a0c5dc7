#include "server/engines/dictionary/Folding.h"

#include <QRegularExpression>

#include <initializer_list>
#include <utility>

namespace quillo::dictformats {

namespace {

// Marks are dropped only after letters of the alphabets that use them as accents.
bool takesAccents(QChar base)
{
    return base.unicode() < 0x0530;
}

QString withoutAccents(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString kept;
    kept.reserve(decomposed.size());
    QChar base;
    for (QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing && takesAccents(base))
            continue;
        kept.append(c);
        if (c.category() != QChar::Mark_NonSpacing)
            base = c;
    }
    return kept.normalized(QString::NormalizationForm_C);
}

struct Suffix {
    const char* ending;
    const char* replacement;
    int minStem; // letters that must remain before the ending
};

// Applies every rule whose ending `lower` has, in order, keeping the results that differ.
void applySuffixes(const QString& lower, std::initializer_list<Suffix> rules, QStringList& bases)
{
    for (const Suffix& rule : rules) {
        const QString ending = QString::fromUtf8(rule.ending);
        if (!lower.endsWith(ending) || lower.size() - ending.size() < rule.minStem)
            continue;
        const QString base = lower.left(lower.size() - ending.size()) + QString::fromUtf8(rule.replacement);
        if (base != lower && !bases.contains(base))
            bases.append(base);
    }
}

bool isVowel(QChar c)
{
    return QStringLiteral("aeiou").contains(c);
}

// "stopped" -> "stop", "running" -> "run": a doubled final consonant before -ed/-ing.
void undoubledStem(const QString& stem, QStringList& bases)
{
    const auto n = stem.size();
    if (n >= 3 && stem[n - 1] == stem[n - 2] && !isVowel(stem[n - 1]) && stem[n - 1] != QLatin1Char('s')
        && stem[n - 1] != QLatin1Char('l') && !bases.contains(stem.left(n - 1)))
        bases.append(stem.left(n - 1));
}

QStringList englishBases(const QString& w)
{
    static const std::pair<const char*, const char*> irregular[] = {
        {"children", "child"}, {"men", "man"}, {"women", "woman"}, {"feet", "foot"}, {"teeth", "tooth"},
        {"mice", "mouse"}, {"geese", "goose"}, {"people", "person"}, {"went", "go"}, {"gone", "go"},
        {"was", "be"}, {"were", "be"}, {"been", "be"}, {"had", "have"}, {"did", "do"}, {"done", "do"},
        {"made", "make"}, {"said", "say"}, {"took", "take"}, {"taken", "take"}, {"saw", "see"},
        {"seen", "see"}, {"came", "come"}, {"ran", "run"}, {"ate", "eat"}, {"eaten", "eat"},
    };
    QStringList bases;
    for (const auto& [form, base] : irregular)
        if (w == QLatin1String(form))
            bases.append(QString::fromUtf8(base));
    applySuffixes(w, {{"ies", "y", 2}, {"ves", "f", 2}, {"ves", "fe", 2}, {"s", "", 2}, {"es", "", 2},
                      {"ied", "y", 2}, {"ed", "e", 2}, {"ed", "", 2}, {"ing", "e", 2}, {"ing", "", 2}},
                  bases);
    if (w.endsWith(QLatin1String("ss")))
        bases.removeAll(w.left(w.size() - 1)); // "glass" is no plural of "glas"
    for (const char* ending : {"ed", "ing"}) {
        const QString e = QString::fromLatin1(ending);
        if (w.endsWith(e))
            undoubledStem(w.left(w.size() - e.size()), bases);
    }
    return bases;
}

QStringList germanBases(const QString& w)
{
    QStringList bases;
    // Umlaut plurals (Häuser, Äpfel) reach their singular through accent folding of the key.
    applySuffixes(w, {{"innen", "in", 2}, {"en", "", 2}, {"er", "", 2}, {"e", "", 2}, {"n", "", 2}, {"s", "", 2}},
                  bases);
    return bases;
}

QStringList frenchBases(const QString& w)
{
    QStringList bases;
    applySuffixes(w, {{"aux", "al", 2}, {"aux", "ail", 2}, {"x", "", 2}, {"s", "", 2}, {"es", "", 2}, {"e", "", 3}},
                  bases);
    return bases;
}

QStringList spanishBases(const QString& w)
{
    QStringList bases;
    applySuffixes(w, {{"ces", "z", 2}, {"es", "", 2}, {"s", "", 2}, {"a", "o", 2}, {"as", "o", 2}}, bases);
    return bases;
}

QStringList italianBases(const QString& w)
{
    QStringList bases;
    applySuffixes(w, {{"chi", "co", 1}, {"ghi", "go", 1}, {"che", "ca", 1}, {"ghe", "ga", 1}, {"i", "o", 2},
                      {"i", "e", 2}, {"e", "a", 2}, {"a", "o", 2}},
                  bases);
    return bases;
}

} // namespace

QString foldKey(const QString& text)
{
    QString folded = withoutAccents(text.simplified()).toCaseFolded();
    folded.replace(QChar(0x00DF), QLatin1String("ss")); // ß: Qt's simple folding keeps it
    return folded;
}

QString dictdKey(const QString& text)
{
    QString key = foldKey(text);
    key.removeIf([](QChar c) { return !c.isLetterOrNumber() && !c.isSpace(); });
    return key.simplified();
}

QStringList inflectionBases(const QString& word, const QString& language)
{
    const QString w = word.toLower();
    if (language == QLatin1String("en"))
        return englishBases(w);
    if (language == QLatin1String("de"))
        return germanBases(w);
    if (language == QLatin1String("fr"))
        return frenchBases(w);
    if (language == QLatin1String("es"))
        return spanishBases(w);
    if (language == QLatin1String("it"))
        return italianBases(w);
    return {};
}

} // namespace quillo::dictformats
