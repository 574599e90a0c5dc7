#pragma once
// Where the translation requests go, and the WorldLingo second stage chosen from the loader page.
// The paths are the services' own; the base address ("http://host:port") is the caller's, asked
// for at each translation so that a program follows the service address it was started with.
#include <QByteArray>
#include <QString>

namespace quillo {

// The text service's translation address; both requests of a chain go there.
QString BabelFishAddress(const QString& base);
// The referrer every translation request names.
QString BabelFishReferer(const QString& base);
// The WorldLingo loader page, fetched anew for every translation.
QString LoaderAddress(const QString& base);
// Where stage two goes when the loader page names no per-visit address.
QString TranslationPageAddress(const QString& base);

// The service codes of one translation.
struct TranslationCodes
{
    QByteArray source;
    QByteArray target;
    QByteArray topic;
};

struct StageTwoRequest
{
    QString url;
    QByteArray body;
    bool sessionTranslate = false;
};

// The per-visit address when the loader page names one under the base address, the translation
// page otherwise.
StageTwoRequest WorldLingoStageTwo(const QByteArray& loaderBody, const QString& text, const TranslationCodes& codes,
                                   const QString& base);

} // namespace quillo
