// Batch crop named after an Excel roster: the Name list window opened by the batch controller, the
// names of the saved crops, the next row after each save and the stops before a save.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FakeMainPort.h"
#include "ScriptedDialogs.h"
#include "TestImages.h"
#include "WorkbookFixtures.h"
#include "app/BatchController.h"
#include "app/widgets/HintStatusBar.h"
#include "app/widgets/MainWindow.h"
#include "app/widgets/NameListController.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "namelist/widgets/NameListWindow.h"
#include "platform/testing/FakeKeyGrabber.h"
#include "settings/SettingsStore.h"

using namespace picura;

namespace {

// The batch port of the Main window as far as the roster goes: the Name list through the controller.
class RosterPort : public BatchPort {
  public:
    explicit RosterPort(NameListController& list) : list_(list) {}
    void setCaption(const QString& c) override { caption = c; }
    void setBatchChecked(bool) override {}
    void openBatchSettings(bool modal) override { settingsOpened.push_back(modal); }
    void setPixelTexts(const QString&, const QString&) override {}
    QString jpgText() const override { return QStringLiteral("500"); }
    void setJpgText(const QString&) override {}
    void registerKeys() override {}
    void unregisterKeys() override {}
    void untickEditTools() override {}
    bool openNameList() override {
        ++opened;
        return list_.open();
    }
    NameListState nameList() const override { return list_.state(); }
    bool nameListAutoNextRow() const override { return list_.autoNextRow(); }
    void advanceNameRow() override { list_.advanceRow(); }
    void focusNameList() override { ++focused; }

    QString caption;
    std::vector<bool> settingsOpened;
    int opened = 0;
    int focused = 0;

  private:
    NameListController& list_;
};

class RosterBatchTest : public ::testing::Test {
  protected:
    RosterBatchTest() {
        for (const char* sub : {"in", "out", "settings"}) {
            QDir(root.path()).mkpath(QString::fromLatin1(sub));
        }
        for (const char* name : {"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}) {
            test::MakePhotoLike(320, 240, name[1]).save(root.filePath(QStringLiteral("in/") + name));
        }
        batch.setSettingsFolder(root.filePath(QStringLiteral("settings")));
        session.frame = CropFrame{40, 20, 120, 160};
        // Three names, and a header row above them.
        test::WriteTextXlsx(roster(), QStringLiteral("名单"),
                            {{0, 0, QStringLiteral("姓名")},
                             {1, 0, QStringLiteral("张三")},
                             {2, 0, QStringLiteral(" 李四\t")},
                             {3, 0, QStringLiteral("王五")}});
    }
    ~RosterBatchTest() override { list.close(); }

    QString roster() const { return root.filePath(QStringLiteral("名单.xlsx")); }
    QString out(const QString& name) const { return root.filePath(QStringLiteral("out/") + name); }
    QStringList saved() const {
        return QDir(root.filePath(QStringLiteral("out"))).entryList(QDir::Files, QDir::Name);
    }

    // 确定 of the settings window with the Excel naming: the batch starts, then the list opens.
    void startWithRoster() {
        BatchSettingsResult r;
        r.sourceFolder = root.filePath(QStringLiteral("in"));
        r.saveFolder = root.filePath(QStringLiteral("out"));
        r.formatText = QStringLiteral(".JPG");
        r.namingIndex = IndexOfMode(BatchNamingEntries(), NamingMode::ExcelCell);
        r.mode = NamingMode::ExcelCell;
        batch.applySettings(r);
        port.openNameList();
    }
    NameListWindow& window() {
        NameListWindow* w = list.window();
        EXPECT_NE(w, nullptr);
        return *w;
    }
    void importRoster() {
        dialogs.paths.push_back(roster());
        QTest::mouseClick(window().importButton(), Qt::LeftButton);
    }
    void clickCell(int row, int column) {
        QTableView* grid = window().nameGrid();
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        ASSERT_TRUE(cell.isValid());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }

    QTemporaryDir root;
    Session session;
    ViewBoards boards{QSize(411, 279)};
    test::ScriptedDialogs dialogs;
    test::FakeMainPort mainPort;
    SaveRoad road{dialogs};
    MainActions actions{session, boards, dialogs, mainPort};
    NameListController list{
        dialogs, [this] { return batch.active() ? NameListPurpose::Crop : NameListPurpose::None; }};
    RosterPort port{list};
    BatchController batch{session, boards, actions, dialogs, port, road};
};

TEST_F(RosterBatchTest, SavesFollowTheRosterRowByRowUntilTheLastRow) {
    startWithRoster();
    ASSERT_TRUE(list.isOpen());
    EXPECT_EQ(window().windowTitle(), QStringLiteral("导入EXCEL，按所选单元格文字命名即将截取的图片"));
    EXPECT_EQ(window().autoNextRowBox()->text(), QStringLiteral("截图后自动跳到下一行"));
    importRoster();
    ASSERT_TRUE(window().workbookLoaded());
    window().autoNextRowBox()->setChecked(true);
    clickCell(1, 0);
    EXPECT_EQ(list.state().currentName, QStringLiteral("张三"));

    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("张三.jpg")));
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：p1.jpg  已截图"));
    batch.onNavigationKey(true);
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("李四.jpg")));
    batch.onNavigationKey(true);
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("王五.jpg")));
    EXPECT_EQ(saved(), (QStringList{QStringLiteral("张三.jpg"), QStringLiteral("李四.jpg"),
                                    QStringLiteral("王五.jpg")}));
    EXPECT_EQ(window().nameGrid()->currentIndex().row(), 3);
    // The third save was on the last row: told, and the name stays for the next picture.
    EXPECT_EQ(dialogs.messages().last(), QStringLiteral("EXCEL光标已处于最后一行"));
    EXPECT_EQ(dialogs.lastMessage()->title, QStringLiteral("提示："));
    batch.onNavigationKey(true);
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("王五—1.jpg")));
    EXPECT_EQ(port.opened, 1);
}

