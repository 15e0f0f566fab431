// The task file on a full disk: the picture list and its states survive a write that cannot be made.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FullDisk.h"
#include "batch/BatchTask.h"

using namespace picura;

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(BatchTaskFullDisk, MarkingCroppedKeepsTheTaskFileAndSaysWhy) {
    // Task files of about 70 bytes, 4 KB, 16 KB and 100 KB.
    for (const int pictures : {1, 100, 400, 2500}) {
        SCOPED_TRACE(pictures);
        picura::test::FullDisk disk;
        if (!disk.mounted()) {
            GTEST_SKIP() << qPrintable(disk.skipReason());
        }
        QTemporaryDir source;
        QStringList names;
        for (int i = 0; i < pictures; ++i) {
            names << QStringLiteral("%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
            QFile f(source.filePath(names.back()));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        BatchCropTask task(BatchCropTask::PathIn(disk.path()), source.path());
        ASSERT_TRUE(task.create(names));
        ASSERT_EQ(task.show(BatchDirection::Current).outcome, BatchView::Outcome::Shown);
        const QByteArray before = Read(task.taskFilePath());
        ASSERT_TRUE(disk.fill());

        task.markCropped(PictureSource::BatchPicture);
        EXPECT_TRUE(task.writeError().contains(QStringLiteral("磁盘空间不足")))
            << qPrintable(task.writeError());
        EXPECT_EQ(Read(task.taskFilePath()), before);
        EXPECT_EQ(task.storedCount(), pictures);
        EXPECT_EQ(task.storedState(1), task::kNotCropped);
        EXPECT_EQ(task.storedName(pictures), names.back());
        EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                  (QStringList{"filler", task::kFileName}));
    }
}

}  // namespace
