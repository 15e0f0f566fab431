#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "batch/BatchSettings.h"
#include "batch/BatchTask.h"
#include "settings/Gbk.h"
#include "settings/IniFile.h"

using namespace picura;

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class BatchTaskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(root.path()).mkdir("settings"));
        ASSERT_TRUE(QDir(root.path()).mkdir("source"));
    }
    void picture(const QString& name) {
        QFile f(source + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << qPrintable(name);
    }
    BatchCropTask makeTask() const { return BatchCropTask(BatchCropTask::PathIn(settings), source); }

    QTemporaryDir root;
    QString settings = root.filePath("settings");
    QString source = root.filePath("source");
};

TEST_F(BatchTaskTest, NewTaskFileIsTheExactGbkText) {
    picture("b.png");
    picture("a.jpg");
    picture("notes.txt");
    BatchCropTask task = makeTask();
    EXPECT_EQ(task.startOver(), 2);
    EXPECT_EQ(task.count(), 2);
    const QByteArray expected =
        "[\xC5\xFA\xBD\xD8\xCE\xBB\xD6\xC3]\r\n\xC5\xFA\xBD\xD8\xCE\xBB\xD6\xC3=1\r\n"
        "[\xD7\xEE\xB4\xF3\xCE\xBB\xD6\xC3]\r\n\xD7\xEE\xB4\xF3\xCE\xBB\xD6\xC3=2\r\n"
        "[1]\r\n\xB2\xD9\xD7\xF7\xBC\xC7\xC2\xBC=\xCE\xB4\xBD\xD8\xCD\xBC\r\n\xCD\xBC\xC6\xAC\xC3\xFB=a."
        "jpg\r\n"
        "[2]\r\n\xB2\xD9\xD7\xF7\xBC\xC7\xC2\xBC=\xCE\xB4\xBD\xD8\xCD\xBC\r\n\xCD\xBC\xC6\xAC\xC3\xFB=b."
        "png\r\n";
    EXPECT_EQ(Read(settings + QStringLiteral("/批截任务.ini")), expected);
}

TEST_F(BatchTaskTest, WalksForwardAndBackWithEndMessages) {
    picture("a.jpg");
    picture("b.png");
    BatchCropTask task = makeTask();
    ASSERT_EQ(task.startOver(), 2);

    BatchView v = task.show(BatchDirection::Current);
    EXPECT_EQ(v.outcome, BatchView::Outcome::Shown);
    EXPECT_EQ(v.caption, QStringLiteral(" 当前文件：a.jpg  未截图"));
    EXPECT_EQ(v.picturePath, source + "/a.jpg");
    EXPECT_EQ(task.position(), 1);

    v = task.show(BatchDirection::Previous);
    EXPECT_EQ(v.outcome, BatchView::Outcome::AtFirst);
    EXPECT_EQ(v.message, QStringLiteral("当前已是最初图片"));
    EXPECT_EQ(v.title, QStringLiteral("提示"));
    EXPECT_EQ(task.storedPosition(), 1);

    v = task.show(BatchDirection::Next);
    EXPECT_EQ(v.caption, QStringLiteral(" 当前文件：b.png  未截图"));
    EXPECT_EQ(task.storedPosition(), 2);
    EXPECT_EQ(task.currentName(), QStringLiteral("b.png"));

    v = task.show(BatchDirection::Next);
    EXPECT_EQ(v.outcome, BatchView::Outcome::AtLast);
    EXPECT_EQ(v.message, QStringLiteral("当前已是末位图片"));
    EXPECT_EQ(task.storedPosition(), 2);
    EXPECT_EQ(task.position(), 2);
    EXPECT_EQ(task.storedCount(), 2);
}

