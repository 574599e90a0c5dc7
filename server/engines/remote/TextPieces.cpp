#include "server/engines/remote/TextPieces.h"

namespace quillo::server {

namespace {

bool isLineBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Where the gap starting at `from` (a run of line ends and blanks) ends.
size_t gapEnd(std::string_view text, size_t from)
{
    size_t end = from;
    while (end < text.size() && (text[end] == '\n' || isLineBlank(text[end])))
        ++end;
    // Blanks that begin a next line (an indent) belong to that line; at the end they are gap.
    while (end < text.size() && end > from && isLineBlank(text[end - 1]))
        --end;
    return end;
}

// The text cut into lines, each with the gap that follows it.
std::vector<TextPiece> lines(std::string_view text)
{
    std::vector<TextPiece> found;
    size_t start = gapEnd(text, 0);
    if (start > 0)
        found.push_back({{}, std::string(text.substr(0, start))});
    while (start < text.size()) {
        size_t newline = text.find('\n', start);
        if (newline == std::string_view::npos)
            newline = text.size();
        size_t contentEnd = newline;
        while (contentEnd > start && isLineBlank(text[contentEnd - 1]))
            --contentEnd;
        const size_t next = gapEnd(text, contentEnd);
        found.push_back({std::string(text.substr(start, contentEnd - start)),
                         std::string(text.substr(contentEnd, next - contentEnd))});
        start = next;
    }
    return found;
}

} // namespace

std::vector<TextPiece> SplitIntoPieces(std::string_view text, size_t maxBytes)
{
    std::vector<TextPiece> pieces;
    for (TextPiece& line : lines(text)) {
        const bool fits = !pieces.empty() && !pieces.back().text.empty()
            && pieces.back().text.size() + pieces.back().gap.size() + line.text.size() <= maxBytes;
        if (fits && !line.text.empty()) {
            pieces.back().text += pieces.back().gap + line.text;
            pieces.back().gap = std::move(line.gap);
        } else {
            pieces.push_back(std::move(line));
        }
    }
    return pieces;
}

} // namespace quillo::server
