#pragma once
// The user's choices between runs: the selections of the main window's lists, the skin and the
// window placement, kept under the key "5372" (the registry on Windows, an INI file in the user's
// configuration folder elsewhere). The key is opened around each access and closed after it;
// QSettings replaces its file atomically, so a crash while writing leaves the old values readable.
#include <QRect>
#include <QSettings>
#include <memory>
#include <optional>

namespace quillo {

std::unique_ptr<QSettings> OpenSettingsKey();

// Item indexes of the six lists, as read at creation and written at closing.
struct Selections
{
    int TranServer = 0;
    int TranOption = 2;
    int SourceLanguage = 0;
    int SourceLanguage2 = 0;
    int TopicLanguage = 0;
    int TargetLanguage = 2;
};

struct StoredChoices
{
    Selections selections;
    std::optional<int> face;  // 1, 2 or 3 when a skin was chosen
    bool fellBack = false;    // a value was of another type: the defaults were taken
};

// Missing values take their defaults; stored indexes are taken as they are, except that an engine
// index outside the two engines selects the first. A value that is not an integer stops the
// reading and gives the defaults (the pair list's source kept as far as it was read).
StoredChoices ReadChoices(const QSettings& key);

void WriteSelections(QSettings& key, const Selections& selections);

// The chosen skin, 1 to 3.
void WriteFace(QSettings& key, int face);

// Outer left/top, client width/height. Nothing unless all four are stored as integers.
std::optional<QRect> ReadPlacement(const QSettings& key);
void WritePlacement(QSettings& key, const QRect& placement);

} // namespace quillo
