#pragma once
// The character classes of HTML's tokenizer, on bytes: ASCII only, whatever the locale.

namespace quillo::server {

// HTML's white space: space, tab, line feed, carriage return, form feed.
inline bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

inline bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace quillo::server
