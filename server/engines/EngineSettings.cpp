#include "server/engines/EngineSettings.h"

#include "server/base/IniLines.h"

#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <algorithm>
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

std::string sectionOf(const EngineDescriptor& engine, std::string_view id)
{
    return id == engine.id ? engine.section : engine.section + std::string(id.substr(engine.id.size()));
}

bool readSection(const QSettings& file, const std::string& path, const EngineDescriptor& engine,
                 const std::string& section, EngineConfig& config, std::string& error)
{
    for (const EngineOption& option : engine.options) {
        // A key left empty in the file keeps the value it had (the installed dictionary, say).
        const QString value = text(file, section + "/" + option.key);
        if (value.isEmpty())
            continue;
        if (!option.accepts(value.toStdString())) {
            error = path + ": [" + section + "] " + option.key + " must be " + std::to_string(option.minimum) + " to "
                + std::to_string(option.maximum);
            return false;
        }
        config.set(option.key, value.toStdString());
    }
    return true;
}

// Sections "SECTION.NAME": each a further engine "ID.NAME" with the options' defaults and its own
// values only, so a key of [llm] never goes to another endpoint's address.
bool readInstances(const QSettings& file, const std::string& path, const EngineDescriptor& engine,
                   EngineSettings& settings, std::string& error)
{
    const std::string prefix = engine.section + ".";
    for (const QString& group : file.childGroups()) {
        const std::string section = group.toStdString();
        if (!section.starts_with(prefix) || section.size() == prefix.size())
            continue;
        EngineConfig& config = settings.config(section);
        config.id = engine.id + section.substr(engine.section.size());
        for (const EngineOption& option : engine.options)
            config.set(option.key, option.defaultValue);
        if (!readSection(file, path, engine, section, config, error))
            return false;
        settings.instances.push_back(config.id);
    }
    return true;
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
    // QSettings reads a [General] section (whatever its case) as keys outside any section.
    settings.offline = IsTrue(text(file, "offline").toStdString()) || IsTrue(text(file, "general/offline").toStdString());
    for (const EngineDescriptor& engine : registry.all()) {
        if (!readSection(file, path, engine, engine.section, settings.config(engine.section), error))
            return false;
        if (engine.namedInstances && !readInstances(file, path, engine, settings, error))
            return false;
    }
    for (const std::string& name : settings.order) {
        const EngineDescriptor* engine = registry.find(name);
        const bool instanceFound = engine && (engine->id == name || settings.engines.contains(sectionOf(*engine, name)));
        if (!instanceFound) {
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
bool reachableAddress(const std::string& url)
{
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    return url.empty() || (parsed.isValid() && (scheme == u"http" || scheme == u"https") && !parsed.host().isEmpty());
}

// Where an option's final value came from: the command line's flag, the variable, or the file's line.
std::string originOf(const EngineDescriptor& engine, const EngineOption& option, const EngineSources& sources,
                     const std::string& path, const IniLines& lines)
{
    const std::string key = engine.section + "/" + option.key;
    if (const auto given = sources.values.find(key); given != sources.values.end() && !given->second.empty())
        return option.flag.empty() ? key : option.flag;
    if (const char* set = option.environment.empty() ? nullptr : std::getenv(option.environment.c_str()); set && *set)
        return option.environment;
    if (const auto line = lines.keys.find(key); line != lines.keys.end())
        return path + ":" + std::to_string(line->second) + ": [" + engine.section + "] " + option.key;
    return key;
}

void checkAddresses(const EngineRegistry& registry, const EngineSources& sources, const std::string& path,
                    const IniLines& lines, EngineSettings& settings)
{
    for (const EngineDescriptor& engine : registry.all()) {
        for (const EngineOption& option : engine.options) {
            if (option.key != "url")
                continue;
            const std::string url = settings.value(engine.section, option.key);
            if (!reachableAddress(url))
                settings.warnings.push_back(originOf(engine, option, sources, path, lines) + ": \"" + url
                                            + "\" is not an http:// or https:// address; the engine cannot be reached");
        }
    }
    for (const std::string& instance : settings.instances) {
        const std::string url = settings.value(instance, "url");
        if (!reachableAddress(url))
            settings.warnings.push_back(path + ": [" + instance + "] url \"" + url
                                        + "\" is not an http:// or https:// address; the engine cannot be reached");
    }
}

} // namespace

std::string SectionOf(const EngineDescriptor& engine, std::string_view id)
{
    return sectionOf(engine, id);
}

bool IsTrue(std::string_view value)
{
    return value == "true" || value == "1" || value == "yes" || value == "on";
}

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
        config.id = engine.id;
        for (const EngineOption& option : engine.options)
            config.set(option.key, option.defaultValue);
    }
    const std::string file = configFile(sources);
    if (!file.empty() && !readFile(registry, file, settings, error))
        return false;
    const IniLines lines = file.empty() ? IniLines{} : ReadIniLines(file);
    warnOfUnreadableLines(file, lines, settings);
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
    settings.offline = settings.offline || sources.offline;
    for (const std::string& instance : settings.instances)
        settings.config(instance).dataDirectory = sources.dataDirectory;
    checkAddresses(registry, sources, file, lines, settings);
    return true;
}

} // namespace quillo::server
