#include "server/app/EngineSettings.h"

#include <QFileInfo>
#include <QSettings>

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
    return true;
}

} // namespace quillo::server
