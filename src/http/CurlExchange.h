#pragma once
// The HTTP part of the request routine on one libcurl easy handle: the request, its
// authentication retries and redirections, the reply headers, and the body.
#include "http/AddressSplit.h"
#include "http/RequestRoutine.h"

#include <optional>

namespace quillo {

void RunHttpExchange(RequestContext& ctx, RequestEvents& events, const AddressParts& parts);

// The realm of a WWW-Authenticate value: what follows the first '="', without its closing quote.
QByteArray RealmOf(const QByteArray& wwwAuthenticate);

// The request header block (AddHeaders and the range line); nothing when a line is not a header
// ("Name: value" without line breaks), which makes the request fail.
std::optional<QList<QByteArray>> RequestHeaderLines(const RequestSettings& settings);

// Limits that apply when the Timeouts are 0: a silent server must not hold a request forever.
constexpr int kDefaultConnectTimeoutMs = 60000;
constexpr int kDefaultStallTimeoutMs = 60000;
// Redirections followed for one request.
constexpr int kMaxRedirects = 20;

} // namespace quillo