TEST_F(BatchTaskTest, PastTheEndNewPicturesAreAppended) {
    picture("a.jpg");
    picture("b.png");
    BatchCropTask task = makeTask();
    task.startOver();
    task.show(BatchDirection::Next);
    ASSERT_EQ(task.show(BatchDirection::Next).outcome, BatchView::Outcome::AtLast);

    picture("d.jpg");
    picture("c.jpg");
    const BatchView v = task.show(BatchDirection::Next);
    EXPECT_EQ(v.outcome, BatchView::Outcome::Shown);
    EXPECT_EQ(v.caption, QStringLiteral(" 当前文件：c.jpg  未截图"));
    EXPECT_EQ(task.position(), 3);
    EXPECT_EQ(task.count(), 4);
    EXPECT_EQ(task.storedCount(), 4);
    EXPECT_EQ(task.storedPosition(), 3);
    EXPECT_EQ(task.storedName(4), QStringLiteral("d.jpg"));
    EXPECT_EQ(task.storedState(4), QStringLiteral("未截图"));
    EXPECT_FALSE(task.appendNewPictures());
}

TEST_F(BatchTaskTest, AppendSkipsKnownNamesEvenWhenOthersAreGone) {
    picture("a.jpg");
    picture("b.jpg");
    BatchCropTask task = makeTask();
    task.startOver();
    QFile::remove(source + "/a.jpg");
    EXPECT_FALSE(task.appendNewPictures());
    picture("e.jpg");
    EXPECT_TRUE(task.appendNewPictures());
    EXPECT_EQ(task.storedCount(), 3);
    EXPECT_EQ(task.storedName(3), QStringLiteral("e.jpg"));
    EXPECT_EQ(task.storedName(1), QStringLiteral("a.jpg"));
}

TEST_F(BatchTaskTest, AppendReadsKnownNamesByTheFileRules) {
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
        picture(n);
    }
    // Blanks and quotes around names, a section written twice (the first counts),
    // "[01]" (not position 1) and a position beyond the count.
    const QByteArray text =
        "[最大位置]\r\n最大位置=4\r\n[ 1 ]\r\n 图片名 = a.jpg \r\n[2]\r\n图片名=\"b.jpg\"\r\n"
        "[3]\r\n操作记录=未截图\r\n[01]\r\n图片名=c.jpg\r\n[2]\r\n图片名=d.jpg\r\n"
        "[5]\r\n图片名=e.jpg\r\n";
    const QString path = BatchCropTask::PathIn(settings);
    ASSERT_TRUE(IniDocument::Parse(ToGbk(QString::fromUtf8(text))).save(path));
    BatchCropTask task(path, source);
    task.resume();
    ASSERT_EQ(task.count(), 4);
    EXPECT_TRUE(task.appendNewPictures());
    EXPECT_EQ(task.count(), 7);
    EXPECT_EQ(task.storedName(5), QStringLiteral("c.jpg"));
    EXPECT_EQ(task.storedName(6), QStringLiteral("d.jpg"));
    EXPECT_EQ(task.storedName(7), QStringLiteral("e.jpg"));
    EXPECT_EQ(task.storedCount(), 7);
}

TEST_F(BatchTaskTest, AppendedSectionsFollowTheLastLineOrFillAStraySectionInPlace) {
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        picture(n);
    }
    // Two pictures, a stray section 3 further up, and blank lines at the end.
    const QByteArray text =
        "[批截位置]\r\n批截位置=1\r\n[3]\r\n图片名=old.jpg\r\n[最大位置]\r\n最大位置=2\r\n"
        "[1]\r\n操作记录=未截图\r\n图片名=a.jpg\r\n[2]\r\n操作记录=已截图\r\n图片名=b.jpg\r\n\r\n  \r\n";
    const QString path = BatchCropTask::PathIn(settings);
    ASSERT_TRUE(IniDocument::Parse(ToGbk(QString::fromUtf8(text))).save(path));
    BatchCropTask task(path, source);
    task.resume();
    ASSERT_TRUE(task.appendNewPictures());
    EXPECT_EQ(task.storedName(3), QStringLiteral("c.jpg"));
    EXPECT_EQ(task.storedState(3), QStringLiteral("未截图"));
    EXPECT_EQ(task.storedName(4), QStringLiteral("d.jpg"));
    EXPECT_EQ(task.storedState(2), QStringLiteral("已截图"));
    const QByteArray expected =
        "[批截位置]\r\n批截位置=1\r\n[3]\r\n图片名=c.jpg\r\n操作记录=未截图\r\n[最大位置]\r\n最大位置=4\r\n"
        "[1]\r\n操作记录=未截图\r\n图片名=a.jpg\r\n[2]\r\n操作记录=已截图\r\n图片名=b.jpg\r\n"
        "[4]\r\n操作记录=未截图\r\n图片名=d.jpg\r\n";
    EXPECT_EQ(FromGbk(Read(path)), QString::fromUtf8(expected));
}

