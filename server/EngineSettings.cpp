#include "server/EngineSettings.h"

#include "server/IniLines.h"

#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef QUILLO_CEDICT_FILE
#define QUILLO_CEDICT_FILE ""
#endif

namespace quillo::server {

namespace {

constexpr std::array<std::string_view, 6> kBackendNames{"apertium", "deepl",      "llm",
                                                        "libretranslate", "dictionary", "echo"};

void overrideFrom(const char* variable, std::string& value)
{
    if (const char* set = std::getenv(variable); set && *set)
        value = set;
}

void overrideWith(const std::string& option, std::string& value)
{
    if (!option.empty())
        value = option;
}

std::vector<std::string> splitOrder(const QString& text)
{
    std::vector<std::string> names;
    for (const QString& name : text.split(u',', Qt::SkipEmptyParts))
        names.push_back(name.trimmed().toStdString());
    return names;
}

// QSettings reads "a, b" as a list; the order is wanted back as the text it was.
QString text(const QSettings& file, const char* key)
{
    const QVariant value = file.value(QLatin1String(key));
    return value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',') : value.toString().trimmed();
}

// A key left empty in the file keeps the value it had (the installed dictionary, say).
void keep(std::string& value, const QString& fromFile)
{
    if (!fromFile.isEmpty())
        value = fromFile.toStdString();
}

constexpr size_t kNamedUnreadableLines = 5;

void warnOfUnreadableLines(const std::string& path, const IniLines& lines, EngineSettings& settings)
{
    const auto& unreadable = lines.unreadable;
    for (size_t i = 0; i < std::min(unreadable.size(), kNamedUnreadableLines); ++i)
        settings.warnings.push_back(path + ":" + std::to_string(unreadable[i])
                                    + ": not a [section], a key = value or a comment; ignored");
    if (unreadable.size() > kNamedUnreadableLines)
        settings.warnings.push_back(path + ": " + std::to_string(unreadable.size() - kNamedUnreadableLines)
                                    + " more lines ignored; is it an INI file?");
}

// An engine address a request cannot go to: curl is told to speak HTTP only.
void checkAddress(const std::string& url, const std::string& from, EngineSettings& settings)
{
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (url.empty() || (parsed.isValid() && (scheme == u"http" || scheme == u"https") && !parsed.host().isEmpty()))
        return;
    settings.warnings.push_back(from + ": \"" + url + "\" is not an http:// or https:// address; the engine cannot be reached");
}

// Names where each address came from: the file's line, else the variable or option that set it.
void checkAddresses(const EngineSettings& fromFile, const std::string& path, const IniLines& lines,
                    EngineSettings& settings)
{
    const struct {
        const std::string& value;
        const std::string& fileValue;
        const char* key;
        const char* otherwise;
    } addresses[] = {
        {settings.llmUrl, fromFile.llmUrl, "llm/url", "QUILLO_LLM_URL"},
        {settings.deeplUrl, fromFile.deeplUrl, "deepl/url", "QUILLO_DEEPL_URL"},
        {settings.libreTranslateUrl, fromFile.libreTranslateUrl, "libretranslate/url", "--libretranslate"},
    };
    for (const auto& address : addresses) {
        const auto line = lines.keys.find(address.key);
        const bool fromThisFile = address.value == address.fileValue && line != lines.keys.end();
        const std::string section = std::string(address.key).substr(0, std::string(address.key).find('/'));
        checkAddress(address.value,
                     fromThisFile ? path + ":" + std::to_string(line->second) + ": [" + section + "] url"
                                  : std::string(address.otherwise),
                     settings);
    }
}

bool readFile(const std::string& path, EngineSettings& settings, std::string& error)
{
    if (!QFileInfo(QString::fromStdString(path)).isReadable()) {
        error = "cannot read the configuration file " + path;
        return false;
    }
    const QSettings file(QString::fromStdString(path), QSettings::IniFormat);
    if (file.status() != QSettings::NoError) {
        error = "the configuration file " + path + " is not a valid INI file";
        return false;
    }
    settings.order = splitOrder(text(file, "engines/order"));
    keep(settings.llmUrl, text(file, "llm/url"));
    keep(settings.llmKey, text(file, "llm/key"));
    keep(settings.llmModel, text(file, "llm/model"));
    keep(settings.deeplKey, text(file, "deepl/key"));
    keep(settings.deeplUrl, text(file, "deepl/url"));
    keep(settings.libreTranslateUrl, text(file, "libretranslate/url"));
    keep(settings.libreTranslateKey, text(file, "libretranslate/key"));
    keep(settings.dictionaryFile, text(file, "dictionary/file"));
    if (const QString timeout = text(file, "llm/timeout"); !timeout.isEmpty()) {
        bool ok = false;
        settings.llmTimeoutSeconds = timeout.toInt(&ok);
        if (!ok || settings.llmTimeoutSeconds < 1 || settings.llmTimeoutSeconds > 3600) {
            error = path + ": [llm] timeout must be 1 to 3600 seconds";
            return false;
        }
    }
    for (const std::string& name : settings.order) {
        if (!IsBackendName(name)) {
            error = path + ": unknown engine \"" + name + "\" in [engines] order";
            return false;
        }
    }
    return true;
}

} // namespace

