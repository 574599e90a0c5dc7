#pragma once
// The user's glossary as quillo-server keeps it: the terms of a language pair listed, one added,
// one removed, through the open API. Every failure reaches the caller as one Chinese sentence the
// window can show as it is; checks the server would make anyway are made here first so the user
// learns what to mend without a round trip.
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

namespace quillo {

class ApiClient;

struct GlossaryEntry
{
    qint64 id = 0;
    QString source; // API codes ("en", "zh-Hans", ...)
    QString target;
    QString term;
    QString translation;
    QString note;

    bool operator==(const GlossaryEntry&) const = default;
};

class GlossaryBook : public QObject
{
    Q_OBJECT
public:
    explicit GlossaryBook(ApiClient* api, QObject* parent = nullptr);

    void list(const QString& source, const QString& target);
    void add(const GlossaryEntry& entry);
    void remove(qint64 id);

    // Why `entry` cannot be added, empty when it can.
    static QString ProblemOf(const GlossaryEntry& entry);

signals:
    void listed(const QString& source, const QString& target, const QList<quillo::GlossaryEntry>& entries);
    // `replaced`: the pair held the term already, and its translation and note are now these.
    void added(const quillo::GlossaryEntry& entry, bool replaced);
    void removed(qint64 id);
    void failed(const QString& sentence);

private:
    enum class Request { List, Add, Remove };
    struct Pending
    {
        Request request;
        QString source;
        QString target;
        qint64 id = 0;
    };
    void onReplied(int call, int status, const QByteArray& body);
    void onFailed(int call);

    ApiClient* m_api;
    QHash<int, Pending> m_pending;
};

// The API's entry objects; nothing when the JSON is not one (or a list of them).
std::optional<GlossaryEntry> ParseGlossaryEntry(const QByteArray& json);
std::optional<QList<GlossaryEntry>> ParseGlossaryEntries(const QByteArray& json);

} // namespace quillo
