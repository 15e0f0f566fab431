#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ScriptedDialogs.h"
#include "TypeText.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "settings/IniFile.h"

using namespace picura;

namespace {

using test::Type;

const QString kMissing = QStringLiteral("<missing>");
const QStringList kTenKeys{ini::kNamingMode,   ini::kCustomPrefix, ini::kFormat,       ini::kSaveFolder,
                           ini::kSourceFolder, ini::kCropSound,    ini::kKeepSettings, ini::kPixelWidth,
                           ini::kPixelHeight,  ini::kJpgSize};

// Whether a caption shows whole in its component. A push button's size hint
// has a style minimum, so for buttons the text and its margins are measured.
bool TextFits(const QWidget* c, const QString& text) {
    if (qobject_cast<const QPushButton*>(c)) {
        return c->fontMetrics().horizontalAdvance(text) + 8 <= c->width();
    }
    return c->sizeHint().width() <= c->width() && c->fontMetrics().height() <= c->height();
}

class BatchSettingsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QFont font(QStringLiteral("Noto Sans CJK SC"));  // the program's own font
        font.setPixelSize(12);
        QApplication::setFont(font);
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath("in"));
        ASSERT_TRUE(QDir(dir.path()).mkpath("out"));
        in.batch.namingIndex = 2;
        in.batch.format = ".JPG";
        in.batch.sourceFolder = dir.filePath("in");
        in.batch.saveFolder = dir.filePath("out");
        in.pixelWidthText = "413";
        in.pixelHeightText = "626";
        in.jpgSizeText = "30";

        hooks.releaseKeys = [this] { calls << "release"; };
        hooks.formatChanged = [this](OutputFormat f) { calls << "format " + FormatText(f); };
        hooks.namingChanged = [this](int i) { calls << "naming " + QString::number(i); };
        hooks.cropSoundChanged = [this](bool on) { calls << QString("sound %1").arg(on); };
        hooks.apply = [this](const BatchSettingsResult& r) {
            calls << "apply";
            result = r;
        };
        hooks.useNameListForCrop = [this] { calls << "namelist"; };
        hooks.takeKeys = [this] { calls << "take"; };
        hooks.closed = [this](bool confirmed) { calls << QString("closed %1").arg(confirmed); };
    }
    std::unique_ptr<BatchSettingsWindow> open() {
        auto w = std::make_unique<BatchSettingsWindow>(in, SettingsStore(settingsPath()), dialogs, hooks);
        w->show();
        return w;
    }
    QString settingsPath() const { return dir.filePath("set.dll"); }
    QString stored(const QString& key) const {
        return ReadIniValue(settingsPath(), ini::kBatchSection, key, kMissing);
    }
    static void chooseNaming(BatchSettingsWindow& w, int index) {
        // As the operator does: open the list and click the entry.
        QComboBox* box = w.namingBox();
        box->showPopup();
        QAbstractItemView* list = box->view();
        ASSERT_TRUE(list->isVisible());
        const QPoint at = list->visualRect(box->model()->index(index, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        ASSERT_FALSE(list->isVisible());
        ASSERT_EQ(box->currentIndex(), index);
    }
    void clickOk(BatchSettingsWindow& w) { QTest::mouseClick(w.okButton(), Qt::LeftButton); }

    QTemporaryDir dir;
    BatchSettingsInputs in;
    BatchSettingsHooks hooks;
    test::ScriptedDialogs dialogs;
    QStringList calls;
    BatchSettingsResult result;
};

TEST_F(BatchSettingsWindowTest, DesignedComponentsCaptionsAndGeometry) {
    auto w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("批量截图设置"));
    EXPECT_EQ(w->size(), QSize(466, 236));

    struct Expected {
        const char* name;
        QRect geometry;
        QString text;
    };
    const Expected expected[] = {
        {"等待目录标签", {10, 12, 80, 24}, "等待截图目录"},
        {"批截目标目录编辑框", {90, 12, 268, 24}, {}},
        {"浏览批截目标目录按钮", {362, 12, 94, 24}, "浏览待截图目录"},
        {"保存目录标签", {10, 48, 80, 24}, "图片保存目录"},
        {"批截保存目录编辑框", {90, 48, 268, 24}, {}},
        {"浏览批截保存目录按钮", {362, 48, 94, 24}, "新建、浏览目录"},
        {"保存格式标签", {10, 84, 80, 24}, "图片保存格式"},
        {"批截格式组合框", {90, 84, 368, 22}, {}},
        {"命名方式标签", {10, 120, 80, 24}, "图片命名方式"},
        {"批截命名方式组合框", {90, 120, 368, 22}, {}},
        {"裁切声选择框", {64, 156, 144, 24}, "截图时发出裁切声"},
        {"保存批截设置选择框", {232, 156, 180, 24}, "保存上述设置供下次使用"},
        {"确定批截设置按钮", {194, 189, 80, 32}, "确定"},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        auto* c = w->findChild<QWidget*>(QString::fromUtf8(e.name));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->geometry(), e.geometry);
        QString text;
        if (auto* l = qobject_cast<QLabel*>(c)) {
            text = l->text();
        } else if (auto* b = qobject_cast<QAbstractButton*>(c)) {
            text = b->text();
        }
        if (!e.text.isNull()) {
            EXPECT_EQ(text, e.text);
        }
        // Chinese text fits its component in the program's fonts.
        if (!text.isEmpty()) {
            EXPECT_TRUE(TextFits(c, text)) << qPrintable(text);
        }
    }
    for (QWidget* c :
         std::initializer_list<QWidget*>{w->sourceFolderBox(), w->saveFolderBox(), w->formatBox(),
                                         w->namingBox(), w->cropSoundBox(), w->keepSettingsBox()}) {
        EXPECT_EQ(c->font().pixelSize(), 14) << qPrintable(c->objectName());
    }

    QStringList formats;
    for (int i = 0; i < w->formatBox()->count(); ++i) {
        formats << w->formatBox()->itemText(i);
    }
    EXPECT_EQ(formats, QStringList({" *.JPG", " *.BMP", " *.GIF", " *.PNG"}));
    ASSERT_EQ(w->namingBox()->count(), 6);
    const QFontMetrics naming(w->namingBox()->font());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(w->namingBox()->itemText(i), BatchNamingEntries()[i].text);
        EXPECT_LE(naming.horizontalAdvance(w->namingBox()->itemText(i)) + 30, w->namingBox()->width());
    }
    EXPECT_EQ(w->namingBox()->itemText(2), QStringLiteral("根据截图先后用序号命名  如： 0001   0002 "));

    if (const QByteArray shots = qgetenv("PICURA_WINDOW_SHOTS"); !shots.isEmpty()) {
        w->sourceFolderBox()->setText("/home/operator/照片/2024 一年级/");
        w->grab().save(QString::fromLocal8Bit(shots) + "/windows-batch-settings.png");
    }
}

