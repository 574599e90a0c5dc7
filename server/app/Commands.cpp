#include "server/app/Commands.h"

#include "server/api/ApiLanguages.h"
#include "server/api/GlossaryRoutes.h"
#include "server/stores/FeedbackStore.h"
#include "server/stores/GlossaryStore.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdio>

namespace quillo::server {

namespace {

void print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

QJsonObject asJson(const FeedbackMessage& message)
{
    return QJsonObject{{QStringLiteral("id"), static_cast<qint64>(message.id)},
                       {QStringLiteral("received"), qs(message.received)},
                       {QStringLiteral("remote"), qs(message.remote)},
                       {QStringLiteral("user"), qs(message.user)},
                       {QStringLiteral("name"), qs(message.name)},
                       {QStringLiteral("email"), qs(message.email)},
                       {QStringLiteral("title"), qs(message.title)},
                       {QStringLiteral("text"), qs(TypedText(message.text))},
                       {QStringLiteral("stored_text"), qs(message.text)},
                       {QStringLiteral("image"), qs(message.image)},
                       {QStringLiteral("home"), qs(message.home)},
                       {QStringLiteral("time"), qs(TypedText(message.time))}};
}

std::string hexEscape(const char* prefix, unsigned value, int digits)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "%s%0*X", prefix, digits, value);
    return escaped;
}

// Stored fields come from anyone: printed raw, an escape sequence would drive the operator's
// terminal and a CR would overwrite a line. Control characters (C0, DEL, and C1, which some
// terminals obey like ESC [) are shown as escapes; the text keeps its own line breaks.
std::string terminalSafe(std::string_view field, bool keepLineBreaks = false)
{
    std::string safe;
    for (size_t i = 0; i < field.size(); ++i) {
        const auto byte = static_cast<unsigned char>(field[i]);
        const bool lineBreak = keepLineBreaks
            && (byte == '\n' || (byte == '\r' && i + 1 < field.size() && field[i + 1] == '\n'));
        if ((byte < 0x20 || byte == 0x7F) && !lineBreak) {
            safe += hexEscape("\\x", byte, 2);
        } else if (byte == 0xC2 && i + 1 < field.size() && static_cast<unsigned char>(field[i + 1]) >= 0x80
                   && static_cast<unsigned char>(field[i + 1]) <= 0x9F) {
            safe += hexEscape("\\u", static_cast<unsigned char>(field[++i]), 4);
        } else {
            safe += field[i];
        }
    }
    return safe;
}

std::string asText(const FeedbackMessage& message)
{
    return "#" + std::to_string(message.id) + " received " + terminalSafe(message.received) + " from "
        + terminalSafe(message.remote) + "\nuser: " + terminalSafe(message.user)
        + "\nname: " + terminalSafe(message.name) + "\nemail: " + terminalSafe(message.email)
        + "\ntitle: " + terminalSafe(message.title) + "\ntime: " + terminalSafe(TypedText(message.time))
        + "\nimage: " + terminalSafe(message.image) + "\nhome: " + terminalSafe(message.home)
        + "\ntext:\n" + terminalSafe(TypedText(message.text), true) + "\n\n";
}

// A language code of the command line in the open API's spelling, or empty after saying why.
std::string glossaryCode(const std::string& code)
{
    const ServiceLanguage* language = ApiLanguage(code);
    if (!language)
        std::fprintf(stderr, "quillo-server glossary: %s is not a supported language\n", code.c_str());
    return language ? ApiCode(*language, CodeStyle::Open) : std::string();
}

std::string asText(const GlossaryEntry& entry)
{
    return "#" + std::to_string(entry.id) + " " + entry.source + ">" + entry.target + " " + terminalSafe(entry.term)
        + " -> " + terminalSafe(entry.translation) + (entry.note.empty() ? "" : "  (" + terminalSafe(entry.note) + ")")
        + "\n";
}

