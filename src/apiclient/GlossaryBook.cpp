#include "apiclient/GlossaryBook.h"

#include "apiclient/ApiClient.h"
#include "apiclient/ApiTypes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

namespace quillo {

namespace {

// The server's limits; a longer term is refused there too.
constexpr qsizetype kTermCharacters = 300;
constexpr qsizetype kNoteCharacters = 1000;

std::optional<GlossaryEntry> entryOf(const QJsonObject& object)
{
    if (!object.value(u"id").isDouble() || !object.value(u"term").isString())
        return std::nullopt;
    return GlossaryEntry{object.value(u"id").toInteger(),          object.value(u"source").toString(),
                         object.value(u"target").toString(),        object.value(u"term").toString(),
                         object.value(u"translation").toString(),   object.value(u"note").toString()};
}

QString serverSaid(const QByteArray& body)
{
    const QString said = ErrorOfBody(body);
    return said.isEmpty() ? QString() : QStringLiteral("（%1）").arg(said);
}

} // namespace

std::optional<GlossaryEntry> ParseGlossaryEntry(const QByteArray& json)
{
    return entryOf(QJsonDocument::fromJson(json).object());
}

std::optional<QList<GlossaryEntry>> ParseGlossaryEntries(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isArray())
        return std::nullopt;
    QList<GlossaryEntry> entries;
    for (const QJsonValue& value : document.array()) {
        auto entry = entryOf(value.toObject());
        if (!entry)
            return std::nullopt;
        entries.append(std::move(*entry));
    }
    return entries;
}

GlossaryBook::GlossaryBook(ApiClient* api, QObject* parent) : QObject(parent), m_api(api)
{
    connect(m_api, &ApiClient::replied, this, &GlossaryBook::onReplied);
    connect(m_api, &ApiClient::failed, this, &GlossaryBook::onFailed);
}

QString GlossaryBook::ProblemOf(const GlossaryEntry& entry)
{
    if (LanguageOfApiCode(entry.source) < 0 || LanguageOfApiCode(entry.target) < 0)
        return QStringLiteral("请选择源语言和目标语言。");
    if (LanguageOfApiCode(entry.source) == LanguageOfApiCode(entry.target))
        return QStringLiteral("源语言和目标语言不能相同。");
    if (entry.term.trimmed().isEmpty() || entry.translation.trimmed().isEmpty())
        return QStringLiteral("请填写术语和译文。");
    if (entry.term.size() > kTermCharacters || entry.translation.size() > kTermCharacters)
        return QStringLiteral("术语和译文不能超过 %1 个字符。").arg(kTermCharacters);
    if (entry.note.size() > kNoteCharacters)
        return QStringLiteral("备注不能超过 %1 个字符。").arg(kNoteCharacters);
    return {};
}

void GlossaryBook::list(const QString& source, const QString& target)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("source"), source);
    query.addQueryItem(QStringLiteral("target"), target);
    const int call = m_api->get(QStringLiteral("glossary?") + query.toString(QUrl::FullyEncoded));
    m_pending.insert(call, {Request::List, source, target, 0});
}

void GlossaryBook::add(const GlossaryEntry& entry)
{
    if (const QString problem = ProblemOf(entry); !problem.isEmpty())
        return emit failed(problem);
    QJsonObject body{{QStringLiteral("source"), entry.source},
                     {QStringLiteral("target"), entry.target},
                     {QStringLiteral("term"), entry.term.trimmed()},
                     {QStringLiteral("translation"), entry.translation.trimmed()}};
    if (!entry.note.trimmed().isEmpty())
        body.insert(QStringLiteral("note"), entry.note.trimmed());
    const int call = m_api->post(QStringLiteral("glossary"), QJsonDocument(body).toJson(QJsonDocument::Compact));
    m_pending.insert(call, {Request::Add, entry.source, entry.target, 0});
}

void GlossaryBook::remove(qint64 id)
{
    const int call = m_api->remove(QStringLiteral("glossary/%1").arg(id));
    m_pending.insert(call, {Request::Remove, {}, {}, id});
}

void GlossaryBook::onReplied(int call, int status, const QByteArray& body)
{
    const auto found = m_pending.constFind(call);
    if (found == m_pending.constEnd())
        return;
    const Pending pending = *found;
    m_pending.erase(found);
    if (pending.request == Request::Remove && status == 404)
        return emit failed(QStringLiteral("术语表中已没有这个词条，它可能已被删除。"));
    if (status == 404)
        return emit failed(QStringLiteral("翻译服务器不支持术语表，请更新 quillo-server。"));
    if (status == 400)
        return emit failed(QStringLiteral("翻译服务器拒绝了这个请求") + serverSaid(body) + QStringLiteral("。"));
    if (status == 401 || status == 403)
        return emit failed(QStringLiteral("翻译服务器要求 API 密钥，术语表无法使用") + serverSaid(body) + QStringLiteral("。"));
    if (status < 200 || status > 299)
        return emit failed(QStringLiteral("翻译服务器出错（HTTP %1），术语表暂时无法使用。").arg(status));
    const QString unreadable = QStringLiteral("翻译服务器的回答无法读取，术语表暂时无法使用。");
    switch (pending.request) {
    case Request::List:
        if (const auto entries = ParseGlossaryEntries(body))
            return emit listed(pending.source, pending.target, *entries);
        return emit failed(unreadable);
    case Request::Add:
        if (const auto entry = ParseGlossaryEntry(body))
            return emit added(*entry, status == 200);
        return emit failed(unreadable);
    case Request::Remove:
        return emit removed(pending.id);
    }
}

// libcurl's reasons are English and technical; the user gets one sentence of ours.
void GlossaryBook::onFailed(int call)
{
    if (m_pending.remove(call))
        emit failed(QStringLiteral("无法连接翻译服务器，术语表暂时无法使用。"));
}

} // namespace quillo
