#include "desktop/ResultPopup.h"

#include "core/Languages.h"
#include "desktop/ResultCard.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <utility>

namespace quillo {

namespace {

constexpr QSize kClientSize(360, 220);
// Room for two or three engines' answers.
constexpr QSize kCardsClientSize(400, 380);
// Below and right of the pointer, so the popup does not hide the selection it came from.
constexpr QPoint kPointerOffset(16, 20);

void markFailure(QWidget* box, bool failure)
{
    QFont font = box->font();
    font.setItalic(failure);
    box->setFont(font);
    box->setStyleSheet(failure ? QStringLiteral("color: #b00020;") : QString());
}

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
    m_editPause.setSingleShot(true);
    m_editPause.setInterval(kEditPauseMs);
    connect(&m_editPause, &QTimer::timeout, this, [this] { emit sourceEdited(SourceText()); });
    m_waitClock.setInterval(1000);
    connect(&m_waitClock, &QTimer::timeout, this, [this] {
        ++m_waitSeconds;
        ShowWaitTime();
    });
}

void ResultPopup::CreateControls()
{
    QWidget* client = CreateClientArea(this);
    PairLabel = new TSkinLabel(QStringLiteral("PairLabel"), QString(), client);
    SourceMemo = new TSkinMemo(QStringLiteral("SourceMemo"), client);
    ResultMemo = new TSkinMemo(QStringLiteral("ResultMemo"), client);
    ResultMemo->setReadOnly(true);
    CardArea = new QScrollArea(client);
    CardArea->setObjectName(QStringLiteral("CardArea"));
    CardArea->setWidgetResizable(true);
    CardArea->setFrameShape(QFrame::NoFrame);
    auto* cardHolder = new QWidget;
    m_cardColumn = new QVBoxLayout(cardHolder);
    m_cardColumn->setContentsMargins(0, 0, 0, 0);
    m_cardColumn->addStretch();
    CardArea->setWidget(cardHolder);
    CardArea->hide();
    WaitLabel = new QLabel(client);
    WaitLabel->setObjectName(QStringLiteral("WaitLabel"));
    CancelButton = new TSkinButton(QStringLiteral("CancelButton"), QStringLiteral("取 消"), client);
    CancelButton->setFixedSize(60, 22);
    CopyButton = new TSkinButton(QStringLiteral("CopyButton"), QStringLiteral("复 制"), client);
    SpeakButton = new TSkinButton(QStringLiteral("SpeakButton"), QStringLiteral("朗 读"), client);
    OpenButton = new TSkinButton(QStringLiteral("OpenButton"), QStringLiteral("主 窗 口"), client);

    m_languageRow = new QHBoxLayout;
    m_languageRow->addWidget(PairLabel, 1);
    auto* waitRow = new QHBoxLayout;
    waitRow->addWidget(WaitLabel, 1);
    waitRow->addWidget(CancelButton);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (TSkinButton* button : {CopyButton, SpeakButton, OpenButton}) {
        button->setFixedSize(80, 25);
        buttons->addWidget(button);
    }
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(8, 6, 8, 8);
    column->addLayout(m_languageRow);
    column->addWidget(SourceMemo, 2);
    column->addWidget(ResultMemo, 3);
    column->addWidget(CardArea, 6);
    column->addLayout(waitRow);
    column->addLayout(buttons);
    StopWaiting();

    connect(CopyButton, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(ResultMemo->toPlainText()); });
    connect(SpeakButton, &QPushButton::clicked, this, [this] { emit speakRequested(ResultMemo->toPlainText()); });
    connect(OpenButton, &QPushButton::clicked, this, [this] {
        emit openRequested(SourceText(), ResultText());
        close();
    });
    connect(CancelButton, &QPushButton::clicked, this, &ResultPopup::CancelAnswers);
    connect(SourceMemo, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_settingSource)
            m_editPause.start();
    });
}

void ResultPopup::ShowFor(const QString& source, const QString& pairText, bool takeFocus)
{
    PairLabel->setText(pairText);
    m_settingSource = true;
    SourceMemo->setPlainText(source);
    m_settingSource = false;
    m_editPause.stop();
    ClearCards();
    ShowLanguages({}, -1, pairText);
    markFailure(ResultMemo, false);
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
    markFailure(ResultMemo, false);
    ResultMemo->setPlainText(translation);
    for (TSkinButton* button : {CopyButton, SpeakButton})
        button->setEnabled(true);
    emit resultShown(translation);
}

