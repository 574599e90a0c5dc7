// GET /: the product's home page, where every "home page" link of the program leads: what the
// program is, how to get it (the release the update service offers, when one is published), and
// where the feedback script takes messages, with a form that posts to it.

#include "server/net/HttpMessage.h"
#include "server/api/ReleaseAddress.h"
#include "server/stores/Release.h"
#include "server/api/ProgramRoutes.h"
#include "server/base/TextCodec.h"

#include "server/net/Router.h"

#include <fstream>
#include <optional>

namespace quillo::server {

namespace {

constexpr const char* kFeedbackPath = "/translation/feedback/addinfo.asp";

struct PublishedRelease {
    std::string version;
    std::string sha256;
    std::string download; // with the {BASE} placeholder
};

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    const size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The few values of the version file the page shows; the file is ASCII where they stand.
std::optional<PublishedRelease> readRelease(const std::string& releaseDir)
{
    std::ifstream in(releaseDir + "/" + kVersionFileName, std::ios::binary);
    if (!in)
        return std::nullopt;
    PublishedRelease release;
    std::string section;
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (!line.empty() && line.front() == '[') {
            section = line;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = trimmed(line.substr(0, eq));
        const std::string value = trimmed(line.substr(eq + 1));
        if (section == "[information]" && key == "version")
            release.version = value;
        else if (section == "[information]" && key == "SHA256")
            release.sha256 = value;
        else if (section == "[DownLoadPath]" && release.download.empty())
            release.download = value;
    }
    if (release.version.empty() || release.download.empty())
        return std::nullopt;
    return release;
}

std::string withBase(std::string address, const std::string& base)
{
    const std::string placeholder = kBasePlaceholder;
    if (address.compare(0, placeholder.size(), placeholder) == 0)
        address.replace(0, placeholder.size(), base);
    return address;
}

std::string downloadSection(const std::optional<PublishedRelease>& release, const std::string& base)
{
    std::string html = "<h2>获取程序</h2>\n";
    if (release) {
        const std::string address = withBase(release->download, base);
        html += "<p>最新版本：" + HtmlEscape(release->version) + "。<a href=\"" + HtmlEscape(address)
            + "\">下载程序</a>";
        if (!release->sha256.empty())
            html += "（SHA-256：<code>" + HtmlEscape(release->sha256) + "</code>）";
        html += "</p>\n";
    } else {
        html += "<p>本服务器目前没有发布可下载的版本。</p>\n";
    }
    return html
        + "<p>已安装的程序可以用“智能升级”自动更新到最新版本。也可以从源代码构建：在 Debian 上运行 "
          "<code>scripts/run.sh</code>，它会安装所需的软件包、构建程序并连同本服务器一起启动。</p>\n";
}

// `base`: the address the client reached us by, without the final slash.
std::string homePage(const std::string& base, const std::optional<PublishedRelease>& release)
{
    const std::string feedback = HtmlEscape(base + kFeedbackPath);
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
           "<title>Quillo翻译软件</title></head>\n<body>\n<h1>Quillo翻译软件</h1>\n"
           "<p>Quillo翻译软件是一款桌面翻译工具：在原文框中输入要翻译的内容（最多 2000 个字符），"
           "选择原文语言和译文语言，点击“开 始 翻 译”就能得到译文。它支持简体中文、繁体中文、英语、"
           "荷兰语、法语、德语、希腊语、意大利语、日本语、韩国语、葡萄牙语、俄语和西班牙语之间的互译，"
           "能在本机转换简体中文和繁体中文，还能翻译整个网页。</p>\n"
        + downloadSection(release, base)
        + "<h2>联系我们</h2>\n<p>在程序中点击“联系我们”即可给我们留言。留言的提交地址是 <code>" + feedback
        + "</code>，也可以直接在这里填写：</p>\n<form method=\"post\" action=\"" + feedback
        + "\" accept-charset=\"GB18030\">\n"
          "<p><label>内容主题：<input name=\"title\" required></label></p>\n"
          "<p><label>联系方式：<input name=\"email\"></label></p>\n"
          "<p><label>提交内容：<br><textarea name=\"text\" rows=\"8\" cols=\"60\" maxlength=\"1000\" "
          "required></textarea></label></p>\n"
          "<p><button type=\"submit\">发 送 信 息</button></p>\n</form>\n</body></html>\n";
}

} // namespace

void AddHomePageRoutes(web::Router& server, std::string releaseDir)
{
    server.Get("/", [releaseDir = std::move(releaseDir)](const web::Request& request, web::Response& response) {
        response.set_content(
            homePage(ReleaseBase(request), readRelease(releaseDir)),
            "text/html; charset=utf-8");
    });
}

} // namespace quillo::server
