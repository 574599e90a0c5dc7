#include "core/FileSize.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillo;

TEST(FileSize, FileSizeByNameAnswersForFilesDirectoriesAndNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("version.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[information]\r\n");
    file.close();
    EXPECT_EQ(FileSizeByName(file.fileName()), 15);

    QFile empty(dir.filePath(QStringLiteral("empty")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(FileSizeByName(empty.fileName()), 0);

    EXPECT_EQ(FileSizeByName(dir.path()), 0) << "a directory matches too";
    EXPECT_EQ(FileSizeByName(dir.filePath(QStringLiteral("missing"))), -1);
    EXPECT_EQ(FileSizeByName(QString()), -1);

    // A relative name is taken from the current directory.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(FileSizeByName(QStringLiteral("version.txt")), 15);
    QDir::setCurrent(previous);
}
