#include "ocr/OcrCommand.h"

#include "ocr/OcrEngine.h"
#include "ocr/OcrLanguages.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace quillo {

namespace {

const char kUsage[] = "usage: quillo --ocr IMAGE [--ocr-lang zh,en,...]\n";

int fail(int code, const QString& message)
{
    std::fprintf(stderr, "quillo: %s\n", qUtf8Printable(message));
    return code;
}

int exitCodeOf(const OcrError& error)
{
    switch (error.kind) {
    case OcrError::UnreadableImage:
        return kOcrUnreadableImage;
    case OcrError::MissingLanguage:
    case OcrError::MissingEngine:
        return kOcrMissingData;
    case OcrError::UnknownLanguage:
    case OcrError::EngineFailure:
        break;
    }
    return kOcrUsage;
}

// The value of `--name VALUE` or `--name=VALUE`; null when absent, empty when it has no value.
QString optionValue(const QStringList& arguments, const QString& name)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == name)
            return i + 1 < arguments.size() ? arguments[i + 1] : QStringLiteral("");
        if (arguments[i].startsWith(name + QLatin1Char('=')))
            return arguments[i].mid(name.size() + 1);
    }
    return QString();
}

int runOcr(const QStringList& arguments)
{
    const QString path = optionValue(arguments, QStringLiteral("--ocr"));
    if (path.isEmpty()) {
        std::fputs(kUsage, stderr);
        return kOcrUsage;
    }
    std::vector<Language> languages = DefaultOcrLanguages();
    const QString codes = optionValue(arguments, QStringLiteral("--ocr-lang"));
    if (!codes.isNull()) {
        auto parsed = ParseOcrLanguages(codes);
        if (const OcrError* error = std::get_if<OcrError>(&parsed))
            return fail(kOcrUsage, error->message);
        languages = std::get<std::vector<Language>>(parsed);
    }
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (picture.isNull())
        return fail(kOcrUnreadableImage, QStringLiteral("%1 cannot be read as a picture: %2").arg(path, reader.errorString()));
    OcrEngine engine;
    const auto result = engine.Read(picture, languages);
    if (const OcrError* error = std::get_if<OcrError>(&result))
        return fail(exitCodeOf(*error), error->message);
    const QByteArray text = std::get<QString>(result).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    if (!text.isEmpty())
        std::fputc('\n', stdout);
    return kOcrRead;
}

} // namespace

std::optional<int> RunOcrCommand(int argc, char** argv)
{
    bool asked = false;
    for (int i = 1; i < argc && !asked; ++i)
        asked = std::strcmp(argv[i], "--ocr") == 0 || std::strncmp(argv[i], "--ocr=", 6) == 0;
    if (!asked)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    return runOcr(QCoreApplication::arguments());
}

} // namespace quillo
