#pragma once
// The address the release folder is served at, as the client reached this server.

#include "server/net/HttpMessage.h"

#include <string>

namespace quillo::server {

// What {BASE} stands for in an answer to `request`: "http://" and the Host the client asked for,
// or "https://" when a TLS proxy in front says the client came over https (X-Forwarded-Proto),
// since a program without a built-in key downloads only over https or on loopback.
std::string ReleaseBase(const web::Request& request);

} // namespace quillo::server
