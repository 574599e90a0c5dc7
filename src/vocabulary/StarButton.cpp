#include "vocabulary/StarButton.h"

#include "vocabulary/VocabularyBook.h"

namespace quillo {

StarButton::StarButton(VocabularyBook* book, QWidget* parent) : QToolButton(parent), book_(book)
{
    setObjectName(QStringLiteral("StarButton"));
    setAutoRaise(true);
    connect(this, &QToolButton::clicked, this, &StarButton::toggle);
    connect(book_, &VocabularyBook::changed, this, &StarButton::showState);
    showState();
}

void StarButton::setWord(const QString& word, const QString& entry, const QString& sentence)
{
    word_ = word.trimmed();
    entry_ = entry;
    sentence_ = sentence;
    showState();
}

void StarButton::toggle()
{
    if (word_.isEmpty())
        return;
    const bool keeping = !book_->contains(word_);
    const auto error = keeping ? book_->keep(word_, entry_, sentence_) : book_->remove(word_);
    if (error) {
        emit failed(error->sentence);
    } else if (keeping) {
        emit kept(word_);
    } else {
        emit released(word_);
    }
    showState();
}

void StarButton::showState()
{
    const bool kept = !word_.isEmpty() && book_->contains(word_);
    setEnabled(!word_.isEmpty());
    setText(kept ? QStringLiteral("★") : QStringLiteral("☆"));
    setToolTip(kept ? QStringLiteral("已在生词本中，点击移出") : QStringLiteral("收入生词本"));
}

} // namespace quillo
