#pragma once
// The small window that shows a selection's translation next to the mouse pointer: the language
// pair, the source, the translation, and buttons to copy it, hear it or take it to the main
// window. It goes away on Escape or as soon as the user works elsewhere. Opened over a program
// that fills the screen it takes no focus, so the film or game keeps its keyboard.
//
// Against a server with the open API it shows a card per engine instead of the one result box,
// the source's detected language with its next guesses one click away, and a running "translating"
// line with a cancel button while answers are outstanding. The source stays editable: the popup
// asks for a new translation once the user pauses typing.
#include <QList>
#include <QPair>
#include <QTimer>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace quillo {

class ResultCard;
class TSkinButton;
class TSkinLabel;
class TSkinMemo;

class ResultPopup : public QWidget
{
    Q_OBJECT
public:
    explicit ResultPopup(QWidget* parent = nullptr);

    // Opens near the pointer with the source and pair, the translation still to come.
    void ShowFor(const QString& source, const QString& pairText, bool takeFocus);
    void ShowResult(const QString& translation);
    void ShowFailure(const QString& message);

    // A card per engine (id, display name), in this order, in place of the result box.
    void ShowCards(const QList<QPair<QString, QString>>& engines);
    ResultCard* Card(const QString& engineId) const;
    QList<ResultCard*> Cards() const { return m_cards; }
    // The likeliest languages of the source (list indexes), `chosen` marked; a click on another
    // asks for it through sourceLanguageChosen.
    void ShowLanguages(const QList<int>& guesses, int chosen, const QString& pairText);
    void StartWaiting();
    void StopWaiting(const QString& note = {});
    // Stops the answers still coming (the cards keep what arrived); the popup stays open.
    void CancelAnswers();
    bool Waiting() const { return m_waitClock.isActive(); }
    void SetSpeechShown(bool shown);

    QString SourceText() const;
    // The result box's text, or with cards the first engine's translation.
    QString ResultText() const;

    TSkinLabel* PairLabel;
    TSkinMemo* SourceMemo;
    TSkinMemo* ResultMemo;
    QScrollArea* CardArea;
    QLabel* WaitLabel;
    TSkinButton* CancelButton;
    TSkinButton* CopyButton;
    TSkinButton* SpeakButton;
    TSkinButton* OpenButton;
    QList<TSkinButton*> LanguageButtons;

    // How long the user's typing must pause before the edited source is translated.
    static constexpr int kEditPauseMs = 500;

signals:
    void speakRequested(const QString& translation);
    void openRequested(const QString& source, const QString& translation);
    void resultShown(const QString& translation);
    void sourceEdited(const QString& source);
    void sourceLanguageChosen(int language);
    void cancelRequested();
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void PlaceNearPointer();
    void ShowWaitTime();
    void ClearCards();

    QHBoxLayout* m_languageRow = nullptr;
    QVBoxLayout* m_cardColumn = nullptr;
    QList<ResultCard*> m_cards;
    QTimer m_editPause;
    QTimer m_waitClock;
    int m_waitSeconds = 0;
    bool m_settingSource = false;
    bool m_speechShown = true;
    bool m_wasActive = false;
};

} // namespace quillo
