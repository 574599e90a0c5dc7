#pragma once
// The star that keeps a word in the vocabulary book: hollow while the word is not kept, filled
// once it is; a click keeps the word (with the entry and sentence it was given) or lets it go.
// Any window that shows a dictionary entry places one and tells it what it shows.
#include <QString>
#include <QToolButton>

namespace quillo {

class VocabularyBook;

class StarButton : public QToolButton
{
    Q_OBJECT
public:
    explicit StarButton(VocabularyBook* book, QWidget* parent = nullptr);

    // What a click keeps; an empty word disables the star.
    void setWord(const QString& word, const QString& entry, const QString& sentence = {});
    QString word() const { return word_; }

signals:
    void kept(const QString& word);
    void released(const QString& word);
    // A Chinese sentence saying why the book could not be changed.
    void failed(const QString& sentence);

private:
    void toggle();
    void showState();

    VocabularyBook* book_;
    QString word_;
    QString entry_;
    QString sentence_;
};

} // namespace quillo
