#include "vocabulary/VocabularyBook.h"

#include "session/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace quillo {

namespace {

const QString kWord = QStringLiteral("word");
const QString kEntry = QStringLiteral("entry");
const QString kSentence = QStringLiteral("sentence");
const QString kTime = QStringLiteral("time");

QJsonObject toJson(const VocabularyItem& item)
{
    return {{kWord, item.word},
            {kEntry, item.entry},
            {kSentence, item.sentence},
            {kTime, item.time.toUTC().toString(Qt::ISODateWithMs)}};
}

VocabularyItem fromJson(const QJsonObject& object)
{
    return {object.value(kWord).toString(), object.value(kEntry).toString(), object.value(kSentence).toString(),
            QDateTime::fromString(object.value(kTime).toString(), Qt::ISODateWithMs)};
}

VocabularyError unwritable(const QString& path)
{
    return {VocabularyError::Kind::Unwritable, QStringLiteral("无法保存生词本（%1）。").arg(QDir::toNativeSeparators(path))};
}

} // namespace

VocabularyBook::VocabularyBook(const QString& path, QObject* parent) : QObject(parent), path_(path)
{
    QFile file(path_);
    if (!file.exists())
        return;
    QJsonParseError parse{};
    const QJsonDocument document =
        file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll(), &parse) : QJsonDocument();
    if (!document.isArray()) {
        loadError_ = VocabularyError{VocabularyError::Kind::Unreadable,
                                     QStringLiteral("生词本文件（%1）无法读取，本次不会改动它。").arg(QDir::toNativeSeparators(path_))};
        return;
    }
    for (const QJsonValue& value : document.array()) {
        VocabularyItem item = fromJson(value.toObject());
        if (!item.word.isEmpty())
            items_.push_back(std::move(item));
    }
}

std::optional<VocabularyError> VocabularyBook::keep(const QString& word, const QString& entry, const QString& sentence)
{
    const QString kept = word.trimmed();
    if (kept.isEmpty())
        return VocabularyError{VocabularyError::Kind::EmptyWord, QStringLiteral("没有可以收进生词本的单词。")};
    if (const qsizetype at = indexOf(kept); at >= 0)
        items_.removeAt(at);
    items_.push_back({kept, entry.trimmed(), sentence.simplified(), QDateTime::currentDateTimeUtc()});
    return save();
}

std::optional<VocabularyError> VocabularyBook::remove(const QString& word)
{
    const qsizetype at = indexOf(word);
    if (at < 0)
        return std::nullopt;
    items_.removeAt(at);
    return save();
}

bool VocabularyBook::contains(const QString& word) const
{
    return indexOf(word.trimmed()) >= 0;
}

QList<VocabularyItem> VocabularyBook::search(const QString& needle) const
{
    QList<VocabularyItem> found;
    for (auto it = items_.crbegin(); it != items_.crend(); ++it) {
        if (needle.isEmpty() || it->word.contains(needle, Qt::CaseInsensitive)
            || it->entry.contains(needle, Qt::CaseInsensitive) || it->sentence.contains(needle, Qt::CaseInsensitive))
            found.push_back(*it);
    }
    return found;
}

QString VocabularyBook::defaultPath()
{
    return UserDataFile(QStringLiteral("vocabulary.json"));
}

std::optional<VocabularyError> VocabularyBook::save()
{
    // A book that could not be read is not written over: the user may still rescue it.
    if (loadError_)
        return loadError_;
    QJsonArray array;
    for (const VocabularyItem& item : items_)
        array.push_back(toJson(item));
    QSaveFile file(path_);
    if (!QDir().mkpath(QFileInfo(path_).absolutePath()) || !file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(array).toJson()) < 0 || !file.commit())
        return unwritable(path_);
    emit changed();
    return std::nullopt;
}

qsizetype VocabularyBook::indexOf(const QString& word) const
{
    const auto found = std::find_if(items_.cbegin(), items_.cend(),
                                    [&word](const VocabularyItem& item) { return item.word == word; });
    return found == items_.cend() ? -1 : found - items_.cbegin();
}

} // namespace quillo
