// The plug-in side of SpeechEngine.h: Qt TextToSpeech with a voice for the text's language.
#include "speech/SpeechEngine.h"

#include <QTextToSpeech>
#include <QVoice>

#include <memory>
#include <optional>

namespace quillo {

namespace {

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
std::optional<QVoice> UnnamedLanguageVoice(QTextToSpeech& speech, const QLocale& wanted)
{
    const QString languageName = QLocale::languageToString(wanted.language());
    for (const QLocale& locale : speech.availableLocales()) {
        if (locale.language() != QLocale::C && locale.language() != QLocale::AnyLanguage)
            continue;
        speech.setLocale(locale);
        for (const QVoice& voice : speech.availableVoices()) {
            if (voice.name().startsWith(languageName) && !voice.name().contains(u'+'))
                return voice;
        }
    }
    return std::nullopt;
}

class QtSpeechEngine : public SpeechEngine
{
public:
    QtSpeechEngine(const QString& engineName, const std::function<void(const QString&)>& onError)
        : m_known(engineName.isEmpty() ? !QTextToSpeech::availableEngines().isEmpty()
                                       : QTextToSpeech::availableEngines().contains(engineName))
    {
        if (!m_known)
            return;
        m_speech = std::make_unique<QTextToSpeech>(engineName);
        QObject::connect(m_speech.get(), &QTextToSpeech::errorOccurred, m_speech.get(),
                         [onError](QTextToSpeech::ErrorReason, const QString& reason) { onError(reason); });
    }

    SpeechStart speak(const QString& text, const QLocale& language) override
    {
        if (!m_known)
            return SpeechStart::NoEngine;
        if (m_speech->state() == QTextToSpeech::Error)
            return SpeechStart::EngineFailed;
        m_speech->stop();
        if (!chooseVoice(language))
            return SpeechStart::NoVoice;
        m_speech->say(text);
        return SpeechStart::Started;
    }

    void stop() override
    {
        if (m_speech)
            m_speech->stop();
    }

private:
    // Sets the engine's locale, or a voice, for reading `wanted`'s language; false when it has none.
    bool chooseVoice(const QLocale& wanted)
    {
        if (const std::optional<QLocale> locale = MatchingLocale(m_speech->availableLocales(), wanted)) {
            if (m_speech->locale() != *locale)
                m_speech->setLocale(*locale);
            return true;
        }
        if (const std::optional<QVoice> voice = UnnamedLanguageVoice(*m_speech, wanted)) {
            m_speech->setVoice(*voice);
            return true;
        }
        return false;
    }

    bool m_known;
    std::unique_ptr<QTextToSpeech> m_speech;
};

} // namespace

} // namespace quillo

extern "C" Q_DECL_EXPORT quillo::SpeechEngine* QuilloCreateSpeechEngine(const QString& engineName,
                                                                         const std::function<void(const QString&)>& onError)
{
    return new quillo::QtSpeechEngine(engineName, onError);
}
