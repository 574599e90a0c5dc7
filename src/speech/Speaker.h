#pragma once
// Reads text aloud through Qt TextToSpeech with a voice for the text's language. The speech
// engine is created on the first speak(), so that starting the program never loads it.
#include <QObject>
#include <QString>

class QLocale;
class QTextToSpeech;

namespace quillo {

class Speaker : public QObject
{
    Q_OBJECT
public:
    // engine: a Qt TextToSpeech engine name; empty for the platform's default.
    explicit Speaker(QObject* parent = nullptr, const QString& engine = {});
    ~Speaker() override;

    // Starts reading text in the language of languageIndex (an index in LanguageNames()), stopping
    // whatever was being read. False, with failed() emitted, when there is no engine or no voice
    // for that language.
    bool speak(const QString& text, int languageIndex);
    void stop();

signals:
    // A sentence for the user, in Chinese, saying why nothing is read.
    void failed(const QString& message);

private:
    QTextToSpeech* engine();
    // Sets the engine's locale, or a voice, for reading `wanted`'s language; false when it has none.
    bool chooseVoice(const QLocale& wanted);

    QString engineName_;
    QTextToSpeech* speech_ = nullptr;
};

} // namespace quillo
