#include "server/engines/remote/TextPieces.h"

#include <algorithm>

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

constexpr std::string_view kSentenceEnds[] = {"。", "！", "？", "；", "…", ".", "!", "?", ";"};

// Where a cut of `text` at most `maxBytes` long best ends: after a sentence end, else before a
// blank, else at the last character boundary. Never 0 for a text with a character that fits.
size_t cutPoint(std::string_view text, size_t maxBytes)
{
    size_t best = 0;
    for (std::string_view end : kSentenceEnds) {
        for (size_t at = text.find(end); at != std::string_view::npos && at + end.size() <= maxBytes;
             at = text.find(end, at + 1))
            best = std::max(best, at + end.size());
    }
    if (best > 0)
        return best;
    const size_t blank = text.substr(0, maxBytes + 1).find_last_of(" \t");
    if (blank != std::string_view::npos && blank > 0)
        return blank;
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

void cutLine(TextPiece line, size_t maxBytes, std::vector<TextPiece>& pieces)
{
    std::string_view rest = line.text;
    while (rest.size() > maxBytes) {
        size_t cut = cutPoint(rest, maxBytes);
        if (cut == 0) // a character longer than the budget: it goes whole
            cut = std::min(rest.size(), size_t{4});
        size_t next = cut;
        while (next < rest.size() && isLineBlank(rest[next]))
            ++next;
        pieces.push_back({std::string(rest.substr(0, cut)), std::string(rest.substr(cut, next - cut))});
        rest.remove_prefix(next);
    }
    pieces.push_back({std::string(rest), std::move(line.gap)});
}

} // namespace

std::vector<TextPiece> SplitWithinBytes(std::string_view text, size_t maxBytes)
{
    std::vector<TextPiece> pieces;
    for (TextPiece& piece : SplitIntoPieces(text, maxBytes))
        cutLine(std::move(piece), maxBytes, pieces);
    return pieces;
}

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
