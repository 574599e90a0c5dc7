#include "app/DesktopSettings.h"

namespace quillo {

namespace {

bool readSwitch(const QSettings& key, const QString& name, bool fallback)
{
    bool ok = false;
    const int value = key.value(name).toInt(&ok);
    return ok ? value != 0 : fallback;
}

} // namespace

DesktopChoices ReadDesktopChoices(const QSettings& key)
{
    DesktopChoices choices;
    if (const QVariant hotkey = key.value(QStringLiteral("Hotkey")); hotkey.isValid())
        choices.hotkey = QKeySequence::fromString(hotkey.toString(), QKeySequence::PortableText);
    choices.closeToTray = readSwitch(key, QStringLiteral("CloseToTray"), choices.closeToTray);
    choices.speech = readSwitch(key, QStringLiteral("Speech"), choices.speech);
    choices.history = readSwitch(key, QStringLiteral("History"), choices.history);
    if (const QVariant hotkey = key.value(QStringLiteral("OcrHotkey")); hotkey.isValid())
        choices.ocrHotkey = QKeySequence::fromString(hotkey.toString(), QKeySequence::PortableText);
    choices.ocrLanguages = key.value(QStringLiteral("OcrLanguages"), choices.ocrLanguages).toString();
    choices.ocrTranslateAtOnce = readSwitch(key, QStringLiteral("OcrTranslateAtOnce"), choices.ocrTranslateAtOnce);
    choices.popupEngines = key.value(QStringLiteral("PopupEngines")).toString().split(u',', Qt::SkipEmptyParts);
    if (const QVariant hotkey = key.value(QStringLiteral("ReplaceHotkey")); hotkey.isValid())
        choices.replaceHotkey = QKeySequence::fromString(hotkey.toString(), QKeySequence::PortableText);
    choices.replaceEngine = key.value(QStringLiteral("ReplaceEngine"), choices.replaceEngine).toString();
    return choices;
}

void WriteDesktopChoices(QSettings& key, const DesktopChoices& choices)
{
    key.setValue(QStringLiteral("Hotkey"), choices.hotkey.toString(QKeySequence::PortableText));
    key.setValue(QStringLiteral("CloseToTray"), choices.closeToTray ? 1 : 0);
    key.setValue(QStringLiteral("Speech"), choices.speech ? 1 : 0);
    key.setValue(QStringLiteral("History"), choices.history ? 1 : 0);
    key.setValue(QStringLiteral("OcrHotkey"), choices.ocrHotkey.toString(QKeySequence::PortableText));
    key.setValue(QStringLiteral("OcrLanguages"), choices.ocrLanguages);
    key.setValue(QStringLiteral("OcrTranslateAtOnce"), choices.ocrTranslateAtOnce ? 1 : 0);
    key.setValue(QStringLiteral("PopupEngines"), choices.popupEngines.join(u','));
    key.setValue(QStringLiteral("ReplaceHotkey"), choices.replaceHotkey.toString(QKeySequence::PortableText));
    key.setValue(QStringLiteral("ReplaceEngine"), choices.replaceEngine);
}

} // namespace quillo
