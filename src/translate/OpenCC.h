#pragma once
// OpenCC's standard conversions between Simplified and Traditional Chinese (its s2t and t2s
// configurations), which work on phrases: 皇后 stays 皇后 while 以后 becomes 以後, and 头发 becomes
// 頭髮. libopencc and its dictionaries are opened when a conversion first needs them, not at
// start-up; where they cannot be had the caller falls back to its own tables.
#include <QByteArray>
#include <QString>

#include <optional>

namespace quillo {

enum class ScriptDirection { SimplifiedToTraditional, TraditionalToSimplified };

// The UTF-8 text converted; nothing when OpenCC or the direction's configuration cannot be
// loaded (the reason is logged once and kept in OpenCCUnavailableReason).
std::optional<QByteArray> OpenCCConvert(ScriptDirection direction, const QByteArray& utf8);

// Why a direction cannot use OpenCC (opening it when that has not happened yet); empty when it can.
QString OpenCCUnavailableReason(ScriptDirection direction);

} // namespace quillo