int glossaryAction(GlossaryStore& store, const GlossaryCommandOptions& options, std::string& error)
{
    using Action = GlossaryCommandOptions::Action;
    GlossaryEntry entry{0, options.source, options.target, options.term, options.translation, options.note};
    const bool pairGiven = !options.source.empty() || !options.target.empty();
    if (pairGiven && ((entry.source = glossaryCode(options.source)).empty() || (entry.target = glossaryCode(options.target)).empty()))
        return 2;
    if (options.action == Action::Add) {
        bool replaced = false;
        if (store.add(entry, replaced, error) != GlossaryStore::Outcome::Done)
            return 1;
        print(options.json ? QJsonDocument(GlossaryEntryJson(entry)).toJson(QJsonDocument::Compact).toStdString() + "\n"
                           : (replaced ? "replaced " : "added ") + asText(entry));
        return 0;
    }
    if (options.action == Action::Remove) {
        const auto outcome = options.id.find_first_not_of("0123456789") == std::string::npos && options.id.size() < 19
            ? store.remove(std::stoll(options.id), error) : GlossaryStore::Outcome::NotFound;
        if (outcome == GlossaryStore::Outcome::NotFound)
            error = "no entry " + options.id;
        return outcome == GlossaryStore::Outcome::Done ? 0 : 1;
    }
    std::vector<GlossaryEntry> entries;
    if (store.list(entry.source, entry.target, entries, error) != GlossaryStore::Outcome::Done)
        return 1;
    QJsonArray list;
    std::string text;
    for (const GlossaryEntry& listed : entries) {
        list.append(GlossaryEntryJson(listed));
        text += asText(listed);
    }
    print(options.json ? QJsonDocument(list).toJson(QJsonDocument::Indented).toStdString() : text);
    return 0;
}

} // namespace

int RunGlossaryCommand(const GlossaryCommandOptions& options)
{
    if (options.database.empty() && !QDir().mkpath(qs(options.dataDirectory))) {
        std::fprintf(stderr, "quillo-server glossary: cannot create %s\n", options.dataDirectory.c_str());
        return 1;
    }
    std::string error;
    const auto store = GlossaryStore::open(
        options.database.empty() ? GlossaryStore::defaultPath(options.dataDirectory) : options.database, error);
    const int code = store ? glossaryAction(*store, options, error) : 1;
    if (code == 1)
        std::fprintf(stderr, "quillo-server glossary: %s\n", error.c_str());
    return code;
}

std::string FormatFeedback(const std::vector<FeedbackMessage>& messages, bool json)
{
    if (json) {
        QJsonArray list;
        for (const FeedbackMessage& message : messages)
            list.append(asJson(message));
        return QJsonDocument(list).toJson(QJsonDocument::Indented).toStdString();
    }
    std::string text;
    for (const FeedbackMessage& message : messages)
        text += asText(message);
    return text;
}

int RunPublish(const PublishRequest& request)
{
    const PublishResult result = Publish(request);
    if (!result.ok) {
        std::fprintf(stderr, "quillo-server publish: %s\n", result.error.c_str());
        return 1;
    }
    print("published version " + request.version + "\nversion file: " + result.versionFile
          + "\nFileSize: " + std::to_string(result.size) + "\nSHA256: " + result.sha256
          + (result.signature.empty() ? std::string() : "\nSignature: " + result.signature)
          + "\ndownload: " + result.downloadPath + "\n");
    return 0;
}

int RunFeedbackListing(const FeedbackListOptions& options)
{
    const std::string path = options.database.empty() ? FeedbackStore::defaultPath(options.dataDirectory)
                                                      : options.database;
    if (options.database.empty() && !QFileInfo::exists(qs(path))) {
        std::fprintf(stderr, "quillo-server feedback: no messages yet (%s does not exist)\n", path.c_str());
        print(options.json ? "[]\n" : "");
        return 0;
    }
    std::string error;
    const auto store = FeedbackStore::open(path, FeedbackStore::Mode::ReadOnly, error);
    std::vector<FeedbackMessage> messages;
    if (!store || !store->all(messages, error)) {
        // An address may hold a password: name only a file.
        const std::string where = options.database.empty() ? path : std::string("the database");
        std::fprintf(stderr, "quillo-server feedback: %s: %s\n", where.c_str(), error.c_str());
        return 1;
    }
    print(FormatFeedback(messages, options.json));
    return 0;
}

} // namespace quillo::server
