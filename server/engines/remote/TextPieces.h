#pragma once
// Long texts go to the hosted engines in paragraph-sized pieces, in order. A piece is a run of
// whole lines up to a byte budget (a longer line is a piece of its own); what stood between two
// pieces (line ends, blank lines) is kept byte for byte and put back between their translations.

#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

struct TextPiece {
    std::string text; // to translate; empty when the text was only blanks
    std::string gap;  // the blank lines or line end after it, kept as they were
};

// Joining every piece's text and gap gives `text` back.
std::vector<TextPiece> SplitIntoPieces(std::string_view text, size_t maxBytes);

// As SplitIntoPieces, and a line longer than `maxBytes` is cut too: after the last sentence end
// that fits, else at the last blank, else before the character that would not fit (never inside
// a UTF-8 sequence). No piece's text is longer than `maxBytes`.
std::vector<TextPiece> SplitWithinBytes(std::string_view text, size_t maxBytes);

} // namespace quillo::server
