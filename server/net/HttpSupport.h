#pragma once
// What every route shares: reading a capped request body, clear error replies, and the root
// address as the client used it.

#include "server/net/HttpMessage.h"
#include "server/net/Router.h"

#include <string>
#include <string_view>

namespace quillo::server {

enum class BodyRead { Ok, TooLarge, Broken };

// Reads the whole body into `body`, refusing more than `cap` bytes. A declared length over the
// cap is refused before anything is read.
BodyRead ReadBody(const web::Request& request, const web::ContentReader& reader,
                  size_t cap, std::string& body);

// A short UTF-8 text reply. Errors carry a Chinese sentence for the user and, after it, the
// detail for whoever reads the log or the raw reply.
void RespondText(web::Response& response, int status, std::string_view text);
void RespondError(web::Response& response, int status, std::string_view sentence,
                  std::string_view detail);
// 413 or 400 for a body that could not be taken; closes the connection, since what is left of
// the body is still unread.
void RespondBodyProblem(web::Response& response, BodyRead problem, size_t cap);

// "http://" + host + "/": the Host header as the client sent it when it is a plain host name
// or address with an optional port, else the address the request arrived on.
std::string RootAddress(const web::Request& request);

// The query of the raw request target, undecoded ("" without "?").
std::string_view RawQuery(const web::Request& request);

} // namespace quillo::server
