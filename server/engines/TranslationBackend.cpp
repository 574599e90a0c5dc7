#include "server/engines/TranslationBackend.h"

namespace quillo::server {

BackendResult TranslationBackend::translateInPieces(const TranslationRequest& request, const PieceSink& onPiece)
{
    BackendResult result = translate(request);
    if (result.ok)
        onPiece(result.text);
    return result;
}

std::vector<BackendResult> TranslationBackend::translateMany(const TranslationRequest& request,
                                                             const std::vector<std::string>& texts)
{
    std::vector<BackendResult> results;
    results.reserve(texts.size());
    TranslationRequest one = request;
    for (const std::string& text : texts) {
        if (!results.empty() && !results.back().ok) {
            results.push_back(results.back());
            continue;
        }
        one.text = text;
        results.push_back(translate(one));
    }
    return results;
}

} // namespace quillo::server