TEST_F(BatchSettingsWindowTest, OpensWithTheCurrentSettings) {
    in.batch.format = ".GIF";
    in.batch.sound = true;
    in.batch.keepSettings = true;
    auto w = open();
    EXPECT_EQ(w->sourceFolderBox()->text(), dir.filePath("in") + "/");
    EXPECT_EQ(w->saveFolderBox()->text(), dir.filePath("out") + "/");
    EXPECT_EQ(w->formatBox()->currentIndex(), 2);
    EXPECT_EQ(w->namingBox()->currentIndex(), 2);
    EXPECT_FALSE(w->namingBox()->isEditable());
    EXPECT_TRUE(w->cropSoundBox()->isChecked());
    EXPECT_TRUE(w->keepSettingsBox()->isChecked());
    EXPECT_EQ(w->focusWidget(), w->sourceFolderBox());
    EXPECT_EQ(calls, QStringList({"release"}));

    in.batch.sourceFolder.clear();
    in.batch.format = ".jpg";  // not exactly one of the four
    in.batch.sound = false;
    calls.clear();
    auto other = open();
    EXPECT_TRUE(other->sourceFolderBox()->text().isEmpty());
    EXPECT_EQ(other->formatBox()->currentIndex(), 0);
    EXPECT_FALSE(other->cropSoundBox()->isChecked());
    EXPECT_EQ(calls, QStringList({"release", "format .JPG"}));
}

