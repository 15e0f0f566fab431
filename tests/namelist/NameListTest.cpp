#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QTemporaryDir>

#include "FakeNameListHost.h"
#include "ScriptedDialogs.h"
#include "WorkbookFixtures.h"
#include "namelist/NameList.h"

using namespace picura;
using namespace picura::test;

namespace {

const QString kCropSheetRead = QStringLiteral("请点击有文字的单元格，以其文字命名即将截取的图片。");
const QString kPhotoSheetRead = QStringLiteral("请点击有文字的单元格，以其文字命名即将拍照的图片。");

class NameListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        std::vector<TextCell> cells;
        for (int r = 0; r < 30; ++r) {
            cells.push_back({r, 0, QStringLiteral("学生%1").arg(r + 1)});
        }
        cells.push_back({12, 1, QStringLiteral("  备\t注 ")});
        ASSERT_TRUE(WriteTextXlsx(thirty(), "名单", cells));
        ASSERT_TRUE(WriteRosterXlsx(roster()));
        list.create();
    }
    QString thirty() const { return dir.filePath("thirty.xlsx"); }
    QString roster() const { return dir.filePath("roster.xlsx"); }

    QTemporaryDir dir;
    FakeNameListHost host;
    ScriptedDialogs dialogs;
    NameList list{host, dialogs};
};

TEST_F(NameListTest, CreatedEmptyAndAsksForAWorkbook) {
    EXPECT_FALSE(list.workbookLoaded());
    EXPECT_EQ(list.currentName(), "");
    EXPECT_EQ(list.status(), namelist_text::kImportFirst);
    // A click on the blank grid says what to do first.
    list.chooseCell(2, 1);
    EXPECT_EQ(list.currentName(), "");
    EXPECT_EQ(list.status(), namelist_text::kImportFirst);
}

TEST_F(NameListTest, ImportAsksForAnExcelFileAndACancelChangesNothing) {
    EXPECT_FALSE(list.importWorkbook());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const FileDialogRequest& r = dialogs.shown[0].file;
    EXPECT_EQ(r.title, "导入Excel名单");
    EXPECT_EQ(r.filter, "Excel文件(*.xls、*.xlsx) (*.xls *.xlsx)");
    EXPECT_EQ(r.startFolder, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + "/");
    EXPECT_EQ(r.initialName, "");
    EXPECT_FALSE(list.workbookLoaded());
    EXPECT_EQ(list.status(), namelist_text::kImportFirst);

    dialogs.paths.push_back(roster());
    ASSERT_TRUE(list.importWorkbook());
    EXPECT_EQ(list.workbookPath(), roster());
    EXPECT_EQ(list.workbookFileName(), "roster.xlsx");
    EXPECT_EQ(list.sheetNames(), QStringList({"一年级", "二年级", "空表"}));
    EXPECT_EQ(list.currentSheet(), 0);
    EXPECT_EQ(list.extent(), (GridExtent{5, 2}));
    EXPECT_EQ(list.status(), kCropSheetRead);
}

TEST_F(NameListTest, ChoosingACellNamesThePicture) {
    ASSERT_TRUE(list.importWorkbookFile(roster()));
    list.chooseCell(3, 0);
    EXPECT_EQ(list.currentName(), "王五");
    EXPECT_EQ(list.status(), "以“王五”命名即将截取的图片，如截图多幅加序号区分。");
    EXPECT_EQ(host.names, QStringList({"王五"}));

    host.purpose = NameListPurpose::Photo;
    list.chooseCell(1, 2);
    EXPECT_EQ(list.currentName(), "一班");
    EXPECT_EQ(list.status(), "以“一班”命名即将拍照的图片，如拍照多幅加序号区分。");

    // A number reads as empty.
    list.chooseCell(1, 1);
    EXPECT_EQ(list.currentName(), "");
    EXPECT_EQ(list.status(), namelist_text::kEmptyCell);

    // Beyond the last column or below the last row: nothing changes.
    list.chooseCell(1, 0);
    list.chooseCell(1, 3);
    list.chooseCell(6, 0);
    EXPECT_EQ(list.currentName(), "张三");
    EXPECT_EQ(list.cursorRow(), 1);
    EXPECT_EQ(list.cursorColumn(), 0);
}

