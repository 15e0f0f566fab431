#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "FakeNameListHost.h"
#include "ScriptedDialogs.h"
#include "WorkbookFixtures.h"
#include "namelist/widgets/NameListWindow.h"

using namespace picura;
using namespace picura::test;

namespace {

class NameListWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(WriteRosterXlsx(roster()));
    }
    QString roster() const { return dir.filePath("roster.xlsx"); }

    // Opens the window and imports a file through the button.
    std::unique_ptr<NameListWindow> openWith(const QString& file) {
        auto w = std::make_unique<NameListWindow>(host, dialogs);
        w->show();
        dialogs.paths.push_back(file);
        QTest::mouseClick(w->importButton(), Qt::LeftButton);
        return w;
    }
    // Clicks grid cell (row, column) as the operator does.
    static void clickCell(NameListWindow& w, int row, int column) {
        QTableView* grid = w.nameGrid();
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        ASSERT_TRUE(cell.isValid());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static void clickItem(QTreeWidget* tree, QTreeWidgetItem* item) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }

    QTemporaryDir dir;
    FakeNameListHost host;
    ScriptedDialogs dialogs;
};

TEST_F(NameListWindowTest, CreatedWithItsComponentsAndThePurposeWording) {
    NameListWindow w(host, dialogs);
    EXPECT_EQ(w.windowTitle(), "导入EXCEL，按所选单元格文字命名即将截取的图片");
    EXPECT_EQ(w.autoNextRowBox()->text(), "截图后自动跳到下一行");
    EXPECT_FALSE(w.autoNextRow());
    EXPECT_EQ(w.importButton()->text(), "导入EXCEL文件");
    EXPECT_EQ(w.importButton()->geometry(), QRect(8, 4, 128, 28));
    EXPECT_EQ(w.size(), QSize(414, 466));
    EXPECT_EQ(w.pos().x(), 0);
    EXPECT_EQ(w.statusPane()->text(), "请先导入EXCEL文件，再点击有文字的单元格。");
    for (const char* name : {"导入EXCEL按钮", "自动下一行选择框", "工作表树", "导入高表", "命名状态条"}) {
        EXPECT_TRUE(w.findChild<QWidget*>(QString::fromUtf8(name))) << name;
    }

    host.purpose = NameListPurpose::Photo;
    NameListWindow photo(host, dialogs);
    EXPECT_EQ(photo.windowTitle(), "导入EXCEL，按所选单元格文字命名即将拍照的图片");
    EXPECT_EQ(photo.autoNextRowBox()->text(), "拍照后自动跳到下一行");
    photo.setPurpose(NameListPurpose::Crop);
    EXPECT_EQ(photo.windowTitle(), "导入EXCEL，按所选单元格文字命名即将截取的图片");
    EXPECT_EQ(photo.autoNextRowBox()->text(), "截图后自动跳到下一行");

    host.purpose = NameListPurpose::None;
    NameListWindow none(host, dialogs);
    EXPECT_EQ(none.windowTitle(), "导入EXCEL，按所选单元格文字命名即将拍照的图片");
    EXPECT_EQ(none.autoNextRowBox()->text(), "拍照后自动跳到下一行");
}

TEST_F(NameListWindowTest, LayoutKeepsTreeGridAndCheckBoxFitted) {
    const NameListGeometry g = LayoutNameList({414, 466});
    EXPECT_EQ(g.tree, QRect(8, 36, 128, 404));
    EXPECT_EQ(g.grid, QRect(144, 36, 261, 404));
    EXPECT_EQ(g.autoNextRow.left(), 266);
    NameListWindow w(host, dialogs);
    EXPECT_EQ(w.nameGrid()->geometry(), g.grid);
    EXPECT_EQ(w.autoNextRowBox()->geometry(), QRect(266, 8, 140, 24));
    w.show();
    w.resize(600, 500);
    ASSERT_EQ(w.size(), QSize(600, 500));
    EXPECT_EQ(w.sheetTree()->geometry(), QRect(8, 36, 128, 438));
    EXPECT_EQ(w.nameGrid()->geometry(), QRect(144, 36, 447, 438));
    EXPECT_EQ(w.autoNextRowBox()->geometry().left(), 452);
    EXPECT_EQ(w.importButton()->geometry(), QRect(8, 4, 128, 28));
    EXPECT_EQ(w.findChild<QStatusBar*>()->geometry().bottom(), 499);
}

