#pragma once
// What the desktop tests share: the tools that act as the user and other programs, and a picture
// of text as a screen shows it.
#include "ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QString>
#include <gtest/gtest.h>

namespace quillo::test {

inline QString Tool(const char* name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// Dark text on a light ground, as a page or a subtitle shows it.
inline QImage PictureOfText(const QString& text)
{
    QImage picture(520, 90, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(36);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(picture.rect(), Qt::AlignCenter, text);
    return picture;
}

// `text` held in the X11 `selection` ("primary" or "clipboard") by xclip, as another program
// holds it; the file it is read from goes into `folder`.
inline void HoldSelectionElsewhere(const QDir& folder, const char* selection, const QString& text)
{
    const QString file = folder.filePath(QStringLiteral("%1.txt").arg(QString::fromLatin1(selection)));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text.toUtf8());
    out.close();
    const RunResult xclip = RunToEnd(Tool("xclip"), {QStringLiteral("-selection"), QString::fromLatin1(selection), file}, 10000);
    ASSERT_TRUE(xclip.succeeded()) << xclip.startError.toStdString() << xclip.error.toStdString();
}

} // namespace quillo::test
