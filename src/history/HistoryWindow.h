#pragma once
// The history window: a search box over the stored translations, the matching entries newest
// first, and buttons to copy or delete the chosen entry or to clear the whole history. The store
// belongs to whoever opens the window and must outlive it. Given a vocabulary book, a star keeps
// the chosen entry's text with its translation there.
#include "history/HistoryStore.h"

#include <QDialog>

class QListWidget;
class QListWidgetItem;

namespace quillo {

class HistoryStore;
class StarButton;
class VocabularyBook;
class TSkinButton;
class TSkinEdit;
class TSkinMessage;

class HistoryWindow : public QDialog
{
    Q_OBJECT
public:
    explicit HistoryWindow(HistoryStore* store, QWidget* parent = nullptr);

    // Rereads the entries matching the search box; showing the window does it too.
    void refresh();
    // Shows the star; the book must outlive the window.
    void setVocabularyBook(VocabularyBook* book);

    TSkinEdit* SearchEdit;
    QListWidget* EntryList;
    TSkinButton* CopyButton;
    TSkinButton* DeleteButton;
    TSkinButton* ClearButton;
    TSkinButton* CloseButton;
    StarButton* starButton = nullptr;

    void CopyButtonClick();
    void DeleteButtonClick();
    void ClearButtonClick();

signals:
    // A double click asks to see the entry again in the popup; the window closes for it.
    void entryOpened(const quillo::HistoryEntry& entry);

protected:
    // Delete removes the chosen entry and Ctrl+C copies its translation, as in a file list.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void UpdateButtons();
    qint64 SelectedId() const;
    void openEntry(QListWidgetItem* item);

    HistoryStore* FStore;
    TSkinMessage* messageBox;
};

} // namespace quillo
