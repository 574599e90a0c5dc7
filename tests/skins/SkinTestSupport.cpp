#include "SkinTestSupport.h"

#include <QBuffer>
#include <QtEndian>

namespace quillo::test {

QByteArray MakeBmp(int width, int height, QColor colour, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    if (format != QImage::Format_RGB32)
        image = image.convertToFormat(format);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

QByteArray MakeRunLengthBmp(qint32 width, qint32 height)
{
    constexpr int kColours = 256;
    constexpr qint32 kPixelOffset = 14 + 40 + 4 * kColours;
    const QByteArray pixels("\x00\x01", 2);
    QByteArray bmp(kPixelOffset, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<qint32>(kPixelOffset + qint32(pixels.size()), bmp.data() + 2);
    qToLittleEndian<qint32>(kPixelOffset, bmp.data() + 10);
    qToLittleEndian<qint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(width, bmp.data() + 18);
    qToLittleEndian<qint32>(height, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(8, bmp.data() + 28);
    qToLittleEndian<qint32>(1, bmp.data() + 30); // BI_RLE8
    qToLittleEndian<qint32>(qint32(pixels.size()), bmp.data() + 34);
    qToLittleEndian<qint32>(kColours, bmp.data() + 46);
    return bmp + pixels;
}

SkinContainer MakeContainer()
{
    SkinContainer c;
    c.picture = MakeBmp(20, 10, Qt::red);
    c.mask = MakeBmp(20, 10, Qt::black, QImage::Format_Mono);
    c.activePictures = {MakeBmp(7, 5, Qt::green), MakeBmp(3, 9, Qt::blue)};
    c.definition = QByteArray("[VERSION]\r\nskinname=test \xb2\xe2\xca\xd4\r\n"
                              "[PICTURES]\r\npicture=main.bmp\r\nmask=mask.bmp\r\n"
                              "activepicturescount=2\r\n0=a.bmp\r\n1=b.bmp\r\n");
    return c;
}

QString SkinSourceDir(int n)
{
    return QStringLiteral(QUILLO_SOURCE_DIR "/assets/skins/%1").arg(n);
}

} // namespace quillo::test
