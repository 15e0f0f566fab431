#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "WorkbookFixtures.h"
#include "namelist/Workbook.h"
#include "namelist/XlsxWorkbook.h"

using namespace picura;
using namespace picura::test;

namespace {

class WorkbookTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString writeBytes(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path(name);
    }
    QString writeParts(const QString& name, const std::vector<std::pair<QString, QByteArray>>& parts) const {
        EXPECT_TRUE(WriteZip(path(name), parts));
        return path(name);
    }
    // The cells of a file's only (or first) sheet; fails the test when unreadable.
    SheetCells firstSheet(const QString& file) const {
        OpenedWorkbook opened = OpenWorkbook(file);
        EXPECT_TRUE(opened.book) << opened.reason.toStdString();
        if (!opened.book) {
            return {};
        }
        QString reason;
        auto cells = opened.book->readSheet(0, &reason);
        EXPECT_TRUE(cells) << reason.toStdString();
        return cells.value_or(SheetCells());
    }
    QString openFailure(const QString& file) const {
        OpenedWorkbook opened = OpenWorkbook(file);
        EXPECT_FALSE(opened.book);
        return opened.reason;
    }

    QTemporaryDir dir;
};

QStringList Dump(const SheetCells& cells) {
    QStringList out;
    cells.forEach([&](int r, int c, const QString& t) { out << QString("%1,%2=%3").arg(r).arg(c).arg(t); });
    out.sort();
    return out;
}

TEST_F(WorkbookTest, XlsAndXlsxOfTheSameRosterReadAlike) {
    ASSERT_TRUE(WriteRosterXlsx(path("roster.xlsx")));
    OpenedWorkbook xlsx = OpenWorkbook(path("roster.xlsx"));
    OpenedWorkbook xls = OpenWorkbook(DataFile("roster.xls"));
    ASSERT_TRUE(xlsx.book) << xlsx.reason.toStdString();
    ASSERT_TRUE(xls.book) << xls.reason.toStdString();

    ASSERT_EQ(xlsx.book->sheetCount(), 3);
    ASSERT_EQ(xls.book->sheetCount(), 3);
    const QStringList names{"一年级", "二年级", "空表"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(xlsx.book->sheetName(i), names[i]);
        EXPECT_EQ(xls.book->sheetName(i), names[i]);
        auto a = xlsx.book->readSheet(i, nullptr);
        auto b = xls.book->readSheet(i, nullptr);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(Dump(*a), Dump(*b)) << "sheet " << i;
    }
    // Text cells give their text; numbers and booleans read as empty.
    const SheetCells first = *xlsx.book->readSheet(0, nullptr);
    EXPECT_EQ(first.text(0, 0), "姓名");
    EXPECT_EQ(first.text(3, 0), "  王五\t ");
    EXPECT_EQ(first.text(5, 0), "Émile");
    EXPECT_EQ(first.text(1, 1), "");
    EXPECT_EQ(first.text(4, 2), "");
    EXPECT_EQ(first.size(), 3 + 5 + 4);
    const SheetCells second = *xls.book->readSheet(1, nullptr);
    EXPECT_EQ(second.text(1, 0), "孙八");
    EXPECT_EQ(second.text(2, 0), "");
    EXPECT_TRUE(xls.book->readSheet(2, nullptr)->isEmpty());
}

TEST_F(WorkbookTest, ReaderIsChosenByContentNotExtension) {
    ASSERT_TRUE(WriteRosterXlsx(path("real.xlsx")));
    ASSERT_TRUE(QFile::copy(path("real.xlsx"), path("名单.XLS")));
    ASSERT_TRUE(QFile::copy(DataFile("roster.xls"), path("old.xlsx")));
    ASSERT_TRUE(QFile::copy(DataFile("roster.xls"), path("noext")));
    EXPECT_EQ(firstSheet(path("名单.XLS")).text(1, 0), "张三");
    EXPECT_EQ(firstSheet(path("old.xlsx")).text(1, 0), "张三");
    EXPECT_EQ(firstSheet(path("noext")).text(2, 0), "李四");
}

