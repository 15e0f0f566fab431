#include "settings/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace picura {
namespace {

constexpr int kTemporarySuffixLength = 6;

bool IsTemporarySuffix(const QString& suffix) {
    if (suffix.size() != kTemporarySuffixLength) {
        return false;
    }
    for (const QChar c : suffix) {
        const char16_t u = c.unicode();
        const bool alnum = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
        if (!alnum) {
            return false;
        }
    }
    return true;
}

QString RandomSuffix() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString s;
    for (int i = 0; i < kTemporarySuffixLength; ++i) {
        s += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))]);
    }
    return s;
}

// Creates a new temporary beside `path`; returns its descriptor (or -1 with errno set) and its name.
int CreateTemporary(const QString& path, QByteArray* temporaryName) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporaryName = QFile::encodeName(path + QLatin1Char('.') + RandomSuffix());
        const int fd = ::open(temporaryName->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Writes everything; false with errno set on failure. A write that takes nothing counts as a full disk.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void SyncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // some file systems refuse to sync a folder; the rename itself has happened
        ::close(fd);
    }
}

}  // namespace

QString FileErrorReason(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT: return QStringLiteral("磁盘空间不足。");
        case EACCES:
        case EPERM: return QStringLiteral("没有写入权限。");
        case EROFS: return QStringLiteral("磁盘是只读的。");
        case ENOENT: return QStringLiteral("目录不存在。");
        case ENOTDIR: return QStringLiteral("路径中有一项不是文件夹。");
        case EISDIR: return QStringLiteral("已有同名文件夹。");
        case ENAMETOOLONG: return QStringLiteral("文件名太长。");
        case EIO: return QStringLiteral("读写磁盘时出错。");
        default: break;
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

void RemoveStaleTemporaries(const QString& path, int minimumAgeSeconds) {
    const QFileInfo target(path);
    const QString prefix = target.fileName() + QLatin1Char('.');
    const QDir folder = target.absoluteDir();
    // A name filter keeps the listing of a folder of thousands of pictures short; a name holding wildcard
    // characters itself is matched by hand below instead.
    static const QRegularExpression kWildcard(QStringLiteral("[*?\\[\\]]"));
    const QStringList filter =
        prefix.contains(kWildcard) ? QStringList() : QStringList{prefix + QStringLiteral("??????")};
    const QStringList candidates =
        folder.entryList(filter, QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    const std::time_t now = std::time(nullptr);
    for (const QString& name : candidates) {
        if (!name.startsWith(prefix) || !IsTemporarySuffix(name.mid(prefix.size()))) {
            continue;
        }
        const QByteArray full = QFile::encodeName(folder.filePath(name));
        struct stat st {};
        // lstat: a link of that name is not ours to follow or remove.
        if (::lstat(full.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        if (now - st.st_mtime < minimumAgeSeconds) {
            continue;
        }
        ::unlink(full.constData());
    }
}

QString WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        return FileErrorReason(ENOENT);
    }
    RemoveStaleTemporaries(path);
    const QByteArray target = QFile::encodeName(path);
    struct stat old {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) {
        return FileErrorReason(EISDIR);
    }
    QByteArray temporary;
    const int fd = CreateTemporary(path, &temporary);
    if (fd < 0) {
        return FileErrorReason(errno);
    }
    // The whole sequence is checked: on a full disk a small write may succeed into the page cache and
    // only fail at sync or close, and the old file must then stay as it was.
    bool ok = WriteAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (ok && replacing) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0 || errno == EPERM;
    }
    if (ok) {
        ok = ::fsync(fd) == 0;
    }
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.constData(), target.constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        return FileErrorReason(error);
    }
    SyncFolder(QFile::encodeName(QFileInfo(path).absolutePath()));
    return QString();
}

}  // namespace picura
