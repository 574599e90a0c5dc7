// POST /translate_txt: the text translation that answers with an HTML page holding the result
// block "<div id="result"><div style="padding:" + eight bytes + translation + "</div></div>".

#include "server/base/FormBody.h"
#include "server/net/HttpSupport.h"
#include "server/api/ProgramRoutes.h"
#include "server/base/TextCodec.h"
#include "server/engines/TranslationService.h"

namespace quillo::server {

namespace {

constexpr std::string_view kResultEnd = "</div></div>";

std::string resultPage(const std::string& translation)
{
    // "0.6em;\">" is exactly the eight bytes the client skips after the marker.
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Babel Fish</title></head>\n"
           "<body>\n<div id=\"result\"><div style=\"padding:0.6em;\">"
        + DefuseMarker(translation, kResultEnd) + std::string(kResultEnd) + "\n</body></html>\n";
}

struct PairCodes {
    const ServiceLanguage* source = nullptr;
    const ServiceLanguage* target = nullptr;
    std::string targetAsSent;
};

std::optional<PairCodes> parsePair(std::string_view lp)
{
    const size_t bar = lp.find('_');
    if (bar == std::string_view::npos)
        return std::nullopt;
    PairCodes pair{LanguageByCode(lp.substr(0, bar)), LanguageByCode(lp.substr(bar + 1)),
                   std::string(lp.substr(bar + 1))};
    if (!pair.source || !pair.target)
        return std::nullopt;
    return pair;
}

void translateText(const TranslationService& translator, size_t bodyBytes, const web::Request& request,
                   web::Response& response, const web::ContentReader& reader)
{
    std::string body;
    const BodyRead read = ReadBody(request, reader, bodyBytes, body);
    if (read != BodyRead::Ok)
        return RespondBodyProblem(response, read, bodyBytes);

    const FormBody form = FormBody::parseWithText(body, "trtext", "lp");
    const auto rawText = form.raw("trtext");
    const auto rawPair = form.raw("lp");
    if (!rawText || !rawPair)
        return RespondError(response, 400, "请求格式错误。", "fields trtext and lp are required");
    const auto pairText = PercentDecode(*rawPair, true);
    const auto pair = pairText ? parsePair(*pairText) : std::nullopt;
    if (!pair)
        return RespondError(response, 400, "不支持的语言对。", "lp is not a known pair");
    const auto bytes = DecodeFormValue(*rawText);
    const auto text = bytes ? Utf8OrGbkToUtf8(*bytes) : std::nullopt;
    if (!text)
        return RespondError(response, 400, "原文编码错误。", "trtext is neither UTF-8 nor GBK");

    const Translation result = translator.translateWithEntry(
        {*text, pair->source, pair->target, pair->targetAsSent, {}});
    response.status = result.outcome == Translation::Outcome::Failed ? 502 : 200;
    response.set_content(resultPage(result.text), "text/html; charset=utf-8");
}

} // namespace

void AddBabelFishRoutes(web::Router& server, const TranslationService& translator, size_t bodyBytes)
{
    server.Post("/translate_txt", [&translator, bodyBytes](const web::Request& request, web::Response& response,
                                                           const web::ContentReader& reader) {
        translateText(translator, bodyBytes, request, response, reader);
    }, web::Lane::Engine);
}

} // namespace quillo::server
