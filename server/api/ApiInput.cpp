#include "server/api/ApiInput.h"

#include "server/base/FormBody.h"
#include "server/base/TextCodec.h"
#include "server/base/TextTools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cctype>

namespace quillo::server {

namespace {

std::optional<std::string> jsonText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString().toStdString();
    if (value.isBool())
        return value.toBool() ? "true" : "false";
    if (value.isDouble())
        return QByteArray::number(value.toDouble()).toStdString();
    return std::nullopt;
}

// The value of `name=` in a header's parameters ("multipart/form-data; boundary=x"), unquoted.
std::string parameter(std::string_view header, std::string_view name)
{
    const std::string lower = AsciiLowerCase(std::string(header));
    size_t at = 0;
    while ((at = lower.find(name, at)) != std::string::npos) {
        const bool starts = at == 0 || lower[at - 1] == ';' || lower[at - 1] == ' ';
        at += name.size();
        if (!starts || at >= lower.size() || lower[at] != '=')
            continue;
        std::string_view value = header.substr(at + 1);
        if (value.starts_with('"'))
            return std::string(value.substr(1, value.find('"', 1) - 1));
        return std::string(value.substr(0, value.find(';')));
    }
    return {};
}

const std::vector<std::string> kNoValues;

} // namespace

std::optional<ApiInput> ApiInput::parse(const std::string& contentType, const std::string& body, std::string& error)
{
    ApiInput input;
    const std::string type = AsciiLowerCase(contentType.substr(0, contentType.find(';')));
    bool read = false;
    if (type.ends_with("/json") || type.ends_with("+json"))
        read = input.readJson(body, error);
    else if (type == "multipart/form-data")
        read = input.readMultipart(body, contentType, error);
    else
        read = input.readForm(body, error);
    if (!read)
        return std::nullopt;
    return input;
}

bool ApiInput::isList(const std::string& name) const
{
    const auto found = values_.find(name);
    return found != values_.end() && found->second.list;
}

std::string ApiInput::text(const std::string& name) const
{
    const std::vector<std::string>& all = values(name);
    return all.empty() ? std::string() : all.front();
}

const std::vector<std::string>& ApiInput::values(const std::string& name) const
{
    const auto found = values_.find(name);
    return found == values_.end() ? kNoValues : found->second.values;
}

bool ApiInput::flag(const std::string& name) const
{
    const std::string value = AsciiLowerCase(text(name));
    return value == "true" || value == "1" || value == "on";
}

void ApiInput::add(const std::string& name, std::string value)
{
    Field& field = values_[name];
    field.values.push_back(std::move(value));
    field.list = field.values.size() > 1;
}

bool ApiInput::readJson(const std::string& body, std::string& error)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(body), &parseError);
    if (!document.isObject()) {
        error = parseError.error == QJsonParseError::NoError ? "the body is not a JSON object"
                                                             : "the body is not JSON: " + parseError.errorString().toStdString();
        return false;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string name = it.key().toStdString();
        if (!it.value().isArray()) {
            if (const auto value = jsonText(it.value()))
                add(name, *value);
            continue;
        }
        Field& field = values_[name];
        field.list = true;
        for (const QJsonValue& item : it.value().toArray()) {
            const auto value = jsonText(item);
            if (!value) {
                error = "\"" + name + "\" must be a list of strings";
                return false;
            }
            field.values.push_back(*value);
        }
    }
    return true;
}

bool ApiInput::readForm(const std::string& body, std::string& error)
{
    const FormBody form = FormBody::parse(body);
    for (const auto& [rawName, rawValue] : form.fields()) {
        const auto name = PercentDecode(rawName, true);
        const auto value = PercentDecode(rawValue, true);
        if (!name || !value || !IsValidUtf8(*value)) {
            error = "the form field " + std::string(rawName.substr(0, 40)) + " is not percent-encoded UTF-8";
            return false;
        }
        add(*name, *value);
    }
    return true;
}

// Parts between "--boundary" lines, each a header ("Content-Disposition: form-data; name=...")
// and a value; files are taken like any other field.
bool ApiInput::readMultipart(const std::string& body, const std::string& contentType, std::string& error)
{
    const std::string boundary = parameter(contentType, "boundary");
    if (boundary.empty()) {
        error = "multipart body without a boundary";
        return false;
    }
    const std::string delimiter = "--" + boundary;
    size_t at = body.find(delimiter);
    while (at != std::string::npos) {
        at += delimiter.size();
        if (body.compare(at, 2, "--") == 0)
            return true; // the closing delimiter
        const size_t headerEnd = body.find("\r\n\r\n", at);
        const size_t next = body.find("\r\n" + delimiter, at);
        if (headerEnd == std::string::npos || next == std::string::npos || headerEnd > next)
            break;
        std::string name;
        for (size_t line = at; line < headerEnd;) {
            const size_t end = std::min(body.find("\r\n", line), headerEnd);
            const std::string_view header(body.data() + line, end - line);
            if (AsciiLowerCase(std::string(header.substr(0, 20))) == "content-disposition:")
                name = parameter(header, "name");
            line = end + 2;
        }
        if (!name.empty())
            add(name, body.substr(headerEnd + 4, next - headerEnd - 4));
        at = next + 2;
    }
    error = "the multipart body is cut short";
    return false;
}

} // namespace quillo::server
