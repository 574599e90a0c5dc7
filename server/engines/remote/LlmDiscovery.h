#pragma once
// Finding a chat model without being told one: the OpenAI-compatible model list of a configured
// server, or a local Ollama (loopback only) when nothing at all is configured.

#include <chrono>
#include <optional>
#include <string>

namespace quillo::server {

// The first model GET {base}/models lists; nullopt when the server does not answer with one.
std::optional<std::string> FirstListedModel(const std::string& baseUrl, const std::string& key,
                                            std::chrono::milliseconds budget);

struct FoundOllama {
    std::string baseUrl; // "http://127.0.0.1:11434/v1"
    std::string model;
};

inline constexpr std::string_view kOllamaOrigin = "http://127.0.0.1:11434";

// Asks an Ollama server for its models (GET /api/tags) at `origin`, which must be a loopback
// address; nullopt when none answers or it has no model.
std::optional<FoundOllama> FindOllama(std::string_view origin = kOllamaOrigin);

} // namespace quillo::server
