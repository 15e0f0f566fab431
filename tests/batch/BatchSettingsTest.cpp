#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "batch/BatchSettings.h"
#include "settings/Gbk.h"
#include "settings/SettingsStore.h"

using namespace picura;

namespace {

class BatchSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(dir.path()).mkdir("in"));
        ASSERT_TRUE(QDir(dir.path()).mkdir("out"));
        form.sourceFolderText = dir.filePath("in");
        form.saveFolderText = dir.filePath("out") + "/";
        form.format = OutputFormat::Jpg;
        form.namingIndex = 2;
        form.cropSound = true;
        form.keepSettings = true;
        form.pixelWidthText = "413";
        form.pixelHeightText = "626";
        form.jpgSizeText = "30";
    }
    BatchSettingsRefusal refused() const {
        const auto r = ValidateBatchSettings(form);
        EXPECT_TRUE(std::holds_alternative<BatchSettingsRefusal>(r));
        return std::holds_alternative<BatchSettingsRefusal>(r) ? std::get<BatchSettingsRefusal>(r)
                                                               : BatchSettingsRefusal{};
    }
    ConfirmedBatchSettings accepted() const {
        const auto r = ValidateBatchSettings(form);
        EXPECT_TRUE(std::holds_alternative<ConfirmedBatchSettings>(r)) << qPrintable(
            std::holds_alternative<BatchSettingsRefusal>(r) ? std::get<BatchSettingsRefusal>(r).message
                                                            : QString());
        return std::holds_alternative<ConfirmedBatchSettings>(r) ? std::get<ConfirmedBatchSettings>(r)
                                                                 : ConfirmedBatchSettings{};
    }

    QTemporaryDir dir;
    BatchSettingsForm form;
    SettingsStore store{dir.filePath("set.dll")};
};

TEST_F(BatchSettingsTest, RefusalsInOrderWithTheirTexts) {
    form.sourceFolderText = dir.filePath("none");
    form.saveFolderText = dir.filePath("none2");
    BatchSettingsRefusal r = refused();
    EXPECT_EQ(r.message, QStringLiteral("待截图目录不存在，无法对其图片进行批量截图。"));
    EXPECT_EQ(r.title, QStringLiteral("提醒："));

    form.sourceFolderText = dir.filePath("in");
    r = refused();
    EXPECT_EQ(r.message, QStringLiteral("请设置正确的图片保存目录。"));
    form.saveFolderText = QString();
    EXPECT_EQ(refused().message, QStringLiteral("请设置正确的图片保存目录。"));

    form.saveFolderText = dir.filePath("out");
    form.namingIndex = 3;  // CustomPrefix
    for (const QString& text : {QString(), QStringLiteral("   "), QStringLiteral("\u3000 \u3000")}) {
        form.namingBoxText = text;
        r = refused();
        EXPECT_EQ(r.message, QStringLiteral("自定义命名不能为空。"));
        EXPECT_TRUE(r.focusNamingBox);
        EXPECT_FALSE(r.clearSaveFolderBox);
    }
}

TEST_F(BatchSettingsTest, SameFolderIsRefusedWhateverItsSpelling) {
    const QString in = dir.filePath("in");
    ASSERT_TRUE(QFile::link(in, dir.filePath("link")));
    for (const QString& save :
         {in + "/", in, dir.filePath("in/."), dir.filePath("out/../in"), dir.filePath("link")}) {
        SCOPED_TRACE(save.toStdString());
        form.saveFolderText = save;
        const BatchSettingsRefusal r = refused();
        EXPECT_EQ(r.message, QStringLiteral("待截图文件夹不可再用于保存截图，请换一个文件夹保存截图。"));
        EXPECT_TRUE(r.clearSaveFolderBox);
    }
    // Letter case makes another folder here.
    ASSERT_TRUE(QDir(dir.path()).mkdir("IN"));
    form.saveFolderText = dir.filePath("IN");
    accepted();
}

TEST_F(BatchSettingsTest, AcceptedFoldersLoseOneTrailingSlashAndThePrefixItsSpaces) {
    form.namingIndex = 3;
    form.namingBoxText = "  A  ";
    const ConfirmedBatchSettings c = accepted();
    EXPECT_EQ(c.sourceFolder, dir.filePath("in"));
    EXPECT_EQ(c.saveFolder, dir.filePath("out"));
    EXPECT_EQ(c.mode, NamingMode::CustomPrefix);
    EXPECT_EQ(c.customPrefix, QStringLiteral("A"));

    form.namingIndex = 0;
    EXPECT_TRUE(accepted().customPrefix.isEmpty());
}