TEST_F(BatchTaskTest, MarkCroppedWritesTheStateOfTheShownPicture) {
    for (const char* n : {"1.jpg", "2.jpg", "3.jpg"}) {
        picture(n);
    }
    BatchCropTask task = makeTask();
    task.startOver();
    task.show(BatchDirection::Next);
    task.show(BatchDirection::Next);
    EXPECT_EQ(task.markCropped(PictureSource::BatchPicture), QStringLiteral(" 当前文件：3.jpg  已截图"));
    EXPECT_EQ(task.storedState(3), QStringLiteral("已截图"));
    EXPECT_EQ(task.storedState(2), QStringLiteral("未截图"));
    // A second crop leaves it cropped.
    task.markCropped(PictureSource::BatchPicture);
    EXPECT_EQ(task.storedState(3), QStringLiteral("已截图"));

    const QByteArray before = Read(task.taskFilePath());
    EXPECT_EQ(task.markCropped(PictureSource::OpenedFile, "/elsewhere/王五.bmp"),
              QStringLiteral(" 当前文件：王五.bmp  已截图"));
    EXPECT_EQ(Read(task.taskFilePath()), before);
}

TEST_F(BatchTaskTest, ResumesAtTheStoredPositionWithTheStoredStates) {
    for (const char* n : {"1.jpg", "2.jpg", "3.jpg"}) {
        picture(n);
    }
    {
        BatchCropTask task = makeTask();
        task.startOver();
        task.show(BatchDirection::Next);
        task.markCropped(PictureSource::BatchPicture);
        task.end();
        EXPECT_EQ(task.count(), 0);
        EXPECT_EQ(task.position(), 0);
    }
    BatchCropTask later = makeTask();
    later.resume();
    EXPECT_EQ(later.count(), 3);
    BatchView v = later.show(BatchDirection::Current);
    EXPECT_EQ(later.position(), 2);
    EXPECT_EQ(v.caption, QStringLiteral(" 当前文件：2.jpg  已截图"));
    v = later.navigate(BatchDirection::Next);
    EXPECT_EQ(v.caption, QStringLiteral(" 当前文件：3.jpg  未截图"));
}

TEST_F(BatchTaskTest, MissingPictureIsShownAsLostAndSkippedPast) {
    for (const char* n : {"1.jpg", "2.jpg", "3.jpg"}) {
        picture(n);
    }
    BatchCropTask task = makeTask();
    task.startOver();
    QFile::remove(source + "/2.jpg");
    ASSERT_TRUE(QDir(source).mkdir("2.jpg"));  // a folder of that name is not the picture
    BatchView v = task.show(BatchDirection::Next);
    EXPECT_EQ(v.outcome, BatchView::Outcome::Missing);
    EXPECT_EQ(v.caption, QStringLiteral(" 当前文件：2.jpg  已丢失"));
    EXPECT_TRUE(v.picturePath.isEmpty());
    v = task.show(BatchDirection::Next);
    EXPECT_EQ(v.outcome, BatchView::Outcome::Shown);
    EXPECT_EQ(task.position(), 3);
}

TEST_F(BatchTaskTest, NoTaskFileResumesEmptyAndTheNextKeyStartsOver) {
    picture("a.jpg");
    BatchCropTask task = makeTask();
    task.resume();
    EXPECT_EQ(task.count(), 0);
    BatchView v = task.show(BatchDirection::Current);
    EXPECT_EQ(v.outcome, BatchView::Outcome::Missing);
    EXPECT_EQ(v.caption, QStringLiteral(" 当前文件：  已丢失"));

    v = task.navigate(BatchDirection::Next);
    EXPECT_EQ(v.outcome, BatchView::Outcome::Shown);
    EXPECT_EQ(v.caption, QStringLiteral(" 当前文件：a.jpg  未截图"));
    EXPECT_EQ(task.count(), 1);
}

