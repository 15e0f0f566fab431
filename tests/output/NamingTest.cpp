#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "output/Naming.h"
#include "output/OutputFile.h"
#include "settings/Gbk.h"

using namespace picura;

namespace {

class NamingFolder : public ::testing::Test {
  protected:
    void touch(const QString& name) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << qPrintable(name);
    }
    QString at(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    // The path must name a file directly inside the folder.
    void expectInsideFolder(const QString& path) {
        const QFileInfo info(path);
        EXPECT_EQ(QDir(info.absolutePath()).canonicalPath(), QDir(dir.path()).canonicalPath())
            << qPrintable(path);
        EXPECT_NE(info.fileName(), QStringLiteral("."));
        EXPECT_NE(info.fileName(), QStringLiteral(".."));
    }
    QTemporaryDir dir;
};

TEST(NamingEntries, ComboTextsAreExactWithTheirSpaceRuns) {
    const auto& batch = BatchNamingEntries();
    const auto& quick = QuickShootNamingEntries();
    ASSERT_EQ(batch.size(), 6);
    ASSERT_EQ(quick.size(), 5);
    EXPECT_EQ(batch[2].text, QStringLiteral("根据截图先后用序号命名  如： 0001   0002 "));
    EXPECT_EQ(quick[1].text, QStringLiteral("根据拍照先后用序号命名  如： 0001   0002"));
    EXPECT_EQ(batch[1].text, QStringLiteral("根据截图时刻命名  如：2022-1-10 11-45-23"));
    EXPECT_EQ(batch[3].text, quick[2].text);
    EXPECT_EQ(batch[5].text, quick[4].text);

    const QList<NamingMode> batchModes{NamingMode::SourceName,  NamingMode::CaptureTime,
                                       NamingMode::Sequence,    NamingMode::CustomPrefix,
                                       NamingMode::AskEachTime, NamingMode::ExcelCell};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ModeAt(batch, i), batchModes[i]);
        EXPECT_EQ(ModeFromEntryText(batch[i].text), batchModes[i]);
        EXPECT_EQ(ModeAt(quick, i - 1), i == 0 ? std::nullopt : std::optional(batchModes[i]));
    }
    EXPECT_EQ(IndexOfMode(quick, NamingMode::SourceName), -1);
    EXPECT_EQ(IndexOfMode(quick, NamingMode::AskEachTime), 3);
    EXPECT_EQ(ModeAt(batch, 6), std::nullopt);
    EXPECT_EQ(ModeFromEntryText(QStringLiteral("根据截图先后用序号命名  如： 0001   0002")), std::nullopt);
}

TEST(NamingNumbers, TimeNameHasNoLeadingZeros) {
    EXPECT_EQ(TimeName(QDateTime(QDate(2023, 3, 1), QTime(9, 5, 7))), QStringLiteral("2023-3-1 9-5-7"));
    EXPECT_EQ(TimeName(QDateTime(QDate(2022, 1, 10), QTime(11, 45, 23))),
              QStringLiteral("2022-1-10 11-45-23"));
    EXPECT_EQ(TimeName(QDateTime(QDate(2022, 12, 5), QTime(0, 0, 0))), QStringLiteral("2022-12-5 0-0-0"));
}

TEST(NamingNumbers, PadSequenceToFourDigitsOnly) {
    EXPECT_EQ(PadSequence(1), QStringLiteral("0001"));
    EXPECT_EQ(PadSequence(42), QStringLiteral("0042"));
    EXPECT_EQ(PadSequence(999), QStringLiteral("0999"));
    EXPECT_EQ(PadSequence(1000), QStringLiteral("1000"));
    EXPECT_EQ(PadSequence(10000), QStringLiteral("10000"));
}

TEST_F(NamingFolder, NextSequencePath_FillsFirstGapThenGoesOn) {
    touch("0001.jpg");
    touch("0002.jpg");
    touch("0004.jpg");
    EXPECT_EQ(NextSequencePath(dir.path(), ".jpg"), at("0003.jpg"));
    touch("0003.jpg");
    EXPECT_EQ(NextSequencePath(dir.path(), ".jpg"), at("0005.jpg"));
}

