#pragma once

#include <QByteArray>

class QObject;

namespace quillo {

class TCompressedStoredSkin;

// The three skins built into the program (1 yellow, 2 green, 3 blue), packed at build time.
inline constexpr int kBuiltinSkinCount = 3;

// The bytes below are the program's own, read in place: they live as long as the program.

// Compressed bytes of built-in skin number (1 to 3); empty for any other number.
QByteArray BuiltinSkinData(int number);

// The container of built-in skin number uncompressed (what BuiltinSkinData inflates to); empty
// for any other number.
QByteArray BuiltinSkinContainer(int number);
// Where the pictures of that container lie, found and checked when the program was built.
QByteArray BuiltinSkinContainerIndex(int number);

// The definition of built-in skin number in UTF-8, decoded from GBK when the program was built;
// empty for any other number.
QByteArray BuiltinSkinDefinition(int number);

// A stored skin holding built-in skin number, with FileName "skin.ini".
TCompressedStoredSkin* CreateBuiltinSkin(int number, QObject* parent);

} // namespace quillo
