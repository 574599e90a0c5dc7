#pragma once
// HTTP date headers (Date, Last-Modified, Expires) turned into local date-times, in the three
// forms servers send (RFC 1123, RFC 850, asctime), with two-digit years and numeric offsets.
#include "http/TWebRequest.h"

#include <QByteArray>

#include <optional>

namespace quillo {

// "+hhmm" or "-hhmm" (first five characters after trimming) as a signed span in days; 0 when the
// text does not begin with a sign or the figures are not a valid time.
TDateTime ParseZoneOffset(const QByteArray& text);

// UTC minus local time, in days, as the machine stands now (daylight saving included).
TDateTime TimeZoneBias();

// The header's date as a local date-time; 0 for an empty text. A text that cannot be read counts
// as 0 UTC, so the result is then minus the bias.
TDateTime ParseHttpDate(const QByteArray& text);

// Day number of a calendar date (years 1..9999), or nothing when the date does not exist.
std::optional<TDateTime> EncodeDate(int year, int month, int day);
// Fraction of a day, or nothing when the figures are not a time of day.
std::optional<TDateTime> EncodeTime(int hours, int minutes, int seconds);

} // namespace quillo
