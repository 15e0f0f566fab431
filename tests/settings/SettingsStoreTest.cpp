#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "settings/IniFile.h"
#include "settings/SettingsFolder.h"
#include "settings/SettingsStore.h"

using namespace picura;

namespace {

class SettingsStoreTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(ini::kSettingsFileName)};
};

TEST_F(SettingsStoreTest, MissingStoreGivesTheDefaults) {
    const ModeSettings b = ReadBatchSettings(store, 6);
    EXPECT_EQ(b.namingIndex, 0);
    EXPECT_EQ(b.format, QStringLiteral(".JPG"));
    EXPECT_TRUE(b.customPrefix.isEmpty());
    EXPECT_TRUE(b.saveFolder.isEmpty());
    EXPECT_FALSE(b.sound);
    EXPECT_FALSE(b.keepSettings);
}

TEST_F(SettingsStoreTest, ReadsEveryStartUpKeyOfBothSections) {
    store.write(ini::kBatchSection, ini::kNamingMode, QStringLiteral("3"));
    store.write(ini::kBatchSection, ini::kCustomPrefix, QStringLiteral("三班"));
    store.write(ini::kBatchSection, ini::kFormat, QStringLiteral(".PNG"));
    store.write(ini::kBatchSection, ini::kSaveFolder, QStringLiteral("/out"));
    store.write(ini::kBatchSection, ini::kSourceFolder, QStringLiteral("/in"));
    store.write(ini::kBatchSection, ini::kCropSound, QStringLiteral("真"));
    store.write(ini::kBatchSection, ini::kKeepSettings, QStringLiteral("真"));
    store.write(ini::kQuickSection, ini::kNamingMode, QStringLiteral("4"));
    store.write(ini::kQuickSection, ini::kShutterSound, QStringLiteral("真"));
    store.write(ini::kQuickSection, ini::kFormat, QStringLiteral(".GIF"));

    const ModeSettings b = ReadBatchSettings(store, 6);
    EXPECT_EQ(b.namingIndex, 3);
    EXPECT_EQ(b.customPrefix, QStringLiteral("三班"));
    EXPECT_EQ(b.format, QStringLiteral(".PNG"));
    EXPECT_EQ(b.saveFolder, QStringLiteral("/out"));
    EXPECT_EQ(b.sourceFolder, QStringLiteral("/in"));
    EXPECT_TRUE(b.sound);
    EXPECT_TRUE(b.keepSettings);
    const ModeSettings q = ReadQuickShootSettings(store, 5);
    EXPECT_EQ(q.namingIndex, 4);
    EXPECT_TRUE(q.sound);
    EXPECT_FALSE(q.keepSettings);
    EXPECT_EQ(q.format, QStringLiteral(".GIF"));
}

TEST_F(SettingsStoreTest, OnlyTheExactFlagTextTurnsAFlagOn) {
    for (const char* text : {"1", "true", "真 ", "TRUE"}) {
        store.write(ini::kBatchSection, ini::kCropSound, QString::fromUtf8(text));
        // Blanks around a value are trimmed by the reader, so "真 " still reads as on.
        EXPECT_EQ(ReadBatchSettings(store, 6).sound,
                  QString::fromUtf8(text).trimmed() == QStringLiteral("真"))
            << text;
    }
}

TEST_F(SettingsStoreTest, NamingIndexOutsideTheListSelectsTheFirstEntry) {
    for (const char* text : {"6", "-1", "abc", "99999999999"}) {
        store.write(ini::kBatchSection, ini::kNamingMode, QString::fromUtf8(text));
        EXPECT_EQ(ReadBatchSettings(store, 6).namingIndex, 0) << text;
    }
    store.write(ini::kBatchSection, ini::kNamingMode, QStringLiteral("5.9"));
    EXPECT_EQ(ReadBatchSettings(store, 6).namingIndex, 5);
    store.write(ini::kQuickSection, ini::kNamingMode, QStringLiteral("5"));
    EXPECT_EQ(ReadQuickShootSettings(store, 5).namingIndex, 0);
}

TEST_F(SettingsStoreTest, EmptiedKeysReadAsDefaultsAgain) {
    store.write(ini::kBatchSection, ini::kFormat, QStringLiteral(".BMP"));
    store.write(ini::kBatchSection, ini::kKeepSettings, QStringLiteral("真"));
    store.write(ini::kBatchSection, ini::kFormat, QString());
    store.write(ini::kBatchSection, ini::kKeepSettings, QString());
    const ModeSettings b = ReadBatchSettings(store, 6);
    EXPECT_EQ(b.format, QStringLiteral(".JPG"));
    EXPECT_FALSE(b.keepSettings);
    EXPECT_TRUE(IniDocument::Load(store.path()).value(ini::kBatchSection, ini::kFormat).has_value());
}

TEST(SettingsFolderTest, CreatedBesideTheProgram) {
    QTemporaryDir program;
    QTemporaryDir config;
    const QString folder = PrepareSettingsFolder(program.path(), config.path());
    EXPECT_EQ(folder, program.path() + QStringLiteral("/头像采集设置"));
    EXPECT_TRUE(QDir(folder).exists());
}

TEST(SettingsFolderTest, FallsBackToTheConfigFolderWhenTheProgramFolderIsNotWritable) {
    QTemporaryDir config;
    // Nothing can be created below /proc, not even by root.
    const QString folder = PrepareSettingsFolder(QStringLiteral("/proc/picura-none"), config.path());
    EXPECT_EQ(folder, config.path() + QStringLiteral("/头像采集设置"));
    EXPECT_TRUE(QDir(folder).exists());
}

}  // namespace
