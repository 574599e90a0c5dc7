#include "vocabulary/VocabularyWindow.h"

#include "http/ServiceRequest.h"
#include "session/WebRequestExchange.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"
#include "ui/TSkinMessage.h"
#include "vocabulary/AnkiConnect.h"
#include "vocabulary/VocabularyBook.h"
#include "vocabulary/VocabularyExport.h"

#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QTextBrowser>

namespace quillo {

namespace {

constexpr int kClientWidth = 560;
constexpr int kClientHeight = 420;
constexpr quint32 kAnkiTimeoutMs = 5000;

QString ItemText(const VocabularyItem& item)
{
    return QStringLiteral("%1    %2").arg(item.word, item.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")));
}

} // namespace

VocabularyWindow::VocabularyWindow(VocabularyBook* book, QWidget* parent)
    : QDialog(parent), book_(book), messageBox_(new TSkinMessage(this))
{
    setObjectName(QStringLiteral("VocabularyForm"));
    setWindowTitle(QStringLiteral(" 生 词 本 "));
    setFont(SongFont(13));
    ApplySkinLook(this, "form");
    SetClientSize(this, QSize(kClientWidth, kClientHeight));
    createControls();

    TWebRequest* request = NewServiceRequest(this);
    SetTimeouts(*request, kAnkiTimeoutMs);
    auto* exchange = new WebRequestExchange(request, this);
    exchange->bindEvents();
    anki_ = new AnkiConnect(exchange, QString::fromLatin1(AnkiConnect::kDefaultUrl), this);
    connect(anki_, &AnkiConnect::sent, this, [this](const QString& word) {
        messageBox_->MessageDlg(QStringLiteral("“%1”已加入 Anki 的“%2”牌组。").arg(word, QLatin1String(kAnkiDeck)),
                                mtInformation, mbOK, 0);
    });
    connect(anki_, &AnkiConnect::failed, this,
            [this](const QString& sentence) { messageBox_->MessageDlg(sentence, mtError, mbOK, 0); });
    connect(book_, &VocabularyBook::changed, this, &VocabularyWindow::refresh);
}

void VocabularyWindow::createControls()
{
    QWidget* client = CreateClientArea(this);
    auto* searchLabel = new TSkinLabel(QStringLiteral("SearchLabel"), QStringLiteral("查找："), client);
    searchLabel->setGeometry(16, 18, 45, 13);
    searchEdit = new TSkinEdit(QStringLiteral("SearchEdit"), client);
    searchEdit->setPlaceholderText(QStringLiteral("单词、释义或例句中的文字"));
    searchEdit->setClearButtonEnabled(true);
    searchEdit->setGeometry(60, 14, 484, 20);
    connect(searchEdit, &QLineEdit::textChanged, this, &VocabularyWindow::refresh);

    wordList = new QListWidget(client);
    wordList->setObjectName(QStringLiteral("WordList"));
    ApplySkinLook(wordList, "memo");
    wordList->setGeometry(16, 44, 200, 320);
    connect(wordList, &QListWidget::currentRowChanged, this, &VocabularyWindow::showChosen);

    entryView = new QTextBrowser(client);
    entryView->setObjectName(QStringLiteral("EntryView"));
    ApplySkinLook(entryView, "memo");
    entryView->setGeometry(224, 44, 320, 320);

    deleteButton = new TSkinButton(QStringLiteral("DeleteButton"), QStringLiteral("删  除"), client);
    ankiExportButton = new TSkinButton(QStringLiteral("AnkiExportButton"), QStringLiteral("导出 Anki 文件"), client);
    csvExportButton = new TSkinButton(QStringLiteral("CsvExportButton"), QStringLiteral("导出 CSV"), client);
    sendToAnkiButton = new TSkinButton(QStringLiteral("SendToAnkiButton"), QStringLiteral("发送到 Anki"), client);
    closeButton = new TSkinButton(QStringLiteral("CloseButton"), QStringLiteral("关  闭"), client);
    deleteButton->setGeometry(16, 380, 70, 25);
    ankiExportButton->setGeometry(96, 380, 110, 25);
    csvExportButton->setGeometry(216, 380, 90, 25);
    sendToAnkiButton->setGeometry(316, 380, 100, 25);
    closeButton->setGeometry(474, 380, 70, 25);
    connect(deleteButton, &QPushButton::clicked, this, &VocabularyWindow::deleteChosen);
    connect(ankiExportButton, &QPushButton::clicked, this, &VocabularyWindow::exportForAnki);
    connect(csvExportButton, &QPushButton::clicked, this, &VocabularyWindow::exportCsv);
    connect(sendToAnkiButton, &QPushButton::clicked, this, &VocabularyWindow::sendChosenToAnki);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

void VocabularyWindow::refresh()
{
    const QString chosen = chosenWord();
    wordList->clear();
    for (const VocabularyItem& item : book_->search(searchEdit->text())) {
        auto* row = new QListWidgetItem(ItemText(item), wordList);
        row->setData(Qt::UserRole, item.word);
        if (item.word == chosen)
            wordList->setCurrentItem(row);
    }
    if (!wordList->currentItem() && wordList->count() > 0)
        wordList->setCurrentRow(0);
    showChosen();
}

void VocabularyWindow::showChosen()
{
    const QString word = chosenWord();
    const QList<VocabularyItem> items = book_->search(word);
    const auto item = std::find_if(items.cbegin(), items.cend(), [&word](const auto& i) { return i.word == word; });
    entryView->setHtml(item == items.cend() ? QString() : QStringLiteral("<h3>%1</h3>%2").arg(word.toHtmlEscaped(), CardBackHtml(*item)));
    deleteButton->setEnabled(!word.isEmpty());
    sendToAnkiButton->setEnabled(!word.isEmpty());
    ankiExportButton->setEnabled(wordList->count() > 0);
    csvExportButton->setEnabled(wordList->count() > 0);
}

QString VocabularyWindow::chosenWord() const
{
    const QListWidgetItem* row = wordList->currentItem();
    return row ? row->data(Qt::UserRole).toString() : QString();
}

void VocabularyWindow::deleteChosen()
{
    const QString word = chosenWord();
    if (word.isEmpty())
        return;
    if (const auto error = book_->remove(word))
        messageBox_->MessageDlg(error->sentence, mtError, mbOK, 0);
    refresh();
}

void VocabularyWindow::exportForAnki()
{
    exportTo(QStringLiteral("Anki 可导入的文本 (*.txt)"), QStringLiteral(".txt"), AnkiTsv(book_->search()));
}

void VocabularyWindow::exportCsv()
{
    exportTo(QStringLiteral("CSV (*.csv)"), QStringLiteral(".csv"), VocabularyCsv(book_->search()));
}

void VocabularyWindow::exportTo(const QString& filter, const QString& suffix, const QByteArray& content)
{
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出生词本"),
                                                QDir::home().filePath(QStringLiteral("quillo-vocabulary") + suffix), filter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    if (const auto error = WriteExport(path, content))
        messageBox_->MessageDlg(error->sentence, mtError, mbOK, 0);
}

void VocabularyWindow::sendChosenToAnki()
{
    const QString word = chosenWord();
    for (const VocabularyItem& item : book_->search(word)) {
        if (item.word == word) {
            if (!anki_->send(item))
                messageBox_->MessageDlg(QStringLiteral("上一个单词还在发送中，请稍候。"), mtInformation, mbOK, 0);
            return;
        }
    }
}

void VocabularyWindow::showEvent(QShowEvent* event)
{
    refresh();
    QDialog::showEvent(event);
}

} // namespace quillo
