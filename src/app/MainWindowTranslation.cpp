// The main window's side of its translations: the request components, the engines that drive
// them, and what the window shows when a translation ends.
//
// The flow itself (the English chain, the WorldLingo stages) lives in the engines. The window
// binds the components' events to its handlers, which hand them on to the engines' exchanges:
// translationRequest's to the first request of the engine selected when the event arrives (not of the one
// that sent the request), stageTwoRequest's to WorldLingo's second stage. Both components wait in
// Read, so every handler runs inside the Read that started its request, and a further request
// started from one runs nested inside it.
#include "app/MainWindow.h"
#include "core/Languages.h"
#include "core/ServiceAddresses.h"
#include "http/TWebRequest.h"
#include "session/TranslationChoices.h"
#include "session/TranslationRequests.h"
#include "session/WebRequestExchange.h"
#include "translate/BabelFishEngine.h"
#include "translate/FailureSentence.h"
#include "translate/RequestBodies.h"
#include "translate/WorldLingoEngine.h"
#include "ui/SkinControls.h"

#include <QScopeGuard>

namespace quillo {

void MainWindow::createRequests()
{
    spareRequest = SpareRequest(this);
    translationRequest = TranslationRequest("WebRequest1", this);
    stageTwoRequest = TranslationRequest("WebRequest2", this);

    translationRequest->OnDone = [this](QObject* sender, const QString& type, qint64 size, QIODevice* stream) {
        onRequestDone(sender, type, size, stream);
    };
    stageTwoRequest->OnDone = [this](QObject* sender, const QString& type, qint64 size, QIODevice* stream) {
        onStageTwoDone(sender, type, size, stream);
    };
    // A failed second stage is reported like a failed first request.
    for (TWebRequest* request : {translationRequest, stageTwoRequest}) {
        request->OnConnLost = [this](QObject* sender, const QString& type, qint64 size, qint64 read,
                                     QIODevice* stream) { onConnectionLost(sender, type, size, read, stream); };
        request->OnHTTPError = [this](QObject* sender, qint32 code, QIODevice* stream) {
            onHttpError(sender, code, stream);
        };
        request->OnWaitTimeoutExpired = [this](QObject* sender) { onWaitTimedOut(sender); };
        request->OnHostUnreachable = [this](QObject* sender) { onHostUnreachable(sender); };
    }

    m_textServiceExchange = new WebRequestExchange(translationRequest, this);
    m_loaderExchange = new WebRequestExchange(translationRequest, this);
    m_stageTwoExchange = new WebRequestExchange(stageTwoRequest, this);
    m_textService = new BabelFishEngine(m_textServiceExchange, &ServiceBase, this);
    m_worldLingo = new WorldLingoEngine(m_loaderExchange, m_stageTwoExchange, &ServiceBase, this);
    connect(m_textService, &TranslationEngine::finished, this, &MainWindow::showOutcome);
    connect(m_worldLingo, &TranslationEngine::finished, this, &MainWindow::showOutcome);
}

bool MainWindow::needsEnglishPivot() const
{
    return quillo::NeedsEnglishPivot(IndexOf(m_choices->sourceOf(EngineId::TextService)), IndexOf(m_choices->target()));
}

TranslationEngine* MainWindow::selectedEngine() const
{
    const std::optional<EngineId> engine = m_choices->engine();
    if (!engine)
        return nullptr;
    return *engine == EngineId::WorldLingo ? static_cast<TranslationEngine*>(m_worldLingo) : m_textService;
}

WebRequestExchange* MainWindow::exchangeOf(QObject* sender) const
{
    if (sender == stageTwoRequest)
        return m_stageTwoExchange;
    const TranslationEngine* engine = selectedEngine();
    if (!engine)
        return nullptr;
    return engine == m_worldLingo ? m_loaderExchange : m_textServiceExchange;
}

QByteArray MainWindow::sourceCode() const
{
    const TranslationEngine* engine = selectedEngine();
    return engine ? engine->codes().source : QByteArray();
}

QByteArray MainWindow::targetCode() const
{
    const TranslationEngine* engine = selectedEngine();
    return engine ? engine->codes().target : QByteArray();
}

QByteArray MainWindow::topicCode() const
{
    const TranslationEngine* engine = selectedEngine();
    return engine ? engine->codes().topic : QByteArray();
}

// ---- Starting a translation ----

void MainWindow::translateWithWorldLingo()
{
    const std::optional<Language> source = m_choices->sourceOf(EngineId::WorldLingo);
    startTranslation(*m_worldLingo, source, source == m_choices->target(),
                     quillo::TopicCode(m_choices->topic().value_or(-1)));
}

void MainWindow::translateWithTextService()
{
    const std::optional<Language> source = m_choices->sourceOf(EngineId::TextService);
    startTranslation(*m_textService, source, source == m_choices->target(), {});
}

void MainWindow::startTranslation(TranslationEngine& engine, std::optional<Language> source, bool sameLanguages,
                                  const QByteArray& topicCode)
{
    if (!checkSourceText() || !checkLanguagesDiffer(sameLanguages))
        return;
    enterBusy();
    // Refused while the engine's first request still runs: that request ends the busy state.
    engine.start(sourceText->toPlainText(), {engine.languageCode(IndexOf(source)),
                                             engine.languageCode(IndexOf(m_choices->target())), topicCode});
}

// Both engines: the list may have moved to the other one while the translation ran.
void MainWindow::cancelTranslation()
{
    if (translateButton->isEnabled())
        return;
    m_textService->abort();
    m_worldLingo->abort();
}

// ---- The requests' events ----

void MainWindow::onRequestDone(QObject* sender, const QString& /*contentType*/, qint64 /*fileSize*/,
                                QIODevice* stream)
{
    requestDone(sender, stream);
}

void MainWindow::onStageTwoDone(QObject* sender, const QString& /*contentType*/, qint64 /*fileSize*/,
                                QIODevice* stream)
{
    requestDone(sender, stream);
}

void MainWindow::onConnectionLost(QObject* sender, const QString& /*contentType*/, qint64 /*fileSize*/,
                                    qint64 /*bytesRead*/, QIODevice* /*stream*/)
{
    requestFailed(sender, TranslationFailure::ConnectionLost);
}

void MainWindow::onHttpError(QObject* sender, qint32 /*errorCode*/, QIODevice* stream)
{
    requestFailed(sender, TranslationFailure::HttpError, stream);
}

void MainWindow::onWaitTimedOut(QObject* sender)
{
    requestFailed(sender, TranslationFailure::WaitTimeoutExpired);
}

void MainWindow::onHostUnreachable(QObject* sender)
{
    requestFailed(sender, TranslationFailure::HostUnreachable);
}

void MainWindow::requestDone(QObject* sender, QIODevice* stream)
{
    if (WebRequestExchange* exchange = exchangeOf(sender))
        exchange->replyArrived(stream);
    else
        endBusy(); // nobody is left to read the reply; the button must not stay disabled
}

void MainWindow::requestFailed(QObject* sender, TranslationFailure failure, QIODevice* stream)
{
    if (WebRequestExchange* exchange = exchangeOf(sender))
        exchange->failed(failure, stream);
    else
        showOutcome({failure, {}});
}

// ---- The end of a translation ----

// A failure's box first; what goes into the result box, and the end of the busy state, only once
// the user has closed it.
void MainWindow::showOutcome(const TranslationOutcome& outcome)
{
    const auto busyEnds = qScopeGuard([this] { endBusy(); });
    if (outcome.failure == TranslationFailure::None) {
        resultText->setPlainText(outcome.text);
        // The service words some failures in place of the translation: shown, but no translation.
        if (IsFailureSentence(outcome.text))
            emit failureSentenceShown(outcome.text);
        else
            emit translationShown(sourceText->toPlainText(), outcome.text);
        return;
    }
    // The progress text goes; a failure leaves the box empty unless it says more.
    resultText->clear();
    if (const QString message = FailureMessage(outcome); !message.isEmpty())
        showError(message);
    if (outcome.failure == TranslationFailure::HostUnreachable)
        resultText->setPlainText(kHostUnreachableHelp);
}

} // namespace quillo
