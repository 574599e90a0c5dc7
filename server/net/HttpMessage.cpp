#include "server/net/HttpMessage.h"

#include <algorithm>
#include <cctype>

namespace quillo::server::web {

namespace {

const std::string* findHeader(const Headers& headers, std::string_view name)
{
    const auto found = std::find_if(headers.begin(), headers.end(),
                                    [name](const auto& field) { return HeaderNameEquals(field.first, name); });
    return found == headers.end() ? nullptr : &found->second;
}

void setHeader(Headers& headers, std::string_view name, std::string_view value)
{
    std::erase_if(headers, [name](const auto& field) { return HeaderNameEquals(field.first, name); });
    headers.emplace_back(name, value);
}

} // namespace

bool HeaderNameEquals(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool Request::has_header(std::string_view name) const
{
    return findHeader(headers, name) != nullptr;
}

std::string Request::get_header_value(std::string_view name) const
{
    const std::string* value = findHeader(headers, name);
    return value ? *value : std::string();
}

void Response::set_content(std::string content, std::string_view contentType)
{
    body = std::move(content);
    file.clear();
    stream = nullptr;
    set_header("Content-Type", contentType);
}

void Response::set_file_content(std::string path, std::string_view contentType)
{
    body.clear();
    file = std::move(path);
    stream = nullptr;
    set_header("Content-Type", contentType);
}

void Response::set_stream(StreamProducer producer, std::string_view contentType)
{
    body.clear();
    file.clear();
    stream = std::move(producer);
    set_header("Content-Type", contentType);
}

void Response::set_header(std::string_view name, std::string_view value)
{
    setHeader(headers, name, value);
}

std::string Response::get_header_value(std::string_view name) const
{
    const std::string* value = findHeader(headers, name);
    return value ? *value : std::string();
}

} // namespace quillo::server::web
