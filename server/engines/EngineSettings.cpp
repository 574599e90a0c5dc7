#include "server/engines/EngineSettings.h"

#include <QFileInfo>
#include <QSettings>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quillo::server {

namespace {

std::vector<std::string> splitOrder(const QString& text)
{
    std::vector<std::string> names;
    for (const QString& name : text.split(u',', Qt::SkipEmptyParts))
        names.push_back(name.trimmed().toStdString());
    return names;
}

// QSettings reads "a, b" as a list; the order is wanted back as the text it was.
QString text(const QSettings& file, const std::string& key)
{
    const QVariant value = file.value(QString::fromStdString(key));
    return value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',') : value.toString().trimmed();
}

bool readFile(const EngineRegistry& registry, const std::string& path, EngineSettings& settings,
              std::string& error)
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
    for (const EngineDescriptor& engine : registry.all()) {
        EngineConfig& config = settings.config(engine.section);
        for (const EngineOption& option : engine.options) {
            // A key left empty in the file keeps the value it had (the installed dictionary, say).
            const QString value = text(file, engine.section + "/" + option.key);
            if (value.isEmpty())
                continue;
            if (!option.accepts(value.toStdString())) {
                error = path + ": [" + engine.section + "] " + option.key + " must be " + std::to_string(option.minimum)
                    + " to " + std::to_string(option.maximum);
                return false;
            }
            config.set(option.key, value.toStdString());
        }
    }
    for (const std::string& name : settings.order) {
        if (!registry.find(name)) {
            error = path + ": unknown engine \"" + name + "\" in [engines] order";
            return false;
        }
    }
    return true;
}

// Without --config, the data folder's engines.ini, so that a server the program starts by itself
// uses the engines the user set up there.
std::string configFile(const EngineSources& sources)
{
    if (!sources.configFile.empty() || sources.dataDirectory.empty())
        return sources.configFile;
    const auto inData = std::filesystem::path(sources.dataDirectory) / "engines.ini";
    std::error_code failed;
    return std::filesystem::is_regular_file(inData, failed) ? inData.string() : std::string();
}

} // namespace

std::string EngineSettings::value(std::string_view section, std::string_view key) const
{
    const auto found = engines.find(section);
    return found == engines.end() ? std::string() : found->second.value(key);
}

bool LoadEngineSettings(const EngineRegistry& registry, const EngineSources& sources,
                        EngineSettings& settings, std::string& error)
{
    settings = EngineSettings{};
    for (const EngineDescriptor& engine : registry.all()) {
        EngineConfig& config = settings.config(engine.section);
        config.dataDirectory = sources.dataDirectory;
        for (const EngineOption& option : engine.options)
            config.set(option.key, option.defaultValue);
    }
    if (const std::string file = configFile(sources); !file.empty() && !readFile(registry, file, settings, error))
        return false;
    for (const EngineDescriptor& engine : registry.all()) {
        EngineConfig& config = settings.config(engine.section);
        for (const EngineOption& option : engine.options) {
            if (const char* set = option.environment.empty() ? nullptr : std::getenv(option.environment.c_str());
                set && *set)
                config.set(option.key, set);
            if (const auto given = sources.values.find(engine.section + "/" + option.key);
                given != sources.values.end() && !given->second.empty())
                config.set(option.key, given->second);
        }
    }
    if (!sources.order.empty())
        settings.order = sources.order;
    return true;
}

} // namespace quillo::server
