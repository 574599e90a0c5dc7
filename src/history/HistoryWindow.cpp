#include "history/HistoryWindow.h"

#include "core/Languages.h"
#include "history/HistoryStore.h"
#include "translate/FailureSentence.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"
#include "ui/TSkinMessage.h"
#include "vocabulary/StarButton.h"

#include <QClipboard>
#include <QColor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>

namespace quillo {

namespace {

constexpr int kClientWidth = 560;
constexpr int kClientHeight = 400;
constexpr int kIdRole = Qt::UserRole;
constexpr int kResultRole = Qt::UserRole + 1;
constexpr int kEntryRole = Qt::UserRole + 2;
constexpr int kSourceRole = Qt::UserRole + 3;
// A line of an entry shows at most this many characters of its text.
constexpr int kShownCharacters = 80;

QString LanguageName(int index)
{
    const QStringList names = LanguageNames();
    return index >= 0 && index < names.size() ? names[index] : QStringLiteral("自动检测");
}

QString OneLine(const QString& text)
{
    const QString line = text.simplified();
    return line.size() > kShownCharacters ? line.left(kShownCharacters) + QStringLiteral("…") : line;
}

// A failure kept by an older version is told as one, never shown as the translation.
QString EntryText(const HistoryEntry& entry, bool failed)
{
    const QString result = failed ? QStringLiteral("【翻译失败】") + OneLine(entry.result) : OneLine(entry.result);
    return QStringLiteral("%1  %2 → %3  %4\n%5\n%6")
        .arg(entry.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")), LanguageName(entry.source),
             LanguageName(entry.target), entry.engine, OneLine(entry.sourceText), result);
}

} // namespace

HistoryWindow::HistoryWindow(HistoryStore* store, QWidget* parent)
    : QDialog(parent)
    , FStore(store)
    , messageBox(new TSkinMessage(this))
{
    setObjectName(QStringLiteral("HistoryForm"));
    setWindowTitle(QStringLiteral(" 翻 译 历 史 "));
    setFont(SongFont(13));
    ApplySkinLook(this, "form");
    SetClientSize(this, QSize(kClientWidth, kClientHeight));
    CreateControls();
}

void HistoryWindow::CreateControls()
{
    QWidget* client = CreateClientArea(this);
    auto* searchLabel = new TSkinLabel(QStringLiteral("SearchLabel"), QStringLiteral("查找："), client);
    searchLabel->setGeometry(16, 18, 45, 13);
    SearchEdit = new TSkinEdit(QStringLiteral("SearchEdit"), client);
    SearchEdit->setPlaceholderText(QStringLiteral("原文或译文中的文字"));
    SearchEdit->setClearButtonEnabled(true);
    SearchEdit->setGeometry(60, 14, 484, 20);
    connect(SearchEdit, &QLineEdit::textChanged, this, &HistoryWindow::refresh);

    EntryList = new QListWidget(client);
    EntryList->setObjectName(QStringLiteral("EntryList"));
    ApplySkinLook(EntryList, "memo");
    EntryList->setAlternatingRowColors(true);
    EntryList->setGeometry(16, 44, 528, 300);
    EntryList->installEventFilter(this);
    connect(EntryList, &QListWidget::currentRowChanged, this, &HistoryWindow::UpdateButtons);
    connect(EntryList, &QListWidget::itemDoubleClicked, this, &HistoryWindow::openEntry);

    CopyButton = new TSkinButton(QStringLiteral("CopyButton"), QStringLiteral("复 制 译 文"), client);
    DeleteButton = new TSkinButton(QStringLiteral("DeleteButton"), QStringLiteral("删  除"), client);
    ClearButton = new TSkinButton(QStringLiteral("ClearButton"), QStringLiteral("清 空 历 史"), client);
    CloseButton = new TSkinButton(QStringLiteral("CloseButton"), QStringLiteral("关  闭"), client);
    CopyButton->setGeometry(16, 360, 110, 25);
    DeleteButton->setGeometry(140, 360, 80, 25);
    ClearButton->setGeometry(234, 360, 110, 25);
    CloseButton->setGeometry(464, 360, 80, 25);
    connect(CopyButton, &QPushButton::clicked, this, &HistoryWindow::CopyButtonClick);
    connect(DeleteButton, &QPushButton::clicked, this, &HistoryWindow::DeleteButtonClick);
    connect(ClearButton, &QPushButton::clicked, this, &HistoryWindow::ClearButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
}

void HistoryWindow::refresh()
{
    const qint64 selected = SelectedId();
    EntryList->clear();
    const QList<HistoryEntry> entries = FStore ? FStore->search(SearchEdit->text()) : QList<HistoryEntry>();
    for (const HistoryEntry& entry : entries) {
        const bool failed = IsFailureSentence(entry.result);
        auto* item = new QListWidgetItem(EntryText(entry, failed), EntryList);
        item->setData(kIdRole, entry.id);
        // A failure has no translation to copy.
        item->setData(kResultRole, failed ? QString() : entry.result);
        item->setData(kEntryRole, QVariant::fromValue(entry));
        item->setData(kSourceRole, entry.sourceText);
        item->setToolTip(entry.sourceText + QStringLiteral("\n\n") + entry.result);
        if (failed)
            item->setForeground(QColor(0xb0, 0x30, 0x30));
        if (entry.id == selected)
            EntryList->setCurrentItem(item);
    }
    if (!EntryList->currentItem() && EntryList->count() > 0)
        EntryList->setCurrentRow(0);
    UpdateButtons();
}

void HistoryWindow::UpdateButtons()
{
    const QListWidgetItem* item = EntryList->currentItem();
    const bool chosen = item != nullptr;
    CopyButton->setEnabled(chosen && !item->data(kResultRole).toString().isEmpty());
    DeleteButton->setEnabled(chosen);
    ClearButton->setEnabled(FStore && FStore->count() > 0);
    if (starButton) {
        starButton->setWord(item ? item->data(kSourceRole).toString() : QString(),
                            item ? item->data(kResultRole).toString() : QString());
    }
}

void HistoryWindow::setVocabularyBook(VocabularyBook* book)
{
    delete starButton;
    starButton = book ? new StarButton(book, CopyButton->parentWidget()) : nullptr;
    if (!starButton)
        return;
    starButton->setGeometry(358, 360, 25, 25);
    connect(starButton, &StarButton::failed, this,
            [this](const QString& sentence) { messageBox->MessageDlg(sentence, mtError, mbOK, 0); });
    UpdateButtons();
}

qint64 HistoryWindow::SelectedId() const
{
    const QListWidgetItem* item = EntryList->currentItem();
    return item ? item->data(kIdRole).toLongLong() : 0;
}

void HistoryWindow::CopyButtonClick()
{
    const QListWidgetItem* item = EntryList->currentItem();
    if (item && !item->data(kResultRole).toString().isEmpty())
        QGuiApplication::clipboard()->setText(item->data(kResultRole).toString());
}

void HistoryWindow::openEntry(QListWidgetItem* item)
{
    if (!item)
        return;
    const auto entry = item->data(kEntryRole).value<HistoryEntry>();
    accept();
    emit entryOpened(entry);
}

void HistoryWindow::DeleteButtonClick()
{
    const int row = EntryList->currentRow();
    if (row < 0 || !FStore)
        return;
    if (!FStore->remove(SelectedId()))
        messageBox->MessageDlg(QStringLiteral("无法删除这条记录。"), mtError, mbOK, 0);
    refresh();
    // The entry after the deleted one takes its place in the selection.
    EntryList->setCurrentRow(qMin(row, EntryList->count() - 1));
}

void HistoryWindow::ClearButtonClick()
{
    if (!FStore
        || messageBox->MessageDlg(QStringLiteral("确实要清空全部翻译历史吗？清空后无法恢复。"), mtConfirmation,
                                    mbYes | mbNo, 0)
               != mrYes)
        return;
    if (!FStore->clear())
        messageBox->MessageDlg(QStringLiteral("无法清空翻译历史。"), mtError, mbOK, 0);
    refresh();
}

void HistoryWindow::showEvent(QShowEvent* event)
{
    refresh();
    QDialog::showEvent(event);
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == EntryList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            DeleteButtonClick();
            return true;
        }
        if (key->matches(QKeySequence::Copy)) {
            CopyButtonClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quillo
