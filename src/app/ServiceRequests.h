#pragma once
// Where the main window's translation requests go, and the WorldLingo second stage chosen from
// the loader page. Addresses are read from the deployment at each call, so a window follows the
// service address it was started with.
#include <QByteArray>
#include <QString>

namespace quillo {

// The text service's translation address; both requests of a chain go there.
QString BabelFishAddress();
// The referrer every request of the main window names.
QString BabelFishReferer();
// The WorldLingo loader page, fetched anew for every translation.
QString LoaderAddress();
// Where stage two goes when the loader page names no per-visit address.
QString TranslationPageAddress();

// The codes of one translation, as the window keeps them.
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

// The per-visit address when the loader page names one, the translation page otherwise.
StageTwoRequest WorldLingoStageTwo(const QByteArray& loaderBody, const QString& text, const TranslationCodes& codes);

} // namespace quillo
