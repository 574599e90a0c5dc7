#include "server/engines/remote/ChatStream.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillo::server {

std::string ChatStream::feed(std::string_view bytes)
{
    std::string fresh;
    for (const char c : bytes) {
        // A line ends at CR, LF or CR LF; the LF of a CR LF ends nothing more.
        if (c == '\n' && afterCarriageReturn_) {
            afterCarriageReturn_ = false;
            continue;
        }
        afterCarriageReturn_ = c == '\r';
        if (c == '\r' || c == '\n') {
            line(pending_, fresh);
            pending_.clear();
        } else {
            pending_ += c;
        }
    }
    return fresh;
}

void ChatStream::line(std::string_view line, std::string& fresh)
{
    if (line.empty())
        return dispatch(fresh);
    if (line.starts_with(':'))
        return; // a comment, sent to keep the connection open
    const size_t colon = line.find(':');
    const std::string_view field = line.substr(0, colon);
    std::string_view value = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
    if (value.starts_with(' '))
        value.remove_prefix(1);
    if (field != "data")
        return;
    if (!data_.empty())
        data_ += '\n';
    data_ += value;
}

void ChatStream::dispatch(std::string& fresh)
{
    const std::string data = std::move(data_);
    data_.clear();
    if (data.empty() || finished_)
        return;
    if (data == "[DONE]") {
        finished_ = true;
        return;
    }
    const QJsonObject chunk = QJsonDocument::fromJson(QByteArray::fromStdString(data)).object();
    const QJsonValue choices = chunk.value(u"choices");
    if (!choices.isArray()) {
        unreadable_ = data;
        return;
    }
    if (choices.toArray().isEmpty())
        return; // a usage chunk at the end
    const QJsonValue content = choices.toArray().first().toObject().value(u"delta").toObject().value(u"content");
    if (!content.isString())
        return; // a role announcement or a finish reason
    const std::string piece = content.toString().toStdString();
    text_ += piece;
    fresh += piece;
}

} // namespace quillo::server
