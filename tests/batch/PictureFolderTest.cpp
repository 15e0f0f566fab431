#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "batch/PictureFolder.h"

using namespace picura;

namespace {

class PictureFolderTest : public ::testing::Test {
  protected:
    void touch(const QString& name) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << qPrintable(name);
    }
    QTemporaryDir dir;
};

TEST_F(PictureFolderTest, KeepsPictureFilesOnlyInAnyLetterCase) {
    touch("a.JPG");
    touch("b.jpeg");
    touch("c.txt");
    touch("d.Png");
    touch("e.gif.txt");
    touch("noext");
    touch("f.BmP");
    touch("g.GIF");
    ASSERT_TRUE(QDir(dir.path()).mkdir("x.png"));
    ASSERT_TRUE(QFile::link(dir.filePath("gone.jpg"), dir.filePath("dangling.jpg")));
    EXPECT_EQ(ScanPictureFolder(dir.path()), (QStringList{"a.JPG", "b.jpeg", "d.Png", "f.BmP", "g.GIF"}));
}

TEST_F(PictureFolderTest, NaturalOrderForNumbersAndChinese) {
    for (const char* n : {"a10.jpg", "a2.jpg", "a1.png", "张三.jpg", "李四.jpg", "王五.jpg", "b.jpg"}) {
        touch(QString::fromUtf8(n));
    }
    const QStringList names = ScanPictureFolder(dir.path());
    ASSERT_EQ(names.size(), 7);
    // Where Latin and Han names go relative to each other is the collation's choice;
    // within each, numbers go by value and Chinese by pinyin: li, wang, zhang.
    QStringList latin;
    QStringList chinese;
    for (const QString& n : names) {
        (n.front().unicode() < 0x80 ? latin : chinese).append(n);
    }
    EXPECT_EQ(latin, (QStringList{"a1.png", "a2.jpg", "a10.jpg", "b.jpg"}));
    EXPECT_EQ(chinese, (QStringList{"李四.jpg", "王五.jpg", "张三.jpg"}));
}

TEST_F(PictureFolderTest, MissingOrEmptyFolderGivesNothing) {
    EXPECT_TRUE(ScanPictureFolder(dir.filePath("none")).isEmpty());
    // The empty text is not the current folder.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    touch("here.jpg");
    EXPECT_TRUE(ScanPictureFolder(QString()).isEmpty());
    QDir::setCurrent(before);
}

}  // namespace
