#pragma once
// Text read off pictures, and where it goes: a region dragged over the frozen screen (its own
// desktop-wide key, the `--ocr-region` command, the session bus) and a picture on the clipboard
// open in the result popup and are translated there, or wait in its editable source to be put
// right first (the user's choice); a picture dropped on the main window's source box
// lands in that box. The reading runs on the OCR worker's thread, which keeps its engine warm.
#include "core/Languages.h"
#include "desktop/DesktopChoices.h"

#include <QHash>
#include <QImage>
#include <QObject>

#include <vector>

class QAction;
class QPlainTextEdit;

namespace quillo {

class GlobalHotkey;
class OcrWorker;
class RegionCapture;
class TranslateAnywhere;
struct OcrError;

class ScreenTextReading : public QObject {
    Q_OBJECT
public:
    // `sourceBox` takes dropped pictures' text.
    ScreenTextReading(TranslateAnywhere* anywhere, QPlainTextEdit* sourceBox, QObject* parent = nullptr);

    void ReadScreenRegion();
    void ReadClipboardPicture();
    void ReadPicture(const QImage& picture, bool intoSourceBox);
    // The key, the languages and whether the text is translated at once.
    void ApplyChoices(const DesktopChoices& choices);

    GlobalHotkey* Hotkey;
    RegionCapture* Capture;
    OcrWorker* Worker;
    QAction* ClipboardAction;

signals:
    // The text of a picture, where it went (for the tests that watch it).
    void textPlaced(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTextRead(int request, const QString& text);
    void onReadingFailed(int request, const OcrError& error);

    TranslateAnywhere* m_anywhere;
    QPlainTextEdit* m_sourceBox;
    std::vector<Language> m_languages;
    bool m_translateAtOnce = true;
    QHash<int, bool> m_intoSourceBox; // pending requests: true for the source box, false for the popup
};

} // namespace quillo
