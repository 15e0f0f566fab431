#pragma once

// A small, completely full file system for tests of writers on a full disk: a tmpfs mounted on a fresh
// temporary folder, then filled. Mounting needs root; tests call GTEST_SKIP with `skipReason()` otherwise.
// The file system is unmounted by the destructor (also when the test fails), lazily, so an open file
// cannot keep it mounted.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace picura::test {

class FullDisk {
  public:
    FullDisk() {
        if (::geteuid() != 0) {
            skipReason_ = QStringLiteral("full-disk test skipped: mounting a small tmpfs needs root");
            return;
        }
        if (!holder_.isValid()) {
            skipReason_ = QStringLiteral("full-disk test skipped: no temporary folder");
            return;
        }
        const QByteArray where = QFile::encodeName(holder_.path());
        if (::mount("tmpfs", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0755") != 0) {
            skipReason_ = QStringLiteral("full-disk test skipped: mount failed: ") +
                          QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        mounted_ = true;
    }
    ~FullDisk() {
        if (mounted_) {
            ::umount2(QFile::encodeName(holder_.path()).constData(), MNT_DETACH);
        }
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    const QString& skipReason() const { return skipReason_; }
    QString path() const { return holder_.path(); }
    QString filePath(const QString& name) const { return QDir(holder_.path()).filePath(name); }

    // Takes every free block; returns false when the file system did not fill up.
    bool fill() const {
        const QByteArray filler = QFile::encodeName(filePath(QStringLiteral("filler")));
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) {
            return false;
        }
        char block[1024] = {};
        bool full = false;
        for (int i = 0; i < 100000 && !full; ++i) {
            const ssize_t n = ::write(fd, block, sizeof block);
            full = n < 0 && errno == ENOSPC;
        }
        // The last partial block: write byte by byte until nothing more fits.
        while (::write(fd, block, 1) == 1) {
        }
        ::close(fd);
        return full;
    }

  private:
    QTemporaryDir holder_;
    bool mounted_ = false;
    QString skipReason_;
};

}  // namespace picura::test
