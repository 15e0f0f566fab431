#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FullDisk.h"
#include "output/OutputFile.h"

using namespace picura;

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// On a full disk a crop of any size is reported as not saved, with the reason, and the picture it was
// meant to replace stays whole.
TEST(OutputFileFullDisk, ReportsTheFullDiskAndKeepsTheOldPicture) {
    picura::test::FullDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << qPrintable(disk.skipReason());
    }
    const QString path = disk.filePath("0001.jpg");
    const QByteArray good(3000, 'g');
    ASSERT_EQ(WriteOutputFile(path, good), QString());
    ASSERT_TRUE(disk.fill());
    for (const int size : {1, 4096, 16384, 100 * 1024}) {
        SCOPED_TRACE(size);
        const QString error = WriteOutputFile(path, QByteArray(size, 'n'));
        EXPECT_TRUE(error.contains(path)) << qPrintable(error);
        EXPECT_TRUE(error.contains(QStringLiteral("磁盘空间不足"))) << qPrintable(error);
        EXPECT_EQ(Read(path), good);
        const QString fresh = disk.filePath(QStringLiteral("new%1.jpg").arg(size));
        EXPECT_FALSE(WriteOutputFile(fresh, QByteArray(size, 'n')).isEmpty());
        EXPECT_FALSE(QFile::exists(fresh));
    }
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"0001.jpg", "filler"}));
}

class OutputFileTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
};

TEST_F(OutputFileTest, WritesAndReplacesLeavingNoTemporaryFiles) {
    const QString path = dir.filePath("0001.jpg");
    EXPECT_EQ(WriteOutputFile(path, "first"), QString());
    EXPECT_EQ(Read(path), QByteArray("first"));
    EXPECT_EQ(WriteOutputFile(path, "2nd"), QString());
    EXPECT_EQ(Read(path), QByteArray("2nd"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"0001.jpg"});
}

TEST_F(OutputFileTest, FailuresNameThePathAndWriteNothing) {
    const QString inMissingFolder = dir.filePath("gone/0001.jpg");
    QString error = WriteOutputFile(inMissingFolder, "x");
    EXPECT_TRUE(error.contains(inMissingFolder)) << qPrintable(error);
    EXPECT_FALSE(QFile::exists(inMissingFolder));

    // A regular file where the folder should be: refused even for root.
    Write(dir.filePath("plain"), "keep");
    const QString underFile = dir.filePath("plain/0001.jpg");
    error = WriteOutputFile(underFile, "x");
    EXPECT_TRUE(error.contains(underFile)) << qPrintable(error);
    EXPECT_EQ(Read(dir.filePath("plain")), QByteArray("keep"));

    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.jpg"));
    error = WriteOutputFile(dir.filePath("taken.jpg"), "x");
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(dir.filePath("taken.jpg")).isDir());
}

TEST_F(OutputFileTest, FinishNamingPromptMovesTheTemporaryPicture) {
    const QString temp = dir.filePath("临时C.jpg");
    Write(temp, "picture");
    const QString final = dir.filePath("王五.jpg");
    EXPECT_EQ(FinishNamingPrompt(temp, final), QString());
    EXPECT_EQ(Read(final), QByteArray("picture"));
    EXPECT_FALSE(QFile::exists(temp));
}

TEST_F(OutputFileTest, FinishNamingPromptKeepsTheTemporaryPictureWhenTheCopyFails) {
    const QString temp = dir.filePath("临时C.jpg");
    Write(temp, "picture");
    const QString final = dir.filePath("gone/王五.jpg");
    const QString error = FinishNamingPrompt(temp, final);
    EXPECT_TRUE(error.contains(final)) << qPrintable(error);
    EXPECT_TRUE(error.contains(temp)) << qPrintable(error);
    EXPECT_EQ(Read(temp), QByteArray("picture"));

    const QString missing = dir.filePath("none.jpg");
    EXPECT_TRUE(FinishNamingPrompt(missing, dir.filePath("x.jpg")).contains(missing));
    EXPECT_FALSE(QFile::exists(dir.filePath("x.jpg")));
}

}  // namespace