TEST_F(BatchTaskTest, EmptyFolderGivesNoTask) {
    BatchCropTask task = makeTask();
    EXPECT_EQ(task.startOver(), 0);
    EXPECT_FALSE(QFile::exists(task.taskFilePath()));
    EXPECT_EQ(task.navigate(BatchDirection::Next).outcome, BatchView::Outcome::Unchanged);
    EXPECT_FALSE(QFile::exists(task.taskFilePath()));
    EXPECT_EQ(kNoPicturesMessage, QStringLiteral("待截图文件夹中没有可截图的图片。"));
}

TEST_F(BatchTaskTest, StartOverForgetsFormerProgress) {
    picture("a.jpg");
    picture("b.jpg");
    BatchCropTask task = makeTask();
    task.startOver();
    task.show(BatchDirection::Next);
    task.markCropped(PictureSource::BatchPicture);
    EXPECT_EQ(task.startOver(), 2);
    EXPECT_EQ(task.storedPosition(), 1);
    EXPECT_EQ(task.storedState(2), QStringLiteral("未截图"));
}

TEST_F(BatchTaskTest, DamagedTaskFileNeitherHangsNorLeavesTheFolder) {
    picture("a.jpg");
    IniDocument doc;
    doc.setValue("批截位置", "批截位置", "abc");
    doc.setValue("最大位置", "最大位置", "2000000000");
    doc.setValue("1", "图片名", "../settings/secret.jpg");
    doc.setValue("2", "图片名", "a.jpg");
    const QString path = BatchCropTask::PathIn(settings);
    ASSERT_TRUE(doc.save(path));
    QFile secret(settings + "/secret.jpg");
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));

    BatchCropTask task(path, source);
    task.resume();
    EXPECT_LT(task.count(), 100);  // bounded by what the file can hold
    BatchView v = task.show(BatchDirection::Next);
    EXPECT_EQ(v.outcome, BatchView::Outcome::Missing);
    EXPECT_TRUE(v.picturePath.isEmpty());
    v = task.show(BatchDirection::Next);
    EXPECT_EQ(v.outcome, BatchView::Outcome::Shown);
    EXPECT_EQ(v.picturePath, source + "/a.jpg");

    doc.setValue("批截位置", "批截位置", "99999999999");
    ASSERT_TRUE(doc.save(path));
    EXPECT_EQ(task.show(BatchDirection::Next).outcome, BatchView::Outcome::AtLast);
    doc.setValue("批截位置", "批截位置", "-5");
    ASSERT_TRUE(doc.save(path));
    EXPECT_EQ(task.show(BatchDirection::Previous).outcome, BatchView::Outcome::Unchanged);
}

// A move whose write waits: every operation of the task sees it, the file takes it with the next write
// (the pending one or another's), once, and a task that ends or goes writes it.
TEST_F(BatchTaskTest, AMoveWrittenLaterIsSeenAtOnceAndWrittenOnce) {
    picture("a.jpg");
    picture("b.jpg");
    picture("c.jpg");
    const QString path = root.filePath(task::kFileName);
    const auto onDisk = [&] { return IniDocument::Load(path).value("批截位置", "批截位置").value_or(""); };
    {
        BatchCropTask task(path, source);
        ASSERT_TRUE(task.create({"a.jpg", "b.jpg", "c.jpg"}));
        EXPECT_EQ(task.show(BatchDirection::Next, TaskWrite::Later).picturePath, source + "/b.jpg");
        EXPECT_EQ(onDisk(), "1");
        EXPECT_EQ(task.storedPosition(), 2);
        EXPECT_TRUE(task.writePending());
        EXPECT_EQ(onDisk(), "2");
        EXPECT_FALSE(task.writePending());

        // Marking the picture writes the pending position with it.
        task.show(BatchDirection::Next, TaskWrite::Later);
        task.markCropped(PictureSource::BatchPicture);
        EXPECT_EQ(onDisk(), "3");
        EXPECT_EQ(task.storedState(3), task::kCropped);
        EXPECT_FALSE(task.writePending());

        task.show(BatchDirection::Previous, TaskWrite::Later);
        task.end();
        EXPECT_EQ(onDisk(), "2");

        task.resume();
        task.show(BatchDirection::Previous, TaskWrite::Later);
    }
    EXPECT_EQ(onDisk(), "1") << "the task went without writing its last move";
}

