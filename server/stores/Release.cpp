#include "server/stores/Release.h"

#include "server/base/TextCodec.h"

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <memory>
#include <regex>

namespace quillo::server {

namespace {

struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// Copies the program through a temporary file beside the target, so that a reader never sees
// half a file, and hashes it on the way.
bool copyAndHash(const QString& from, const QString& to, QByteArray& sha256, std::string& error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        error = "cannot read " + from.toStdString() + ": " + source.errorString().toStdString();
        return false;
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        error = "cannot write " + to.toStdString() + ": " + target.errorString().toStdString();
        return false;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray block;
    while (!(block = source.read(1 << 20)).isEmpty()) {
        hash.addData(block);
        if (target.write(block) != block.size())
            break;
    }
    if (source.error() != QFileDevice::NoError || !target.commit()) {
        error = "copying to " + to.toStdString() + " failed: " + target.errorString().toStdString();
        return false;
    }
    QFile::setPermissions(to, source.permissions());
    sha256 = hash.result();
    return true;
}

std::string oneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

bool writeVersionFile(const QString& path, const std::string& utf8, std::string& error)
{
    const auto gbk = Utf8ToGbk(utf8);
    if (!gbk) {
        error = "the notice has characters that GBK cannot hold";
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(gbk->data(), static_cast<qint64>(gbk->size()))
            != static_cast<qint64>(gbk->size()) || !file.commit()) {
        error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace

std::string ReleaseDirectory(const std::string& dataDirectory)
{
    return dataDirectory + "/release";
}

std::optional<std::string> SignEd25519(const std::string& keyFile, const std::string& message,
                                       std::string& error)
{
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new_file(keyFile.c_str(), "r"));
    if (!bio) {
        error = "cannot read key file " + keyFile;
        return std::nullopt;
    }
    std::unique_ptr<EVP_PKEY, KeyDeleter> key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519) {
        error = keyFile + " is not a PEM Ed25519 private key";
        return std::nullopt;
    }
    std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
    size_t length = 64;
    std::string signature(length, '\0');
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1
        || EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                          reinterpret_cast<const unsigned char*>(message.data()), message.size())
            != 1) {
        error = "signing failed";
        return std::nullopt;
    }
    signature.resize(length);
    return signature;
}

PublishResult Publish(const PublishRequest& request)
{
    PublishResult result;
    // The program compares versions as dotted decimal numbers and refuses anything else.
    static const std::regex versionPattern("^[0-9]{1,9}(\\.[0-9]{1,9})*$");
    if (!std::regex_match(request.version, versionPattern)) {
        result.error = "the version must be a dotted decimal number such as 17 or 17.1";
        return result;
    }
    const QFileInfo program(qs(request.programFile));
    if (!program.isFile()) {
        result.error = "no program file " + request.programFile;
        return result;
    }
    const QString release = qs(ReleaseDirectory(request.dataDirectory));
    const QString folder = release + u'/' + qs(request.version);
    if (!QDir().mkpath(folder)) {
        result.error = "cannot create " + folder.toStdString();
        return result;
    }
    QByteArray digest;
    if (!copyAndHash(program.filePath(), folder + u'/' + program.fileName(), digest, result.error))
        return result;
    result.size = program.size();
    result.sha256 = digest.toHex().toStdString();
    if (request.signKeyFile) {
        const auto signature = SignEd25519(*request.signKeyFile, digest.toStdString(), result.error);
        if (!signature)
            return result;
        result.signature = QByteArray::fromStdString(*signature).toBase64().toStdString();
    }
    result.downloadPath = std::string(kBasePlaceholder) + kUpdatePath
        + QUrl::toPercentEncoding(qs(request.version)).toStdString() + "/"
        + QUrl::toPercentEncoding(program.fileName()).toStdString();

    const std::string notice =
        oneLine(request.notice.value_or("Quillo翻译软件新版本 " + request.version + " 已发布。"));
    std::string ini = "[information]\r\nversion=" + request.version + "\r\nFileSize="
        + std::to_string(result.size) + "\r\nRegNewInformat=" + notice + "\r\nSHA256=" + result.sha256
        + "\r\n";
    if (!result.signature.empty())
        ini += "Signature=" + result.signature + "\r\n";
    ini += "\r\n[DownLoadPath]\r\nurl1=" + result.downloadPath + "\r\n";

    const QString versionFile = release + u'/' + QString::fromLatin1(kVersionFileName);
    if (!writeVersionFile(versionFile, ini, result.error))
        return result;
    result.versionFile = versionFile.toStdString();
    result.ok = true;
    return result;
}

} // namespace quillo::server
