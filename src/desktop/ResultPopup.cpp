#include "desktop/ResultPopup.h"

#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr QSize kClientSize(360, 220);
// Below and right of the pointer, so the popup does not hide the selection it came from.
constexpr QPoint kPointerOffset(16, 20);

} // namespace

ResultPopup::ResultPopup(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ResultPopup"));
    setWindowTitle(QStringLiteral(" 划 词 翻 译 "));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // Closing it must never end a program whose main window sits in the tray.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(SongFont(12));
    ApplySkinLook(this, "form");
    SetClientSize(this, kClientSize);
    CreateControls();
}

void ResultPopup::CreateControls()
{
    QWidget* client = CreateClientArea(this);
    PairLabel = new TSkinLabel(QStringLiteral("PairLabel"), QString(), client);
    SourceMemo = new TSkinMemo(QStringLiteral("SourceMemo"), client);
    ResultMemo = new TSkinMemo(QStringLiteral("ResultMemo"), client);
    for (TSkinMemo* memo : {SourceMemo, ResultMemo})
        memo->setReadOnly(true);
    CopyButton = new TSkinButton(QStringLiteral("CopyButton"), QStringLiteral("复 制"), client);
    SpeakButton = new TSkinButton(QStringLiteral("SpeakButton"), QStringLiteral("朗 读"), client);
    OpenButton = new TSkinButton(QStringLiteral("OpenButton"), QStringLiteral("主 窗 口"), client);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (TSkinButton* button : {CopyButton, SpeakButton, OpenButton}) {
        button->setFixedSize(80, 25);
        buttons->addWidget(button);
    }
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(8, 6, 8, 8);
    column->addWidget(PairLabel);
    column->addWidget(SourceMemo, 2);
    column->addWidget(ResultMemo, 3);
    column->addLayout(buttons);

    connect(CopyButton, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(ResultMemo->toPlainText()); });
    connect(SpeakButton, &QPushButton::clicked, this, [this] { emit speakRequested(ResultMemo->toPlainText()); });
    connect(OpenButton, &QPushButton::clicked, this, [this] {
        emit openRequested(SourceMemo->toPlainText());
        close();
    });
}

void ResultPopup::ShowFor(const QString& source, const QString& pairText, bool takeFocus)
{
    PairLabel->setText(pairText);
    SourceMemo->setPlainText(source);
    ResultMemo->setPlainText(QStringLiteral("……"));
    for (TSkinButton* button : {CopyButton, SpeakButton})
        button->setEnabled(false);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, !takeFocus);
    setAttribute(Qt::WA_ShowWithoutActivating, !takeFocus);
    m_wasActive = false;
    PlaceNearPointer();
    show();
    raise();
    if (takeFocus)
        activateWindow();
}

void ResultPopup::ShowResult(const QString& translation)
{
    ResultMemo->setPlainText(translation);
    for (TSkinButton* button : {CopyButton, SpeakButton})
        button->setEnabled(true);
    emit resultShown(translation);
}

void ResultPopup::ShowFailure(const QString& message)
{
    ResultMemo->setPlainText(message.trimmed());
}

QString ResultPopup::SourceText() const
{
    return SourceMemo->toPlainText();
}

QString ResultPopup::ResultText() const
{
    return ResultMemo->toPlainText();
}

void ResultPopup::PlaceNearPointer()
{
    const QPoint pointer = QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect room = screen->availableGeometry();
    const QSize size = frameSize().isValid() ? frameSize() : sizeHint();
    QPoint place = pointer + kPointerOffset;
    // Where it would run off the screen it opens on the pointer's other side.
    if (place.x() + size.width() > room.right())
        place.rx() = pointer.x() - kPointerOffset.x() - size.width();
    if (place.y() + size.height() > room.bottom())
        place.ry() = pointer.y() - kPointerOffset.y() - size.height();
    move(place.x() < room.left() ? room.left() : place.x(), place.y() < room.top() ? room.top() : place.y());
}

void ResultPopup::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ResultPopup::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    // Only a popup that had the focus closes when it goes: one opened without it stays until used.
    if (isActiveWindow())
        m_wasActive = true;
    else if (m_wasActive)
        close();
}

} // namespace quillo