TEST_F(BatchTaskTest, UnwritableTaskFileIsReported) {
    picture("a.jpg");
    BatchCropTask task(root.filePath("gone/批截任务.ini"), source);
    EXPECT_FALSE(task.create({"a.jpg"}));
    EXPECT_TRUE(task.writeError().contains(root.filePath("gone/批截任务.ini")));
}

TEST(BatchResume, FolderChecksAndTheirMessages) {
    QTemporaryDir dir;
    EXPECT_EQ(CheckResume(dir.filePath("none"), dir.path()).step, ResumeCheck::Step::OpenSettings);
    EXPECT_EQ(CheckResume(QString(), dir.path()).step, ResumeCheck::Step::OpenSettings);
    ResumeCheck c = CheckResume(dir.path(), QString());
    EXPECT_EQ(c.step, ResumeCheck::Step::SaveFolder);
    EXPECT_EQ(c.message, QStringLiteral("批量截图保存目录尚未设置，请先设置。"));
    EXPECT_EQ(c.title, QStringLiteral("提示："));
    c = CheckResume(dir.path(), dir.filePath("none"));
    EXPECT_EQ(c.message, QStringLiteral("批量截图保存目录不存在，请重新设置。"));
    QDir(dir.path()).mkdir("out");
    EXPECT_EQ(CheckResume(dir.path(), dir.filePath("out")).step, ResumeCheck::Step::Resume);
}

TEST(BatchResume, ASaveFolderThatIsTheSourceFolderIsRefusedHoweverSpelled) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("in");
    QDir(dir.path()).mkdir("out");
    const QString in = dir.filePath("in");
    ASSERT_TRUE(QFile::link(in, dir.filePath("link")));
    for (const QString& save : {in, in + "/", in + "/.", dir.filePath("out/../in"), dir.filePath("link")}) {
        SCOPED_TRACE(save.toStdString());
        const ResumeCheck c = CheckResume(in, save);
        EXPECT_EQ(c.step, ResumeCheck::Step::SameFolder);
        EXPECT_EQ(c.message, QStringLiteral("待截图文件夹不可再用于保存截图，请换一个文件夹保存截图。"));
        EXPECT_EQ(c.title, QStringLiteral("提醒："));
    }
    EXPECT_TRUE(SameFolder(in + "/.", in));
    EXPECT_FALSE(SameFolder(in, dir.filePath("out")));
    EXPECT_FALSE(SameFolder(QString(), QString()));
}

}  // namespace

namespace {

// A class or a staff list of some thousand pictures: the task file is written and
// searched in time linear in its size, not once per picture.
TEST_F(BatchTaskTest, LargeFolderTaskAndAppendStayQuick) {
    QStringList names;
    for (int i = 1; i <= 1500; ++i) {
        names.append(QStringLiteral("照片%1.jpg").arg(i));
        picture(names.back());
    }
    QElapsedTimer timer;
    timer.start();
    BatchCropTask task = makeTask();
    ASSERT_EQ(task.startOver(), 1500);
    const qint64 created = timer.restart();
    picture("照片1501.jpg");
    EXPECT_TRUE(task.appendNewPictures());
    const qint64 appended = timer.restart();
    EXPECT_EQ(task.storedName(1501), QStringLiteral("照片1501.jpg"));
    EXPECT_EQ(task.storedName(10), QStringLiteral("照片10.jpg"));
    EXPECT_LT(created + appended, 2000) << "create " << created << " ms, append " << appended << " ms";
}

}  // namespace
