#include "app/AfterFirstPaint.h"
#include "app/AnywhereServices.h"
#include "app/InformationOptions.h"
#include "app/MainWindow.h"
#include "app/StartupProbe.h"
#include "app/TerminationSignals.h"
#include "app/TranslateAnywhere.h"
#include "core/ProductIdentity.h"
#include "desktop/SingleInstance.h"
#include "ocr/OcrCommand.h"
#include "sendinfo/FeedbackWindow.h"
#include "core/ServiceAddresses.h"
#include "session/PairPreparer.h"
#include "session/ServiceLauncher.h"
#include "session/TranslationChoices.h"
#include "tranURL/PageTranslationWindow.h"
#include "ui/SkinLook.h"
#include "ui/SkinTheme.h"
#include "update/UpdateWindow.h"

#include <QApplication>
#include <memory>
#include <optional>


int main(int argc, char** argv)
{
    // Help and the version are told here and now, with no display needed and no running copy asked.
    if (const std::optional<int> status = quillo::AnswerInformationOptions(argc, argv))
        return *status;
    // A picture's text is read here and now: no window, no hand-over to a running copy.
    if (const std::optional<int> status = quillo::RunOcrCommand(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(quillo::ApplicationTitle());
    QApplication::setFont(quillo::SongFont(12));
    quillo::EnableSkinnedFrames(true);
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLO_APP_ID));

    // A program already running takes this start's command; no second main window opens and no
    // second server starts.
    quillo::SingleInstance instance;
    const QByteArray command = quillo::CommandOfArguments(QApplication::arguments());
    if (instance.handOver(command))
        return 0;

    // Declared before the windows, so that it outlives them: the server is left only after the
    // last window has gone.
    quillo::ServiceLauncher ownService(quillo::ServiceLauncher::DefaultSetup());
    if (qEnvironmentVariableIsEmpty("QUILLO_SERVICE"))
        ownService.UseForThisRun();

    // The user's translation choices belong to the program: the main window shows them, the popup
    // and the tray translate by them.
    quillo::TranslationChoices translationChoices;
    quillo::MainWindow mainForm(&translationChoices);
    // One instance of each side window lives hidden for the whole run; the commands open fresh
    // ones. Nothing shows them, so they are made once the main window's first frame is out.
    std::optional<quillo::UpdateWindow> updateForm;
    std::optional<quillo::FeedbackWindow> sendUserInfo;
    std::optional<quillo::PageTranslationWindow> url;
    // The pair chosen now, once the server answers, and pairs picked from then on are told to the
    // server, whose engines start none ahead.
    std::optional<quillo::PairPreparer> pairPreparer;
    // The popup, the keys, the tray, the session-bus name and the look for the program's own server
    // come after the first frame too: none of them is on screen at start, and taking the name waits
    // for the bus's answer. The socket
    // listens now, so that a second start finds this copy; what it hands over waits for them.
    instance.listen();
    std::unique_ptr<quillo::TranslateAnywhere> anywhere;
    quillo::AfterFirstPaint(&mainForm, [&] {
        ownService.LookForThisRun();
        quillo::OfferCommandsOnSessionBus(&instance);
        anywhere = quillo::StartTranslateAnywhere(&mainForm);
        quillo::ServeInstance(anywhere.get(), &instance, command);
        updateForm.emplace();
        sendUserInfo.emplace();
        url.emplace();
        pairPreparer.emplace(&translationChoices, &quillo::ServiceBase);
        pairPreparer->prepareCurrentPairWhenServerAnswers();
    });

    quillo::StartupProbe probe(&mainForm);
    quillo::TerminationSignals terminationSignals;
    mainForm.show();
    return app.exec();
}
