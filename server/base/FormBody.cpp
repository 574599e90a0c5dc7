#include "server/base/FormBody.h"

namespace quillo::server {

namespace {

// Start of the value of field `name`: right after "name=" at the very beginning or after "&".
std::optional<size_t> valueStart(std::string_view body, std::string_view name)
{
    const std::string head = std::string(name) + "=";
    if (body.substr(0, head.size()) == head)
        return head.size();
    const size_t at = body.find("&" + head);
    if (at == std::string_view::npos)
        return std::nullopt;
    return at + 1 + head.size();
}

} // namespace

FormBody FormBody::parse(std::string_view body)
{
    FormBody form;
    form.append(body);
    return form;
}

FormBody FormBody::parseWithText(std::string_view body, std::string_view textName,
                                 std::string_view nextName)
{
    const auto start = valueStart(body, textName);
    if (!start)
        return parse(body);
    const size_t next = body.rfind("&" + std::string(nextName) + "=");
    if (next == std::string_view::npos || next < *start)
        return parse(body);

    FormBody form;
    const size_t nameAt = *start - textName.size() - 1;
    if (nameAt > 0)
        form.append(body.substr(0, nameAt - 1));
    form.fields_.emplace_back(textName, body.substr(*start, next - *start));
    form.append(body.substr(next + 1));
    return form;
}

void FormBody::append(std::string_view body)
{
    size_t pos = 0;
    while (pos <= body.size()) {
        size_t end = body.find('&', pos);
        if (end == std::string_view::npos)
            end = body.size();
        const std::string_view field = body.substr(pos, end - pos);
        if (!field.empty()) {
            const size_t eq = field.find('=');
            if (eq == std::string_view::npos)
                fields_.emplace_back(field, std::string_view());
            else
                fields_.emplace_back(field.substr(0, eq), field.substr(eq + 1));
        }
        pos = end + 1;
    }
}

std::optional<std::string_view> FormBody::raw(std::string_view name) const
{
    for (const auto& [key, value] : fields_) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

} // namespace quillo::server
