// The translated-page address "/<identifier>\translation?wl_url=..&wl_srclang=..&wl_trglang=..":
// the browser opens it, and gets the page at wl_url with its text translated. Browsers turn
// the backslash into a slash, so both spellings lead here.

#include "server/base/FormBody.h"
#include "server/pages/HtmlTranslator.h"
#include "server/net/HttpSupport.h"
#include "server/base/Log.h"
#include "server/pages/PageEncoding.h"
#include "server/fetch/PageFetcher.h"
#include "server/api/ProgramRoutes.h"
#include "server/base/TextCodec.h"
#include "server/base/TokenStore.h"
#include "server/engines/TranslationService.h"

#include <QString>
#include <QUrl>

namespace quillo::server {

namespace {

void respondPage(web::Response& response, int status, std::string_view sentence,
                 std::string_view detail)
{
    response.status = status;
    response.set_content("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>网页翻译</title>"
                         "</head>\n<body>\n<p>" + HtmlEscape(sentence) + "</p>\n<p><small>"
                             + HtmlEscape(detail) + "</small></p>\n</body></html>\n",
                         "text/html; charset=utf-8");
}

struct PageQuery {
    std::string url;
    const ServiceLanguage* source = nullptr;
    const ServiceLanguage* target = nullptr;
    std::string targetAsSent;
};

std::optional<std::string> queryValue(const FormBody& query, std::string_view name)
{
    const auto raw = query.raw(name);
    return raw ? PercentDecode(*raw, true) : std::nullopt;
}

// The page address arrives as GB18030 bytes percent-encoded (GBK's for GBK's characters), or as
// UTF-8 from other clients.
std::optional<PageQuery> parseQuery(std::string_view rawQuery)
{
    const FormBody query = FormBody::parse(rawQuery);
    const auto url = queryValue(query, "wl_url");
    const auto source = queryValue(query, "wl_srclang");
    const auto target = queryValue(query, "wl_trglang");
    if (!url || !source || !target)
        return std::nullopt;
    const auto urlText = Utf8OrGb18030ToUtf8(*url);
    if (!urlText)
        return std::nullopt;
    PageQuery parsed{*urlText, LanguageByWorldLingoCode(*source), LanguageByWorldLingoCode(*target),
                     *target};
    if (!parsed.source || !parsed.target)
        return std::nullopt;
    return parsed;
}

bool isWebAddress(const std::string& url)
{
    const QUrl parsed(QString::fromStdString(url));
    const QString scheme = parsed.scheme().toLower();
    return parsed.isValid() && (scheme == u"http" || scheme == u"https") && !parsed.host().isEmpty();
}

std::string mediaType(const std::string& contentType)
{
    std::string type = contentType.substr(0, contentType.find(';'));
    while (!type.empty() && type.back() == ' ')
        type.pop_back();
    for (char& c : type)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return type;
}

bool reportFetchProblem(web::Response& response, const FetchedPage& page, const std::string& url)
{
    switch (page.status) {
    case FetchedPage::Status::Ok:
        break;
    case FetchedPage::Status::Refused:
        respondPage(response, 403, "出于安全原因，本服务器不访问内部网络中的网页。", url);
        return true;
    case FetchedPage::Status::TooLarge:
        respondPage(response, 502, "网页太大，本服务器不予翻译。", page.error);
        return true;
    case FetchedPage::Status::Failed:
        respondPage(response, 502, "无法获取要翻译的网页，请检查网址后再试。", url + ": " + page.error);
        return true;
    }
    if (page.httpStatus != 200) {
        respondPage(response, 502, "要翻译的网页无法打开。",
                    url + ": HTTP status " + std::to_string(page.httpStatus));
        return true;
    }
    return false;
}

// A page left partly in its own language says so: in a line at its end that the reader sees,
// in a header, and in the log.
void reportUntranslated(web::Response& response, std::string& page, const HtmlTranslator& translator,
                        const std::string& url)
{
    const std::string count = std::to_string(translator.untranslatedRuns());
    const std::string why = translator.engineFailed() ? "翻译引擎出错" : "网页太长";
    response.set_header("X-Quillo-Untranslated-Runs", count);
    page += "\n<p lang=\"zh-CN\">【网页翻译】" + why + "，本页有 " + count + " 段文字没有翻译。</p>\n";
    LogWarning("page " + url + ": " + count + " text runs left untranslated ("
               + (translator.engineFailed() ? "engine failed" : "page beyond the translation limits") + ")");
}

void translatedPage(const PageContext& context, const web::Request& request,
                    web::Response& response)
{
    // A page of another site must not make this server fetch pages for it: the program opens
    // these addresses in the browser itself, with no site behind the request.
    if (context.fromAnotherSite(request))
        return respondPage(response, 403, "出于安全原因，本服务器只翻译由Quillo翻译软件打开的网页地址，不接受其他网站发起的请求。",
                           "request from another site");
    if (!context.pageIds.isValid(request.matches[1].str()))
        return respondPage(response, 404, "该翻译地址已过期，请重新翻译网页。", "unknown or expired identifier");
    const auto query = parseQuery(RawQuery(request));
    if (!query)
        return respondPage(response, 400, "网页翻译地址有误。", "wl_url, wl_srclang and wl_trglang are required");
    if (!isWebAddress(query->url))
        return respondPage(response, 400, "只能翻译以 http:// 或 https:// 开头的网页地址。", query->url);
    switch (context.translator.coverage(*query->source, *query->target)) {
    case TranslationService::Coverage::Covered:
        break;
    case TranslationService::Coverage::NoEngine:
        return respondPage(response, 200,
                           TranslationService::noEngineSentence(*query->source, *query->target),
                           query->url);
    case TranslationService::Coverage::Unreachable:
        return respondPage(response, 502, TranslationService::failureSentence(), "engine unreachable");
    }

    // Typed addresses may hold blanks or Chinese: the fetch gets them percent-encoded.
    const std::string address =
        QUrl(QString::fromStdString(query->url)).toString(QUrl::FullyEncoded).toStdString();
    const FetchedPage page = context.fetcher.fetch(address);
    if (reportFetchProblem(response, page, query->url)) {
        LogWarning("page " + query->url + ": " + page.error);
        return;
    }
    const std::string type = mediaType(page.contentType);
    const bool html = type.empty() || type == "text/html" || type == "application/xhtml+xml";
    if (!html && type != "text/plain")
        return respondPage(response, 415, "只能翻译网页和纯文本。", query->url + ": " + type);

    const TranslationRequest base{{}, query->source, query->target, query->targetAsSent, {}};
    const std::string text = DecodePage(page.body, page.contentType, html);
    // The copy is served from this service's own address: whatever the page runs must run in
    // an origin of its own, unable to read or call anything of the service.
    response.set_header("Content-Security-Policy", "sandbox allow-scripts allow-forms allow-popups");
    if (!html) { // plain text keeps its lines: one piece for the engine
        TranslationRequest whole = base;
        whole.text = text;
        const Translation result = context.translator.translate(whole);
        response.status = result.outcome == Translation::Outcome::Failed ? 502 : 200;
        response.set_content(result.text, "text/plain; charset=utf-8");
        return;
    }
    HtmlTranslator translator([&](const std::vector<std::string>& runs) {
        std::vector<std::optional<std::string>> translations;
        translations.reserve(runs.size());
        for (Translation& result : context.translator.translateMany(base, runs)) {
            if (result.outcome == Translation::Outcome::Translated)
                translations.emplace_back(std::move(result.text));
            else
                translations.emplace_back();
        }
        return translations;
    });
    HtmlTranslation translated = translator.translate(text, page.effectiveUrl);
    if (translated.refusal) {
        LogWarning("page " + query->url + " refused: " + translated.refusal->detail);
        return respondPage(response, 502, translated.refusal->sentence, query->url + ": " + translated.refusal->detail);
    }
    if (translator.untranslatedRuns() > 0)
        reportUntranslated(response, translated.page, translator, query->url);
    response.set_content(std::move(translated.page), "text/html; charset=utf-8");
}

} // namespace

void AddPageRoutes(web::Router& server, PageContext context)
{
    const std::string pattern =
        "/([A-Za-z0-9]{" + std::to_string(context.pageIds.length()) + "})[\\\\/]translation";
    // The page is fetched from another server: off the threads that answer everything else.
    server.Get(pattern, [context](const web::Request& request, web::Response& response) {
        translatedPage(context, request, response);
    }, web::Lane::Outside);
}

} // namespace quillo::server
