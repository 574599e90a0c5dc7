#include "vocabulary/VocabularyExport.h"

#include <QDir>
#include <QSaveFile>

namespace quillo {

namespace {

// A field of a tab-separated line never holds a tab or a line break: HTML carries the lines.
QString HtmlField(const QString& text)
{
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1Char('\t'), QLatin1Char(' '));
    html.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    html.remove(QLatin1Char('\r'));
    return html;
}

QString CsvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString CardBackHtml(const VocabularyItem& item)
{
    QString back = HtmlField(item.entry);
    if (!item.sentence.isEmpty()) {
        const QString word = HtmlField(item.word);
        QString sentence = HtmlField(item.sentence);
        sentence.replace(word, QStringLiteral("<b>%1</b>").arg(word));
        back += (back.isEmpty() ? QString() : QStringLiteral("<br><br>")) + QStringLiteral("<i>%1</i>").arg(sentence);
    }
    return back;
}

QByteArray AnkiTsv(const QList<VocabularyItem>& items)
{
    QString text = QStringLiteral("#separator:tab\n#html:true\n#notetype:Basic\n#deck:%1\n#tags:%2\n")
                       .arg(QLatin1String(kAnkiDeck), QLatin1String(kAnkiTag));
    for (const VocabularyItem& item : items)
        text += HtmlField(item.word) + QLatin1Char('\t') + CardBackHtml(item) + QLatin1Char('\n');
    return text.toUtf8();
}

QByteArray VocabularyCsv(const QList<VocabularyItem>& items)
{
    QString text = QStringLiteral("word,entry,sentence,time\r\n");
    for (const VocabularyItem& item : items) {
        text += CsvField(item.word) + QLatin1Char(',') + CsvField(item.entry) + QLatin1Char(',') + CsvField(item.sentence)
            + QLatin1Char(',') + item.time.toUTC().toString(Qt::ISODate) + QStringLiteral("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

std::optional<VocabularyError> WriteExport(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return std::nullopt;
    return VocabularyError{VocabularyError::Kind::Unwritable,
                           QStringLiteral("无法写入文件 %1。").arg(QDir::toNativeSeparators(path))};
}

} // namespace quillo
