#pragma once
// One engine's answer in the result popup: the engine's name, its text (a model's reply grows as
// its pieces arrive), buttons to copy it and hear it, or one line saying why it failed. A failure
// is drawn as one and is never copied or read aloud. A dictionary's card also has a star that
// keeps the word in the vocabulary book.
#include <QFrame>

class QHBoxLayout;
class QLabel;

namespace quillo {

class StarButton;
class TSkinButton;
class VocabularyBook;

class ResultCard : public QFrame
{
    Q_OBJECT
public:
    ResultCard(const QString& engineId, const QString& engineName, QWidget* parent = nullptr);

    const QString& engineId() const { return m_engineId; }
    void appendPiece(const QString& piece);
    void setResult(const QString& text);
    void setFailure(const QString& sentence);
    // The user stopped the answer: what arrived stays, marked as cut short.
    void setCancelled();
    // Marks glossary terms the engine dropped; none hides the mark.
    void setMissingTerms(const QStringList& terms);
    bool failed() const { return m_failed; }
    bool finished() const { return m_finished; }
    // The translation; empty while none has arrived and after a failure.
    QString text() const;
    void setSpeechShown(bool shown);
    // Shows the star that keeps `word` in `book` with the card's text as its entry; `sentence` is
    // where the word was met, dropped when it is only the word again.
    void offerToKeep(VocabularyBook* book, const QString& word, const QString& sentence);

    QLabel* NameLabel;
    QLabel* TextLabel;
    QLabel* MissingTermsLabel;
    TSkinButton* CopyButton;
    TSkinButton* SpeakButton;
    StarButton* Star = nullptr;

signals:
    void speakRequested(const QString& text);

private:
    void setButtonsEnabled(bool enabled);

    QHBoxLayout* m_heading;
    QString m_engineId;
    QString m_text;
    bool m_failed = false;
    bool m_finished = false;
};

} // namespace quillo
