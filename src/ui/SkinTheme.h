#pragma once
// Binds one skin holder to the whole application: the skinned style draws every control from
// the holder's skin, the holder's notices go to every top-level window, and each loaded skin
// re-skins all open windows at once. A holder that is empty (a skin that failed to load, or
// none yet) leaves every window drawn unskinned.
#include <memory>

class QWidget;

namespace quillo {

class SkinArt;
class SkinStyle;
class TSkinData;

// Makes `holder` the skin of every window, now and after each switch.
void UseSkinData(TSkinData* holder);
TSkinData* CurrentSkinData();

// The art of the current skin; null while there is none.
std::shared_ptr<const SkinArt> CurrentSkinArt();

// Whether windows created from now on draw their own skinned frame (caption bar, caption
// buttons, borders) instead of the desktop's. Off by default; the program turns it on.
void EnableSkinnedFrames(bool enabled);
bool SkinnedFramesEnabled();

} // namespace quillo
