#include "app/AnywhereServices.h"
#include "app/StartupProbe.h"
#include "app/TMainForm.h"
#include "app/TranslateAnywhere.h"
#include "desktop/SingleInstance.h"
#include "sendinfo/TSendUserInfo.h"
#include "tranURL/TURL.h"
#include "ui/Fun.h"
#include "ui/SkinLook.h"
#include "ui/SkinTheme.h"
#include "update/TUpdateForm.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(quillo::ApplicationTitle());
    QApplication::setFont(quillo::SongFont(12));
    quillo::EnableSkinnedFrames(true);
    // A program already running takes this start's command; no second main window opens.
    quillo::SingleInstance instance;
    const QByteArray command = quillo::CommandOfArguments(QApplication::arguments());
    if (instance.handOver(command))
        return 0;

    quillo::TMainForm mainForm;
    // One instance of each side window lives hidden for the whole run; the commands open fresh ones.
    quillo::TUpdateForm updateForm;
    quillo::TSendUserInfo sendUserInfo;
    quillo::TURL url;

    quillo::StartupProbe probe(&mainForm);
    const auto anywhere = quillo::StartTranslateAnywhere(&mainForm);
    quillo::ServeInstance(anywhere.get(), &instance, command);
    mainForm.show();
    return app.exec();
}