TEST_F(BatchSettingsWindowTest, FolderPickersFillTheirBoxesAndCancelLeavesThemAsTheyWere) {
    auto w = open();
    const QString saveBefore = w->saveFolderBox()->text();
    ASSERT_FALSE(saveBefore.isEmpty());
    dialogs.paths = {dir.filePath("picked-in"), std::nullopt};
    QTest::mouseClick(w->browseSourceButton(), Qt::LeftButton);
    QTest::mouseClick(w->browseSaveButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, test::ScriptedDialogs::Shown::Folder);
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("选择待截图文件夹，以便对文件夹中的图片进行批量截图。"));
    EXPECT_EQ(dialogs.shown[1].title, QStringLiteral("请选择或者新建一个文件夹"));
    EXPECT_EQ(w->sourceFolderBox()->text(), dir.filePath("picked-in"));
    EXPECT_EQ(w->saveFolderBox()->text(), saveBefore);
}

TEST_F(BatchSettingsWindowTest, EnterConfirmsAndNeverOpensAFolderPicker) {
    auto w = open();
    EXPECT_TRUE(w->okButton()->isDefault());
    EXPECT_FALSE(w->browseSourceButton()->isDefault());
    // A path typed into either folder box, then Enter: a wrong one is refused as 确定 refuses it.
    w->sourceFolderBox()->setText(dir.filePath("gone"));
    QTest::keyClick(w->saveFolderBox(), Qt::Key_Enter);
    EXPECT_EQ(dialogs.messages(),
              QStringList{QStringLiteral("待截图目录不存在，无法对其图片进行批量截图。")});
    EXPECT_FALSE(w->confirmed());
    w->sourceFolderBox()->setText(dir.filePath("in"));
    QTest::keyClick(w->sourceFolderBox(), Qt::Key_Return);
    for (const auto& shown : dialogs.shown) {
        EXPECT_NE(shown.kind, test::ScriptedDialogs::Shown::Folder) << shown.title.toStdString();
    }
    EXPECT_TRUE(w->confirmed());
    EXPECT_TRUE(calls.contains("apply"));
}

TEST_F(BatchSettingsWindowTest, FourRefusalsInOrderKeepTheWindowOpenAndWriteNothing) {
    auto w = open();
    const auto lastRefusal = [&] {
        const auto* m = dialogs.lastMessage();
        EXPECT_NE(m, nullptr);
        if (m) {
            EXPECT_EQ(m->title, QStringLiteral("提醒："));
            EXPECT_EQ(m->icon, MessageIcon::Information);
            EXPECT_EQ(m->buttons, MessageButtons::Ok);
        }
        return m ? m->text : QString();
    };

    w->sourceFolderBox()->setText(dir.filePath("gone"));
    w->saveFolderBox()->setText(dir.filePath("gone too"));
    clickOk(*w);
    EXPECT_EQ(lastRefusal(), QStringLiteral("待截图目录不存在，无法对其图片进行批量截图。"));

    w->sourceFolderBox()->setText(dir.filePath("in") + "/");
    clickOk(*w);
    EXPECT_EQ(lastRefusal(), QStringLiteral("请设置正确的图片保存目录。"));

    w->saveFolderBox()->setText(dir.filePath("out"));
    chooseNaming(*w, 3);
    Type(w->namingBox()->lineEdit(), QStringLiteral(" 　 "));  // ordinary and full-width spaces
    w->sourceFolderBox()->setFocus();
    clickOk(*w);
    EXPECT_EQ(lastRefusal(), QStringLiteral("自定义命名不能为空。"));
    EXPECT_EQ(w->focusWidget(), w->namingBox());

    chooseNaming(*w, 1);
    w->saveFolderBox()->setText(dir.filePath("in"));  // the source folder without its trailing "/"
    clickOk(*w);
    EXPECT_EQ(lastRefusal(), QStringLiteral("待截图文件夹不可再用于保存截图，请换一个文件夹保存截图。"));
    EXPECT_TRUE(w->saveFolderBox()->text().isEmpty());
    EXPECT_EQ(w->sourceFolderBox()->text(), dir.filePath("in") + "/");

    EXPECT_EQ(dialogs.messages().size(), 4);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->confirmed());
    EXPECT_FALSE(QFile::exists(settingsPath()));
    EXPECT_FALSE(calls.contains("apply"));
    EXPECT_FALSE(calls.contains("take"));
}