TEST_F(WorkbookTest, SheetIsFoundThroughRelationshipsWhateverItsPartName) {
    const QByteArray data =
        "<row r=\"2\"><c r=\"B2\" t=\"s\"><v>1</v></c><c r=\"C2\" "
        "t=\"inlineStr\"><is><t>内联</t></is></c></row>"
        "<row r=\"5\"><c r=\"A5\" t=\"str\"><f>A1</f><v>公式文字</v></c><c r=\"B5\"><v>42</v></c>"
        "<c r=\"C5\" t=\"b\"><v>1</v></c><c r=\"D5\" t=\"e\"><v>#N/A</v></c><c r=\"E5\" "
        "t=\"s\"><v>99</v></c></row>"
        "<row><c t=\"s\"><v>0</v></c><c "
        "t=\"inlineStr\"><is><r><t>富</t></r><r><t>文本</t></r></is></c></row>";
    const QByteArray shared =
        "<si><t>甲</t></si><si><r><t xml:space=\"preserve\"> 乙</t></r><r><t>丙_x0009_</t></r>"
        "<rPh sb=\"0\" eb=\"1\"><t>ヨミ</t></rPh></si>";
    const SheetCells cells =
        firstSheet(writeParts("parts.xlsx", MinimalXlsxParts("data/第一页.xml", data, shared)));
    EXPECT_EQ(cells.text(1, 1), " 乙丙\t");
    EXPECT_EQ(cells.text(1, 2), "内联");
    EXPECT_EQ(cells.text(4, 0), "公式文字");
    EXPECT_EQ(cells.text(4, 1), "");  // number
    EXPECT_EQ(cells.text(4, 2), "");  // boolean
    EXPECT_EQ(cells.text(4, 3), "");  // error
    EXPECT_EQ(cells.text(4, 4), "");  // shared string index out of range
    // A row and cells without "r" follow the previous ones.
    EXPECT_EQ(cells.text(5, 0), "甲");
    EXPECT_EQ(cells.text(5, 1), "富文本");
    EXPECT_EQ(cells.size(), 5);

    // An absolute target works too.
    const SheetCells absolute = firstSheet(writeParts(
        "abs.xlsx", MinimalXlsxParts("/xl/ws/s.xml", "<row><c t=\"inlineStr\"><is><t>A</t></is></c></row>")));
    EXPECT_EQ(absolute.text(0, 0), "A");
}

TEST_F(WorkbookTest, ChineseSheetNamesAndCellsFromLibxlsxwriter) {
    ASSERT_TRUE(WriteTextXlsx(path("c.xlsx"), "高一（3）班", {{0, 0, "欧阳娜娜"}, {2, 3, "　全角空格　"}}));
    OpenedWorkbook opened = OpenWorkbook(path("c.xlsx"));
    ASSERT_TRUE(opened.book);
    EXPECT_EQ(opened.book->sheetName(0), "高一（3）班");
    const SheetCells cells = *opened.book->readSheet(0, nullptr);
    EXPECT_EQ(cells.text(0, 0), "欧阳娜娜");
    EXPECT_EQ(cells.text(2, 3), "　全角空格　");
}

TEST_F(WorkbookTest, HugeDeclaredDimensionsAndCellsBeyondTheSheetAreHarmless) {
    const QByteArray data =
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>一</t></is></c></row>"
        "<row r=\"1048576\"><c r=\"XFD1048576\" t=\"inlineStr\"><is><t>角</t></is></c>"
        "<c r=\"XFE1048576\" t=\"inlineStr\"><is><t>外</t></is></c></row>"
        "<row r=\"99999999999\"><c r=\"A99999999999\" t=\"inlineStr\"><is><t>外</t></is></c></row>";
    auto parts = MinimalXlsxParts("worksheets/sheet1.xml", data);
    parts.back().second.replace("<sheetData>", "<dimension ref=\"A1:XFD1048576\"/><sheetData>");
    const SheetCells cells = firstSheet(writeParts("dims.xlsx", parts));
    EXPECT_EQ(cells.text(0, 0), "一");
    EXPECT_EQ(cells.text(SheetCells::kMaxRows - 1, SheetCells::kMaxColumns - 1), "角");
    EXPECT_EQ(cells.size(), 2);
}

