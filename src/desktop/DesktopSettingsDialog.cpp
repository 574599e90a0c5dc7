#include "desktop/DesktopSettingsDialog.h"

#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quillo {

namespace {

QString sameAsPopupText()
{
    return QStringLiteral("与弹窗相同（第一个引擎）");
}

} // namespace

QString HotkeyNote(ShortcutWay keyWay)
{
    if (keyWay == ShortcutWay::Grab)
        return QStringLiteral("在任何程序中选中文字后按下此快捷键即可翻译。");
    if (keyWay == ShortcutWay::Portal)
        return QStringLiteral("快捷键通过桌面门户（GlobalShortcuts）注册：第一次使用时桌面会请您确认，"
                              "也可在桌面的快捷键设置中更改。");
    return QStringLiteral("此桌面（如 Wayland）不允许程序占用全局快捷键。请在桌面的快捷键设置中把下面的命令绑定到一个按键：\n"
                          "quillo --translate-selection\n"
                          "或 D-Bus 调用：org.quillo.Quillo /Quillo org.quillo.Quillo.TranslateSelection\n"
                          "屏幕取字：quillo --ocr-region 或 org.quillo.Quillo.ReadScreenRegion\n"
                          "替换选中文字：quillo --replace-selection 或 org.quillo.Quillo.ReplaceSelection");
}