TEST_F(NameListWindowTest, ImportListsTheSheetsAndFillsTheGrid) {
    auto w = openWith(roster());
    QTreeWidget* tree = w->sheetTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), "roster.xlsx");
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 3);
    EXPECT_EQ(root->child(1)->text(0), "二年级");
    EXPECT_EQ(root->child(2)->data(0, Qt::UserRole).toInt(), 2);
    EXPECT_EQ(tree->currentItem(), root->child(0));

    QTableView* grid = w->nameGrid();
    EXPECT_EQ(grid->model()->rowCount(), 6);
    EXPECT_EQ(grid->model()->columnCount(), 3);
    EXPECT_EQ(grid->model()->index(5, 0).data().toString(), "Émile");
    EXPECT_FALSE(grid->model()->index(1, 1).data().isValid());
    // Columns as wide as their widest text in the 11-point measuring font, at least 32.
    QFont font = w->font();
    font.setFamilies({"宋体", "SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC"});
    font.setPointSize(11);
    const QFontMetrics m(font);
    EXPECT_EQ(grid->columnWidth(0), std::max({32, m.horizontalAdvance("  王五\t "),
                                              m.horizontalAdvance("Émile"), m.horizontalAdvance("姓名")}));
    EXPECT_EQ(grid->columnWidth(1), std::max(32, m.horizontalAdvance("学号")));
    EXPECT_GE(grid->columnWidth(2), 32);
    EXPECT_EQ(w->statusPane()->text(), "请点击有文字的单元格，以其文字命名即将截取的图片。");
    // The wait pointer showed while the sheet was read, and is gone.
    EXPECT_TRUE(host.waitPointerWhenRead);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(NameListWindowTest, ClickingACellChoosesItsName) {
    auto w = openWith(roster());
    clickCell(*w, 3, 0);
    EXPECT_EQ(w->currentName(), "王五");
    EXPECT_EQ(w->statusPane()->text(), "以“王五”命名即将截取的图片，如截图多幅加序号区分。");

    // A click right of the last column or below the last row does nothing.
    QTableView* grid = w->nameGrid();
    const int right = grid->columnViewportPosition(2) + grid->columnWidth(2) + 5;
    ASSERT_LT(right, grid->viewport()->width());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(right, 5));
    const int below = grid->rowViewportPosition(5) + grid->rowHeight(5) + 5;
    ASSERT_LT(below, grid->viewport()->height());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(5, below));
    EXPECT_EQ(w->currentName(), "王五");
    EXPECT_EQ(w->statusPane()->text(), "以“王五”命名即将截取的图片，如截图多幅加序号区分。");
}

TEST_F(NameListWindowTest, OnlyAMouseChoiceOfASheetShowsIt) {
    auto w = openWith(roster());
    QTreeWidget* tree = w->sheetTree();
    QTreeWidgetItem* root = tree->topLevelItem(0);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(tree->currentItem(), root->child(1));
    EXPECT_EQ(w->nameGrid()->model()->rowCount(), 6);

    clickItem(tree, root->child(1));  // already current: no change
    EXPECT_EQ(w->nameGrid()->model()->rowCount(), 6);
    clickItem(tree, root->child(0));
    clickItem(tree, root->child(1));
    EXPECT_EQ(w->nameGrid()->model()->rowCount(), 2);
    EXPECT_EQ(w->nameGrid()->model()->index(0, 0).data().toString(), "钱七");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The workbook item shows nothing new.
    clickItem(tree, root);
    EXPECT_EQ(w->nameList().currentSheet(), 1);
    EXPECT_EQ(w->nameGrid()->model()->rowCount(), 2);
}

TEST_F(NameListWindowTest, AdvanceMovesTheGridCursor) {
    std::vector<TextCell> cells;
    for (int r = 0; r < 30; ++r) {
        cells.push_back({r, 0, QStringLiteral("学生%1").arg(r + 1)});
    }
    ASSERT_TRUE(WriteTextXlsx(dir.filePath("thirty.xlsx"), "名单", cells));
    auto w = openWith(dir.filePath("thirty.xlsx"));
    clickCell(*w, 4, 0);
    EXPECT_EQ(w->currentName(), "学生5");
    w->advanceNameRow();
    EXPECT_EQ(w->currentName(), "学生6");
    EXPECT_EQ(w->nameGrid()->currentIndex().row(), 5);
    EXPECT_EQ(w->statusPane()->text(), "以“学生6”命名即将截取的图片，如截多幅加序号区分。");
    w->nameGrid()->scrollToBottom();
    clickCell(*w, 29, 0);
    w->advanceNameRow();
    EXPECT_EQ(dialogs.messages(), QStringList({"EXCEL光标已处于最后一行"}));
    EXPECT_EQ(w->nameGrid()->currentIndex().row(), 29);
    EXPECT_EQ(w->currentName(), "学生30");
}