TEST_F(WorkbookTest, HostileFilesAreRefusedWithAReason) {
    EXPECT_EQ(openFailure(path("missing.xlsx")), workbook_reason::kCannotOpen);
    EXPECT_EQ(openFailure(writeBytes("empty.xlsx", {})), workbook_reason::kNotWorkbook);
    EXPECT_EQ(openFailure(writeBytes("text.xls", "姓名,学号\n张三,1\n")), workbook_reason::kNotWorkbook);
    EXPECT_EQ(openFailure(writeBytes("html.xlsx", "<html><table><tr><td>x</td></tr></table></html>")),
              workbook_reason::kNotWorkbook);

    // A zip that is no workbook, and a truncated workbook.
    EXPECT_EQ(openFailure(writeParts("other.xlsx", {{"readme.txt", "hello"}})),
              workbook_reason::kNotWorkbook);
    ASSERT_TRUE(WriteRosterXlsx(path("whole.xlsx")));
    QFile whole(path("whole.xlsx"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    EXPECT_EQ(openFailure(writeBytes("cut.xlsx", bytes.left(bytes.size() / 2))), workbook_reason::kDamaged);
    // A compound file that is no workbook, cut short.
    QFile xls(DataFile("roster.xls"));
    ASSERT_TRUE(xls.open(QIODevice::ReadOnly));
    EXPECT_FALSE(OpenWorkbook(writeBytes("cut.xls", xls.read(700))).book);
}

TEST_F(WorkbookTest, EncryptedXlsxIsTold) {
    // An encrypted .xlsx is a compound file holding EncryptionInfo and EncryptedPackage streams.
    QByteArray cfb(1536, '\0');
    cfb.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    int at = 512;
    for (const char* name : {"Root Entry", "EncryptionInfo", "EncryptedPackage"}) {
        for (const char* p = name; *p; ++p) {
            cfb[static_cast<qsizetype>(at + 2 * (p - name))] = *p;
        }
        at += 128;
    }
    EXPECT_EQ(SniffWorkbook(cfb), WorkbookKind::EncryptedXlsx);
    EXPECT_EQ(openFailure(writeBytes("secret.xlsx", cfb)), workbook_reason::kEncrypted);
}

TEST_F(WorkbookTest, MalformedXmlFailsOnlyWhereItIs) {
    auto badSheet = MinimalXlsxParts("worksheets/sheet1.xml",
                                     "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></row>");
    OpenedWorkbook opened = OpenWorkbook(writeParts("badsheet.xlsx", badSheet));
    ASSERT_TRUE(opened.book);
    QString reason;
    EXPECT_FALSE(opened.book->readSheet(0, &reason));
    EXPECT_EQ(reason, workbook_reason::kDamaged);
    EXPECT_FALSE(opened.book->readSheet(7, &reason));

    auto badBook = MinimalXlsxParts("worksheets/sheet1.xml", "");
    badBook[1].second = "<workbook><sheets><sheet name=\"a\" r:id=\"rId7\"/></sheets>";
    EXPECT_EQ(openFailure(writeParts("badbook.xlsx", badBook)), workbook_reason::kDamaged);

    auto badStrings = MinimalXlsxParts("worksheets/sheet1.xml", "", "<si><t>unclosed</si>");
    EXPECT_EQ(openFailure(writeParts("badsst.xlsx", badStrings)), workbook_reason::kDamaged);

    // A sheet listed without its part holds nothing.
    auto noPart = MinimalXlsxParts("worksheets/sheet1.xml", "");
    noPart.pop_back();
    OpenedWorkbook empty = OpenWorkbook(writeParts("nopart.xlsx", noPart));
    ASSERT_TRUE(empty.book);
    EXPECT_TRUE(empty.book->readSheet(0, nullptr)->isEmpty());
}

TEST_F(WorkbookTest, ZipBombsStopAtTheBounds) {
    // A sheet inflating to 70 MB (under 100 KB in the archive) passes the
    // default per-entry bound of 64 MB only by being refused.
    QByteArray huge(70 * 1024 * 1024, ' ');
    auto parts = MinimalXlsxParts("worksheets/sheet1.xml", huge);
    const QString file = writeParts("bomb.xlsx", parts);
    EXPECT_LT(QFileInfo(file).size(), 1024 * 1024);
    OpenedWorkbook opened = OpenWorkbook(file);
    ASSERT_TRUE(opened.book);
    QString reason;
    EXPECT_FALSE(opened.book->readSheet(0, &reason));
    EXPECT_EQ(reason, workbook_reason::kTooLarge);

    // The total bound holds across the parts one operation reads: here the
    // shared strings alone are within the entry bound but not the total.
    auto strings =
        MinimalXlsxParts("worksheets/sheet1.xml", "", "<si><t>" + QByteArray(600 * 1024, 'x') + "</t></si>");
    ASSERT_TRUE(WriteZip(path("sst.xlsx"), strings));
    QFile g(path("sst.xlsx"));
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    const QByteArray sst = g.readAll();
    EXPECT_EQ(OpenXlsxWorkbook(sst, {1024 * 1024, 512 * 1024}).reason, workbook_reason::kTooLarge);
    EXPECT_TRUE(OpenXlsxWorkbook(sst, {1024 * 1024, 1024 * 1024}).book);
}

}  // namespace
