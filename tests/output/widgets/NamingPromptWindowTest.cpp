#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ScriptedDialogs.h"
#include "TypeText.h"
#include "output/widgets/NamingPromptWindow.h"

using namespace picura;

namespace {

using test::Type;

const QByteArray kPicture("the crop just written");

class NamingPromptWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QFont font(QStringLiteral("Noto Sans CJK SC"));  // the program's own font
        font.setPixelSize(12);
        QApplication::setFont(font);
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath("settings"));
        ASSERT_TRUE(QDir(dir.path()).mkpath("out"));
        ASSERT_TRUE(QDir(dir.path()).mkpath("quick"));
        in.batchMode = true;
        in.batchSaveFolder = dir.filePath("out");
        in.batchFormat = ".JPG";
        in.quickShootSaveFolder = dir.filePath("quick");
        in.quickShootFormat = ".PNG";
        in.temporaryPath = dir.filePath("settings/临时C.jpg");
        writeTemporary();
    }
    void writeTemporary() {
        QFile f(in.temporaryPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kPicture);
    }
    std::unique_ptr<NamingPromptWindow> open() {
        auto w = std::make_unique<NamingPromptWindow>(
            in, dialogs, [this] { ++opened; }, [this] { ++closed; });
        w->show();
        return w;
    }
    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString out(const QString& name) const { return dir.filePath("out/" + name); }

    QTemporaryDir dir;
    NamingPromptInputs in;
    test::ScriptedDialogs dialogs;
    int opened = 0;
    int closed = 0;
};

TEST_F(NamingPromptWindowTest, CaptionByModeAndDesignedLayout) {
    auto w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("请为刚才截图命名（不需填写扩展名）"));
    EXPECT_EQ(w->size(), QSize(334, 55));
    EXPECT_EQ(w->nameBox()->geometry(), QRect(8, 10, 230, 36));
    EXPECT_EQ(w->nameBox()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(w->nameBox()->font().pixelSize(), 19);
    EXPECT_EQ(w->okButton()->geometry(), QRect(248, 11, 76, 32));
    EXPECT_EQ(w->okButton()->text(), QStringLiteral("确定"));
    EXPECT_TRUE(w->nameBox()->text().isEmpty());
    EXPECT_LE(w->okButton()->fontMetrics().horizontalAdvance(w->okButton()->text()) + 8,
              w->okButton()->width());
    EXPECT_LE(w->nameBox()->fontMetrics().height(), w->nameBox()->height() - 4);

    if (const QByteArray shots = qgetenv("PICURA_WINDOW_SHOTS"); !shots.isEmpty()) {
        Type(w->nameBox(), QStringLiteral("张三丰2024"));
        w->grab().save(QString::fromLocal8Bit(shots) + "/windows-naming-prompt.png");
    }

    EXPECT_EQ(NamingPromptWindow::CaptionFor(false, true),
              QStringLiteral("请为刚才拍照命名（不需填写扩展名）"));
    EXPECT_EQ(NamingPromptWindow::CaptionFor(true, true),
              QStringLiteral("请为刚才截图命名（不需填写扩展名）"));
    EXPECT_TRUE(NamingPromptWindow::CaptionFor(false, false).isEmpty());
}

TEST_F(NamingPromptWindowTest, ButtonSavesTrimmedNameWithoutTypedExtensionAndDeletesTheTemporaryFile) {
    auto w = open();
    Type(w->nameBox(), QStringLiteral(" 赵六.JPG "));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);

    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->savedPath(), out("赵六.jpg"));
    EXPECT_EQ(contents(out("赵六.jpg")), kPicture);
    EXPECT_FALSE(QFile::exists(in.temporaryPath));
}

TEST_F(NamingPromptWindowTest, EnterConfirmsOnceAndTakenNameGetsDashOne) {
    QFile taken(out("王五.jpg"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();

    auto w = open();
    Type(w->nameBox(), QStringLiteral("王五"));
    QTest::keyClick(w->nameBox(), Qt::Key_Return);

    // A second confirm would find no temporary file and say so.
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(contents(out(QStringLiteral("王五—1.jpg"))), kPicture);
    EXPECT_EQ(contents(out("王五.jpg")), QByteArray());
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("王五—2.jpg"))));
    EXPECT_FALSE(QFile::exists(in.temporaryPath));
}

