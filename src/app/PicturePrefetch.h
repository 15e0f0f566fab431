#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <future>
#include <vector>

#include "imaging/Picture.h"

namespace picura {

// Decodes the pictures the operator is likely to ask for next (the neighbours
// of the batch picture shown) on background threads, and keeps the one just
// left, so that a navigation key shows its picture without waiting for the
// decoder. A cached picture is used only while its file is unchanged (size and
// modification time).
class PicturePrefetch {
  public:
    PicturePrefetch() = default;
    PicturePrefetch(const PicturePrefetch&) = delete;
    PicturePrefetch& operator=(const PicturePrefetch&) = delete;
    ~PicturePrefetch();

    // Keeps or starts decoding exactly these paths (at most a few); others are dropped.
    void want(const QStringList& paths);
    // Keeps an already decoded picture (the one being left).
    void remember(const QString& path, const Picture& picture);
    // The picture of `path` if it is cached or being decoded (waits for it then);
    // a null picture otherwise.
    Picture take(const QString& path);
    // Whether `path` is decoded and ready (for tests and benchmarks).
    bool ready(const QString& path) const;

  private:
    struct Entry {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        std::shared_future<Picture> picture;
    };
    static bool Stamp(const QString& path, qint64& size, QDateTime& modified);
    std::vector<Entry> entries_;
};

}  // namespace picura
