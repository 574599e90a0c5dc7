#include "desktop/GlossaryWindow.h"

#include "apiclient/ApiTypes.h"
#include "core/Languages.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quillo {

namespace {

QComboBox* languageBox(int chosen, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->addItems(LanguageNames());
    box->setCurrentIndex(chosen);
    return box;
}

} // namespace

GlossaryWindow::GlossaryWindow(ApiClient* api, QWidget* parent)
    : QDialog(parent)
    , SourceBox(languageBox(English, this))
    , TargetBox(languageBox(Simplified, this))
    , EntryTable(new QTableWidget(0, 3, this))
    , TermEdit(new QLineEdit(this))
    , TranslationEdit(new QLineEdit(this))
    , NoteEdit(new QLineEdit(this))
    , AddButton(new QPushButton(QStringLiteral("添加"), this))
    , RemoveButton(new QPushButton(QStringLiteral("删除所选"), this))
    , StatusLabel(new QLabel(this))
    , m_book(new GlossaryBook(api, this))
{
    setWindowTitle(QStringLiteral("术语表"));
    EntryTable->setHorizontalHeaderLabels({QStringLiteral("术语"), QStringLiteral("译文"), QStringLiteral("备注")});
    EntryTable->horizontalHeader()->setStretchLastSection(true);
    EntryTable->verticalHeader()->hide();
    EntryTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    EntryTable->setSelectionMode(QAbstractItemView::SingleSelection);
    EntryTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TermEdit->setPlaceholderText(QStringLiteral("术语"));
    TranslationEdit->setPlaceholderText(QStringLiteral("译文"));
    NoteEdit->setPlaceholderText(QStringLiteral("备注（可选）"));
    StatusLabel->setWordWrap(true);

    auto* pair = new QHBoxLayout;
    pair->addWidget(new QLabel(QStringLiteral("源语言"), this));
    pair->addWidget(SourceBox);
    pair->addWidget(new QLabel(QStringLiteral("→"), this));
    pair->addWidget(new QLabel(QStringLiteral("目标语言"), this));
    pair->addWidget(TargetBox);
    pair->addStretch();
    auto* adding = new QGridLayout;
    adding->addWidget(TermEdit, 0, 0);
    adding->addWidget(TranslationEdit, 0, 1);
    adding->addWidget(NoteEdit, 1, 0, 1, 2);
    adding->addWidget(AddButton, 0, 2);
    adding->addWidget(RemoveButton, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pair);
    layout->addWidget(EntryTable);
    layout->addLayout(adding);
    layout->addWidget(StatusLabel);
    resize(560, 420);

    connect(SourceBox, &QComboBox::currentIndexChanged, this, &GlossaryWindow::Reload);
    connect(TargetBox, &QComboBox::currentIndexChanged, this, &GlossaryWindow::Reload);
    connect(AddButton, &QPushButton::clicked, this, &GlossaryWindow::onAddClicked);
    connect(RemoveButton, &QPushButton::clicked, this, &GlossaryWindow::onRemoveClicked);
    connect(TermEdit, &QLineEdit::returnPressed, this, &GlossaryWindow::onAddClicked);
    connect(TranslationEdit, &QLineEdit::returnPressed, this, &GlossaryWindow::onAddClicked);
    connect(m_book, &GlossaryBook::listed, this, &GlossaryWindow::showEntries);
    connect(m_book, &GlossaryBook::added, this, [this](const GlossaryEntry& entry, bool replaced) {
        TermEdit->clear();
        TranslationEdit->clear();
        NoteEdit->clear();
        TermEdit->setFocus();
        Reload();
        StatusLabel->setText((replaced ? QStringLiteral("已更新：") : QStringLiteral("已添加：")) + entry.term
                             + QStringLiteral(" → ") + entry.translation);
    });
    connect(m_book, &GlossaryBook::removed, this, [this] {
        Reload();
        StatusLabel->setText(QStringLiteral("已删除。"));
    });
    connect(m_book, &GlossaryBook::failed, this, &GlossaryWindow::showProblem);
    Reload();
}

QString GlossaryWindow::sourceCode() const
{
    return ApiLanguageCode(SourceBox->currentIndex());
}

QString GlossaryWindow::targetCode() const
{
    return ApiLanguageCode(TargetBox->currentIndex());
}

void GlossaryWindow::Reload()
{
    StatusLabel->clear();
    StatusLabel->setStyleSheet(QString());
    if (SourceBox->currentIndex() == TargetBox->currentIndex()) {
        showEntries(sourceCode(), targetCode(), {});
        return showProblem(QStringLiteral("源语言和目标语言不能相同。"));
    }
    m_book->list(sourceCode(), targetCode());
}

void GlossaryWindow::showEntries(const QString& source, const QString& target, const QList<GlossaryEntry>& entries)
{
    // The answer to a pair the user has since left.
    if (source != sourceCode() || target != targetCode())
        return;
    EntryTable->setRowCount(0);
    for (const GlossaryEntry& entry : entries) {
        const int row = EntryTable->rowCount();
        EntryTable->insertRow(row);
        const QStringList texts{entry.term, entry.translation, entry.note};
        for (int column = 0; column < texts.size(); ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setData(Qt::UserRole, entry.id);
            EntryTable->setItem(row, column, item);
        }
    }
    emit entriesShown(int(entries.size()));
}

void GlossaryWindow::onAddClicked()
{
    StatusLabel->clear();
    m_book->add({0, sourceCode(), targetCode(), TermEdit->text(), TranslationEdit->text(), NoteEdit->text()});
}

void GlossaryWindow::onRemoveClicked()
{
    StatusLabel->clear();
    const QList<QTableWidgetItem*> chosen = EntryTable->selectedItems();
    if (chosen.isEmpty())
        return showProblem(QStringLiteral("请先选中要删除的词条。"));
    m_book->remove(chosen.first()->data(Qt::UserRole).toLongLong());
}

void GlossaryWindow::showProblem(const QString& sentence)
{
    StatusLabel->setStyleSheet(QStringLiteral("color: #b00020;"));
    StatusLabel->setText(sentence);
}

} // namespace quillo