bool IsBackendName(std::string_view name)
{
    return std::find(kBackendNames.begin(), kBackendNames.end(), name) != kBackendNames.end();
}

bool EngineSettings::nothingConfigured() const
{
    return order.empty() && llmUrl.empty() && deeplKey.empty() && libreTranslateUrl.empty();
}

std::string DefaultDictionaryFile()
{
    // An installed server finds the file its package ships (PREFIX/share/quillo beside PREFIX/bin);
    // a server in a build tree the one scripts/setup.sh fetched.
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (!failed) {
        const auto shipped = program.parent_path().parent_path() / "share" / "quillo" / "cedict_ts.u8";
        if (std::filesystem::is_regular_file(shipped, failed))
            return shipped.string();
    }
    return QUILLO_CEDICT_FILE;
}

bool LoadEngineSettings(const ServeOptions& options, EngineSettings& settings, std::string& error)
{
    settings = EngineSettings{};
    settings.dictionaryFile = DefaultDictionaryFile();
    // Without --config, the data folder's engines.ini, so that a server the program starts by
    // itself uses the engines the user set up there.
    std::string configFile = options.configFile;
    const auto inData = std::filesystem::path(options.dataDirectory) / "engines.ini";
    std::error_code failed;
    if (configFile.empty() && !options.dataDirectory.empty() && std::filesystem::is_regular_file(inData, failed))
        configFile = inData.string();
    if (!configFile.empty() && !readFile(configFile, settings, error))
        return false;
    const IniLines lines = configFile.empty() ? IniLines{} : ReadIniLines(configFile);
    warnOfUnreadableLines(configFile, lines, settings);
    const EngineSettings fromFile = settings;
    overrideFrom("QUILLO_LLM_URL", settings.llmUrl);
    overrideFrom("QUILLO_LLM_KEY", settings.llmKey);
    overrideFrom("QUILLO_LLM_MODEL", settings.llmModel);
    overrideFrom("QUILLO_DEEPL_KEY", settings.deeplKey);
    overrideFrom("QUILLO_DEEPL_URL", settings.deeplUrl);
    overrideWith(options.libreTranslateUrl, settings.libreTranslateUrl);
    overrideWith(options.libreTranslateKey, settings.libreTranslateKey);
    overrideWith(options.dictionaryFile, settings.dictionaryFile);
    if (!options.backends.empty())
        settings.order = options.backends;
    checkAddresses(fromFile, configFile, lines, settings);
    return true;
}

} // namespace quillo::server
