#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "ScriptedDialogs.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "camera/CameraHost.h"
#include "camera/widgets/QuickShootSettingsWindow.h"
#include "settings/IniFile.h"

using namespace picura;

namespace {

class Host : public CameraHost {
  public:
    QuickShootState state;
    bool nameList = false;
    QStringList calls;
    QSize frameSize() const override { return {160, 210}; }
    QColor frameColour() const override { return Qt::red; }
    QPoint mainWindowPosition() const override { return {}; }
    QString pixelWidthText() const override { return "160"; }
    QString pixelHeightText() const override { return "210"; }
    QString jpgSizeText() const override { return "20"; }
    void setPixelSizeTexts(const QString&, const QString&) override {}
    void setJpgSizeText(const QString&) override {}
    QuickShootState& quickShoot() override { return state; }
    bool nameListOpen() const override { return nameList; }
    void openNameListForPhotos() override { calls << "open name list"; }
    void closeNameList() override {
        calls << "close name list";
        nameList = false;
    }
    void takePhoto(const QImage&) override {}
    QuickShootTarget quickShootTarget() override { return {}; }
    void saveQuickShootPhoto(const QString&, const QImage&) override {}
};

const QStringList kNineKeys{ini::kNamingMode, ini::kCustomPrefix, ini::kFormat,
                            ini::kSaveFolder, ini::kShutterSound, ini::kKeepSettings,
                            ini::kPixelWidth, ini::kPixelHeight,  ini::kJpgSize};

class QuickShootSettingsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath("photos"));
    }
    QString stored(const QString& key) const {
        return IniDocument::Load(store.path()).value(ini::kQuickSection, key).value_or("<missing>");
    }
    QTemporaryDir dir;
    SettingsStore store{dir.filePath("set.dll")};
    test::ScriptedDialogs dialogs;
    Host host;
};

TEST_F(QuickShootSettingsWindowTest, FillsFromTheSettings) {
    host.state.settings.saveFolder = dir.filePath("photos");
    host.state.settings.format = ".tif";
    host.state.settings.namingIndex = 1;
    host.state.settings.shutterSound = true;
    QuickShootSettingsWindow w(host, store, dialogs);
    EXPECT_TRUE(host.state.settingsWindowOpen);
    EXPECT_EQ(w.windowTitle(), "批量速拍设置");
    EXPECT_EQ(w.size(), QSize(466, 225));
    EXPECT_EQ(w.saveFolderBox()->text(), dir.filePath("photos") + "/");
    EXPECT_EQ(w.formatBox()->currentText(), " *.JPG");
    EXPECT_EQ(host.state.settings.format, ".JPG");  // an unknown format becomes JPG at once
    EXPECT_EQ(w.namingBox()->count(), 5);
    EXPECT_EQ(w.namingBox()->currentIndex(), 1);
    EXPECT_FALSE(w.namingBox()->isEditable());
    EXPECT_TRUE(w.shutterSoundBox()->isChecked());
    EXPECT_FALSE(w.keepSettingsBox()->isChecked());
}

TEST_F(QuickShootSettingsWindowTest, ChoicesTakeEffectAtOnceEvenWithoutOk) {
    host.nameList = true;
    host.state.settings.namingIndex = 4;
    {
        QuickShootSettingsWindow w(host, store, dialogs);
        w.formatBox()->setCurrentIndex(3);
        EXPECT_EQ(host.state.settings.format, ".PNG");
        w.namingBox()->setCurrentIndex(1);
        EXPECT_EQ(host.state.settings.namingIndex, 1);
        EXPECT_EQ(host.calls, QStringList{"close name list"});
        w.shutterSoundBox()->click();
        EXPECT_TRUE(host.state.settings.shutterSound);
        w.namingBox()->setCurrentIndex(2);
        EXPECT_TRUE(w.namingBox()->isEditable());
        EXPECT_TRUE(w.namingBox()->currentText().isEmpty());
        w.reject();
    }
    EXPECT_FALSE(host.state.settingsWindowOpen);
    EXPECT_FALSE(host.state.settings.mode);
    EXPECT_EQ(stored(ini::kFormat), "<missing>");  // nothing stored
}

TEST_F(QuickShootSettingsWindowTest, OkRefusesThenStoresTheNineKeys) {
    QuickShootSettingsWindow w(host, store, dialogs);
    // A cancelled picker empties the box; OK then names the folder.
    w.saveFolderBox()->setText("x");
    w.browseButton()->click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "请选择或者新建一个文件夹");
    EXPECT_TRUE(w.saveFolderBox()->text().isEmpty());
    w.okButton()->click();
    EXPECT_EQ(dialogs.lastMessage()->text, "请设置正确的图片保存目录。");
    EXPECT_EQ(dialogs.lastMessage()->title, "提醒：");
    EXPECT_EQ(dialogs.lastMessage()->icon, MessageIcon::Information);

    dialogs.paths.push_back(dir.filePath("photos") + "/");
    w.browseButton()->click();
    w.namingBox()->setCurrentIndex(2);
    w.namingBox()->setEditText("  ");
    w.okButton()->click();
    EXPECT_EQ(dialogs.lastMessage()->text, "自定义命名不能为空。");
    EXPECT_FALSE(w.confirmed());

    w.namingBox()->setEditText(" 三班 ");
    w.keepSettingsBox()->setChecked(true);
    w.shutterSoundBox()->click();
    w.okButton()->click();
    ASSERT_TRUE(w.confirmed());
    EXPECT_TRUE(host.state.settings.mode);
    EXPECT_EQ(host.state.settings.saveFolder, dir.filePath("photos"));
    EXPECT_EQ(host.state.settings.customPrefix, "三班");
    EXPECT_TRUE(host.state.settings.keepSettings);
    const QStringList expected{"2", "三班", ".JPG", dir.filePath("photos"), "真", "真", "160", "210", "20"};
    for (int i = 0; i < kNineKeys.size(); ++i) {
        EXPECT_EQ(stored(kNineKeys[i]), expected[i]) << kNineKeys[i].toStdString();
    }
}

TEST_F(QuickShootSettingsWindowTest, OkWithoutKeepEmptiesTheKeysAndExcelOpensTheNameList) {
    store.write(ini::kQuickSection, ini::kSaveFolder, "/old");
    host.state.settings.saveFolder = dir.filePath("photos");
    host.state.settings.namingIndex = 4;
    QuickShootSettingsWindow w(host, store, dialogs);
    w.okButton()->click();
    ASSERT_TRUE(w.confirmed());
    for (const QString& key : kNineKeys) {
        EXPECT_EQ(stored(key), "") << key.toStdString();
    }
    EXPECT_EQ(host.calls, QStringList{"open name list"});
}

}  // namespace
