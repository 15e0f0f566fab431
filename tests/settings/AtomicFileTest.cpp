// Files we own are replaced whole or not at all: on a full disk, after a killed writer, and in between.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "FullDisk.h"
#include "settings/AtomicFile.h"
#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

using namespace picura;
using picura::test::FullDisk;

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void MakeOld(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The sizes at which a buffered writer used to report success and leave an empty file.
const int kSizes[] = {1, 4096, 16384, 100 * 1024};

TEST(AtomicFile, FullDiskKeepsTheOldFileAndSaysWhy) {
    FullDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << qPrintable(disk.skipReason());
    }
    const QString path = disk.filePath("out.bin");
    Write(path, "the good old content");
    ASSERT_TRUE(disk.fill());
    for (const int size : kSizes) {
        SCOPED_TRACE(size);
        const QString reason = WriteFileAtomically(path, QByteArray(size, 'x'));
        EXPECT_EQ(reason, QStringLiteral("磁盘空间不足。"));
        EXPECT_EQ(Read(path), QByteArray("the good old content"));
        EXPECT_EQ(Entries(disk.path()), (QStringList{"filler", "out.bin"}));
    }
}

TEST(AtomicFile, FullDiskKeepsEverySetting) {
    FullDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << qPrintable(disk.skipReason());
    }
    const SettingsStore store(disk.filePath(ini::kSettingsFileName));
    ASSERT_TRUE(store.write(ini::kBatchSection, ini::kSaveFolder, QStringLiteral("D:\\照片")));
    ASSERT_TRUE(store.write(ini::kQuickSection, ini::kFormat, QStringLiteral(".PNG")));
    const QByteArray before = Read(store.path());
    ASSERT_TRUE(disk.fill());
    for (const int size : kSizes) {
        SCOPED_TRACE(size);
        // The value of `size` bytes makes a file a little larger than that.
        EXPECT_FALSE(store.write(ini::kBatchSection, ini::kCustomPrefix, QString(size, QLatin1Char('p'))));
        EXPECT_EQ(Read(store.path()), before);
        EXPECT_EQ(store.read(ini::kBatchSection, ini::kSaveFolder), QStringLiteral("D:\\照片"));
        IniDocument doc = IniDocument::Load(store.path());
        doc.setValue(ini::kBatchSection, ini::kCustomPrefix, QString(size, QLatin1Char('q')));
        QString reason;
        EXPECT_FALSE(doc.save(store.path(), &reason));
        EXPECT_EQ(reason, QStringLiteral("磁盘空间不足。"));
        EXPECT_EQ(Entries(disk.path()), (QStringList{"filler", ini::kSettingsFileName}));
    }
}

TEST(AtomicFile, ReplacesKeepingTheModeAndLeavesNoTemporary) {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.dll");
    EXPECT_EQ(WriteFileAtomically(path, "one"), QString());
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    EXPECT_EQ(WriteFileAtomically(path, "two"), QString());
    EXPECT_EQ(Read(path), QByteArray("two"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(WriteFileAtomically(path, QByteArray()), QString());
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_EQ(Entries(dir.path()), QStringList{"set.dll"});
}

TEST(AtomicFile, FailuresGiveTheReasonAndTouchNothing) {
    QTemporaryDir dir;
    EXPECT_EQ(WriteFileAtomically(dir.filePath("gone/set.dll"), "x"), QStringLiteral("目录不存在。"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    EXPECT_EQ(WriteFileAtomically(dir.filePath("folder"), "x"), QStringLiteral("已有同名文件夹。"));
    Write(dir.filePath("plain"), "keep");
    EXPECT_EQ(WriteFileAtomically(dir.filePath("plain/set.dll"), "x"),
              QStringLiteral("路径中有一项不是文件夹。"));
    EXPECT_EQ(Read(dir.filePath("plain")), QByteArray("keep"));
    EXPECT_EQ(Entries(dir.path()), QStringList{"plain"});
    EXPECT_FALSE(FileErrorReason(EXDEV).isEmpty());  // no text of ours: the system's message
}

TEST(AtomicFile, StaleTemporariesOfTheTargetAloneAreRemovedOnTheNextWrite) {
    QTemporaryDir dir;
    const QString task = QStringLiteral("批截任务.ini");
    const QStringList stale = {task + ".Ab12Cd", task + ".zzzzzz"};
    const QStringList kept = {
        task + ".young1",   // may belong to a write in progress
        task + ".Ab12C",    // not our pattern: five characters
        task + ".Ab12Cd7",  // seven
        task + ".Ab-2Cd",   // not a letter or digit
        "set.dll.Ab12Cd",   // another target's
        "x" + task + ".Ab12Cd", task + ".Ab12Cd.bak",
    };
    for (const QString& name : stale + kept) {
        Write(dir.filePath(name), "left over");
        if (name != task + ".young1") {
            MakeOld(dir.filePath(name));
        }
    }
    ASSERT_TRUE(QFile::link(dir.filePath("set.dll.Ab12Cd"), dir.filePath(task + ".Lnk000")));
    EXPECT_EQ(WriteFileAtomically(dir.filePath(task), "[批截位置]"), QString());
    QStringList expected = kept;
    expected << task << task + ".Lnk000";
    expected.sort();
    QStringList found = Entries(dir.path());
    found.sort();
    EXPECT_EQ(found, expected);

    // With no age limit the young one goes too.
    RemoveStaleTemporaries(dir.filePath(task), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath(task + ".young1")));
}

}  // namespace