TEST_F(BatchSettingsTest, WritesTheTenKeysOrEmptiesThem) {
    store.write(ini::kQuickSection, ini::kFormat, ".PNG");
    form.namingIndex = 3;
    form.namingBoxText = "三班";
    ASSERT_TRUE(WriteBatchSettings(store, form, accepted()));
    const auto batch = [&](const QString& key) { return store.read(ini::kBatchSection, key); };
    EXPECT_EQ(batch(ini::kNamingMode), QStringLiteral("3"));
    EXPECT_EQ(batch(ini::kCustomPrefix), QStringLiteral("三班"));
    EXPECT_EQ(batch(ini::kFormat), QStringLiteral(".JPG"));
    EXPECT_EQ(batch(ini::kSaveFolder), dir.filePath("out"));
    EXPECT_EQ(batch(ini::kSourceFolder), dir.filePath("in"));
    EXPECT_EQ(batch(ini::kCropSound), QStringLiteral("真"));
    EXPECT_EQ(batch(ini::kKeepSettings), QStringLiteral("真"));
    EXPECT_EQ(batch(ini::kPixelWidth), QStringLiteral("413"));
    EXPECT_EQ(batch(ini::kPixelHeight), QStringLiteral("626"));
    EXPECT_EQ(batch(ini::kJpgSize), QStringLiteral("30"));
    EXPECT_EQ(store.read(ini::kQuickSection, ini::kFormat), QStringLiteral(".PNG"));

    form.format = OutputFormat::Png;
    form.cropSound = false;
    ASSERT_TRUE(WriteBatchSettings(store, form, accepted()));
    EXPECT_EQ(batch(ini::kFormat), QStringLiteral(".PNG"));
    EXPECT_EQ(batch(ini::kJpgSize), QString());
    EXPECT_EQ(batch(ini::kCropSound), QString());

    form.keepSettings = false;
    ASSERT_TRUE(WriteBatchSettings(store, form, accepted()));
    const QByteArray file = [&] {
        QFile f(store.path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    for (const QString& key :
         {ini::kNamingMode, ini::kCustomPrefix, ini::kFormat, ini::kSaveFolder, ini::kSourceFolder,
          ini::kCropSound, ini::kKeepSettings, ini::kPixelWidth, ini::kPixelHeight, ini::kJpgSize}) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_EQ(batch(key), QString());
        EXPECT_TRUE(file.contains(ToGbk(key) + "=\r\n"));  // present, with an empty value
    }
    const ModeSettings read = ReadBatchSettings(store, 6);
    EXPECT_FALSE(read.keepSettings);
    EXPECT_TRUE(read.saveFolder.isEmpty());
    EXPECT_EQ(store.read(ini::kQuickSection, ini::kFormat), QStringLiteral(".PNG"));
}

TEST_F(BatchSettingsTest, UnwritableStoreIsReportedAndLeftAlone) {
    const SettingsStore inMissingFolder(dir.filePath("gone/set.dll"));
    EXPECT_FALSE(WriteBatchSettings(inMissingFolder, form, accepted()));
    EXPECT_FALSE(QFile::exists(dir.filePath("gone/set.dll")));
}

TEST(BatchResumeJpgSize, StoredSizeAboveZeroWinsElseTheEditBoxIsStored) {
    JpgSizeOnResume r = ResumeJpgSize("30", "50");
    EXPECT_EQ(r.action, JpgSizeOnResume::Action::SetEditBox);
    EXPECT_EQ(r.text, QStringLiteral("30"));
    for (const char* stored : {"", "0", "0.0", "abc"}) {
        r = ResumeJpgSize(QString::fromLatin1(stored), "50");
        EXPECT_EQ(r.action, JpgSizeOnResume::Action::StoreEditBoxText) << stored;
        EXPECT_EQ(r.text, QStringLiteral("50"));
    }
    EXPECT_EQ(ResumeJpgSize("-4", "50").action, JpgSizeOnResume::Action::Nothing);
}

}  // namespace
