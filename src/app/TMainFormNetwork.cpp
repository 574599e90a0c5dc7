// The main window's side of its translations: the request components, the engines that drive
// them, and what the window shows when a translation ends.
//
// The flow itself (the English chain, the WorldLingo stages) lives in the engines. The window
// binds the components' events to its handlers, which hand them on to the engines' exchanges:
// WebRequest1's to the first request of the engine selected when the event arrives (not of the one
// that sent the request), WebRequest2's to WorldLingo's second stage. Both components wait in
// Read, so every handler runs inside the Read that started its request, and a further request
// started from one runs nested inside it.
#include "app/TMainForm.h"
#include "app/TranslationRequests.h"
#include "app/WebRequestExchange.h"
#include "core/Languages.h"
#include "core/ServiceAddresses.h"
#include "http/TWebRequest.h"
#include "translate/BabelFishEngine.h"
#include "translate/RequestBodies.h"
#include "translate/WorldLingoEngine.h"
#include "ui/SkinControls.h"

#include <QScopeGuard>

namespace quillo {

void TMainForm::CreateWebRequests()
{
    WebRequest0 = SpareRequest(this);
    WebRequest1 = TranslationRequest("WebRequest1", this);
    WebRequest2 = TranslationRequest("WebRequest2", this);

    WebRequest1->OnDone = [this](QObject* sender, const QString& type, qint64 size, QIODevice* stream) {
        WebRequest1Done(sender, type, size, stream);
    };
    WebRequest2->OnDone = [this](QObject* sender, const QString& type, qint64 size, QIODevice* stream) {
        WebRequest2Done(sender, type, size, stream);
    };
    // A failed second stage is reported like a failed first request.
    for (TWebRequest* request : {WebRequest1, WebRequest2}) {
        request->OnConnLost = [this](QObject* sender, const QString& type, qint64 size, qint64 read,
                                     QIODevice* stream) { WebRequest1ConnLost(sender, type, size, read, stream); };
        request->OnHTTPError = [this](QObject* sender, qint32 code, QIODevice* stream) {
            WebRequest1HTTPError(sender, code, stream);
        };
        request->OnWaitTimeoutExpired = [this](QObject* sender) { WebRequest1WaitTimeoutExpired(sender); };
        request->OnHostUnreachable = [this](QObject* sender) { WebRequest1HostUnreachable(sender); };
    }

    FTextServiceRequest = new WebRequestExchange(WebRequest1, this);
    FLoaderRequest = new WebRequestExchange(WebRequest1, this);
    FStageTwoRequest = new WebRequestExchange(WebRequest2, this);
    FBabelFish = new BabelFishEngine(FTextServiceRequest, &ServiceBase, this);
    FWorldLingo = new WorldLingoEngine(FLoaderRequest, FStageTwoRequest, &ServiceBase, this);
    connect(FBabelFish, &TranslationEngine::finished, this, &TMainForm::TranslationFinished);
    connect(FWorldLingo, &TranslationEngine::finished, this, &TMainForm::TranslationFinished);
}

bool TMainForm::NeedsEnglishPivot() const
{
    return quillo::NeedsEnglishPivot(SourceLanguage->currentIndex(), TargetLanguage->currentIndex());
}

TranslationEngine* TMainForm::SelectedEngine() const
{
    switch (TranslationServer->currentIndex()) {
    case 0:
        return FWorldLingo;
    case 1:
        return FBabelFish;
    default:
        return nullptr;
    }
}

WebRequestExchange* TMainForm::ExchangeOf(QObject* sender) const
{
    if (sender == WebRequest2)
        return FStageTwoRequest;
    const TranslationEngine* engine = SelectedEngine();
    if (!engine)
        return nullptr;
    return engine == FWorldLingo ? FLoaderRequest : FTextServiceRequest;
}

QByteArray TMainForm::SourceCode() const
{
    const TranslationEngine* engine = SelectedEngine();
    return engine ? engine->codes().source : QByteArray();
}

QByteArray TMainForm::TargetCode() const
{
    const TranslationEngine* engine = SelectedEngine();
    return engine ? engine->codes().target : QByteArray();
}

QByteArray TMainForm::TopicCode() const
{
    const TranslationEngine* engine = SelectedEngine();
    return engine ? engine->codes().topic : QByteArray();
}

// ---- Starting a translation ----

void TMainForm::TranslateWorldLingo()
{
    Translate(*FWorldLingo, *SourceLanguage2, SourceLanguage2->currentText() == TargetLanguage->currentText(),
              quillo::TopicCode(TopicLanguage->currentIndex()));
}

void TMainForm::TranslateBabelFish()
{
    Translate(*FBabelFish, *SourceLanguage, SourceLanguage->currentIndex() == TargetLanguage->currentIndex(), {});
}

void TMainForm::Translate(TranslationEngine& engine, const QComboBox& sourceList, bool sameLanguages,
                          const QByteArray& topicCode)
{
    if (!CheckSourceText() || !CheckLanguagesDiffer(sameLanguages))
        return;
    EnterBusy();
    // Refused while the engine's first request still runs: that request ends the busy state.
    engine.start(Memo1->toPlainText(), {engine.languageCode(sourceList.currentIndex()),
                                        engine.languageCode(TargetLanguage->currentIndex()), topicCode});
}

// ---- The requests' events ----

void TMainForm::WebRequest1Done(QObject* sender, const QString& /*contentType*/, qint64 /*fileSize*/,
                                QIODevice* stream)
{
    RequestDone(sender, stream);
}

void TMainForm::WebRequest2Done(QObject* sender, const QString& /*contentType*/, qint64 /*fileSize*/,
                                QIODevice* stream)
{
    RequestDone(sender, stream);
}

void TMainForm::WebRequest1ConnLost(QObject* sender, const QString& /*contentType*/, qint64 /*fileSize*/,
                                    qint64 /*bytesRead*/, QIODevice* /*stream*/)
{
    RequestFailed(sender, TranslationFailure::ConnectionLost);
}

void TMainForm::WebRequest1HTTPError(QObject* sender, qint32 /*errorCode*/, QIODevice* /*stream*/)
{
    RequestFailed(sender, TranslationFailure::HttpError);
}

void TMainForm::WebRequest1WaitTimeoutExpired(QObject* sender)
{
    RequestFailed(sender, TranslationFailure::WaitTimeoutExpired);
}

void TMainForm::WebRequest1HostUnreachable(QObject* sender)
{
    RequestFailed(sender, TranslationFailure::HostUnreachable);
}

void TMainForm::RequestDone(QObject* sender, QIODevice* stream)
{
    if (WebRequestExchange* exchange = ExchangeOf(sender))
        exchange->replyArrived(stream);
    else
        EndBusy(); // nobody is left to read the reply; the button must not stay disabled
}

void TMainForm::RequestFailed(QObject* sender, TranslationFailure failure)
{
    if (WebRequestExchange* exchange = ExchangeOf(sender))
        exchange->failed(failure);
    else
        TranslationFinished({failure, {}});
}

// ---- The end of a translation ----

// A failure's box first; what goes into the result box, and the end of the busy state, only once
// the user has closed it.
void TMainForm::TranslationFinished(const TranslationOutcome& outcome)
{
    const auto endBusy = qScopeGuard([this] { EndBusy(); });
    if (outcome.failure == TranslationFailure::None) {
        Memo2->setPlainText(outcome.text);
        emit translationShown(Memo1->toPlainText(), outcome.text);
        return;
    }
    if (const QString message = FailureMessage(outcome.failure); !message.isEmpty())
        ShowError(message);
    if (outcome.failure == TranslationFailure::HostUnreachable)
        Memo2->setPlainText(kHostUnreachableHelp);
}

} // namespace quillo
