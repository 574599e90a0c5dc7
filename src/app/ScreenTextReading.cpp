#include "app/ScreenTextReading.h"

#include "app/TranslateAnywhere.h"
#include "capture/RegionCapture.h"
#include "desktop/GlobalHotkey.h"
#include "ocr/OcrLanguages.h"
#include "ocr/OcrWorker.h"
#include "ui/SkinControls.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QImageReader>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>

namespace quillo {

namespace {

// The first picture a drop carries: the image itself, or the first file that reads as one.
QImage pictureOf(const QMimeData* data)
{
    if (data->hasImage())
        return qvariant_cast<QImage>(data->imageData());
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            if (QImage picture(url.toLocalFile()); !picture.isNull())
                return picture;
    return QImage();
}

bool holdsPicture(const QMimeData* data)
{
    if (data->hasImage())
        return true;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !QImageReader::imageFormat(url.toLocalFile()).isEmpty())
            return true;
    return false;
}

} // namespace

ScreenTextReading::ScreenTextReading(TranslateAnywhere* anywhere, QPlainTextEdit* sourceBox, QObject* parent)
    : QObject(parent)
    , Hotkey(new GlobalHotkey(this))
    , Capture(new RegionCapture(nullptr, this))
    , Worker(new OcrWorker(this))
    , m_anywhere(anywhere)
    , m_sourceBox(sourceBox)
    , m_languages(DefaultOcrLanguages())
{
    connect(Hotkey, &GlobalHotkey::activated, this, &ScreenTextReading::ReadScreenRegion);
    connect(Capture, &RegionCapture::regionChosen, this, [this](const QImage& picture) { ReadPicture(picture, false); });
    connect(Capture, &RegionCapture::failed, this, [this](const QString& reason) {
        m_anywhere->TrayIcon->showMessage(QApplication::applicationName(), reason, QSystemTrayIcon::Warning);
    });
    connect(Worker, &OcrWorker::textRead, this, &ScreenTextReading::onTextRead);
    connect(Worker, &OcrWorker::readingFailed, this, &ScreenTextReading::onReadingFailed);

    ClipboardAction = new QAction(QStringLiteral("识别剪贴板图片"), anywhere->TrayMenu);
    ClipboardAction->setObjectName(QStringLiteral("ReadClipboardPicture"));
    anywhere->TrayMenu->insertAction(anywhere->ShowAction, ClipboardAction);
    connect(ClipboardAction, &QAction::triggered, this, &ScreenTextReading::ReadClipboardPicture);

    if (m_sourceBox) {
        m_sourceBox->setAcceptDrops(true);
        m_sourceBox->viewport()->installEventFilter(this);
    }
}

void ScreenTextReading::ApplyChoices(const DesktopChoices& choices)
{
    if (choices.ocrHotkey != Hotkey->shortcut() || !Hotkey->error().isEmpty())
        if (!Hotkey->setShortcut(choices.ocrHotkey) && GlobalHotkey::grabAvailable())
            m_anywhere->TrayIcon->showMessage(QApplication::applicationName(), Hotkey->error(), QSystemTrayIcon::Warning);
    // A list that names no language of ours keeps the last good one.
    const auto languages = ParseOcrLanguages(choices.ocrLanguages);
    if (const auto* parsed = std::get_if<std::vector<Language>>(&languages))
        m_languages = *parsed;
    m_translateAtOnce = choices.ocrTranslateAtOnce;
}

void ScreenTextReading::ReadScreenRegion()
{
    Capture->start();
    // The engine starts while the user drags, so that the release meets a warm one.
    Worker->warmUp(m_languages);
}

void ScreenTextReading::ReadClipboardPicture()
{
    const QImage picture = QApplication::clipboard()->image();
    if (picture.isNull()) {
        m_anywhere->TrayIcon->showMessage(QApplication::applicationName(), QStringLiteral("剪贴板上没有图片"),
                                          QSystemTrayIcon::Information);
        return;
    }
    ReadPicture(picture, false);
}

void ScreenTextReading::ReadPicture(const QImage& picture, bool intoSourceBox)
{
    m_intoSourceBox.insert(Worker->read(picture, m_languages), intoSourceBox);
}

void ScreenTextReading::onTextRead(int request, const QString& text)
{
    if (m_intoSourceBox.take(request) && m_sourceBox)
        m_sourceBox->setPlainText(text);
    else if (m_translateAtOnce)
        m_anywhere->TranslateText(text);
    else
        // Waits in the popup's source for a misread character to be put right; the edit translates.
        m_anywhere->ShowTextForEditing(text);
    emit textPlaced(text);
}

void ScreenTextReading::onReadingFailed(int request, const OcrError& error)
{
    m_intoSourceBox.remove(request);
    m_anywhere->TrayIcon->showMessage(QApplication::applicationName(), error.message, QSystemTrayIcon::Warning);
}

bool ScreenTextReading::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_sourceBox || watched != m_sourceBox->viewport())
        return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!holdsPicture(drag->mimeData()))
            return false; // text and links: the box's own drop
        drag->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QImage picture = pictureOf(drop->mimeData());
        if (picture.isNull())
            return false;
        drop->acceptProposedAction();
        ReadPicture(picture, true);
        return true;
    }
    return false;
}

} // namespace quillo