TEST_F(RosterBatchTest, WithoutTheAutoNextRowBoxTheNameStays) {
    startWithRoster();
    importRoster();
    clickCell(2, 0);
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("李四.jpg")));
    batch.onNavigationKey(true);
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("李四—1.jpg")));
    EXPECT_EQ(window().nameGrid()->currentIndex().row(), 2);
    EXPECT_TRUE(dialogs.messages().filter(QStringLiteral("最后一行")).isEmpty());
}

TEST_F(RosterBatchTest, TheStopsBeforeASaveWriteNothing) {
    startWithRoster();
    // The operator closes the list: the next save asks whether to keep the naming; No opens the
    // settings window, not modal.
    window().close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(list.isOpen());
    EXPECT_FALSE(port.nameList().windowOpen);
    dialogs.answers.push_back(MessageAnswer::No);
    EXPECT_TRUE(batch.batchSave().isEmpty());
    EXPECT_EQ(dialogs.messages().last(),
              QStringLiteral("当前批量命名方式需导入EXCEL文件，是否沿用此命名方式？"));
    EXPECT_EQ(port.settingsOpened, std::vector<bool>{false});
    EXPECT_FALSE(list.isOpen());

    // Yes opens the list again, with the crop wording.
    dialogs.answers.push_back(MessageAnswer::Yes);
    EXPECT_TRUE(batch.batchSave().isEmpty());
    ASSERT_TRUE(list.isOpen());
    EXPECT_EQ(window().windowTitle(), QStringLiteral("导入EXCEL，按所选单元格文字命名即将截取的图片"));

    // Open, nothing imported: told, and the list gets the focus.
    EXPECT_TRUE(batch.batchSave().isEmpty());
    EXPECT_EQ(dialogs.messages().last(), QStringLiteral("请先导入EXCEL文件。"));
    EXPECT_EQ(port.focused, 1);

    // Imported, no cell chosen; then an empty cell chosen.
    importRoster();
    EXPECT_TRUE(batch.batchSave().isEmpty());
    EXPECT_EQ(dialogs.messages().last(), QStringLiteral("请先点击有文字的单元格作为图片命名，再截图。"));
    EXPECT_TRUE(saved().isEmpty());
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：p1.jpg  未截图"));
}

