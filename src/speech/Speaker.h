#pragma once
// Reads text aloud through Qt TextToSpeech with a voice for the text's language. The speech
// engine comes from a plug-in of ours opened by the first speak() (SpeechEngine.h), so that
// starting the program never loads Qt TextToSpeech, and it lives on a thread of its own: speech-dispatcher's client waits without limit for a daemon that
// has hung (as it does where sound cannot be played), and the window must not hang with it.
#include <QObject>
#include <QString>

#include <functional>
#include <future>

class QThread;

namespace quillo {

class SpeechEngineHost;

class Speaker : public QObject
{
    Q_OBJECT
public:
    // engine: a Qt TextToSpeech engine name; empty for the platform's default.
    explicit Speaker(QObject* parent = nullptr, const QString& engine = {});
    ~Speaker() override;

    // Starts reading text in the language of languageIndex (an index in LanguageNames()), stopping
    // whatever was being read. False, with failed() emitted, when there is no engine or no voice
    // for that language, or when the speech service does not answer within the reply timeout.
    bool speak(const QString& text, int languageIndex);
    void stop();

    // How long speak() and stop() wait for the speech thread's answer (default five seconds).
    void setReplyTimeout(int milliseconds) { replyTimeout_ = milliseconds; }

signals:
    // A sentence for the user, in Chinese, saying why nothing is read.
    void failed(const QString& message);

private:
    // Runs `call` on the speech thread and waits for its answer: empty when it worked, else the
    // message for failed().
    QString onSpeechThread(std::function<QString(SpeechEngineHost*)> call);

    QString engineName_;
    int replyTimeout_ = 5000;
    QThread* thread_ = nullptr;
    SpeechEngineHost* host_ = nullptr;  // lives on thread_
    std::future<QString> unanswered_;   // a call the speech thread has not answered in time
};

} // namespace quillo
