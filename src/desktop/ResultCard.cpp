#include "desktop/ResultCard.h"

#include "ui/SkinControls.h"
#include "ui/SkinLook.h"
#include "vocabulary/StarButton.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolTip>
#include <QVBoxLayout>

namespace quillo {

ResultCard::ResultCard(const QString& engineId, const QString& engineName, QWidget* parent)
    : QFrame(parent)
    , NameLabel(new QLabel(engineName, this))
    , TextLabel(new QLabel(this))
    , MissingTermsLabel(new QLabel(this))
    , CopyButton(new TSkinButton(QStringLiteral("CardCopyButton"), QStringLiteral("复制"), this))
    , SpeakButton(new TSkinButton(QStringLiteral("CardSpeakButton"), QStringLiteral("朗读"), this))
    , m_heading(new QHBoxLayout)
    , m_engineId(engineId)
{
    setObjectName(QStringLiteral("ResultCard"));
    setFrameShape(QFrame::StyledPanel);
    NameLabel->setFont(SongFont(12, true));
    // A dictionary's title can be long ("English - German Ding/FreeDict dictionary ver. 1.9-fd1"):
    // it wraps rather than push the buttons out of the popup.
    NameLabel->setWordWrap(true);
    TextLabel->setObjectName(QStringLiteral("CardText"));
    TextLabel->setWordWrap(true);
    TextLabel->setTextFormat(Qt::PlainText);
    TextLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    TextLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_heading->addWidget(NameLabel, 1);
    for (TSkinButton* button : {CopyButton, SpeakButton}) {
        button->setFixedSize(48, 22);
        m_heading->addWidget(button);
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 4, 6, 6);
    column->setSpacing(2);
    column->addLayout(m_heading);
    column->addWidget(TextLabel);
    MissingTermsLabel->setObjectName(QStringLiteral("CardMissingTerms"));
    MissingTermsLabel->setWordWrap(true);
    MissingTermsLabel->setTextFormat(Qt::PlainText);
    MissingTermsLabel->setStyleSheet(QStringLiteral("color: #8a5a00;"));
    MissingTermsLabel->hide();
    column->addWidget(MissingTermsLabel);
    setButtonsEnabled(false);

    connect(CopyButton, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(text()); });
    connect(SpeakButton, &QPushButton::clicked, this, [this] { emit speakRequested(text()); });
}

void ResultCard::appendPiece(const QString& piece)
{
    if (m_finished)
        return;
    m_text += piece;
    TextLabel->setText(m_text);
}

void ResultCard::setResult(const QString& text)
{
    m_text = text;
    m_finished = true;
    TextLabel->setText(m_text);
    setButtonsEnabled(!m_text.isEmpty());
}

void ResultCard::setFailure(const QString& sentence)
{
    m_failed = true;
    m_finished = true;
    m_text.clear();
    // One line: the card says that it failed and why, and the tooltip keeps all of it.
    const QString line = sentence.simplified();
    TextLabel->setWordWrap(false);
    TextLabel->setText(TextLabel->fontMetrics().elidedText(line, Qt::ElideRight, 320));
    TextLabel->setToolTip(line);
    TextLabel->setStyleSheet(QStringLiteral("color: #b00020; font-style: italic;"));
    setButtonsEnabled(false);
}

void ResultCard::setCancelled()
{
    if (m_finished)
        return;
    m_finished = true;
    TextLabel->setText(m_text.isEmpty() ? QStringLiteral("已取消") : m_text + QStringLiteral(" ……（已取消）"));
    TextLabel->setStyleSheet(QStringLiteral("color: #6b6b6b;"));
    setButtonsEnabled(!m_text.isEmpty());
}

void ResultCard::setMissingTerms(const QStringList& terms)
{
    MissingTermsLabel->setText(QStringLiteral("术语未保留：") + terms.join(QStringLiteral("、")));
    MissingTermsLabel->setVisible(!terms.isEmpty());
}

QString ResultCard::text() const
{
    return m_failed ? QString() : m_text;
}

void ResultCard::setSpeechShown(bool shown)
{
    SpeakButton->setVisible(shown);
}

void ResultCard::offerToKeep(VocabularyBook* book, const QString& word, const QString& sentence)
{
    if (!Star) {
        Star = new StarButton(book, this);
        Star->setFixedSize(22, 22);
        m_heading->insertWidget(1, Star);
        connect(Star, &StarButton::failed, Star,
                [this](const QString& why) { QToolTip::showText(Star->mapToGlobal(Star->rect().bottomLeft()), why, Star); });
    }
    const bool onlyTheWord = sentence.trimmed() == word.trimmed();
    Star->setWord(word, m_text, onlyTheWord ? QString() : sentence.trimmed());
}

void ResultCard::setButtonsEnabled(bool enabled)
{
    CopyButton->setEnabled(enabled);
    SpeakButton->setEnabled(enabled);
}

} // namespace quillo
