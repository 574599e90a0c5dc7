// The four WorldLingo addresses the program calls itself: the loader page that hands out a
// per-visit address, the session endpoint behind it, the translation page with its result text
// area, and the object address that hands out page-translation identifiers.

#include "server/base/FormBody.h"
#include "server/net/HttpSupport.h"
#include "server/api/ProgramRoutes.h"
#include "server/base/TextCodec.h"
#include "server/base/TokenStore.h"
#include "server/engines/TranslationService.h"

namespace quillo::server {

namespace {

struct TextRequest {
    TranslationRequest translation;
    std::string problem; // empty when the body was understood
};

// The session body and the translation-page body share their fields; they differ in the field
// that follows the text and in how the text is escaped (DecodeFormValue tells).
TextRequest parseTextBody(std::string_view body, std::string_view fieldAfterText)
{
    TextRequest parsed;
    const FormBody form = FormBody::parseWithText(body, "wl_text", fieldAfterText);
    const auto rawText = form.raw("wl_text");
    const auto rawSource = form.raw("wl_srclang");
    const auto rawTarget = form.raw("wl_trglang");
    if (!rawText || !rawSource || !rawTarget) {
        parsed.problem = "fields wl_text, wl_srclang and wl_trglang are required";
        return parsed;
    }
    const auto bytes = DecodeFormValue(*rawText);
    const auto text = bytes ? Utf8OrGbkToUtf8(*bytes) : std::nullopt;
    if (!text) {
        parsed.problem = "wl_text is neither UTF-8 nor GBK";
        return parsed;
    }
    TranslationRequest& request = parsed.translation;
    request.text = *text;
    request.source = LanguageByWorldLingoCode(*rawSource);
    request.target = LanguageByWorldLingoCode(*rawTarget);
    request.targetAsSent = std::string(*rawTarget);
    if (const auto topic = form.raw("l_glossary"))
        request.topic = std::string(*topic);
    else if (const auto gloss = form.raw("wl_gloss"))
        request.topic = std::string(*gloss);
    if (!request.source || !request.target)
        parsed.problem = "wl_srclang or wl_trglang is not a known language";
    return parsed;
}

// Reads and parses a text body; answers the client itself and returns nullopt on any problem.
std::optional<Translation> translateBody(const WorldLingoContext& context, const web::Request& request,
                                         web::Response& response,
                                         const web::ContentReader& reader,
                                         std::string_view fieldAfterText)
{
    std::string body;
    const BodyRead read = ReadBody(request, reader, context.bodyBytes, body);
    if (read != BodyRead::Ok) {
        RespondBodyProblem(response, read, context.bodyBytes);
        return std::nullopt;
    }
    const TextRequest parsed = parseTextBody(body, fieldAfterText);
    if (!parsed.problem.empty()) {
        RespondError(response, 400, "请求格式错误。", parsed.problem);
        return std::nullopt;
    }
    return context.translator.translateWithEntry(parsed.translation);
}

int statusOf(const Translation& translation)
{
    return translation.outcome == Translation::Outcome::Failed ? 502 : 200;
}

// The result is escaped whole: the text area ends at "</textarea" in any letter case, and the
// page is HTML that a browser may show.
std::string translationPage(const std::string& translation)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>WorldLingo</title></head>\n"
           "<body>\n<form method=\"post\" action=\"/wl/translate/cn/translation\">\n"
           "<textarea name=\"wl_result\" rows=\"10\" cols=\"60\" readonly>"
        + HtmlEscape(translation) + "</textarea>\n</form>\n</body></html>\n";
}

void loader(const WorldLingoContext& context, const web::Request& request, web::Response& response)
{
    // The per-visit address must be the first place the root address appears on the page.
    const std::string prefix = RootAddress(request) + context.sessions.issue();
    response.set_content(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>WorldLingo</title>\n"
        "<script type=\"text/javascript\" src=\"" + prefix
            + "/object?wl_srcenc=utf-8&amp;wl_trgenc=utf-8\"></script>\n"
              "</head><body></body></html>\n",
        "text/html; charset=utf-8");
}

void sessionTranslate(const WorldLingoContext& context, const web::Request& request,
                      web::Response& response, const web::ContentReader& reader)
{
    if (!context.sessions.isValid(request.matches[1].str()))
        return RespondError(response, 404, "翻译会话已过期，请重新翻译。", "unknown or expired session");
    const auto translation = translateBody(context, request, response, reader, "wl_srclang");
    if (!translation)
        return;
    response.status = statusOf(*translation);
    response.set_content(translation->text, "text/plain; charset=utf-8");
}

void pageTranslate(const WorldLingoContext& context, const web::Request& request,
                   web::Response& response, const web::ContentReader& reader)
{
    const auto translation = translateBody(context, request, response, reader, "wl_srcenc");
    if (!translation)
        return;
    response.status = statusOf(*translation);
    response.set_content(translationPage(translation->text), "text/html; charset=utf-8");
}

// The identifier lets its holder make this server fetch and translate any page, so it goes to
// the program only: never to a request a browser marks as coming from another site. The answer
// is plain text that a browser will not run, so no page can read it through a script tag either.
void pageObject(const WorldLingoContext& context, const web::Request& request, web::Response& response)
{
    if (context.fromAnotherSite(request))
        return RespondError(response, 403, "出于安全原因，网页翻译标识只发给Quillo翻译软件。",
                            "page identifiers are not handed to other sites");
    response.set_header("X-Content-Type-Options", "nosniff");
    // The identifier sits between wl_id=\" and \"> as a script would write it.
    response.set_content("document.write(\"<span wl_id=\\\"" + context.pageIds.issue()
                             + "\\\"></span>\");\n",
                         "text/plain; charset=utf-8");
}

} // namespace

void AddWorldLingoRoutes(web::Router& server, WorldLingoContext context)
{
    server.Get("/S3704\\.3-zh/loader", [context](const web::Request& request,
                                                web::Response& response) {
        loader(context, request, response);
    });
    const std::string sessionPattern =
        "/([A-Za-z0-9]{" + std::to_string(context.sessions.length()) + "})/texttranslate";
    server.Post(sessionPattern, [context](const web::Request& request,
                                          web::Response& response,
                                          const web::ContentReader& reader) {
        sessionTranslate(context, request, response, reader);
    }, web::Lane::Engine);
    server.Post("/wl/translate/cn/translation",
                [context](const web::Request& request, web::Response& response,
                          const web::ContentReader& reader) {
                    pageTranslate(context, request, response, reader);
                }, web::Lane::Engine);
    server.Get("/S3739\\.5/object", [context](const web::Request& request, web::Response& response) {
        pageObject(context, request, response);
    });
}

} // namespace quillo::server
