// What engines send back and what the dictionary reads: a chat model's reply cleaned against any
// source text, texts cut into pieces (which must join back to the text), pinyin with tone
// numbers, and English dictionary keys. None may crash, read outside its input or loop.

#include "server/engines/dictionary/CedictIndex.h"
#include "server/engines/remote/ModelReply.h"
#include "server/engines/dictionary/Pinyin.h"
#include "server/engines/remote/TextPieces.h"

#include <cstdint>
#include <string>

using namespace quillo::server;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\x01');
    const std::string reply = input.substr(0, split);
    const std::string source = split == std::string::npos ? std::string() : input.substr(split + 1);
    CleanModelReply(reply, source);
    PinyinWithToneMarks(reply);
    CedictIndex::englishKey(reply);

    std::string joined;
    for (const TextPiece& piece : SplitIntoPieces(input, 1 + size % 64))
        joined += piece.text + piece.gap;
    if (joined != input)
        __builtin_trap(); // pieces must give the text back byte for byte
    return 0;
}
