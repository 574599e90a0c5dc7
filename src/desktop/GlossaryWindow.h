#pragma once
// The glossary window: the terms the server keeps for a language pair, a term added and the
// selected one removed. Every engine of the server keeps these terms in its translations; the
// window only edits the list, through GlossaryBook, and shows what went wrong as a sentence.
#include "apiclient/GlossaryBook.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace quillo {

class GlossaryWindow : public QDialog
{
    Q_OBJECT
public:
    explicit GlossaryWindow(ApiClient* api, QWidget* parent = nullptr);

    // Lists the chosen pair's terms again (the window does so itself whenever the pair changes).
    void Reload();

    QComboBox* SourceBox;
    QComboBox* TargetBox;
    QTableWidget* EntryTable;
    QLineEdit* TermEdit;
    QLineEdit* TranslationEdit;
    QLineEdit* NoteEdit;
    QPushButton* AddButton;
    QPushButton* RemoveButton;
    QLabel* StatusLabel;

signals:
    // The pair's list has been shown (for the tests that wait for it).
    void entriesShown(int count);

private:
    QString sourceCode() const;
    QString targetCode() const;
    void showEntries(const QString& source, const QString& target, const QList<GlossaryEntry>& entries);
    void onAddClicked();
    void onRemoveClicked();
    void showProblem(const QString& sentence);

    GlossaryBook* m_book;
};

} // namespace quillo
