#include "speech/Speaker.h"

#include "core/Languages.h"
#include "core/RuntimeLibrary.h"
#include "speech/SpeechEngine.h"
#include "speech/SpeechTrouble.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

namespace quillo {

namespace {

// Installed, the plug-in sits in lib/quillo/plugins beside the program's bin folder; in the build tree, where
// CMake put it.
QByteArray SpeechPluginPath()
{
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/" QUILLO_SPEECH_PLUGIN_INSTALLED);
    return QFile::encodeName(QFileInfo::exists(installed) ? installed : QStringLiteral(QUILLO_SPEECH_PLUGIN));
}

// The plug-in's factory, or none (with the loader's reason) when it cannot be opened.
CreateSpeechEngineFunction LoadSpeechPlugin(QString& reason)
{
    // Never unloaded: the speech thread may still be inside it while the program exits.
    static RuntimeLibrary library(SpeechPluginPath().constData());
    CreateSpeechEngineFunction create = nullptr;
    if (!library.Resolve(create, kCreateSpeechEngineName))
        reason = library.ErrorString();
    return create;
}

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
        QString reason;
        if (!engine_) {
            const CreateSpeechEngineFunction create = LoadSpeechPlugin(reason);
            if (!create)
                return QStringLiteral("无法加载朗读组件（%1），请重新安装本程序。").arg(reason);
            engine_.reset(create(engineName_, [this](const QString& why) { emit failed(QStringLiteral("朗读出错：%1").arg(why)); }));
        }
        switch (engine_->speak(text, LanguageLocale(languageIndex))) {
        case SpeechStart::Started: return {};
        case SpeechStart::NoEngine: return QStringLiteral("没有朗读引擎，请安装 qt6-speech-speechd-plugin。");
        case SpeechStart::EngineFailed: return EngineFailureMessage(ProbeSpeechSurroundings());
        case SpeechStart::NoVoice: break;
        }
        return QStringLiteral("没有可以朗读%1的语音。").arg(LanguageNames()[languageIndex]);
    }

    void stop()
    {
        if (engine_)
            engine_->stop();
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
    std::unique_ptr<SpeechEngine> engine_; // made, used and deleted on the speech thread
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
        return NoReplyMessage(ProbeSpeechSurroundings());
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
        return NoReplyMessage(ProbeSpeechSurroundings());
    }
    return answer.get();
}

} // namespace quillo

#include "Speaker.moc"
