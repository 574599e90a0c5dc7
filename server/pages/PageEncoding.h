#pragma once
// Which character encoding a fetched page is read in, the way a browser decides it, and its
// decoding to UTF-8. Only the encodings of the WHATWG Encoding Standard exist here, under the
// standard's labels ("latin1" and "iso-8859-1" are windows-1252, "gb2312" is GBK, ...): a page
// declaring any other charset (UTF-7, an EBCDIC code page) is never read in it, since a
// browser would not read the original so and the two readings would see different markup.
//
// The order is the browser's: a byte order mark; the charset of the Content-Type header; for
// HTML, a <meta> found by the standard's prescan of the first 1024 bytes. Without a usable
// declaration the page is UTF-8 when it is valid UTF-8, else GBK (the default of a Chinese
// browser); a declaration outside the standard makes it windows-1252.

#include <string>
#include <string_view>

namespace quillo::server {

// The encoding's name for a label, or empty when the standard does not know the label.
std::string EncodingForLabel(std::string_view label);

// The encoding a page declares (byte order mark, header, <meta>), or empty when it declares
// none the standard knows. `declaredOther` tells whether it declared one the standard does not.
std::string DeclaredPageEncoding(std::string_view contentType, std::string_view body, bool html,
                                 bool* declaredOther = nullptr);

// The charset a <meta> declares in the first 1024 bytes, found as the standard's prescan finds
// it (comments and other tags skipped); empty when none is found.
std::string PrescanMetaCharset(std::string_view head);

// The bytes in an encoding of the standard (a name EncodingForLabel returns) as UTF-8; a byte
// order mark of that encoding is dropped, malformed sequences become U+FFFD.
std::string DecodeAs(std::string_view bytes, const std::string& encoding);

// The page's text as UTF-8, read in the encoding chosen as described above.
std::string DecodePage(std::string_view body, std::string_view contentType, bool html);

} // namespace quillo::server
