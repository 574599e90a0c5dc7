#pragma once
// The small settings dialog of the tray menu: the desktop-wide key, closing to the tray, speech
// and history. Where the desktop allows no key grab (Wayland) it says how to bind the command in
// the desktop's own shortcut settings instead.
#include "desktop/DesktopChoices.h"

#include <QDialog>

class QCheckBox;
class QKeySequenceEdit;
class QLineEdit;
class QTabWidget;

namespace quillo {

class TSkinButton;
class TSkinLabel;

class DesktopSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    DesktopSettingsDialog(const DesktopChoices& choices, bool keyGrabAvailable, QWidget* parent = nullptr);

    DesktopChoices Choices() const;
    // Another page beside the general one (the engines page).
    void AddPage(QWidget* page, const QString& title);

    QTabWidget* Pages;
    QKeySequenceEdit* HotkeyEdit;
    QCheckBox* CloseToTrayBox;
    QCheckBox* SpeechBox;
    QCheckBox* HistoryBox;
    QKeySequenceEdit* OcrHotkeyEdit;
    QLineEdit* OcrLanguagesEdit;
    QCheckBox* OcrTranslateBox;
    TSkinLabel* NoteLabel;
    TSkinButton* OkButton;
    TSkinButton* CancelButton;
};

// What the dialog tells the user about the key on this desktop.
QString HotkeyNote(bool keyGrabAvailable);

} // namespace quillo
