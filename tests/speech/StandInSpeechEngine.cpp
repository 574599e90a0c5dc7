// A Qt TextToSpeech engine that speaks nothing: it offers the locales named in
// QUILLO_TEST_TTS_LOCALES (comma-separated, e.g. "en_US,zh_CN"; "C" for voices of languages Qt
// cannot name, which then are two Mandarin voices as espeak-ng names them) and notes every call
// that matters in the application's property "standInSpeech" as "engine", "say <locale> <text>",
// "voice <name>" or "stop", for the test. QUILLO_TEST_TTS_STALL_MS makes creating the engine take
// that long, as a hung speech service does; such an engine notes nothing.
#include <QCoreApplication>
#include <QTextToSpeechEngine>
#include <QTextToSpeechPlugin>
#include <QThread>
#include <QVoice>

namespace {

void Note(const QString& line)
{
    QStringList lines = qApp->property("standInSpeech").toStringList();
    lines << line;
    qApp->setProperty("standInSpeech", lines);
}

class StandInEngine : public QTextToSpeechEngine
{
    Q_OBJECT
public:
    using QTextToSpeechEngine::QTextToSpeechEngine;

    QList<QLocale> availableLocales() const override
    {
        QList<QLocale> locales;
        for (const QString& name : qEnvironmentVariable("QUILLO_TEST_TTS_LOCALES").split(u',', Qt::SkipEmptyParts))
            locales << QLocale(name);
        return locales;
    }
    QList<QVoice> availableVoices() const override
    {
        if (m_locale.language() != QLocale::C)
            return {};
        return {createVoice(QStringLiteral("Chinese (Mandarin, latin as English)+Max"), m_locale, QVoice::Male,
                            QVoice::Adult, {}),
                createVoice(QStringLiteral("Chinese (Mandarin, latin as English)"), m_locale, QVoice::Female,
                            QVoice::Adult, {})};
    }
    void say(const QString& text) override { Note(QStringLiteral("say %1 %2").arg(m_locale.name(), text)); }
    void stop(QTextToSpeech::BoundaryHint) override { Note(QStringLiteral("stop")); }
    void pause(QTextToSpeech::BoundaryHint) override {}
    void resume() override {}
    double rate() const override { return 0; }
    bool setRate(double) override { return true; }
    double pitch() const override { return 0; }
    bool setPitch(double) override { return true; }
    QLocale locale() const override { return m_locale; }
    bool setLocale(const QLocale& locale) override
    {
        m_locale = locale;
        return true;
    }
    double volume() const override { return 1; }
    bool setVolume(double) override { return true; }
    QVoice voice() const override { return {}; }
    bool setVoice(const QVoice& voice) override
    {
        Note(QStringLiteral("voice ") + voice.name());
        return true;
    }
    QTextToSpeech::State state() const override { return QTextToSpeech::Ready; }
    QTextToSpeech::ErrorReason errorReason() const override { return QTextToSpeech::ErrorReason::NoError; }
    QString errorString() const override { return {}; }

private:
    QLocale m_locale{QLocale::C};
};

class StandInPlugin : public QObject, public QTextToSpeechPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.qt.speech.tts.plugin/6.0" FILE "StandInSpeechEngine.json")
    Q_INTERFACES(QTextToSpeechPlugin)
public:
    QTextToSpeechEngine* createTextToSpeechEngine(const QVariantMap&, QObject* parent, QString*) const override
    {
        if (const int stall = qEnvironmentVariableIntValue("QUILLO_TEST_TTS_STALL_MS")) {
            QThread::msleep(stall);
            return new StandInEngine(parent);
        }
        Note(QStringLiteral("engine"));
        return new StandInEngine(parent);
    }
};

} // namespace

#include "StandInSpeechEngine.moc"
