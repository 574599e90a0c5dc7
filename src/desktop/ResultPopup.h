#pragma once
// The small window that shows a selection's translation next to the mouse pointer: the language
// pair, the source, the translation, and buttons to copy it, hear it or take it to the main
// window. It goes away on Escape or as soon as the user works elsewhere. Opened over a program
// that fills the screen it takes no focus, so the film or game keeps its keyboard.
#include <QWidget>

namespace quillo {

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

    QString SourceText() const;
    QString ResultText() const;

    TSkinLabel* PairLabel;
    TSkinMemo* SourceMemo;
    TSkinMemo* ResultMemo;
    TSkinButton* CopyButton;
    TSkinButton* SpeakButton;
    TSkinButton* OpenButton;

signals:
    void speakRequested(const QString& translation);
    void openRequested(const QString& source);
    void resultShown(const QString& translation);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateControls();
    void PlaceNearPointer();

    bool m_wasActive = false;
};

} // namespace quillo
