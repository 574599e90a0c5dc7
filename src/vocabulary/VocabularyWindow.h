#pragma once
// The vocabulary book's window: a search box over the kept words, the matching words newest
// first with their entry and sentence, and buttons to delete the chosen word, export the book for
// Anki or as CSV, or send the chosen word to Anki through AnkiConnect. The book belongs to whoever
// opens the window and must outlive it.
#include <QDialog>

class QListWidget;
class QTextBrowser;

namespace quillo {

class AnkiConnect;
class TSkinButton;
class TSkinEdit;
class TSkinMessage;
class VocabularyBook;

class VocabularyWindow : public QDialog
{
    Q_OBJECT
public:
    explicit VocabularyWindow(VocabularyBook* book, QWidget* parent = nullptr);

    void refresh();

    TSkinEdit* searchEdit;
    QListWidget* wordList;
    QTextBrowser* entryView;
    TSkinButton* deleteButton;
    TSkinButton* ankiExportButton;
    TSkinButton* csvExportButton;
    TSkinButton* sendToAnkiButton;
    TSkinButton* closeButton;

    void deleteChosen();
    // Asks where to write, then writes; the format by the button.
    void exportForAnki();
    void exportCsv();
    void sendChosenToAnki();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void showChosen();
    QString chosenWord() const;
    void exportTo(const QString& filter, const QString& suffix, const QByteArray& content);

    VocabularyBook* book_;
    AnkiConnect* anki_;
    TSkinMessage* messageBox_;
};

} // namespace quillo
