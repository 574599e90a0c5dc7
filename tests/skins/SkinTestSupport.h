#pragma once

#include "skins/container/SkinContainer.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace quillo::test {

// A whole BMP file of the given size and colour, as QImage writes it.
QByteArray MakeBmp(int width, int height, QColor colour, QImage::Format format = QImage::Format_RGB32);

// An 8-bit run-length BMP of the given size whose pixel data is a lone end-of-bitmap mark: a
// few bytes that decode to a picture of any size.
QByteArray MakeRunLengthBmp(qint32 width, qint32 height);

// A small container: main and mask pictures, no inactive one, two active pictures and a
// definition naming them.
SkinContainer MakeContainer();

// The folder of built-in skin number n's source.
QString SkinSourceDir(int n);

} // namespace quillo::test
