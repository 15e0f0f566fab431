#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "settings/Gbk.h"
#include "settings/IniFile.h"
#include "settings/TextNumber.h"

using namespace picura;

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class IniFileTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("set.dll")); }
};

TEST_F(IniFileTest, ChineseSectionKeyAndValueAreStoredAsGbkBytes) {
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("批量截图"), QStringLiteral("保存目录"),
                              QStringLiteral("/home/用户/照片")));
    // 批量截图 in GBK is C5 FA C1 BF BD D8 CD BC.
    const QByteArray expected = QByteArray("[\xC5\xFA\xC1\xBF\xBD\xD8\xCD\xBC]\r\n") +
                                ToGbk(QStringLiteral("保存目录")) + "=/home/" +
                                QByteArray("\xD3\xC3\xBB\xA7") + "/" + ToGbk(QStringLiteral("照片")) + "\r\n";
    EXPECT_EQ(ReadBytes(path()), expected);
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("批量截图"), QStringLiteral("保存目录")),
              QStringLiteral("/home/用户/照片"));
}

TEST_F(IniFileTest, CharactersOutsideGbkSurviveThroughGb18030) {
    const QString value = QStringLiteral("名字—€😀");
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("s"), QStringLiteral("k"), value));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("s"), QStringLiteral("k")), value);
    // The em dash is A1 AA in GBK.
    EXPECT_TRUE(ReadBytes(path()).contains("\xA1\xAA"));
}

TEST_F(IniFileTest, NamesMatchWithoutRegardToCase) {
    WriteBytes(path(), "[Batch]\r\nJpgSize=30\r\n");
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("BATCH"), QStringLiteral("jpgsize")), QStringLiteral("30"));
    ASSERT_TRUE(
        WriteIniValue(path(), QStringLiteral("batch"), QStringLiteral("JPGSIZE"), QStringLiteral("40")));
    EXPECT_EQ(ReadBytes(path()), QByteArray("[Batch]\r\nJPGSIZE=40\r\n"));
}

TEST_F(IniFileTest, EmptyValueKeepsTheKey) {
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("x")));
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("s"), QStringLiteral("a"), QString()));
    EXPECT_EQ(ReadBytes(path()), QByteArray("[s]\r\na=\r\n"));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("default")),
              QString());
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    const QString def = QStringLiteral("d");
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("s"), QStringLiteral("k"), def), def);
    WriteBytes(path(), "[s]\r\nk=1\r\n");
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("t"), QStringLiteral("k"), def), def);
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("s"), QStringLiteral("j"), def), def);
}

TEST_F(IniFileTest, ValuesAreCutAt10239Bytes) {
    const QString exact(kMaxIniValueBytes, QLatin1Char('x'));
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("s"), QStringLiteral("k"), exact));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("s"), QStringLiteral("k")), exact);
    ASSERT_TRUE(
        WriteIniValue(path(), QStringLiteral("s"), QStringLiteral("k"), exact + QStringLiteral("yz")));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("s"), QStringLiteral("k")), exact);
    // A cut never splits a double-byte character: 10238 ASCII bytes then 中 (2 bytes).
    const QString split = QString(kMaxIniValueBytes - 1, QLatin1Char('x')) + QStringLiteral("中");
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("s"), QStringLiteral("k"), split));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("s"), QStringLiteral("k")),
              QString(kMaxIniValueBytes - 1, QLatin1Char('x')));
}

TEST_F(IniFileTest, ReadsFilesInWindowsConventions) {
    // CR LF, blanks around names and values, quotes, no final newline, other sections kept.
    WriteBytes(
        path(),
        ToGbk(QStringLiteral(
            "[其他]\r\n甲=1\r\n\r\n [批量截图] \r\n 命名方式 = 3 \r\n自定义命名=\"班级\"\r\n发裁切声=真")));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("批量截图"), QStringLiteral("命名方式")),
              QStringLiteral("3"));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("批量截图"), QStringLiteral("自定义命名")),
              QStringLiteral("班级"));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("批量截图"), QStringLiteral("发裁切声")),
              QStringLiteral("真"));
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("批量截图"), QStringLiteral("保存格式"),
                              QStringLiteral(".PNG")));
    EXPECT_EQ(FromGbk(ReadBytes(path())),
              QStringLiteral("[其他]\r\n甲=1\r\n\r\n [批量截图] \r\n 命名方式 = 3 "
                             "\r\n自定义命名=\"班级\"\r\n发裁切声=真\r\n保存格式=.PNG\r\n"));
}

TEST_F(IniFileTest, LfLineEndsAreRead) {
    WriteBytes(path(), "[a]\nk=1\n[b]\nk=2\n");
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("b"), QStringLiteral("k")), QStringLiteral("2"));
}

TEST_F(IniFileTest, NewKeyGoesToItsSectionAndNewSectionToTheEnd) {
    WriteBytes(path(), "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n");
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("a"), QStringLiteral("z"), QStringLiteral("3")));
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("c"), QStringLiteral("w"), QStringLiteral("4")));
    EXPECT_EQ(ReadBytes(path()), QByteArray("[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n[c]\r\nw=4\r\n"));
}

TEST_F(IniFileTest, WriteIntoMissingFolderFailsQuietlyAndCreatesNothing) {
    const QString missing = dir.filePath(QStringLiteral("nope/set.dll"));
    EXPECT_FALSE(WriteIniValue(missing, QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(ReadIniValue(missing, QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(IniFileTest, WriteLeavesNoTemporaryFilesBehind) {
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v")));
    ASSERT_TRUE(WriteIniValue(path(), QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("w")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("set.dll")});
}

TEST_F(IniFileTest, LineBreaksInAValueCannotInjectKeys) {
    ASSERT_TRUE(
        WriteIniValue(path(), QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("a\r\n[x]\nb=1")));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("x"), QStringLiteral("b"), QStringLiteral("none")),
              QStringLiteral("none"));
}

TEST_F(IniFileTest, BrokenGbkBytesDoNotStopTheReader) {
    WriteBytes(path(), QByteArray("[s]\r\nk=\x81\r\nj=ok\xFF\r\n"));
    EXPECT_EQ(ReadIniValue(path(), QStringLiteral("s"), QStringLiteral("j")).left(2), QStringLiteral("ok"));
}

TEST(TextNumberTest, ReadsTheLeadingNumber) {
    EXPECT_EQ(TextToNumber(QStringLiteral("3")), 3.0);
    EXPECT_EQ(TextToNumber(QStringLiteral(" 2.5kb")), 2.5);
    EXPECT_EQ(TextToNumber(QStringLiteral("-7")), -7.0);
    EXPECT_EQ(TextToNumber(QStringLiteral("")), 0.0);
    EXPECT_EQ(TextToNumber(QStringLiteral("abc")), 0.0);
    EXPECT_EQ(TextToNumber(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(TextToNumber(QStringLiteral("1e3")), 1000.0);
    EXPECT_EQ(TextToNumber(QStringLiteral("1e")), 1.0);
    EXPECT_EQ(TextToNumber(QStringLiteral("１２")), 0.0);  // full-width digits are not a number
    EXPECT_EQ(Trunc(-2.7), -2);
    EXPECT_EQ(Trunc(1e300), std::numeric_limits<int>::max());
}

}  // namespace
