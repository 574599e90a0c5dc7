#include "server/net/HttpSupport.h"

#include <regex>

namespace quillo::server {

namespace {

std::string kibibytes(size_t bytes)
{
    return std::to_string(bytes / 1024) + " KiB";
}

bool isPlainHost(const std::string& host)
{
    static const std::regex pattern(
        R"(^([A-Za-z0-9.-]{1,253}|\[[0-9A-Fa-f:.]{2,45}\])(:[0-9]{1,5})?$)");
    return std::regex_match(host, pattern);
}

} // namespace

BodyRead ReadBody(const web::Request& request, const web::ContentReader& reader,
                  size_t cap, std::string& body)
{
    if (request.has_header("Content-Length")) {
        const std::string declared = request.get_header_value("Content-Length");
        if (declared.size() > 18 || std::stoull("0" + declared) > cap)
            return BodyRead::TooLarge;
    }
    bool tooLarge = false;
    const bool complete = reader([&](const char* data, size_t length) {
        if (body.size() + length > cap) {
            tooLarge = true;
            return false;
        }
        body.append(data, length);
        return true;
    });
    if (tooLarge)
        return BodyRead::TooLarge;
    return complete ? BodyRead::Ok : BodyRead::Broken;
}

void RespondText(web::Response& response, int status, std::string_view text)
{
    response.status = status;
    response.set_content(std::string(text), "text/plain; charset=utf-8");
}

void RespondError(web::Response& response, int status, std::string_view sentence,
                  std::string_view detail)
{
    RespondText(response, status, std::string(sentence) + "\n" + std::string(detail) + "\n");
}

void RespondBodyProblem(web::Response& response, BodyRead problem, size_t cap)
{
    if (problem == BodyRead::TooLarge)
        RespondError(response, 413, "请求内容过长，服务器不予处理。",
                     "request body larger than " + kibibytes(cap));
    else
        RespondError(response, 400, "请求内容不完整，服务器不予处理。", "request body incomplete");
    response.set_header("Connection", "close");
}

std::string RootAddress(const web::Request& request)
{
    const std::string host = request.get_header_value("Host");
    if (isPlainHost(host))
        return "http://" + host + "/";
    const bool v6 = request.local_addr.find(':') != std::string::npos;
    const std::string address = v6 ? "[" + request.local_addr + "]" : request.local_addr;
    return "http://" + address + ":" + std::to_string(request.local_port) + "/";
}

std::string_view RawQuery(const web::Request& request)
{
    const std::string_view target = request.target;
    const size_t mark = target.find('?');
    return mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

} // namespace quillo::server