TEST_F(BatchSettingsWindowTest, FolderTextsDifferingOnlyInLetterCaseAreDifferentFolders) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("Photos"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("photos"));
    auto w = open();
    w->sourceFolderBox()->setText(dir.filePath("Photos"));
    w->saveFolderBox()->setText(dir.filePath("photos") + "/");
    clickOk(*w);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(w->confirmed());
    EXPECT_EQ(result.sourceFolder, dir.filePath("Photos"));
    EXPECT_EQ(result.saveFolder, dir.filePath("photos"));
}

TEST_F(BatchSettingsWindowTest, ConfirmWritesTheTenKeysThenHandsOverAndCloses) {
    auto w = open();
    chooseNaming(*w, 3);
    EXPECT_TRUE(w->namingBox()->isEditable());
    EXPECT_TRUE(w->namingBox()->currentText().isEmpty());
    Type(w->namingBox()->lineEdit(), QStringLiteral("  A  "));
    QTest::mouseClick(w->cropSoundBox(), Qt::LeftButton);
    QTest::mouseClick(w->keepSettingsBox(), Qt::LeftButton);
    calls.clear();
    clickOk(*w);

    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(stored(ini::kNamingMode), "3");
    EXPECT_EQ(stored(ini::kCustomPrefix), "A");
    EXPECT_EQ(stored(ini::kFormat), ".JPG");
    EXPECT_EQ(stored(ini::kSaveFolder), dir.filePath("out"));
    EXPECT_EQ(stored(ini::kSourceFolder), dir.filePath("in"));
    EXPECT_EQ(stored(ini::kCropSound), QStringLiteral("真"));
    EXPECT_EQ(stored(ini::kKeepSettings), QStringLiteral("真"));
    EXPECT_EQ(stored(ini::kPixelWidth), "413");
    EXPECT_EQ(stored(ini::kPixelHeight), "626");
    EXPECT_EQ(stored(ini::kJpgSize), "30");

    EXPECT_EQ(calls, QStringList({"apply", "take", "closed 1"}));
    EXPECT_TRUE(w->confirmed());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(result.mode, NamingMode::CustomPrefix);
    EXPECT_EQ(result.namingIndex, 3);
    EXPECT_EQ(result.customPrefix, "A");
    EXPECT_EQ(result.sourceFolder, dir.filePath("in"));
    EXPECT_EQ(result.saveFolder, dir.filePath("out"));
    EXPECT_EQ(result.formatText, ".JPG");
    EXPECT_TRUE(result.cropSound);
    EXPECT_TRUE(result.keepSettings);
    EXPECT_TRUE(result.settingsWritten);
}

TEST_F(BatchSettingsWindowTest, OtherFormatsStoreNoJpgSize) {
    in.batch.keepSettings = true;
    auto w = open();
    w->formatBox()->setCurrentIndex(3);
    clickOk(*w);
    EXPECT_EQ(stored(ini::kFormat), ".PNG");
    EXPECT_EQ(stored(ini::kJpgSize), "");
    EXPECT_EQ(stored(ini::kCustomPrefix), "");
    EXPECT_EQ(result.format, OutputFormat::Png);
}