TEST_F(NameListWindowTest, AFailedImportLeavesTheWindowAsItWas) {
    auto w = openWith(roster());
    clickCell(*w, 1, 0);
    QFile bad(dir.filePath("fake.xls"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4096, 'x'));
    bad.close();
    dialogs.paths.push_back(bad.fileName());
    QTest::mouseClick(w->importButton(), Qt::LeftButton);
    EXPECT_EQ(dialogs.messages(), QStringList({"无法读取该EXCEL文件：该文件不是EXCEL工作簿。"}));
    EXPECT_EQ(w->sheetTree()->topLevelItem(0)->text(0), "roster.xlsx");
    EXPECT_EQ(w->nameGrid()->model()->rowCount(), 6);
    EXPECT_EQ(w->currentName(), "张三");
    EXPECT_EQ(w->statusPane()->text(), "以“张三”命名即将截取的图片，如截图多幅加序号区分。");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(NameListWindowTest, ClosingReleasesTheWorkbookAndTellsTheHost) {
    auto w = openWith(roster());
    clickCell(*w, 2, 0);
    w->close();
    EXPECT_EQ(host.closed, 1);
    EXPECT_FALSE(w->workbookLoaded());
    EXPECT_EQ(w->currentName(), "");
    EXPECT_EQ(host.names.last(), "");
    w.reset();
    EXPECT_EQ(host.closed, 1);
}

// How fast they fill is measured by the name-list benchmark, not here.
TEST_F(NameListWindowTest, LargeAndWideSheetsFillWhole) {
    std::vector<TextCell> cells;
    for (int r = 0; r < 5000; ++r) {
        cells.push_back({r, 0, QStringLiteral("学生%1").arg(r + 1)});
        cells.push_back({r, 1, QStringLiteral("%1班").arg(r % 12 + 1)});
    }
    ASSERT_TRUE(WriteTextXlsx(dir.filePath("big.xlsx"), "全校", cells));
    auto w = openWith(dir.filePath("big.xlsx"));
    EXPECT_EQ(w->nameGrid()->model()->rowCount(), 5000);

    // A staircase reaching every column of the sheet: 53 million cells in the
    // grid's rectangle, a few thousand stored.
    std::vector<TextCell> stairs;
    for (int i = 0; i * 5 < 16384; ++i) {
        stairs.push_back({i, i * 5, "x"});
    }
    ASSERT_TRUE(WriteTextXlsx(dir.filePath("stairs.xlsx"), "s", stairs));
    dialogs.paths.push_back(dir.filePath("stairs.xlsx"));
    QTest::mouseClick(w->importButton(), Qt::LeftButton);
    EXPECT_EQ(w->nameGrid()->model()->columnCount(), 16381);
}

TEST_F(NameListWindowTest, ReadingASheetRunsNoOtherHandler) {
    // A close queued before the import must not run while the workbook is read.
    dialogs.paths.push_back(roster());
    bool closedDuringRead = false;
    struct ReadWatch : FakeNameListHost {
        bool* flag = nullptr;
        const NameListWindow* window = nullptr;
        NameListPurpose nameListPurpose() const override {
            if (window && !window->isVisible()) {
                *flag = true;
            }
            return FakeNameListHost::nameListPurpose();
        }
    };
    ReadWatch watch;
    watch.flag = &closedDuringRead;
    auto watched = std::make_unique<NameListWindow>(watch, dialogs);
    watch.window = watched.get();
    watched->show();
    QMetaObject::invokeMethod(watched.get(), &QWidget::close, Qt::QueuedConnection);
    watched->importWorkbook();
    EXPECT_FALSE(closedDuringRead);
    EXPECT_TRUE(watched->workbookLoaded());
    QTRY_COMPARE(watch.closed, 1);
    EXPECT_FALSE(watched->workbookLoaded());
}

TEST_F(NameListWindowTest, ClosingWhileARefusalShowsIsSafe) {
    // The message box runs its own event loop: the window may close meanwhile.
    struct ClosingDialogs : ScriptedDialogs {
        QWidget* window = nullptr;
        MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                              MessageButtons buttons) override {
            window->close();
            return ScriptedDialogs::message(text, title, icon, buttons);
        }
    };
    ClosingDialogs closing;
    NameListWindow w(host, closing);
    w.show();
    ASSERT_TRUE(WriteTextXlsx(dir.filePath("a.xlsx"), "a", {{0, 0, "甲"}}));
    closing.paths.push_back(dir.filePath("a.xlsx"));
    w.importWorkbook();
    closing.window = &w;
    closing.paths.push_back(dir.filePath("missing.xlsx"));
    w.importWorkbook();
    EXPECT_EQ(closing.messages(), QStringList({"无法读取该EXCEL文件：文件无法打开。"}));
    EXPECT_EQ(host.closed, 1);
    EXPECT_FALSE(w.workbookLoaded());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