TEST_F(RosterBatchTest, ResumingWithTheRosterNamingOpensOneWindowAndClosingForgetsTheWorkbook) {
    startWithRoster();
    importRoster();
    clickCell(1, 0);
    NameListWindow* first = list.window();
    // Opening again while it is open keeps the same window (and its name).
    port.openNameList();
    EXPECT_EQ(list.window(), first);
    EXPECT_EQ(list.state().currentName, QStringLiteral("张三"));

    list.close();
    EXPECT_EQ(port.nameList().windowOpen, false);
    EXPECT_EQ(port.nameList().workbookLoaded, false);
    EXPECT_TRUE(port.nameList().currentName.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A new run resumes the kept batch: the list opens by itself.
    batch.switchOff();
    batch.settings().keepSettings = true;
    dialogs.answers.push_back(MessageAnswer::Yes);
    batch.onStatusLeftPress(500, 586);
    ASSERT_TRUE(batch.active());
    EXPECT_TRUE(list.isOpen());
    EXPECT_FALSE(list.state().workbookLoaded);
}

// The Name list windows that are open now (top-level, not yet closed).
QList<NameListWindow*> OpenNameLists() {
    QList<NameListWindow*> open;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* list = qobject_cast<NameListWindow*>(w); list && list->isVisible()) {
            open << list;
        }
    }
    return open;
}

TEST(MainWindowRoster, ResumedRosterBatchOpensTheListAndAnotherNamingOrClosingTheProgramClosesIt) {
    QTemporaryDir programDir, configDir, photos;
    for (const char* sub : {"in", "out"}) {
        QDir(photos.path()).mkpath(QString::fromLatin1(sub));
    }
    test::MakePhotoLike(320, 240).save(photos.filePath(QStringLiteral("in/p1.jpg")));
    test::ScriptedDialogs dialogs;
    MainWindow::Services services;
    services.dialogs = &dialogs;
    services.keyGrabber = [] { return std::make_unique<picura::testing::FakeKeyGrabber>(); };
    services.programFolder = programDir.path();
    services.fallbackSettingsBase = configDir.path();
    MainWindow w(services);
    w.start();
    w.show();
    // The frame size batch crop resumes with.
    SettingsStore store(w.settingsFolder() + QLatin1Char('/') + ini::kSettingsFileName);
    store.write(ini::kBatchSection, ini::kPixelWidth, QStringLiteral("160"));
    store.write(ini::kBatchSection, ini::kPixelHeight, QStringLiteral("210"));
    ModeSettings& kept = w.batch().settings();
    kept.sourceFolder = photos.filePath(QStringLiteral("in"));
    kept.saveFolder = photos.filePath(QStringLiteral("out"));
    kept.namingIndex = IndexOfMode(BatchNamingEntries(), NamingMode::ExcelCell);
    kept.keepSettings = true;

    // Batch crop resumed with the roster naming: one list, with the crop wording.
    dialogs.answers.push_back(MessageAnswer::Yes);
    w.batch().onStatusLeftPress(500, 586);
    ASSERT_TRUE(w.batch().active());
    ASSERT_EQ(OpenNameLists().size(), 1);
    EXPECT_EQ(OpenNameLists().front()->windowTitle(),
              QStringLiteral("导入EXCEL，按所选单元格文字命名即将截取的图片"));

    // The settings window (right click on the check-box pane): another naming closes the list.
    bool sawSettings = false;
    qsizetype listsAfterChange = -1;
    QTimer changer;
    QObject::connect(&changer, &QTimer::timeout, [&] {
        if (auto* dlg = qobject_cast<BatchSettingsWindow*>(QApplication::activeModalWidget())) {
            sawSettings = true;
            dlg->namingBox()->setCurrentIndex(IndexOfMode(BatchNamingEntries(), NamingMode::Sequence));
            listsAfterChange = OpenNameLists().size();
            dlg->close();
        }
    });
    changer.start(10);
    QTest::mouseClick(w.hintBar(), Qt::RightButton, {}, QPoint(480, 10));
    changer.stop();
    ASSERT_TRUE(sawSettings);
    EXPECT_EQ(listsAfterChange, 0);

    // Opened again; closing the Main window closes it too, or the program would keep running.
    w.batch().settings().namingIndex = IndexOfMode(BatchNamingEntries(), NamingMode::ExcelCell);
    dialogs.answers.push_back(MessageAnswer::Yes);
    w.batch().batchSave();
    ASSERT_EQ(OpenNameLists().size(), 1);
    w.close();
    EXPECT_TRUE(OpenNameLists().isEmpty());
}

}  // namespace