TEST_F(NamingFolder, NextSequencePath_OtherExtensionsDoNotTakeANumber) {
    touch("0001.png");
    touch("0001.JPG");  // another name on this file system
    EXPECT_EQ(NextSequencePath(dir.path(), ".jpg"), at("0001.jpg"));
}

TEST_F(NamingFolder, NextSequencePath_FoldersAndDanglingLinksTakeTheName) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("0001.jpg"));
    ASSERT_TRUE(QFile::link(at("nowhere.jpg"), at("0002.jpg")));
    EXPECT_EQ(NextSequencePath(dir.path(), ".jpg"), at("0003.jpg"));
}

TEST_F(NamingFolder, NextSequencePath_BeyondNineThousandNineHundredNinetyNineIsUnpadded) {
    for (int n = 1; n <= 9999; ++n) {
        touch(PadSequence(n) + ".jpg");
    }
    EXPECT_EQ(NextSequencePath(dir.path(), ".jpg"), at("10000.jpg"));
}

TEST_F(NamingFolder, NextPrefixedPath_NumbersAfterThePrefix) {
    touch("A0001.jpg");
    touch("0002.jpg");
    EXPECT_EQ(NextPrefixedPath(dir.path(), "A", ".jpg"), at("A0002.jpg"));
    EXPECT_EQ(NextPrefixedPath(dir.path(), "三班", ".png"), at("三班0001.png"));
}

TEST_F(NamingFolder, NextTextPath_AddsEmDashAndTheFirstFreeNumber) {
    EXPECT_EQ(NextTextPath(dir.path(), "张三", ".jpg"), at("张三.jpg"));
    touch("张三.jpg");
    touch("张三—1.jpg");
    touch("张三—3.jpg");
    const QString path = NextTextPath(dir.path(), "张三", ".jpg");
    EXPECT_EQ(path, at("张三—2.jpg"));
    // The separator is EM DASH, A1 AA in GBK, not a hyphen or an EN DASH.
    EXPECT_EQ(ToGbk(QFileInfo(path).fileName()), QByteArray("\xD5\xC5\xC8\xFD\xA1\xAA"
                                                            "2.jpg"));
}

TEST_F(NamingFolder, NamesNeverLeaveTheTargetFolder) {
    const QStringList hostile{
        "../../escape", "a/b", "/etc/passwd", "..", ".", QString("x") + QChar(u'\0') + "y", "a\\b", ""};
    for (const QString& text : hostile) {
        SCOPED_TRACE(text.toStdString());
        expectInsideFolder(NextTextPath(dir.path(), text, ".jpg"));
        expectInsideFolder(NextTextPath(dir.path(), text, ""));
        expectInsideFolder(NextPrefixedPath(dir.path(), text, ".jpg"));
        NamingInputs in;
        in.mode = NamingMode::SourceName;
        in.folder = dir.path();
        in.extension = ".jpg";
        in.sourceFileName = text;
        expectInsideFolder(MakeOutputPath(in).path);
    }
    EXPECT_EQ(NextTextPath(dir.path(), "../x", ".jpg"), at(".._x.jpg"));
    EXPECT_EQ(NextPrefixedPath(dir.path(), "a/b", ".jpg"), at("a_b0001.jpg"));
    EXPECT_EQ(NextTextPath(dir.path(), "..", ""), at("_.."));
}

TEST_F(NamingFolder, OverlongNamesAreCutToWholeCharactersAndCanBeWritten) {
    const QString longName(300, QChar(0x957F));  // 长, 3 bytes each in UTF-8
    const QString safe = SafeNamePart(longName);
    EXPECT_LE(safe.toUtf8().size(), kMaxNamePartBytes);
    EXPECT_EQ(safe, QString(kMaxNamePartBytes / 3, QChar(0x957F)));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(60);  // 4 bytes, surrogate pairs
    const QString cut = SafeNamePart(emoji);
    EXPECT_EQ(cut.size() % 2, 0);
    EXPECT_TRUE(cut.toUtf8().size() <= kMaxNamePartBytes && cut.toUtf8().size() > kMaxNamePartBytes - 4);

    QString path = NextTextPath(dir.path(), longName, ".jpg");
    EXPECT_EQ(WriteOutputFile(path, "x"), QString());
    path = NextTextPath(dir.path(), longName, ".jpg");  // now with "—1"
    EXPECT_EQ(WriteOutputFile(path, "y"), QString());
}

