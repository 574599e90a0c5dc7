// GET /translation/update/...: the version file and the program files of the release folder.
// The version file's {BASE} placeholders become the address the client reached us by.

#include "server/net/HttpSupport.h"
#include "server/api/ReleaseAddress.h"
#include "server/stores/Release.h"
#include "server/api/ProgramRoutes.h"

#include <QFileInfo>
#include <QString>

#include <fstream>

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

void serveVersionFile(const web::Request& request, web::Response& response, const QString& path)
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

// With no release published the newest version there is is the one this server was built with,
// which the program it came with runs; a 404 would read as a broken connection to the user.
void serveUnpublished(web::Response& response)
{
    response.set_content("[information]\r\nversion=" QUILLO_PROGRAM_VERSION "\r\n", "text/plain; charset=GBK");
}

void serveProgramFile(web::Response& response, const QString& path)
{
    response.set_file_content(path.toStdString(), "application/octet-stream");
}

} // namespace

std::string ReleaseBase(const web::Request& request)
{
    std::string base = RootAddress(request);
    base.pop_back(); // the placeholder is followed by the path's own slash
    if (request.get_header_value("X-Forwarded-Proto") == "https")
        base.replace(0, 4, "https");
    return base;
}

void AddUpdateRoutes(web::Router& server, std::string releaseDir)
{
    server.Get("/translation/update/(.+)", [releaseDir = std::move(releaseDir)](const web::Request& request,
                                                                                web::Response& response) {
        const std::string relative = request.matches[1].str();
        const auto path = releaseFile(releaseDir, relative);
        if (!path && relative == kVersionFileName)
            return serveUnpublished(response);
        if (!path)
            return RespondError(response, 404, "没有这个升级文件。", "not found: " + relative);
        if (relative == kVersionFileName)
            serveVersionFile(request, response, *path);
        else
            serveProgramFile(response, *path);
    });
}

} // namespace quillo::server