TEST_F(BatchSettingsWindowTest, UntickedKeepSettingsEmptiesAllTenKeysAndKeepsTheQuickShootOnes) {
    for (const QString& key : kTenKeys) {
        ASSERT_TRUE(WriteIniValue(settingsPath(), ini::kBatchSection, key, "old"));
    }
    ASSERT_TRUE(WriteIniValue(settingsPath(), ini::kQuickSection, ini::kSaveFolder, "/quick"));
    in.batch.keepSettings = true;
    auto w = open();
    QTest::mouseClick(w->keepSettingsBox(), Qt::LeftButton);
    ASSERT_FALSE(w->keepSettingsBox()->isChecked());
    clickOk(*w);

    for (const QString& key : kTenKeys) {
        EXPECT_EQ(stored(key), QString("")) << qPrintable(key);
    }
    EXPECT_EQ(ReadIniValue(settingsPath(), ini::kQuickSection, ini::kSaveFolder), "/quick");
    EXPECT_FALSE(result.keepSettings);
    EXPECT_TRUE(w->confirmed());
}

TEST_F(BatchSettingsWindowTest, ExcelNamingHandsTheNameListOverBeforeTheKeys) {
    auto w = open();
    chooseNaming(*w, 5);
    calls.clear();
    clickOk(*w);
    EXPECT_EQ(calls, QStringList({"apply", "namelist", "take", "closed 1"}));
    EXPECT_EQ(result.mode, NamingMode::ExcelCell);
}

TEST_F(BatchSettingsWindowTest, UnwritableSettingsFileIsReportedAndTheBatchStillStarts) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("set.dll"));  // a folder where the file should be
    auto w = open();
    clickOk(*w);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.lastMessage()->text.contains(settingsPath()));
    EXPECT_EQ(dialogs.lastMessage()->icon, MessageIcon::Warning);
    EXPECT_FALSE(result.settingsWritten);
    EXPECT_EQ(calls.mid(1), QStringList({"apply", "take", "closed 1"}));
}

TEST_F(BatchSettingsWindowTest, ControlsChangeTheStateAtOnce) {
    auto w = open();
    calls.clear();
    w->formatBox()->setCurrentIndex(1);
    chooseNaming(*w, 0);
    QTest::mouseClick(w->cropSoundBox(), Qt::LeftButton);
    QTest::mouseClick(w->keepSettingsBox(), Qt::LeftButton);  // read by 确定 only
    w->close();
    EXPECT_EQ(calls, QStringList({"format .BMP", "naming 0", "sound 1", "closed 0"}));
    EXPECT_FALSE(w->confirmed());
    EXPECT_FALSE(QFile::exists(settingsPath()));
}

TEST_F(BatchSettingsWindowTest, PrefixBoxIsEditableOnlyForCustomPrefixAndClosingItsListEmptiesIt) {
    auto w = open();
    chooseNaming(*w, 3);
    ASSERT_TRUE(w->namingBox()->isEditable());
    Type(w->namingBox()->lineEdit(), QStringLiteral("XY"));
    EXPECT_EQ(w->namingBox()->currentText(), "XY");
    EXPECT_EQ(w->namingBox()->count(), 6);  // typing adds no entry

    w->namingBox()->showPopup();
    w->namingBox()->hidePopup();  // closed without choosing another entry
    EXPECT_TRUE(w->namingBox()->isEditable());
    EXPECT_TRUE(w->namingBox()->currentText().isEmpty());

    // Choosing the same entry again gives an empty box, not the entry's text.
    Type(w->namingBox()->lineEdit(), QStringLiteral("XY"));
    chooseNaming(*w, 3);
    EXPECT_TRUE(w->namingBox()->isEditable());
    EXPECT_TRUE(w->namingBox()->currentText().isEmpty());

    chooseNaming(*w, 4);
    EXPECT_FALSE(w->namingBox()->isEditable());
    EXPECT_EQ(w->namingBox()->currentText(), BatchNamingEntries()[4].text);
}

TEST_F(BatchSettingsWindowTest, OpeningWithCustomPrefixShowsTheSavedPrefix) {
    in.batch.namingIndex = 3;
    in.batch.customPrefix = "班级";
    auto w = open();
    EXPECT_TRUE(w->namingBox()->isEditable());
    EXPECT_EQ(w->namingBox()->currentText(), QStringLiteral("班级"));
    clickOk(*w);
    EXPECT_EQ(result.customPrefix, QStringLiteral("班级"));
}

}  // namespace
