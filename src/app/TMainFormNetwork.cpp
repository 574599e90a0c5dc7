// The network step of the translate action: the main window's request components, the requests
// of both engines, the routing of their replies and the reports of their failures.
//
// Both components wait in Read while pumping events, so every handler here runs inside the Read
// that started its request, and a second request started from a handler (the English chain, the
// WorldLingo second stage) runs nested inside that handler. Whoever shows the final result or a
// failure ends the busy state; a handler that hands over to a further request leaves it to that
// request's handlers.
#include "app/RequestBodies.h"
#include "app/ServiceReplies.h"
#include "app/ServiceRequests.h"
#include "app/TMainForm.h"
#include "app/TranslationRequests.h"
#include "http/TWebRequest.h"
#include "ui/SkinControls.h"

#include <QIODevice>
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
}

bool TMainForm::NeedsEnglishPivot() const
{
    return quillo::NeedsEnglishPivot(SourceLanguage->currentIndex(), TargetLanguage->currentIndex());
}

// ---- Starting the requests ----

void TMainForm::StartBabelFishRequest()
{
    WebRequest1->setRequestMethod(rmPOST);
    // The running request ends the busy state this translation has entered.
    if (WebRequest1->Busy())
        return;
    FViaEnglish = NeedsEnglishPivot();
    const QByteArray pair = LanguagePair(FSourceCode, FViaEnglish ? QByteArray("en") : FTargetCode);
    WebRequest1->setURL(BabelFishAddress());
    WebRequest1->setPOSTData(BabelFishBody(Memo1->toPlainText(), pair));
    WebRequest1->Read();
}

void TMainForm::StartBabelFishSecondRequest(const QString& englishText)
{
    WebRequest1->setURL(BabelFishAddress());
    WebRequest1->setPOSTData(BabelFishBody(englishText, LanguagePair("en", FTargetCode)));
    FViaEnglish = false;
    WebRequest1->Read();
}

void TMainForm::StartWorldLingoRequest()
{
    if (WebRequest1->Busy())
        return;
    WebRequest1->setRequestMethod(rmGET);
    WebRequest1->setURL(LoaderAddress());
    WebRequest1->Read();
}

void TMainForm::StartWorldLingoStageTwo(const QByteArray& loaderBody)
{
    // A second stage still running belongs to an earlier translation, which ends the busy state;
    // its reply must still be read by the rule it was sent with.
    if (WebRequest2->Busy())
        return;
    const StageTwoRequest next =
        WorldLingoStageTwo(loaderBody, Memo1->toPlainText(), {FSourceCode, FTargetCode, FTopicCode});
    FSessionTranslate = next.sessionTranslate;
    WebRequest2->setURL(next.url);
    WebRequest2->setPOSTData(next.body);
    WebRequest2->Read();
}

// ---- Replies ----

void TMainForm::WebRequest1Done(QObject* /*sender*/, const QString& /*contentType*/, qint64 /*fileSize*/,
                                QIODevice* stream)
{
    // The engine selected now, not the one that sent the request, decides what the reply is.
    switch (TranslationServer->currentIndex()) {
    case 0:
        StartWorldLingoStageTwo(ReadReply(stream));
        break;
    case 1:
        BabelFishReplyArrived(ReadReply(stream));
        break;
    default:
        // Nobody is left to read the reply; the button must not stay disabled.
        EndBusy();
        break;
    }
}

void TMainForm::BabelFishReplyArrived(const QByteArray& body)
{
    auto endBusy = qScopeGuard([this] { EndBusy(); });
    const std::optional<QString> text = BabelFishResultText(body);
    if (!text) {
        ShowError(kUnrecognisedReply);
        return;
    }
    if (!FViaEnglish) {
        Memo2->setPlainText(*text);
        emit translationShown(Memo1->toPlainText(), *text);
        return;
    }
    endBusy.dismiss();
    StartBabelFishSecondRequest(*text);
}

void TMainForm::WebRequest2Done(QObject* /*sender*/, const QString& /*contentType*/, qint64 /*fileSize*/,
                                QIODevice* stream)
{
    const auto endBusy = qScopeGuard([this] { EndBusy(); });
    const std::optional<QString> text = WorldLingoResultText(ReadReply(stream), FSessionTranslate);
    if (!text) {
        ShowError(kUnrecognisedReply);
        return;
    }
    Memo2->setPlainText(*text);
    emit translationShown(Memo1->toPlainText(), *text);
}

// ---- Failures ----

void TMainForm::WebRequest1ConnLost(QObject* /*sender*/, const QString& /*contentType*/, qint64 /*fileSize*/,
                                    qint64 /*bytesRead*/, QIODevice* /*stream*/)
{
    ReportRequestFailure(kConnectionFailed);
}

void TMainForm::WebRequest1HTTPError(QObject* /*sender*/, qint32 /*errorCode*/, QIODevice* /*stream*/)
{
    ReportRequestFailure(kConnectionFailed);
}

void TMainForm::WebRequest1WaitTimeoutExpired(QObject* /*sender*/)
{
    ReportRequestFailure(kConnectionFailed);
}

void TMainForm::WebRequest1HostUnreachable(QObject* /*sender*/)
{
    ReportRequestFailure(kHostUnreachable, kHostUnreachableHelp);
}

// The box first; what goes into the result box, and the end of the busy state, only once the
// user has closed it.
void TMainForm::ReportRequestFailure(const QString& message, const QString& resultText)
{
    const auto endBusy = qScopeGuard([this] { EndBusy(); });
    ShowError(message);
    if (!resultText.isEmpty())
        Memo2->setPlainText(resultText);
}

} // namespace quillo
