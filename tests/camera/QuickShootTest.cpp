#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "camera/QuickShoot.h"
#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

using namespace picura;

namespace {

const QStringList kNineKeys{ini::kNamingMode, ini::kCustomPrefix, ini::kFormat,
                            ini::kSaveFolder, ini::kShutterSound, ini::kKeepSettings,
                            ini::kPixelWidth, ini::kPixelHeight,  ini::kJpgSize};

class QuickShootTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath("photos"));
        form.saveFolderText = dir.filePath("photos") + "/";
        form.pixelWidthText = "160";
        form.pixelHeightText = "210";
        form.jpgSizeText = "20";
    }
    QString stored(const QString& key) const {
        return IniDocument::Load(store.path()).value(ini::kQuickSection, key).value_or("<missing>");
    }
    QTemporaryDir dir;
    SettingsStore store{dir.filePath("set.dll")};
    QuickShootForm form;
};

TEST_F(QuickShootTest, ConfirmRefusesAMissingFolderThenABlankPrefix) {
    QuickShootForm f = form;
    f.saveFolderText = dir.filePath("gone");
    auto r = ConfirmQuickShootSettings(f);
    ASSERT_TRUE(std::holds_alternative<QuickShootRefusal>(r));
    EXPECT_EQ(std::get<QuickShootRefusal>(r).message, "请设置正确的图片保存目录。");
    f.saveFolderText.clear();
    EXPECT_TRUE(std::holds_alternative<QuickShootRefusal>(ConfirmQuickShootSettings(f)));

    f = form;
    f.namingIndex = 2;  // CustomPrefix
    f.namingBoxText = QStringLiteral(" \u3000 ");
    r = ConfirmQuickShootSettings(f);
    ASSERT_TRUE(std::holds_alternative<QuickShootRefusal>(r));
    EXPECT_EQ(std::get<QuickShootRefusal>(r).message, "自定义命名不能为空。");
    EXPECT_TRUE(std::get<QuickShootRefusal>(r).focusNamingBox);
}

TEST_F(QuickShootTest, ConfirmTrimsThePrefixAndTheFolder) {
    QuickShootForm f = form;
    f.namingIndex = 2;
    f.namingBoxText = QStringLiteral(" 三班 ");
    f.format = OutputFormat::Png;
    f.shutterSound = true;
    const auto r = ConfirmQuickShootSettings(f);
    ASSERT_TRUE(std::holds_alternative<QuickShootSettings>(r));
    const QuickShootSettings& s = std::get<QuickShootSettings>(r);
    EXPECT_TRUE(s.mode);
    EXPECT_EQ(s.customPrefix, "三班");
    EXPECT_EQ(s.saveFolder, dir.filePath("photos"));
    EXPECT_EQ(s.format, ".PNG");
    EXPECT_EQ(s.namingMode(), NamingMode::CustomPrefix);
    EXPECT_TRUE(s.shutterSound);

    // The prefix is kept only for CustomPrefix; the root folder stays "/".
    f.namingIndex = 1;
    f.saveFolderText = "/";
    const auto other = std::get<QuickShootSettings>(ConfirmQuickShootSettings(f));
    EXPECT_TRUE(other.customPrefix.isEmpty());
    EXPECT_EQ(other.saveFolder, "/");
}

TEST_F(QuickShootTest, WritesTheNineKeysOrEmptiesThem) {
    store.write(ini::kBatchSection, ini::kSaveFolder, "/batch");
    QuickShootForm f = form;
    f.namingIndex = 2;
    f.namingBoxText = "A";
    f.shutterSound = true;
    f.keepSettings = true;
    QuickShootSettings s = std::get<QuickShootSettings>(ConfirmQuickShootSettings(f));
    ASSERT_TRUE(WriteQuickShootSettings(store, s, f));
    EXPECT_EQ(stored(ini::kNamingMode), "2");
    EXPECT_EQ(stored(ini::kCustomPrefix), "A");
    EXPECT_EQ(stored(ini::kFormat), ".JPG");
    EXPECT_EQ(stored(ini::kSaveFolder), dir.filePath("photos"));
    EXPECT_EQ(stored(ini::kShutterSound), "真");
    EXPECT_EQ(stored(ini::kKeepSettings), "真");
    EXPECT_EQ(stored(ini::kPixelWidth), "160");
    EXPECT_EQ(stored(ini::kPixelHeight), "210");
    EXPECT_EQ(stored(ini::kJpgSize), "20");

    // The JPG size is stored for JPG only.
    f.format = OutputFormat::Bmp;
    s = std::get<QuickShootSettings>(ConfirmQuickShootSettings(f));
    ASSERT_TRUE(WriteQuickShootSettings(store, s, f));
    EXPECT_EQ(stored(ini::kJpgSize), "");

    f.keepSettings = false;
    s = std::get<QuickShootSettings>(ConfirmQuickShootSettings(f));
    ASSERT_TRUE(WriteQuickShootSettings(store, s, f));
    for (const QString& key : kNineKeys) {
        EXPECT_EQ(stored(key), "") << key.toStdString();
    }
    // The batch section is left as it was.
    EXPECT_EQ(store.read(ini::kBatchSection, ini::kSaveFolder), "/batch");
}

TEST_F(QuickShootTest, StoresOnlyTheSizesAskedFor) {
    StoreQuickShootSizes(store, QString("300"), std::nullopt, QString("40"));
    EXPECT_EQ(stored(ini::kPixelWidth), "300");
    EXPECT_EQ(stored(ini::kPixelHeight), "<missing>");
    EXPECT_EQ(stored(ini::kJpgSize), "40");
}

TEST_F(QuickShootTest, MissingFolderMessages) {
    EXPECT_EQ(MissingSaveFolderMessage(""), "批量速拍图片保存目录尚未设置，请先设置。");
    EXPECT_EQ(MissingSaveFolderMessage(dir.filePath("gone")), "批量速拍图片保存目录不存在，请重新设置。");
    EXPECT_EQ(MissingSaveFolderMessage(dir.filePath("photos")), std::nullopt);
}

TEST(QuickShootSettings, UnknownFormatsAndIndicesFallBack) {
    QuickShootSettings s;
    s.format = ".jpeg";
    s.namingIndex = 9;
    EXPECT_EQ(s.outputFormat(), OutputFormat::Jpg);
    EXPECT_EQ(s.namingMode(), NamingMode::CaptureTime);
    s.format = ".GIF";
    s.namingIndex = 4;
    EXPECT_EQ(s.outputFormat(), OutputFormat::Gif);
    EXPECT_EQ(s.namingMode(), NamingMode::ExcelCell);
}

}  // namespace
