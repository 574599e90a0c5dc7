#include "speech/Speaker.h"

#include "core/Languages.h"

#include <QTextToSpeech>
#include <QThread>
#include <QVoice>

#include <array>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
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

const QString kNoReply = QStringLiteral("朗读服务没有响应，请检查 speech-dispatcher 是否正常运行。");

} // namespace

// The engine and everything done with it, on the speech thread.
class SpeechEngineHost : public QObject
{
    Q_OBJECT
public:
    explicit SpeechEngineHost(const QString& engineName)
        : engineName_(engineName)
    {
    }

    QString speak(const QString& text, int languageIndex)
    {
        QTextToSpeech* speech = engine();
        if (speech->state() == QTextToSpeech::Error)
            return QStringLiteral("无法启动朗读引擎，请确认已安装 speech-dispatcher 和 espeak-ng。");
        speech->stop();
        if (!chooseVoice(LanguageLocale(languageIndex)))
            return QStringLiteral("没有可以朗读%1的语音。").arg(LanguageNames()[languageIndex]);
        speech->say(text);
        return {};
    }

    void stop()
    {
        if (speech_)
            speech_->stop();
    }

    // Queues `call` for the speech thread (from any thread). The calls travel under a mutex and the
    // queued wake-up carries no data, so that ThreadSanitizer, blind to Qt's own event queue, sees
    // the hand-over.
    void post(std::function<void()> call)
    {
        const std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
        // By name: the queued call is then made and read inside Qt alone. Under the lock, so that
        // this thread's use of the object visibly precedes everything the speech thread does
        // after taking the calls, its deletion included.
        QMetaObject::invokeMethod(this, "runPosted", Qt::QueuedConnection);
    }

signals:
    void failed(const QString& message);

private:
    QTextToSpeech* engine()
    {
        if (!speech_) {
            speech_ = engineName_.isEmpty() ? new QTextToSpeech(this) : new QTextToSpeech(engineName_, this);
            connect(speech_, &QTextToSpeech::errorOccurred, this,
                    [this](QTextToSpeech::ErrorReason, const QString& reason) {
                        emit failed(QStringLiteral("朗读出错：%1").arg(reason));
                    });
        }
        return speech_;
    }

    // Sets the engine's locale, or a voice, for reading `wanted`'s language; false when it has none.
    bool chooseVoice(const QLocale& wanted)
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

    Q_INVOKABLE void runPosted()
    {
        std::deque<std::function<void()>> calls;
        {
            const std::lock_guard lock(mutex_);
            calls.swap(calls_);
        }
        for (const std::function<void()>& call : calls)
            call();
    }

    QString engineName_;
    QTextToSpeech* speech_ = nullptr;
    std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
};

Speaker::Speaker(QObject* parent, const QString& engine)
    : QObject(parent)
    , engineName_(engine)
{
}

Speaker::~Speaker()
{
    if (!thread_)
        return;
    thread_->quit();
    // A thread still waiting for a hung speech service is left to end with the process: a QThread
    // cannot be destroyed while it runs.
    const bool stuck = unanswered_.valid() && unanswered_.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
    if (!stuck && thread_->wait(replyTimeout_))
        delete thread_;
}

bool Speaker::speak(const QString& text, int languageIndex)
{
    if (languageIndex < 0 || languageIndex >= kLanguageCount) {
        emit failed(QStringLiteral("不知道这段文字的语言，无法朗读。"));
        return false;
    }
    const QString failure = onSpeechThread([text, languageIndex](SpeechEngineHost* host) {
        return host->speak(text, languageIndex);
    });
    if (!failure.isEmpty())
        emit failed(failure);
    return failure.isEmpty();
}

void Speaker::stop()
{
    if (host_)
        onSpeechThread([](SpeechEngineHost* host) {
            host->stop();
            return QString();
        });
}

QString Speaker::onSpeechThread(std::function<QString(SpeechEngineHost*)> call)
{
    // While an earlier call is still unanswered the thread is stuck in it; nothing more is queued.
    if (unanswered_.valid() && unanswered_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return kNoReply;
    unanswered_ = {};
    if (!thread_) {
        thread_ = new QThread;
        thread_->setObjectName(QStringLiteral("speech"));
        host_ = new SpeechEngineHost(engineName_);
        host_->moveToThread(thread_);
        connect(thread_, &QThread::finished, host_, &QObject::deleteLater);
        connect(host_, &SpeechEngineHost::failed, this, &Speaker::failed);
        thread_->start();
    }
    auto reply = std::make_shared<std::promise<QString>>();
    std::future<QString> answer = reply->get_future();
    host_->post([host = host_, call = std::move(call), reply] { reply->set_value(call(host)); });
    if (answer.wait_for(std::chrono::milliseconds(replyTimeout_)) != std::future_status::ready) {
        unanswered_ = std::move(answer);
        return kNoReply;
    }
    return answer.get();
}

} // namespace quillo

#include "Speaker.moc"