TEST_F(NameListTest, PurposeNoneLeavesThePurposeTextsUnwritten) {
    host.purpose = NameListPurpose::None;
    ASSERT_TRUE(list.importWorkbookFile(roster()));
    EXPECT_EQ(list.status(), namelist_text::kReading);
    list.chooseCell(1, 0);
    EXPECT_EQ(list.currentName(), "张三");
    EXPECT_EQ(list.status(), namelist_text::kReading);
    list.chooseCell(4, 2);
    EXPECT_EQ(list.status(), namelist_text::kEmptyCell);
}

TEST_F(NameListTest, AdvanceTakesTheNextRowUntilTheLast) {
    ASSERT_TRUE(list.importWorkbookFile(thirty()));
    EXPECT_EQ(list.extent(), (GridExtent{29, 1}));
    list.chooseCell(4, 0);
    EXPECT_EQ(list.currentName(), "学生5");
    list.advanceRow();
    EXPECT_EQ(list.cursorRow(), 5);
    EXPECT_EQ(list.currentName(), "学生6");
    EXPECT_EQ(list.status(), "以“学生6”命名即将截取的图片，如截多幅加序号区分。");
    host.purpose = NameListPurpose::Photo;
    list.advanceRow();
    EXPECT_EQ(list.status(), "以“学生7”命名即将拍照的图片，如拍多幅加序号区分。");

    // An empty cell below: no name.
    list.chooseCell(10, 1);
    list.advanceRow();
    EXPECT_EQ(list.currentName(), "");
    EXPECT_EQ(list.status(), namelist_text::kEmptyCell);
    list.advanceRow();
    EXPECT_EQ(list.currentName(), "备注");
    EXPECT_TRUE(dialogs.messages().isEmpty());

    list.chooseCell(29, 0);
    const QString status = list.status();
    list.advanceRow();
    ASSERT_EQ(dialogs.messages(), QStringList({"EXCEL光标已处于最后一行"}));
    EXPECT_EQ(dialogs.lastMessage()->title, "提示：");
    EXPECT_EQ(dialogs.lastMessage()->icon, MessageIcon::None);
    EXPECT_EQ(dialogs.lastMessage()->buttons, MessageButtons::Ok);
    EXPECT_EQ(list.cursorRow(), 29);
    EXPECT_EQ(list.currentName(), "学生30");
    EXPECT_EQ(list.status(), status);
}

TEST_F(NameListTest, ASecondImportKeepsTheCurrentName) {
    ASSERT_TRUE(list.importWorkbookFile(thirty()));
    list.chooseCell(2, 0);
    ASSERT_EQ(list.currentName(), "学生3");
    ASSERT_TRUE(list.importWorkbookFile(roster()));
    EXPECT_EQ(list.currentName(), "学生3");
    EXPECT_EQ(list.workbookFileName(), "roster.xlsx");
    EXPECT_EQ(list.extent(), (GridExtent{5, 2}));
    list.chooseCell(2, 0);
    EXPECT_EQ(list.currentName(), "李四");
}

