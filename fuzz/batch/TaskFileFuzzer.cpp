// The batch task file: whatever a (damaged) task file holds, after the task is taken up and the folder's
// new pictures are added, every picture of the source folder has a position.
#include <cstddef>
#include <cstdint>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include "batch/BatchTask.h"

namespace {

struct Folders {
    // On a memory file system: the task file is synced on every write.
    QTemporaryDir root{QStringLiteral("/dev/shm/picura-fuzz-XXXXXX")};
    QString source;
    QString taskFile;
    QStringList pictures = {QStringLiteral("a.jpg"), QStringLiteral("b b.png"), QStringLiteral("照片.bmp"),
                            QStringLiteral("1.gif"), QStringLiteral("[2].jpeg")};
    Folders() {
        QDir(root.path()).mkdir(QStringLiteral("source"));
        source = root.filePath(QStringLiteral("source"));
        taskFile = root.filePath(picura::task::kFileName);
        for (const QString& name : pictures) {
            QFile f(source + QLatin1Char('/') + name);
            if (!f.open(QIODevice::WriteOnly)) {
                __builtin_trap();
            }
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Folders folders;
    {
        QFile task(folders.taskFile);
        if (!task.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            __builtin_trap();
        }
        task.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    picura::BatchCropTask task(folders.taskFile, folders.source);
    task.resume();
    task.appendNewPictures();
    QSet<QString> placed;
    const int count = std::min(task.storedCount(), 2000);
    for (int p = 1; p <= count; ++p) {
        placed.insert(task.storedName(p));
    }
    for (const QString& name : folders.pictures) {
        if (!placed.contains(name)) {
            __builtin_trap();
        }
    }
    return 0;
}
