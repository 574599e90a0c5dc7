#include "SkinTestSupport.h"

#include <QBuffer>

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
