// The skin container reader on any bytes. The first byte picks the layer the rest is fed to:
// 0 an inflated container, 1 the compressed bytes of a stored skin, anything else a packed skin
// file. Whatever the bytes, a refused skin leaves nothing behind, and a container that reads
// whole is written back to one that reads the same.
#include "skins/SkinContents.h"
#include "skins/container/PackedSkinFile.h"
#include "skins/container/SkinContainer.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkUnpacked(const quillo::SkinUnpackResult& r)
{
    const quillo::SkinContents& s = r.contents;
    if (r.status != quillo::SkinUnpackStatus::Ok) {
        check(s.picture.isNull() && s.mask.isNull() && s.activePictures.isEmpty());
        return;
    }
    // Pictures are decoded only when drawn, so every one the unpacking accepted must decode.
    for (const quillo::SkinPicture* picture : {&s.picture, &s.inactivePicture, &s.mask})
        check(picture->isNull() || picture->image().size() == picture->size());
    for (const quillo::SkinPicture& picture : s.activePictures)
        check(!picture.isNull() && picture.image().size() == picture.size());
}

// Writing normalises the flag bytes and drops version 2's extra pictures, so the check is that
// the written container reads back to the same fields.
void checkRoundTrip(QByteArrayView bytes)
{
    const quillo::ContainerReadResult read = quillo::ReadSkinContainer(bytes);
    if (read.status != quillo::ContainerStatus::Ok)
        return;
    const quillo::SkinContainer& a = read.container;
    const quillo::ContainerReadResult again = quillo::ReadSkinContainer(quillo::WriteSkinContainer(a));
    check(again.status == quillo::ContainerStatus::Ok);
    const quillo::SkinContainer& b = again.container;
    check(a.version == b.version && a.picture == b.picture && a.inactivePicture == b.inactivePicture
          && a.mask == b.mask && a.activePictures == b.activePictures && a.definition == b.definition);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    switch (data[0]) {
    case 0:
        checkRoundTrip(rest);
        checkUnpacked(quillo::UnpackSkinContainer(rest.toByteArray()));
        break;
    case 1:
        checkUnpacked(quillo::UnpackSkin(rest.toByteArray()));
        break;
    default:
        if (const std::optional<QByteArray> compressed = quillo::ReadPackedSkinFile(rest))
            check(compressed->size() <= rest.size() - 8);
        break;
    }
    return 0;
}
