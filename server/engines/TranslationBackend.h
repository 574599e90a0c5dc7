#pragma once
// The one small interface every translation engine sits behind.

#include "server/base/ServiceLanguages.h"
#include "server/engines/GlossaryTerms.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

struct TranslationRequest {
    std::string text; // UTF-8
    const ServiceLanguage* source = nullptr;
    const ServiceLanguage* target = nullptr;
    std::string targetAsSent; // the target code exactly as the client wrote it
    std::string topic;        // "gl1" .. "gl21" or empty; engines may ignore it
    // The user's terms for an engine that keeps them itself (see GlossaryWay); empty for the others,
    // whose text has its terms behind placeholders already.
    RequestGlossary glossary{};
};


struct BackendResult {
    BackendResult() = default;
    BackendResult(bool ok, std::string text, std::string error)
        : ok(ok), text(std::move(text)), error(std::move(error))
    {
    }

    bool ok = false;
    std::string text;  // the translation (UTF-8) when ok
    std::string error; // what went wrong otherwise, for the log
    // The engine could not be reached or gave no usable answer (network, 5xx, time-out, a reply
    // it could not read): the next engine that covers the pair may answer instead.
    bool tryNext = false;
    // A Chinese sentence for the user in place of the general failure sentence (a refused key,
    // too many requests); never carries a key.
    std::string userMessage;
    // The engine refused for too many requests (an API client may be told to come back later).
    bool rateLimited = false;
};

// Receives the pieces of a translation as they arrive (UTF-8, in order; together the whole text).
using PieceSink = std::function<void(std::string_view piece)>;

class TranslationBackend {
public:
    virtual ~TranslationBackend() = default;
    virtual std::string_view name() const = 0;
    // Whether this engine can translate from one short code ("en") to another.
    virtual bool covers(std::string_view source, std::string_view target) const = 0;
    // Whether the engine takes this text at all (a dictionary takes words, not sentences).
    virtual bool accepts(const TranslationRequest&) const { return true; }
    // A dictionary: it answers words with entries, so it stands in only where no engine that
    // translates covers the pair, and a pair it alone covers has no engine for whole texts (pages).
    virtual bool wordsOnly() const { return false; }
    virtual GlossaryWay glossaryWay() const { return GlossaryWay::Placeholders; }
    // False while the engine cannot tell what it covers (a remote engine that does not answer).
    virtual bool reachable() const { return true; }
    // Starts in the background what translating the pair will need (an Apertium direction), so
    // that its first text does not wait for it; returns at once.
    virtual void prepare(std::string_view /*source*/, std::string_view /*target*/) {}
    // Called from many request threads at once.
    virtual BackendResult translate(const TranslationRequest& request) = 0;
    // As translate, handing each piece of the translation to `onPiece` as soon as it arrives; the
    // result still holds the whole text. An engine that cannot stream delivers it as one piece.
    // `onPiece` is always callable.
    virtual BackendResult translateInPieces(const TranslationRequest& request, const PieceSink& onPiece);
    // Many texts of one pair (`request` gives the pair and the topic; its text is not used), one
    // result for each, in order. An engine that can take them in one exchange overrides it.
    // This one asks for them in turn and stops at the first failure, whose result then stands
    // for the rest as well: an engine that fails is not asked again for every piece of a page.
    virtual std::vector<BackendResult> translateMany(const TranslationRequest& request,
                                                     const std::vector<std::string>& texts);
};

} // namespace quillo::server
