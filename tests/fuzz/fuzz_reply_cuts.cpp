// The reply cuts on any reply body: every piece they return is a piece of their input.
#include "translate/ReplyCuts.h"

#include "core/CodePage.h"

#include <cstdint>
#include <cstdlib>

namespace {

void requirePieceOf(const QByteArray& piece, const QByteArray& whole)
{
    if (!whole.contains(piece))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));

    const QByteArray s = quillo::ReplyText(body);
    if (quillo::ReplyText(s) != s)
        std::abort();

    if (const auto piece = quillo::ExtractBabelFishResult(s))
        requirePieceOf(*piece, s);
    if (const auto piece = quillo::ExtractWorldLingoResult(s))
        requirePieceOf(*piece, s);
    requirePieceOf(quillo::ExtractPageId(s), s);

    // The first line of the body serves as the root address, so that the fuzzer can find it.
    const QByteArray root = body.left(body.indexOf('\n'));
    const QByteArray prefix = quillo::ExtractSessionPrefix(s, root);
    // It ends with the slash of "/object", which may already lie inside the root address.
    if (!prefix.isEmpty() && !(prefix.endsWith('/') && (prefix.startsWith(root) || root.startsWith(prefix))))
        std::abort();
    requirePieceOf(prefix, s);

    const QByteArray param = quillo::EncodeUrlParam(quillo::FromAnsi(body.left(4096)));
    for (char c : param) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == ' ')
            std::abort();
    }
    return 0;
}
