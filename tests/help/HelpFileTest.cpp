#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "ScriptedDialogs.h"
#include "help/HelpDigest.h"
#include "help/HelpFile.h"
#include "platform/testing/FakeDesktopOpener.h"

using namespace picura;
using picura::test::FakeDesktopOpener;
using picura::test::ScriptedDialogs;

namespace {

// Folders no process can create files in, not even root.
const QString kUnwritableFolder = QStringLiteral("/proc");
const QString kOtherUnwritableFolder = QStringLiteral("/proc/self");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The inode tells a file rewritten through a temporary file from one left alone.
ino_t InodeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

bool SetModified(const QString& path, const QDateTime& when) {
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime);
}

class HelpFileTest : public ::testing::Test {
  protected:
    QTemporaryDir program;
    QTemporaryDir settings;
    FakeDesktopOpener opener;
    QString programCopy() const { return QDir(program.path()).filePath(kHelpFileName); }
    QString settingsCopy() const { return QDir(settings.path()).filePath(kHelpFileName); }
};

TEST(CarriedHelp, DigestConstantIsTheDigestOfTheBuiltInDocument) {
    const QByteArray carried = CarriedHelpDocument();
    ASSERT_FALSE(carried.isEmpty());
    EXPECT_EQ(Md5Hex(carried), QLatin1String(kCarriedHelpMd5));
    EXPECT_EQ(carried.size(), kCarriedHelpSize);
}

TEST(CarriedHelp, BuiltInDocumentIsTheSourceDocument) {
    const QByteArray source = ReadAll(QStringLiteral(PICURA_HELP_SOURCE));
    ASSERT_FALSE(source.isEmpty());
    EXPECT_EQ(CarriedHelpDocument(), source);
}

TEST(CarriedHelp, Md5HexIsLowerCaseHex) {
    EXPECT_EQ(Md5Hex("abc"), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_EQ(Md5Hex(QByteArray()), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
}

TEST_F(HelpFileTest, FirstUseWritesTheCarriedBytesAndOpensThem) {
    const HelpOpenResult r = OpenHelpFile(program.path(), settings.path(), opener);
    EXPECT_EQ(r.status, HelpOpenStatus::Opened);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.path, programCopy());
    EXPECT_EQ(ReadAll(programCopy()), CarriedHelpDocument());
    EXPECT_EQ(opener.files, QStringList{programCopy()});
    EXPECT_FALSE(QFileInfo::exists(settingsCopy()));
    EXPECT_TRUE(HelpFailureMessage(r).isEmpty());
}

TEST_F(HelpFileTest, UnchangedCopyIsLeftAloneAndOpened) {
    ASSERT_EQ(PutHelpFile(program.path()), HelpCopyResult::Written);
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    ASSERT_TRUE(SetModified(programCopy(), old));
    const ino_t inode = InodeOf(programCopy());

    const HelpOpenResult r = OpenHelpFile(program.path(), settings.path(), opener);
    EXPECT_EQ(r.status, HelpOpenStatus::Opened);
    EXPECT_FALSE(r.written);
    EXPECT_EQ(QFileInfo(programCopy()).lastModified(), old);
    EXPECT_EQ(InodeOf(programCopy()), inode);
    EXPECT_EQ(opener.files, QStringList{programCopy()});
    EXPECT_EQ(PutHelpFile(program.path()), HelpCopyResult::AlreadyCurrent);
}

TEST_F(HelpFileTest, ChangedCopiesAreReplacedBeforeTheyOpen) {
    const QByteArray carried = CarriedHelpDocument();
    QByteArray oneByteChanged = carried;
    oneByteChanged[carried.size() / 2] = oneByteChanged[carried.size() / 2] ^ 0x01;
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"truncated", carried.left(carried.size() - 1)},
        {"cut to half", carried.left(carried.size() / 2)},
        {"empty", QByteArray()},
        {"one byte changed, same size", oneByteChanged},
        {"something appended", carried + "<!-- edited -->"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteAll(programCopy(), c.bytes));
        opener.files.clear();
        const HelpOpenResult r = OpenHelpFile(program.path(), settings.path(), opener);
        EXPECT_EQ(r.status, HelpOpenStatus::Opened);
        EXPECT_TRUE(r.written);
        EXPECT_EQ(ReadAll(programCopy()), carried);
        EXPECT_EQ(opener.files, QStringList{programCopy()});
    }
}

