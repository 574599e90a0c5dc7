#include "server/engines/remote/DeepLGlossaries.h"

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

std::string DeepLGlossaries::idFor(const std::string& source, const std::string& target,
                                   const std::vector<GlossaryTerm>& terms, Deadline deadline, std::string& error)
{
    const std::string pair = source + ">" + target;
    const std::string wanted = entries(terms);
    if (wanted.empty())
        return {};
    // Held across the call: two requests of a pair at once must not make two glossaries.
    std::lock_guard lock(mutex_);
    if (const auto known = made_.find(pair); known != made_.end() && known->second.entries == wanted)
        return known->second.id;
    const QJsonObject body{{QStringLiteral("name"), qs("quillo " + pair)},
                           {QStringLiteral("source_lang"), qs(source)},
                           {QStringLiteral("target_lang"), qs(target)},
                           {QStringLiteral("entries"), qs(wanted)},
                           {QStringLiteral("entries_format"), QStringLiteral("tsv")}};
    const ApiRequest call{host_ + "/v2/glossaries",
                          {"Content-Type: application/json", "Authorization: DeepL-Auth-Key " + key_},
                          QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString()};
    const ApiReply reply = CallApiAllowingOneRetry(call, deadline);
    const QString id = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body))
                           .object()
                           .value(u"glossary_id")
                           .toString();
    if (!reply.answered || (reply.status != 200 && reply.status != 201) || id.isEmpty()) {
        error = reply.answered ? "glossary refused with status " + std::to_string(reply.status) : reply.error;
        return {};
    }
    made_[pair] = {wanted, id.toStdString()};
    return id.toStdString();
}

} // namespace quillo::server
