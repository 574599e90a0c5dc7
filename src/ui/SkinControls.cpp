#include "ui/SkinControls.h"

#include "ui/SkinLook.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <memory>
#include <utility>

namespace quillo {

TSkinButton::TSkinButton(const QString& name, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent)
{
    setObjectName(name);
    setAutoDefault(false);
    ApplySkinLook(this, "button");
}

TSkinPanel::TSkinPanel(const QString& name, QWidget* parent, bool framed)
    : QFrame(parent)
{
    setObjectName(name);
    if (framed)
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    ApplySkinLook(this, "panel");
}

TSkinLabel::TSkinLabel(const QString& name, const QString& caption, QWidget* parent)
    : QLabel(caption, parent)
{
    setObjectName(name);
    setTextFormat(Qt::PlainText);
    ApplySkinLook(this, "stdlabel");
}

void TSkinLabel::setHeavy(bool heavy)
{
    m_heavy = heavy;
    updateGeometry();
    update();
}

QSize TSkinLabel::sizeHint() const
{
    return QLabel::sizeHint() + QSize(m_heavy ? 1 : 0, 0);
}

void TSkinLabel::paintEvent(QPaintEvent* event)
{
    if (!m_heavy) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(0, 0, -1, 0);
    for (const QRect& strike : {area, area.translated(1, 0)})
        style()->drawItemText(&painter, strike, alignment(), palette(), isEnabled(), text(), foregroundRole());
}

void TSkinLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

TSkinComboBox::TSkinComboBox(const QString& name, QWidget* parent)
    : QComboBox(parent)
{
    setObjectName(name);
    setEditable(false);
    ApplySkinLook(this, "combobox");
}

void TSkinComboBox::showPopup()
{
    QComboBox::showPopup();
    m_popupOpen = true;
}

// Qt also calls this whenever the list itself is hidden, for instance while its window closes or
// is destroyed; only a list that was open closes up.
void TSkinComboBox::hidePopup()
{
    const bool wasOpen = std::exchange(m_popupOpen, false);
    QComboBox::hidePopup();
    if (wasOpen)
        emit closeUp();
}

TSkinMemo::TSkinMemo(const QString& name, QWidget* parent)
    : QPlainTextEdit(parent)
{
    setObjectName(name);
    connect(document(), &QTextDocument::contentsChange, this, &TSkinMemo::noteChange);
    connect(document(), &QTextDocument::contentsChanged, this, &TSkinMemo::trimToMaxLength);
    ApplySkinLook(this, "memo");
}

void TSkinMemo::setMaxLength(int length)
{
    m_maxLength = length;
    m_lastChangeEnd = document()->characterCount() - 1;
    trimToMaxLength();
}

void TSkinMemo::noteChange(int position, int /*charsRemoved*/, int charsAdded)
{
    m_lastChangeEnd = position + charsAdded;
}

// The limit holds for typing, pasting, dropping and input methods alike: whatever the last change
// inserted beyond the limit is cut from its end, so the text before and after it stays whole.
void TSkinMemo::trimToMaxLength()
{
    if (m_maxLength <= 0 || m_trimming)
        return;
    const int length = document()->characterCount() - 1;
    const int excess = length - m_maxLength;
    if (excess <= 0)
        return;
    int end = std::clamp(m_lastChangeEnd, excess, length);
    int start = end - excess;
    // Never leave half of a surrogate pair behind.
    if (start > 0 && document()->characterAt(start).isLowSurrogate())
        --start;
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    m_trimming = true;
    cursor.removeSelectedText();
    m_trimming = false;
    emit textCut(end - start);
}

void TSkinMemo::keyPressEvent(QKeyEvent* event)
{
    if (OnKeyDown)
        OnKeyDown(this, event->key(), event->modifiers());
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (OnKeyPress && (!event->text().isEmpty() || enter)) {
        QChar typed = event->text().isEmpty() ? QChar(u'\r') : event->text().front();
        OnKeyPress(this, typed);
        if (typed.isNull()) {
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TSkinMemo::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    LocalizeEditMenu(menu.get());
    menu->exec(event->globalPos());
}

TSkinEdit::TSkinEdit(const QString& name, QWidget* parent)
    : QLineEdit(parent)
{
    setObjectName(name);
    ApplySkinLook(this, "edit");
}

void TSkinEdit::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    LocalizeEditMenu(menu.get());
    menu->exec(event->globalPos());
}

TSkinGauge::TSkinGauge(const QString& name, QWidget* parent)
    : QProgressBar(parent)
{
    setObjectName(name);
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    ApplySkinLook(this, "gauge");
}

void TSkinGauge::setText(const QString& text)
{
    m_text = text;
    update();
}

TSkinPopupMenu::TSkinPopupMenu(const QString& name, QWidget* parent)
    : QMenu(parent)
{
    setObjectName(name);
    ApplySkinLook(this, "popupmenu");
}

QAction* TSkinPopupMenu::addItem(const QString& name, const QString& caption, int tag)
{
    QAction* action = addAction(caption);
    action->setObjectName(name);
    action->setData(tag);
    return action;
}

QAction* TSkinPopupMenu::addSeparatorItem(const QString& name)
{
    QAction* action = addSeparator();
    action->setObjectName(name);
    return action;
}

void SetPopupMenu(QWidget* control, QMenu* menu)
{
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(control, &QWidget::customContextMenuRequested, menu,
                     [control, menu](const QPoint& position) { menu->popup(control->mapToGlobal(position)); });
}

} // namespace quillo
