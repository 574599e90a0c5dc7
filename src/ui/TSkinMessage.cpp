#include "ui/TSkinMessage.h"

#include "core/ProductIdentity.h"
#include "ui/SkinCaptions.h"
#include "ui/SkinControls.h"
#include "ui/SkinLook.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMap>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace quillo {

namespace {

struct ButtonKind
{
    TMsgDlgBtn button;
    const char* name;
    const char* captionKey;
    int result;
};

// Layout order, left to right.
const ButtonKind kButtonKinds[] = {
    {mbYes, "mbYes", "MSG_BTN_YES", mrYes},
    {mbNo, "mbNo", "MSG_BTN_NO", mrNo},
    {mbOK, "mbOK", "MSG_BTN_OK", mrOk},
    {mbCancel, "mbCancel", "MSG_BTN_CANCEL", mrCancel},
    {mbAbort, "mbAbort", "MSG_BTN_ABORT", mrAbort},
    {mbRetry, "mbRetry", "MSG_BTN_RETRY", mrRetry},
    {mbIgnore, "mbIgnore", "MSG_BTN_IGNORE", mrIgnore},
    {mbAll, "mbAll", "MSG_BTN_ALL", mrAll},
    {mbNoToAll, "mbNoToAll", "MSG_BTN_NOTOALL", mrNoToAll},
    {mbYesToAll, "mbYesToAll", "MSG_BTN_YESTOALL", mrYesToAll},
    {mbHelp, "mbHelp", "MSG_BTN_HELP", mrNone},
};

QStyle::StandardPixmap iconOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return QStyle::SP_MessageBoxWarning;
    case mtError:
        return QStyle::SP_MessageBoxCritical;
    case mtInformation:
        return QStyle::SP_MessageBoxInformation;
    case mtConfirmation:
        return QStyle::SP_MessageBoxQuestion;
    case mtCustom:
        break;
    }
    return QStyle::SP_CustomBase;
}

// The first of `order` that the box has, or null.
QAbstractButton* firstPresent(const QMap<TMsgDlgBtn, QAbstractButton*>& present,
                              std::initializer_list<TMsgDlgBtn> order)
{
    for (TMsgDlgBtn button : order) {
        if (QAbstractButton* found = present.value(button))
            return found;
    }
    return nullptr;
}

// A short message stays on one line; a long one is broken into as few lines as the widest line
// allows, all about as long, so that none is left with a character or two. The label measures
// itself: its own text layout, to the fraction of a pixel, decides where a line breaks, and a
// width rounded from a font's advances leaves the last character on a line of its own.
int FittingTextWidth(const QLabel& label)
{
    constexpr int kWidestLine = 480;
    const int fewestLines = label.heightForWidth(kWidestLine);
    int narrow = 0;  // too narrow for the fewest lines
    int wide = kWidestLine;
    while (wide - narrow > 1) {
        const int middle = (narrow + wide) / 2;
        (label.heightForWidth(middle) > fewestLines ? narrow : wide) = middle;
    }
    return wide;
}

} // namespace

QString MessageCaption(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return SkinCaption(QStringLiteral("MSG_CAP_WARNING"));
    case mtError:
        return SkinCaption(QStringLiteral("MSG_CAP_ERROR"));
    case mtInformation:
        return SkinCaption(QStringLiteral("MSG_CAP_INFORMATION"));
    case mtConfirmation:
        return SkinCaption(QStringLiteral("MSG_CAP_CONFIRM"));
    case mtCustom:
        break;
    }
    return ApplicationTitle();
}

SkinMessageDialog::SkinMessageDialog(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                     QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SkinMessage"));
    setWindowTitle(MessageCaption(type));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ApplySkinLook(this, "form");

    auto* body = new QHBoxLayout;
    if (type != mtCustom) {
        auto* icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("MessageIcon"));
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()->standardIcon(iconOf(type), nullptr, this).pixmap(size, size));
        icon->setAlignment(Qt::AlignTop);
        body->addWidget(icon);
    }
    auto* label = new TSkinLabel(QStringLiteral("MessageText"), text, this);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->ensurePolished();
    label->setFixedWidth(FittingTextWidth(*label));
    body->addWidget(label, 1);

    auto* row = new QHBoxLayout;
    row->addStretch();
    QMap<TMsgDlgBtn, QAbstractButton*> present;
    for (const ButtonKind& kind : kButtonKinds) {
        if (!buttons.testFlag(kind.button))
            continue;
        auto* button = new TSkinButton(QString::fromLatin1(kind.name),
                                       SkinCaption(QString::fromLatin1(kind.captionKey)), this);
        button->setMinimumWidth(75);
        present.insert(kind.button, button);
        row->addWidget(button);
        // Help has no result: without a help system it leaves the box open.
        if (kind.result != mrNone)
            connect(button, &QAbstractButton::clicked, this, [this, result = kind.result] { done(result); });
    }
    row->addStretch();

    m_default = firstPresent(present, {mbOK, mbYes, mbRetry});
    m_escape = firstPresent(present, {mbCancel, mbNo, mbOK});
    if (auto* push = qobject_cast<QPushButton*>(m_default)) {
        push->setDefault(true);
        push->setFocus();
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(16);
    layout->addLayout(body);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

// Escape and the window's close button press the escape button; a box without one stays open.
void SkinMessageDialog::reject()
{
    if (m_escape)
        m_escape->click();
}

// Centred by its outer size, which is known once the box has a window.
void SkinMessageDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QSize outer = frameGeometry().size();
        move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
    }
    // A box raised by something that happened away from the user's window (speech failing behind
    // the popup, a hidden main window) must still take the keyboard, or Enter and Escape go
    // elsewhere and the box sits unnoticed.
    raise();
    activateWindow();
    if (m_default)
        m_default->setFocus(Qt::ActiveWindowFocusReason);
}

TSkinMessage::TSkinMessage(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("SkinMessage1"));
}

int TSkinMessage::MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int /*helpContext*/) const
{
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    SkinMessageDialog box(text, type, buttons, owner);
    return box.exec();
}

} // namespace quillo
