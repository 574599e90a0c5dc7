#pragma once
// Byte-level decoding of what clients send: percent escapes, UTF-8 validity and the GBK code
// page, strict where the answer decides between a translation and a clear 400.

#include <optional>
#include <string>
#include <string_view>

namespace quillo::server {

// Undoes %XX escapes (and "+" as a blank when asked). A "%" not followed by two hexadecimal
// digits makes the whole value malformed.
std::optional<std::string> PercentDecode(std::string_view value, bool plusIsBlank);

// True when every character could have come out of a form encoder (letters, digits, "+", "%"
// and the marks some encoders leave alone) and every escape is complete. A value that fails
// this was sent unescaped and is taken as it stands.
bool LooksFormEncoded(std::string_view value);

// The value percent-decoded when it looks form-encoded, else unchanged; nullopt when it looks
// encoded but an escape is broken.
std::optional<std::string> DecodeFormValue(std::string_view value);

bool IsValidUtf8(std::string_view bytes);

// GBK bytes to UTF-8; nullopt when the bytes are not well-formed GBK.
std::optional<std::string> GbkToUtf8(std::string_view bytes);
// GB18030 bytes to UTF-8; bytes only GBK reads (its euro sign 80, sent by older clients) are
// read as GBK; nullopt when neither reads them.
std::optional<std::string> Gb18030ToUtf8(std::string_view bytes);
// UTF-8 to GBK; nullopt when a character has no GBK form.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// UTF-8 when the bytes are valid UTF-8, else GBK; nullopt when they are neither.
std::optional<std::string> Utf8OrGbkToUtf8(std::string_view bytes);
// UTF-8 when the bytes are valid UTF-8, else as Gb18030ToUtf8.
std::optional<std::string> Utf8OrGb18030ToUtf8(std::string_view bytes);

// "&", "<", ">", '"' and "'" as character references.
std::string HtmlEscape(std::string_view text);

// Clients cut replies at the first occurrence of an end marker ("</textarea>" ...); a
// translation that holds the marker gets its "<" written as "&lt;" so the cut stays whole.
std::string DefuseMarker(std::string text, std::string_view marker);

} // namespace quillo::server
