#include "speech/Speaker.h"

#include "translate/Languages.h"

#include <QTextToSpeech>
#include <QVoice>

#include <array>
#include <optional>

namespace quillo {

namespace {

// The locale each entry of the language list is read in, in list order.
const std::array<QLocale, kLanguageCount>& LanguageLocales()
{
    static const std::array<QLocale, kLanguageCount> locales{{
        QLocale(QLocale::Chinese, QLocale::China),
        QLocale(QLocale::Chinese, QLocale::Taiwan),
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::Dutch, QLocale::Netherlands),
        QLocale(QLocale::French, QLocale::France),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::Greek, QLocale::Greece),
        QLocale(QLocale::Italian, QLocale::Italy),
        QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale(QLocale::Korean, QLocale::SouthKorea),
        QLocale(QLocale::Portuguese, QLocale::Brazil),
        QLocale(QLocale::Russian, QLocale::Russia),
        QLocale(QLocale::Spanish, QLocale::Spain),
    }};
    return locales;
}

// The engine's locale for `wanted`: the same language and country if it has it, else the same
// language anywhere (a Mandarin voice of the mainland reads Traditional characters as well).
std::optional<QLocale> MatchingLocale(const QList<QLocale>& available, const QLocale& wanted)
{
    std::optional<QLocale> sameLanguage;
    for (const QLocale& locale : available) {
        if (locale.language() != wanted.language())
            continue;
        if (locale.territory() == wanted.territory())
            return locale;
        if (!sameLanguage)
            sameLanguage = locale;
    }
    return sameLanguage;
}

// Voices whose language Qt cannot name are listed under the C locale: espeak-ng's Mandarin, "cmn",
// is one of them behind speech-dispatcher. Such a voice is found by its name, which begins with the
// language's English name ("Chinese (Mandarin, ...)"); the plain voice, not a variant ("...+Max").
std::optional<QVoice> UnnamedLanguageVoice(QTextToSpeech* speech, const QLocale& wanted)
{
    const QString languageName = QLocale::languageToString(wanted.language());
    for (const QLocale& locale : speech->availableLocales()) {
        if (locale.language() != QLocale::C && locale.language() != QLocale::AnyLanguage)
            continue;
        speech->setLocale(locale);
        for (const QVoice& voice : speech->availableVoices()) {
            if (voice.name().startsWith(languageName) && !voice.name().contains(u'+'))
                return voice;
        }
    }
    return std::nullopt;
}

} // namespace

Speaker::Speaker(QObject* parent, const QString& engine)
    : QObject(parent)
    , engineName_(engine)
{
}

Speaker::~Speaker() = default;

QTextToSpeech* Speaker::engine()
{
    if (!speech_) {
        speech_ = engineName_.isEmpty() ? new QTextToSpeech(this) : new QTextToSpeech(engineName_, this);
        connect(speech_, &QTextToSpeech::errorOccurred, this, [this](QTextToSpeech::ErrorReason, const QString& reason) {
            emit failed(QStringLiteral("朗读出错：%1").arg(reason));
        });
    }
    return speech_;
}

bool Speaker::speak(const QString& text, int languageIndex)
{
    const QStringList names = LanguageNames();
    if (languageIndex < 0 || languageIndex >= kLanguageCount) {
        emit failed(QStringLiteral("不知道这段文字的语言，无法朗读。"));
        return false;
    }
    QTextToSpeech* speech = engine();
    if (speech->state() == QTextToSpeech::Error) {
        emit failed(QStringLiteral("无法启动朗读引擎，请确认已安装 speech-dispatcher 和 espeak-ng。"));
        return false;
    }
    speech->stop();
    if (!chooseVoice(LanguageLocales()[languageIndex])) {
        emit failed(QStringLiteral("没有可以朗读%1的语音。").arg(names[languageIndex]));
        return false;
    }
    speech->say(text);
    return true;
}

bool Speaker::chooseVoice(const QLocale& wanted)
{
    if (const std::optional<QLocale> locale = MatchingLocale(speech_->availableLocales(), wanted)) {
        if (speech_->locale() != *locale)
            speech_->setLocale(*locale);
        return true;
    }
    if (const std::optional<QVoice> voice = UnnamedLanguageVoice(speech_, wanted)) {
        speech_->setVoice(*voice);
        return true;
    }
    return false;
}

void Speaker::stop()
{
    if (speech_)
        speech_->stop();
}

} // namespace quillo
