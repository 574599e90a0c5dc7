#pragma once
// Any server that speaks the OpenAI-compatible chat-completions API: Ollama, llama.cpp's server,
// vLLM, LM Studio and the hosted services. POST {base}/chat/completions with the model, a
// system message naming both languages in words (and the subject field when the user chose
// one), the text as the user message, temperature 0 and no streaming. Long texts go piece by
// piece; the model's reply is taken as the translation once its wrapping is taken off. A prompt
// template of the user's replaces the system message; one that holds {text} is the whole request.
// Servers on this machine (vLLM, llama.cpp, SGLang; Ollama ignores it) are asked not to reason
// aloud; hosted services may refuse a field they do not know, so they are not.

#include "server/engines/TranslationBackend.h"

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace quillo::server {

struct ChatCompletionOptions {
    std::string baseUrl; // ".../v1" for most servers; "/chat/completions" is appended
    std::string key;     // sent as a bearer token when not empty
    std::string model;
    // For one whole request, every piece and retry included: below the 50 s the program waits for
    // an answer, so that a failure still reaches the user as a sentence.
    std::chrono::milliseconds budget{40000};
    size_t pieceBytes = 2000;
    std::string id = "llm";     // the engine's id: "llm", or "llm.NAME" for a further endpoint
    std::string promptTemplate{}; // with {source}, {target} (languages in English words), {text}
    bool askNotToReason = false; // send chat_template_kwargs.enable_thinking = false
};

class ChatCompletionBackend final : public TranslationBackend {
public:
    explicit ChatCompletionBackend(ChatCompletionOptions options);

    std::string_view name() const override { return options_.id; }
    bool covers(std::string_view source, std::string_view target) const override;
    GlossaryWay glossaryWay() const override { return GlossaryWay::Prompt; }
    BackendResult translate(const TranslationRequest& request) override;
    // Asks with "stream": true and hands on the model's words as they come; the result holds the
    // whole reply with its wrapping taken off, which the pieces still have.
    BackendResult translateInPieces(const TranslationRequest& request, const PieceSink& onPiece) override;

    // The instructions the model gets for a pair and a topic code.
    static std::string systemPrompt(const TranslationRequest& request);
    // The messages for one piece of text: [system, user], or [user] for a template with {text}.
    std::vector<std::pair<std::string, std::string>> messages(const TranslationRequest& request,
                                                              const std::string& text) const;
    // Whether the address is on this machine, where telling the model not to reason is safe.
    static bool onThisMachine(const std::string& url);

private:
    BackendResult run(const TranslationRequest& request, const PieceSink* onPiece);

    ChatCompletionOptions options_;
};

} // namespace quillo::server
