#include "app/AnywhereServices.h"

#include "app/DesktopSettings.h"
#include "app/SettingsStore.h"
#include "app/TMainForm.h"
#include "app/TranslateAnywhere.h"
#include "history/HistoryStore.h"
#include "history/THistoryForm.h"
#include "speech/Speaker.h"
#include "detect/LanguageDetect.h"
#include "ui/TSkinMessage.h"

#include <QDateTime>
#include <memory>

namespace quillo {

std::unique_ptr<TranslateAnywhere> StartTranslateAnywhere(TMainForm* mainForm)
{
    auto anywhere = std::make_unique<TranslateAnywhere>(mainForm, ReadDesktopChoices(*OpenSettingsKey()));
    // The database opens on first use: opening it at start put SQLite and its files on the way
    // to the first frame, which shows nothing of the history.
    const auto opened = std::make_shared<std::unique_ptr<HistoryStore>>();
    const auto store = [opened]() -> HistoryStore* {
        if (!*opened)
            *opened = std::make_unique<HistoryStore>(HistoryStore::defaultPath());
        return opened->get();
    };
    auto* speaker = new Speaker(anywhere.get());
    QObject::connect(speaker, &Speaker::failed, mainForm,
                     [mainForm](const QString& message) { mainForm->SkinMessage1->MessageDlg(message, mtError, mbOK, 0); });

    AnywhereHooks& hooks = anywhere->Hooks;
    hooks.detectLanguage = DetectLanguage;
    hooks.addToHistory = [store](const TranslationRecord& record) {
        store()->add({0, QDateTime::currentDateTime(), record.source, record.target, record.engine, record.sourceText,
                    record.result});
    };
    hooks.clearHistory = [store] { store()->clear(); };
    hooks.showHistory = [store, mainForm] {
        THistoryForm form(store(), mainForm);
        form.exec();
    };
    hooks.speak = [speaker](const QString& text, int language) { speaker->speak(text, language); };
    return anywhere;
}

} // namespace quillo