TEST_F(NameListTest, AnUnreadableFileKeepsEverythingAsItWas) {
    ASSERT_TRUE(list.importWorkbookFile(thirty()));
    list.chooseCell(2, 0);
    const QString status = list.status();
    QFile bad(dir.filePath("bad.xlsx"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a workbook");
    bad.close();
    EXPECT_FALSE(list.importWorkbookFile(bad.fileName()));
    ASSERT_EQ(dialogs.messages(), QStringList({"无法读取该EXCEL文件：该文件不是EXCEL工作簿。"}));
    EXPECT_EQ(dialogs.lastMessage()->title, "提示");
    EXPECT_TRUE(list.workbookLoaded());
    EXPECT_EQ(list.workbookFileName(), "thirty.xlsx");
    EXPECT_EQ(list.currentName(), "学生3");
    EXPECT_EQ(list.status(), status);
    EXPECT_EQ(list.extent(), (GridExtent{29, 1}));
    list.chooseCell(7, 0);
    EXPECT_EQ(list.currentName(), "学生8");
}

TEST_F(NameListTest, AWorkbookWithoutTextIsRefused) {
    ASSERT_TRUE(WriteTextXlsx(dir.filePath("blank.xlsx"), "空", {{0, 0, "  "}, {3, 3, "\u3000"}}));
    EXPECT_FALSE(list.importWorkbookFile(dir.filePath("blank.xlsx")));
    EXPECT_EQ(dialogs.messages(), QStringList({"无法读取该EXCEL文件：所有工作表中都没有文字。"}));
    EXPECT_FALSE(list.workbookLoaded());
    EXPECT_EQ(list.status(), namelist_text::kImportFirst);
}

TEST_F(NameListTest, AWorkbookWithoutSheetsIsRefused) {
    auto parts = MinimalXlsxParts("worksheets/sheet1.xml", "");
    parts[1].second.replace(QByteArray("<sheet name=\"名单\" sheetId=\"1\" r:id=\"rId7\"/>"), "");
    ASSERT_TRUE(WriteZip(dir.filePath("nosheets.xlsx"), parts));
    EXPECT_FALSE(list.importWorkbookFile(dir.filePath("nosheets.xlsx")));
    EXPECT_EQ(dialogs.messages(), QStringList({"无法读取该EXCEL文件：工作簿中没有工作表。"}));
    EXPECT_FALSE(list.workbookLoaded());
}

TEST_F(NameListTest, OpeningAnotherSheetKeepsTheName) {
    ASSERT_TRUE(list.importWorkbookFile(roster()));
    list.chooseCell(1, 0);
    ASSERT_TRUE(list.openSheet(1));
    EXPECT_EQ(list.currentSheet(), 1);
    EXPECT_EQ(list.extent(), (GridExtent{1, 0}));
    EXPECT_EQ(list.currentName(), "张三");
    EXPECT_EQ(list.status(), kCropSheetRead);
    // The empty sheet gives an empty grid where every click does nothing.
    ASSERT_TRUE(list.openSheet(2));
    EXPECT_EQ(list.extent().rowCount(), 0);
    list.chooseCell(0, 0);
    EXPECT_EQ(list.currentName(), "张三");
    EXPECT_FALSE(list.openSheet(3));
}

TEST_F(NameListTest, PurposeRewritesTheStatusWhenAWorkbookIsLoaded) {
    list.setPurpose(NameListPurpose::Photo);
    EXPECT_EQ(list.status(), namelist_text::kImportFirst);
    ASSERT_TRUE(list.importWorkbookFile(roster()));
    list.setPurpose(NameListPurpose::Photo);
    EXPECT_EQ(list.status(), kPhotoSheetRead);
    list.chooseCell(2, 0);
    list.setPurpose(NameListPurpose::Photo);
    EXPECT_EQ(list.status(), "以“李四”命名即将拍照的图片，如截图多幅加序号区分。");
    list.setPurpose(NameListPurpose::Crop);
    EXPECT_EQ(list.status(), "以“李四”命名即将截取的图片，如截图多幅加序号区分。");
}

TEST_F(NameListTest, DestroyClearsTheNameAndReleasesTheBook) {
    ASSERT_TRUE(list.importWorkbookFile(roster()));
    list.chooseCell(1, 0);
    list.destroy();
    EXPECT_FALSE(list.workbookLoaded());
    EXPECT_EQ(list.currentName(), "");
    EXPECT_EQ(host.names, QStringList({"张三", ""}));
    EXPECT_EQ(list.gridText(1, 0), "");
}

TEST(NameListTexts, CaptionsByPurpose) {
    EXPECT_EQ(NameListCaption(NameListPurpose::Crop), "导入EXCEL，按所选单元格文字命名即将截取的图片");
    EXPECT_EQ(NameListCaption(NameListPurpose::Photo), "导入EXCEL，按所选单元格文字命名即将拍照的图片");
    EXPECT_EQ(NameListCaption(NameListPurpose::None), std::nullopt);
    EXPECT_EQ(AutoNextRowCaption(NameListPurpose::Crop), "截图后自动跳到下一行");
    EXPECT_EQ(AutoNextRowCaption(NameListPurpose::Photo), "拍照后自动跳到下一行");
    EXPECT_EQ(AutoNextRowCaption(NameListPurpose::None), std::nullopt);
}

}  // namespace

// With both modes on (the menu's 拍摄 keeps batch crop on), the list serves batch crop.
TEST(NameListPurposeFor, BatchCropComesFirst) {
    EXPECT_EQ(NameListPurposeFor(true, true), NameListPurpose::Crop);
    EXPECT_EQ(NameListPurposeFor(true, false), NameListPurpose::Crop);
    EXPECT_EQ(NameListPurposeFor(false, true), NameListPurpose::Photo);
    EXPECT_EQ(NameListPurposeFor(false, false), NameListPurpose::None);
}
