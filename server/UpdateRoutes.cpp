// GET /translation/update/...: the version file and the program files of the release folder.
// The version file's {BASE} placeholders become the address the client reached us by.

#include "server/HttpSupport.h"
#include "server/Release.h"
#include "server/ServiceContext.h"

#include <QFileInfo>
#include <QString>

#include <fstream>
#include <memory>

namespace quillo::server {

namespace {

constexpr qint64 kMaxVersionFile = 64 * 1024;

// Resolves a request path inside the release folder; nullopt for anything that would leave it
// (dot segments, hidden names, links pointing outside).
std::optional<QString> releaseFile(const std::string& releaseDir, const std::string& relative)
{
    if (relative.empty() || relative.find('\0') != std::string::npos
        || relative.find('\\') != std::string::npos || relative.front() == '/'
        || relative.find("/.") != std::string::npos || relative.front() == '.')
        return std::nullopt;
    const QString root = QFileInfo(QString::fromStdString(releaseDir)).canonicalFilePath();
    const QFileInfo file(QString::fromStdString(releaseDir + "/" + relative));
    const QString canonical = file.canonicalFilePath();
    if (root.isEmpty() || canonical.isEmpty() || !canonical.startsWith(root + u'/') || !file.isFile())
        return std::nullopt;
    return canonical;
}

void serveVersionFile(const httplib::Request& request, httplib::Response& response, const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::string content(static_cast<size_t>(kMaxVersionFile) + 1, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    content.resize(static_cast<size_t>(in.gcount()));
    if (content.size() > static_cast<size_t>(kMaxVersionFile))
        return RespondError(response, 500, "升级信息文件有误。", "version file too large");
    const std::string base = ReleaseBase(request);
    const std::string placeholder = kBasePlaceholder;
    for (size_t at = content.find(placeholder); at != std::string::npos;
         at = content.find(placeholder, at + base.size())) {
        content.replace(at, placeholder.size(), base);
    }
    response.set_content(content, "text/plain; charset=GBK");
}

void serveProgramFile(httplib::Response& response, const QString& path)
{
    auto file = std::make_shared<std::ifstream>(path.toStdString(), std::ios::binary);
    const auto size = static_cast<size_t>(QFileInfo(path).size());
    if (!*file)
        return RespondError(response, 500, "升级文件无法读取。", "cannot open release file");
    response.set_content_provider(
        size, "application/octet-stream",
        [file](size_t offset, size_t length, httplib::DataSink& sink) {
            char buffer[65536];
            file->seekg(static_cast<std::streamoff>(offset));
            const size_t want = std::min(length, sizeof buffer);
            file->read(buffer, static_cast<std::streamsize>(want));
            const auto got = static_cast<size_t>(file->gcount());
            return got > 0 && sink.write(buffer, got);
        });
}

} // namespace

std::string ReleaseBase(const httplib::Request& request)
{
    std::string base = RootAddress(request);
    base.pop_back(); // the placeholder is followed by the path's own slash
    if (request.get_header_value("X-Forwarded-Proto") == "https")
        base.replace(0, 4, "https");
    return base;
}

void AddUpdateRoutes(httplib::Server& server, ServiceContext& context)
{
    server.Get("/translation/update/(.+)", [&context](const httplib::Request& request,
                                                      httplib::Response& response) {
        const std::string relative = request.matches[1].str();
        const auto path = releaseFile(context.releaseDir, relative);
        if (!path)
            return RespondError(response, 404, "没有这个升级文件。", "not found: " + relative);
        if (relative == kVersionFileName)
            serveVersionFile(request, response, *path);
        else
            serveProgramFile(response, *path);
    });
}

} // namespace quillo::server