DesktopSettingsDialog::DesktopSettingsDialog(const DesktopChoices& choices, ShortcutWay keyWay, QWidget* parent)
    : QDialog(parent)
    , m_shown(choices)
{
    setObjectName(QStringLiteral("DesktopSettings"));
    setWindowTitle(QStringLiteral(" 设 置 "));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(SongFont(12));
    ApplySkinLook(this, "form");
    QWidget* frame = CreateClientArea(this);
    Pages = new QTabWidget(frame);
    auto* client = new QWidget;
    Pages->addTab(client, QStringLiteral("常规"));

    HotkeyEdit = new QKeySequenceEdit(choices.hotkey, client);
    HotkeyEdit->setObjectName(QStringLiteral("HotkeyEdit"));
    CloseToTrayBox = new QCheckBox(QStringLiteral("关闭主窗口时留在系统托盘"), client);
    SpeechBox = new QCheckBox(QStringLiteral("朗读"), client);
    HistoryBox = new QCheckBox(QStringLiteral("保存翻译历史（关闭时清空）"), client);
    CloseToTrayBox->setChecked(choices.closeToTray);
    SpeechBox->setChecked(choices.speech);
    HistoryBox->setChecked(choices.history);
    OcrHotkeyEdit = new QKeySequenceEdit(choices.ocrHotkey, client);
    OcrHotkeyEdit->setObjectName(QStringLiteral("OcrHotkeyEdit"));
    ReplaceHotkeyEdit = new QKeySequenceEdit(choices.replaceHotkey, client);
    ReplaceHotkeyEdit->setObjectName(QStringLiteral("ReplaceHotkeyEdit"));
    ReplaceEngineBox = new QComboBox(client);
    ReplaceEngineBox->setObjectName(QStringLiteral("ReplaceEngineBox"));
    ReplaceEngineBox->addItem(sameAsPopupText(), QString());
    OcrLanguagesEdit = new QLineEdit(choices.ocrLanguages, client);
    OcrLanguagesEdit->setObjectName(QStringLiteral("OcrLanguagesEdit"));
    OcrLanguagesEdit->setToolTip(QStringLiteral("zh, zt, en, ja, ko, fr, de, es, it, nl, pt, ru, el"));
    OcrTranslateBox = new QCheckBox(QStringLiteral("识别屏幕文字后立即翻译（否则先在弹出窗口中修改）"), client);
    OcrTranslateBox->setChecked(choices.ocrTranslateAtOnce);
    NoteLabel = new TSkinLabel(QStringLiteral("NoteLabel"), QString(), client);
    NoteLabel->setWordWrap(true);
    NoteLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ShowKeyWay(keyWay);

    OkButton = new TSkinButton(QStringLiteral("OkButton"), QStringLiteral("确 定"), client);
    CancelButton = new TSkinButton(QStringLiteral("CancelButton"), QStringLiteral("取 消"), client);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(new TSkinLabel(QStringLiteral("HotkeyLabel"), QStringLiteral("划词翻译快捷键："), client), HotkeyEdit);
    form->addRow(new TSkinLabel(QStringLiteral("OcrHotkeyLabel"), QStringLiteral("屏幕取字快捷键："), client), OcrHotkeyEdit);
    form->addRow(new TSkinLabel(QStringLiteral("ReplaceHotkeyLabel"), QStringLiteral("替换选中文字快捷键："), client),
                 ReplaceHotkeyEdit);
    form->addRow(new TSkinLabel(QStringLiteral("ReplaceEngineLabel"), QStringLiteral("替换所用引擎："), client),
                 ReplaceEngineBox);
    form->addRow(new TSkinLabel(QStringLiteral("OcrLanguagesLabel"), QStringLiteral("识别语言："), client), OcrLanguagesEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* column = new QVBoxLayout(client);
    column->addLayout(form);
    column->addWidget(NoteLabel);
    for (QCheckBox* box : {CloseToTrayBox, SpeechBox, HistoryBox, OcrTranslateBox})
        column->addWidget(box);
    auto* frameColumn = new QVBoxLayout(frame);
    frameColumn->addWidget(Pages);
    frameColumn->addLayout(buttons);
    SetClientSize(this, QSize(440, keyWay == ShortcutWay::DesktopSettings ? 400 : 340));
}

void DesktopSettingsDialog::AddPage(QWidget* page, const QString& title)
{
    Pages->addTab(page, title);
    SetClientSize(this, size().expandedTo(QSize(520, 560)));
}

void DesktopSettingsDialog::ShowKeyWay(ShortcutWay keyWay)
{
    NoteLabel->setText(HotkeyNote(keyWay));
    for (QKeySequenceEdit* edit : {HotkeyEdit, OcrHotkeyEdit, ReplaceHotkeyEdit})
        edit->setEnabled(keyWay != ShortcutWay::DesktopSettings);
}

void DesktopSettingsDialog::ShowEngines(const std::vector<EngineInfo>& engines)
{
    const QString chosen = m_enginesShown ? ReplaceEngineBox->currentData().toString() : m_shown.replaceEngine;
    ReplaceEngineBox->clear();
    ReplaceEngineBox->addItem(sameAsPopupText(), QString());
    for (const EngineInfo& engine : engines)
        ReplaceEngineBox->addItem(engine.name, engine.id);
    // A choice the server no longer offers shows, and is kept, as the popup's first.
    ReplaceEngineBox->setCurrentIndex(std::max(0, ReplaceEngineBox->findData(chosen)));
    m_enginesShown = true;
}

DesktopChoices DesktopSettingsDialog::Choices() const
{
    DesktopChoices choices = m_shown;
    // One chord: a desktop-wide key is a single press.
    const QKeySequence keys = HotkeyEdit->keySequence();
    choices.hotkey = keys.isEmpty() ? QKeySequence() : QKeySequence(keys[0]);
    choices.closeToTray = CloseToTrayBox->isChecked();
    choices.speech = SpeechBox->isChecked();
    choices.history = HistoryBox->isChecked();
    const QKeySequence ocrKeys = OcrHotkeyEdit->keySequence();
    choices.ocrHotkey = ocrKeys.isEmpty() ? QKeySequence() : QKeySequence(ocrKeys[0]);
    choices.ocrLanguages = OcrLanguagesEdit->text().trimmed();
    choices.ocrTranslateAtOnce = OcrTranslateBox->isChecked();
    const QKeySequence replaceKeys = ReplaceHotkeyEdit->keySequence();
    choices.replaceHotkey = replaceKeys.isEmpty() ? QKeySequence() : QKeySequence(replaceKeys[0]);
    if (m_enginesShown)
        choices.replaceEngine = ReplaceEngineBox->currentData().toString();
    return choices;
}

} // namespace quillo
