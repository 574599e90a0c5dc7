#pragma once
// The words a learner keeps: each with the dictionary entry it was shown with, the sentence it
// came from and when it was kept. One JSON file in the user's data folder, rewritten whole through
// QSaveFile on every change, so a crash leaves the old book or the new one, never half of one.
// A word kept again is kept once, with its newest entry, sentence and time.
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

namespace quillo {

struct VocabularyItem
{
    QString word;
    QString entry;    // the dictionary entry as shown (plain text, lines kept)
    QString sentence; // where the word was met; may be empty
    QDateTime time;

    bool operator==(const VocabularyItem&) const = default;
};

struct VocabularyError
{
    enum class Kind { Unreadable, Unwritable, EmptyWord };
    Kind kind;
    QString sentence; // for the user, in Chinese
};

class VocabularyBook : public QObject
{
    Q_OBJECT
public:
    // Reads the book at `path` when there is one; loadError() tells when it could not be read (the
    // file is then left alone and nothing is written over it).
    explicit VocabularyBook(const QString& path = defaultPath(), QObject* parent = nullptr);

    std::optional<VocabularyError> loadError() const { return loadError_; }

    std::optional<VocabularyError> keep(const QString& word, const QString& entry, const QString& sentence);
    std::optional<VocabularyError> remove(const QString& word);
    bool contains(const QString& word) const;

    // Newest first; an empty needle matches all, else the word, entry or sentence holds it
    // (case-insensitive).
    QList<VocabularyItem> search(const QString& needle = {}) const;

    // vocabulary.json beside the history in the user's data folder for Quillo.
    static QString defaultPath();

signals:
    void changed();

private:
    std::optional<VocabularyError> save();
    qsizetype indexOf(const QString& word) const;

    QString path_;
    QList<VocabularyItem> items_; // oldest first, as kept
    std::optional<VocabularyError> loadError_;
};

} // namespace quillo
