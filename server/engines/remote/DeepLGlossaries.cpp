#include "server/engines/remote/DeepLGlossaries.h"

#include "server/base/Log.h"
#include "server/engines/remote/RemoteApi.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <set>

namespace quillo::server {

namespace {

// A tab or a line break would split an entry; DeepL also refuses blanks around a term.
std::string entryText(std::string text)
{
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

constexpr std::string_view kNamePrefix = "quillo ";

} // namespace

std::string DeepLGlossaries::entries(const std::vector<GlossaryTerm>& terms)
{
    std::string lines;
    std::set<std::string> seen;
    for (const GlossaryTerm& term : terms) {
        const std::string source = entryText(term.term);
        const std::string target = entryText(term.translation);
        if (source.empty() || target.empty() || !seen.insert(source).second)
            continue;
        lines += (lines.empty() ? "" : "\n") + source + "\t" + target;
    }
    return lines;
}

ApiRequest DeepLGlossaries::request(const std::string& path, std::string body, std::string method) const
{
    ApiRequest call{host_ + path, {"Authorization: DeepL-Auth-Key " + key_}, std::move(body)};
    if (!call.body.empty())
        call.headers.push_back("Content-Type: application/json");
    call.method = std::move(method);
    return call;
}

std::string DeepLGlossaries::idFor(const std::string& source, const std::string& target,
                                   const std::vector<GlossaryTerm>& terms, Deadline deadline, std::string& error)
{
    const std::string pair = source + ">" + target;
    const std::string wanted = entries(terms);
    if (wanted.empty())
        return {};
    // Held across the call: two requests of a pair at once must not make two glossaries.
    std::lock_guard lock(mutex_);
    const auto known = made_.find(pair);
    if (known != made_.end() && known->second.entries == wanted)
        return known->second.id;
    const QJsonObject body{{QStringLiteral("name"), qs(std::string(kNamePrefix) + pair)},
                           {QStringLiteral("source_lang"), qs(source)},
                           {QStringLiteral("target_lang"), qs(target)},
                           {QStringLiteral("entries"), qs(wanted)},
                           {QStringLiteral("entries_format"), QStringLiteral("tsv")}};
    const ApiReply reply = CallApiAllowingOneRetry(
        request("/v2/glossaries", QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString()), deadline);
    const QString id = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body))
                           .object()
                           .value(u"glossary_id")
                           .toString();
    if (!reply.answered || (reply.status != 200 && reply.status != 201) || id.isEmpty()) {
        error = reply.answered ? "glossary refused with status " + std::to_string(reply.status) : reply.error;
        return {};
    }
    if (known != made_.end() && !known->second.id.empty())
        unused_.push_back(known->second.id);
    if (swept_.insert(pair).second)
        unswept_.insert(pair);
    made_[pair] = {wanted, id.toStdString()};
    return id.toStdString();
}

void DeepLGlossaries::forget(const std::string& id)
{
    std::lock_guard lock(mutex_);
    for (auto& [pair, made] : made_) {
        if (made.id == id)
            made = {};
    }
}

std::vector<std::string> DeepLGlossaries::earlierGlossaries(const std::set<std::string>& pairs, Deadline deadline)
{
    const ApiReply reply = CallApi(request("/v2/glossaries"), deadline);
    if (!reply.answered || reply.status != 200) {
        LogWarning("DeepL glossaries could not be listed: "
                   + (reply.answered ? "status " + std::to_string(reply.status) : Redacted(reply.error, key_)));
        return {};
    }
    std::set<std::string> inUse;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [pair, made] : made_)
            inUse.insert(made.id);
    }
    std::vector<std::string> earlier;
    const QJsonArray listed =
        QJsonDocument::fromJson(QByteArray::fromStdString(reply.body)).object().value(u"glossaries").toArray();
    for (const QJsonValue& glossary : listed) {
        const std::string name = glossary[u"name"].toString().toStdString();
        const std::string id = glossary[u"glossary_id"].toString().toStdString();
        if (name.starts_with(kNamePrefix) && pairs.contains(name.substr(kNamePrefix.size())) && !id.empty()
            && !inUse.contains(id))
            earlier.push_back(id);
    }
    return earlier;
}

void DeepLGlossaries::tidy(Deadline deadline)
{
    std::vector<std::string> unused;
    std::set<std::string> unswept;
    {
        std::lock_guard lock(mutex_);
        unused.swap(unused_);
        unswept.swap(unswept_);
    }
    if (!unswept.empty()) {
        const std::vector<std::string> earlier = earlierGlossaries(unswept, deadline);
        unused.insert(unused.end(), earlier.begin(), earlier.end());
    }
    for (const std::string& id : unused) {
        const ApiReply reply = CallApi(request("/v2/glossaries/" + id, {}, "DELETE"), deadline);
        // 404: already gone.
        if (!reply.answered || (reply.status != 204 && reply.status != 200 && reply.status != 404))
            LogWarning("DeepL glossary " + id + " was not deleted: "
                       + (reply.answered ? "status " + std::to_string(reply.status) : Redacted(reply.error, key_)));
    }
}

} // namespace quillo::server