TEST_F(NamingPromptWindowTest, EnterAndButtonRemoveExtensionTextsInTheirOwnOrders) {
    // ".bm.jpgp": the button removes .bmp first (none yet) and is left with
    // ".bmp"; Enter removes .jpg first, which makes a .bmp it then removes.
    auto byButton = open();
    Type(byButton->nameBox(), QStringLiteral(".bm.jpgp"));
    QTest::mouseClick(byButton->okButton(), Qt::LeftButton);
    EXPECT_EQ(byButton->savedPath(), out(".bmp.jpg"));

    writeTemporary();
    auto byEnter = open();
    Type(byEnter->nameBox(), QStringLiteral(".bm.jpgp"));
    QTest::keyClick(byEnter->nameBox(), Qt::Key_Enter);
    EXPECT_EQ(byEnter->savedPath(), out(".jpg"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NamingPromptWindowTest, EmptyNameIsRefusedAndTheWindowStaysOpen) {
    auto w = open();
    Type(w->nameBox(), QStringLiteral("   "));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    QTest::keyClick(w->nameBox(), Qt::Key_Return);

    ASSERT_EQ(dialogs.messages(), QStringList({"新照片命名不能为空。", "新照片命名不能为空。"}));
    EXPECT_EQ(dialogs.lastMessage()->title, QStringLiteral("提示"));
    EXPECT_EQ(dialogs.lastMessage()->icon, MessageIcon::Information);
    EXPECT_EQ(dialogs.lastMessage()->buttons, MessageButtons::Ok);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->nameBox()->text(), QStringLiteral("   "));
    EXPECT_EQ(contents(in.temporaryPath), kPicture);
    EXPECT_EQ(QDir(dir.filePath("out")).entryList(QDir::Files), QStringList());
    EXPECT_EQ(closed, 0);
}

TEST_F(NamingPromptWindowTest, FailedCopyKeepsTheTemporaryFileAndTellsTheOperator) {
    ASSERT_TRUE(QDir(dir.filePath("out")).removeRecursively());
    auto w = open();
    Type(w->nameBox(), QStringLiteral("李四"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);

    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.lastMessage()->text.contains(in.temporaryPath))
        << qPrintable(dialogs.lastMessage()->text);
    EXPECT_TRUE(dialogs.lastMessage()->text.contains(QStringLiteral("保存目录不存在")));
    EXPECT_EQ(dialogs.lastMessage()->icon, MessageIcon::Warning);
    EXPECT_EQ(contents(in.temporaryPath), kPicture);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->savedPath().isEmpty());

    // Another try once the folder is back saves the kept picture.
    ASSERT_TRUE(QDir(dir.path()).mkpath("out"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(contents(out("李四.jpg")), kPicture);
    EXPECT_FALSE(QFile::exists(in.temporaryPath));
}

TEST_F(NamingPromptWindowTest, QuickShootModeSavesIntoTheQuickShootFolderAndFormat) {
    in.batchMode = false;
    in.quickShootMode = true;
    auto w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("请为刚才拍照命名（不需填写扩展名）"));
    Type(w->nameBox(), QStringLiteral("photo"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(contents(dir.filePath("quick/photo.png")), kPicture);
}

TEST_F(NamingPromptWindowTest, NoTargetFolderSavesNothingAnywhere) {
    in.batchSaveFolder.clear();
    auto w = open();
    Type(w->nameBox(), QStringLiteral("x"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.lastMessage()->text.contains(in.temporaryPath));
    EXPECT_EQ(contents(in.temporaryPath), kPicture);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(NamingPromptWindowTest, KeysAreReleasedOnOpenAndTakenBackOnceOnCloseInBatchMode) {
    {
        auto w = open();
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(closed, 0);
        w->close();  // the close box
        EXPECT_EQ(w->result(), QDialog::Rejected);
        EXPECT_EQ(closed, 1);
        EXPECT_EQ(contents(in.temporaryPath), kPicture);  // kept for the next prompt save
    }
    EXPECT_EQ(closed, 1);

    auto confirmed = open();
    Type(confirmed->nameBox(), QStringLiteral("a"));
    QTest::mouseClick(confirmed->okButton(), Qt::LeftButton);
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(closed, 2);

    // Quick shoot: the keys stay released.
    in.batchMode = false;
    in.quickShootMode = true;
    auto quick = open();
    quick->close();
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(closed, 2);
}

}  // namespace