TEST_F(HelpFileTest, ReadOnlyProgramFolderPutsTheCopyInTheFallbackFolder) {
    const HelpOpenResult r = OpenHelpFile(kUnwritableFolder, settings.path(), opener);
    EXPECT_EQ(r.status, HelpOpenStatus::Opened);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.path, settingsCopy());
    EXPECT_EQ(ReadAll(settingsCopy()), CarriedHelpDocument());
    EXPECT_EQ(opener.files, QStringList{settingsCopy()});
}

TEST_F(HelpFileTest, StaleCopyInTheFallbackFolderIsReplacedToo) {
    ASSERT_TRUE(WriteAll(settingsCopy(), "old manual"));
    const HelpOpenResult r = OpenHelpFile(kUnwritableFolder, settings.path(), opener);
    EXPECT_EQ(r.status, HelpOpenStatus::Opened);
    EXPECT_EQ(ReadAll(settingsCopy()), CarriedHelpDocument());

    const HelpOpenResult again = OpenHelpFile(kUnwritableFolder, settings.path(), opener);
    EXPECT_FALSE(again.written);
    EXPECT_EQ(opener.files, (QStringList{settingsCopy(), settingsCopy()}));
}

TEST_F(HelpFileTest, FolderInThePlaceOfTheFileFallsBackWithoutTouchingIt) {
    ASSERT_TRUE(QDir(program.path()).mkdir(kHelpFileName));
    ASSERT_TRUE(WriteAll(QDir(programCopy()).filePath(QStringLiteral("keep.txt")), "x"));
    const HelpOpenResult r = OpenHelpFile(program.path(), settings.path(), opener);
    EXPECT_EQ(r.status, HelpOpenStatus::Opened);
    EXPECT_EQ(r.path, settingsCopy());
    EXPECT_TRUE(QFileInfo(programCopy()).isDir());
    EXPECT_TRUE(QFileInfo::exists(QDir(programCopy()).filePath(QStringLiteral("keep.txt"))));
}

TEST_F(HelpFileTest, PipeInThePlaceOfTheFileIsReplacedWithoutBlocking) {
    // Reading a pipe with no writer would block forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(programCopy()).constData(), 0600), 0);
    EXPECT_FALSE(IsCurrentHelpFile(programCopy()));
    const HelpOpenResult r = OpenHelpFile(program.path(), settings.path(), opener);
    EXPECT_EQ(r.status, HelpOpenStatus::Opened);
    EXPECT_EQ(r.path, programCopy());
    EXPECT_TRUE(QFileInfo(programCopy()).isFile());
    EXPECT_EQ(ReadAll(programCopy()), CarriedHelpDocument());
}

TEST_F(HelpFileTest, NowhereToWriteOpensNothingAndSaysSo) {
    for (const QString& fallback : {kOtherUnwritableFolder, QString()}) {
        SCOPED_TRACE(fallback.toStdString());
        const HelpOpenResult r = OpenHelpFile(kUnwritableFolder, fallback, opener);
        EXPECT_EQ(r.status, HelpOpenStatus::WriteFailed);
        EXPECT_TRUE(r.path.isEmpty());
        EXPECT_TRUE(opener.files.isEmpty());
        EXPECT_EQ(HelpFailureMessage(r),
                  QStringLiteral("无法写出使用帮助文件：程序所在文件夹和设置文件夹都不能写入。"));
    }
}

TEST_F(HelpFileTest, ShowHelpFileTellsTheWriteFailure) {
    ScriptedDialogs dialogs;
    ShowHelpFile(kUnwritableFolder, kOtherUnwritableFolder, opener, dialogs);
    ASSERT_EQ(dialogs.messages(), QStringList{kHelpWriteFailedText});
    EXPECT_EQ(dialogs.lastMessage()->title, QStringLiteral("提示"));
    EXPECT_EQ(dialogs.lastMessage()->buttons, MessageButtons::Ok);
}

TEST_F(HelpFileTest, DesktopRefusingTheFileTellsWhereItIs) {
    opener.accept = false;
    ScriptedDialogs dialogs;
    ShowHelpFile(program.path(), settings.path(), opener, dialogs);
    EXPECT_EQ(ReadAll(programCopy()), CarriedHelpDocument());
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().front(),
              QStringLiteral("无法打开使用帮助，请用网页浏览器打开以下文件：\r\n") + programCopy());
}

TEST_F(HelpFileTest, OpenedHelpShowsNoMessage) {
    ScriptedDialogs dialogs;
    ShowHelpFile(program.path(), settings.path(), opener, dialogs);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(opener.files, QStringList{programCopy()});
}

}  // namespace
