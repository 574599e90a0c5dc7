#pragma once
// The small settings dialog of the tray menu: the desktop-wide key, closing to the tray, speech
// and history. It says how the keys reach the program: grabbed, through the desktop portal, or
// (where neither exists) by binding the commands in the desktop's own shortcut settings.
#include "apiclient/ApiTypes.h"
#include "desktop/DesktopChoices.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QKeySequenceEdit;
class QLineEdit;
class QTabWidget;

namespace quillo {

// How desktop-wide keys reach the program: its own grab (X11), the desktop portal's
// GlobalShortcuts, or only the desktop's shortcut settings running a command.
enum class ShortcutWay { Grab, Portal, DesktopSettings };

class TSkinButton;
class TSkinLabel;

class DesktopSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    DesktopSettingsDialog(const DesktopChoices& choices, ShortcutWay keyWay, QWidget* parent = nullptr);

    DesktopChoices Choices() const;
    // Another page beside the general one (the engines page).
    void AddPage(QWidget* page, const QString& title);
    // The server's engines, offered for replacing the selection; until they come the stored
    // choice is kept as it is.
    void ShowEngines(const std::vector<EngineInfo>& engines);
    // Says how the keys reach the program, once that is known.
    void ShowKeyWay(ShortcutWay keyWay);

    QTabWidget* Pages;
    QKeySequenceEdit* HotkeyEdit;
    QCheckBox* CloseToTrayBox;
    QCheckBox* SpeechBox;
    QCheckBox* HistoryBox;
    QKeySequenceEdit* OcrHotkeyEdit;
    QLineEdit* OcrLanguagesEdit;
    QCheckBox* OcrTranslateBox;
    QKeySequenceEdit* ReplaceHotkeyEdit;
    // The replacing's engine: the popup's first, or one of the server's by its id.
    QComboBox* ReplaceEngineBox;
    TSkinLabel* NoteLabel;
    TSkinButton* OkButton;
    TSkinButton* CancelButton;

private:
    // Choices the dialog does not show are handed back as they came.
    DesktopChoices m_shown;
    bool m_enginesShown = false;
};

// What the dialog tells the user about the key on this desktop.
QString HotkeyNote(ShortcutWay keyWay);

} // namespace quillo