TEST_F(NamingFolder, SourceNameCutsAtTheFirstDotAndReplaces) {
    touch("李四.jpg");
    NamingInputs in;
    in.mode = NamingMode::SourceName;
    in.folder = dir.path();
    in.extension = ".jpg";
    in.sourceFileName = "李四.正面.png";
    const OutputTarget target = MakeOutputPath(in);
    EXPECT_EQ(target.path, at("李四.jpg"));
    EXPECT_FALSE(target.temporary);
    EXPECT_EQ(SourceBaseName("noext"), QStringLiteral("noext"));
    EXPECT_EQ(FileNameOfPath("/home/u/pics/王五.bmp"), QStringLiteral("王五.bmp"));
}

TEST_F(NamingFolder, CaptureTimeKeepsASecondCropOfTheSameSecond) {
    NamingInputs in;
    in.mode = NamingMode::CaptureTime;
    in.folder = dir.path();
    in.extension = ".jpg";
    in.now = QDateTime(QDate(2023, 3, 1), QTime(9, 5, 7));
    const QString first = MakeOutputPath(in).path;
    EXPECT_EQ(first, at("2023-3-1 9-5-7.jpg"));
    touch("2023-3-1 9-5-7.jpg");
    EXPECT_EQ(MakeOutputPath(in).path, at("2023-3-1 9-5-7—1.jpg"));
}

TEST_F(NamingFolder, MakeOutputPath_SequencePrefixAndPrompt) {
    NamingInputs in;
    in.folder = dir.path();
    in.extension = ".png";
    in.settingsFolder = "/settings";
    in.mode = NamingMode::Sequence;
    EXPECT_EQ(MakeOutputPath(in).path, at("0001.png"));
    in.mode = NamingMode::CustomPrefix;
    in.prefix = "B";
    EXPECT_EQ(MakeOutputPath(in).path, at("B0001.png"));
    in.mode = NamingMode::AskEachTime;
    const OutputTarget t = MakeOutputPath(in);
    EXPECT_EQ(t.path, QStringLiteral("/settings/临时C.png"));
    EXPECT_TRUE(t.temporary);
}

TEST_F(NamingFolder, ExcelCellChecksInOrder) {
    NamingInputs in;
    in.mode = NamingMode::ExcelCell;
    in.folder = dir.path();
    in.extension = ".jpg";
    in.nameList = {false, true, "张三"};  // window closed wins over everything else

    OutputTarget t = MakeOutputPath(in);
    EXPECT_TRUE(t.stopped());
    EXPECT_EQ(t.stop.step, ExcelCellStep::AskToKeepMode);
    EXPECT_EQ(t.stop.text, QStringLiteral("当前批量命名方式需导入EXCEL文件，是否沿用此命名方式？"));
    EXPECT_EQ(t.stop.title, QStringLiteral("询问"));

    in.nameList = {true, false, "张三"};
    t = MakeOutputPath(in);
    EXPECT_EQ(t.stop.step, ExcelCellStep::NoWorkbook);
    EXPECT_EQ(t.stop.text, QStringLiteral("请先导入EXCEL文件。"));
    EXPECT_EQ(t.stop.title, QStringLiteral("提示"));

    in.nameList = {true, true, ""};
    t = MakeOutputPath(in);
    EXPECT_EQ(t.stop.step, ExcelCellStep::EmptyName);
    EXPECT_EQ(t.stop.text, QStringLiteral("请先点击有文字的单元格作为图片命名，再截图。"));
    in.flow = NamingFlow::QuickShoot;
    EXPECT_EQ(MakeOutputPath(in).stop.text,
              QStringLiteral("请点击有文字的单元格以其文字命名即将拍照的图片。"));
    EXPECT_TRUE(MakeOutputPath(in).path.isEmpty());

    in.nameList = {true, true, "张三"};
    touch("张三.jpg");
    t = MakeOutputPath(in);
    EXPECT_FALSE(t.stopped());
    EXPECT_EQ(t.stop.step, ExcelCellStep::UseCurrentName);
    EXPECT_EQ(t.path, at("张三—1.jpg"));
}

}  // namespace