void ResultPopup::ShowFailure(const QString& message)
{
    // Drawn as a failure, and the copy and speech buttons stay off: it is no translation.
    markFailure(ResultMemo, true);
    ResultMemo->setPlainText(message.trimmed());
}

void ResultPopup::ShowCards(const QList<QPair<QString, QString>>& engines)
{
    ClearCards();
    for (const auto& [id, name] : engines) {
        auto* card = new ResultCard(id, name, CardArea->widget());
        card->setSpeechShown(m_speechShown);
        connect(card, &ResultCard::speakRequested, this, &ResultPopup::speakRequested);
        m_cardColumn->insertWidget(m_cardColumn->count() - 1, card);
        m_cards.append(card);
    }
    ResultMemo->hide();
    CopyButton->hide();
    SpeakButton->hide();
    CardArea->show();
    SetClientSize(this, kCardsClientSize);
}

ResultCard* ResultPopup::Card(const QString& engineId) const
{
    for (ResultCard* card : m_cards)
        if (card->engineId() == engineId)
            return card;
    return nullptr;
}

void ResultPopup::ClearCards()
{
    // Later: a card's own button may be what led here.
    for (ResultCard* card : std::exchange(m_cards, {})) {
        card->hide();
        card->deleteLater();
    }
    CardArea->hide();
    ResultMemo->show();
    CopyButton->show();
    SpeakButton->setVisible(m_speechShown);
}

void ResultPopup::ShowLanguages(const QList<int>& guesses, int chosen, const QString& pairText)
{
    PairLabel->setText(pairText);
    // Later: the button clicked may be what asks for new ones.
    for (TSkinButton* button : std::exchange(LanguageButtons, {})) {
        button->hide();
        button->deleteLater();
    }
    // Only a real choice is offered: a single guess is already in the pair.
    if (guesses.size() < 2)
        return;
    const QStringList names = LanguageNames();
    for (const int language : guesses) {
        auto* button = new TSkinButton(QStringLiteral("LanguageButton"), names.value(language), PairLabel->parentWidget());
        button->setCheckable(true);
        button->setChecked(language == chosen);
        button->setFixedHeight(22);
        button->setToolTip(QStringLiteral("按此语言重新翻译"));
        connect(button, &QPushButton::clicked, this, [this, language] { emit sourceLanguageChosen(language); });
        m_languageRow->addWidget(button);
        LanguageButtons.append(button);
    }
}

void ResultPopup::StartWaiting()
{
    m_waitSeconds = 0;
    ShowWaitTime();
    WaitLabel->show();
    CancelButton->show();
    m_waitClock.start();
}

void ResultPopup::StopWaiting(const QString& note)
{
    m_waitClock.stop();
    WaitLabel->setText(note);
    WaitLabel->setVisible(!note.isEmpty());
    CancelButton->hide();
}

void ResultPopup::CancelAnswers()
{
    for (ResultCard* card : m_cards)
        card->setCancelled();
    emit cancelRequested();
}

void ResultPopup::ShowWaitTime()
{
    WaitLabel->setText(QStringLiteral("翻译中… %1 秒").arg(m_waitSeconds));
}

void ResultPopup::SetSpeechShown(bool shown)
{
    m_speechShown = shown;
    SpeakButton->setVisible(shown && m_cards.isEmpty());
    for (ResultCard* card : m_cards)
        card->setSpeechShown(shown);
}

QString ResultPopup::SourceText() const
{
    return SourceMemo->toPlainText();
}

QString ResultPopup::ResultText() const
{
    if (m_cards.isEmpty())
        return ResultMemo->toPlainText();
    for (const ResultCard* card : m_cards)
        if (!card->text().isEmpty())
            return card->text();
    return {};
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
    // While answers can still be stopped, Escape stops them and leaves what arrived to be read;
    // otherwise it closes the popup (closed() cancels anything left).
    if (event->key() == Qt::Key_Escape) {
        if (Waiting() && !CancelButton->isHidden())
            CancelAnswers();
        else
            close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ResultPopup::closeEvent(QCloseEvent* event)
{
    m_editPause.stop();
    StopWaiting();
    QWidget::closeEvent(event);
    emit closed();
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
