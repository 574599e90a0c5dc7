#include "speech/Speaker.h"

#include "translate/Languages.h"

#include <QTextToSpeech>

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
    const std::optional<QLocale> locale = MatchingLocale(speech->availableLocales(), LanguageLocales()[languageIndex]);
    if (!locale) {
        emit failed(QStringLiteral("没有可以朗读%1的语音。").arg(names[languageIndex]));
        return false;
    }
    speech->stop();
    if (speech->locale() != *locale)
        speech->setLocale(*locale);
    speech->say(text);
    return true;
}

void Speaker::stop()
{
    if (speech_)
        speech_->stop();
}

} // namespace quillo
