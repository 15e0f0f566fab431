#include "app/PicturePrefetch.h"

#include <QFileInfo>

#include <algorithm>

#include "imaging/Decode.h"

namespace picura {

PicturePrefetch::~PicturePrefetch() {
    for (Entry& e : entries_) {
        if (e.picture.valid()) {
            e.picture.wait();
        }
    }
}

bool PicturePrefetch::Stamp(const QString& path, qint64& size, QDateTime& modified) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        return false;
    }
    size = info.size();
    modified = info.lastModified();
    return true;
}

void PicturePrefetch::want(const QStringList& paths) {
    std::vector<Entry> kept;
    for (const QString& path : paths) {
        if (path.isEmpty()) {
            continue;
        }
        auto it =
            std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.path == path; });
        if (it != entries_.end()) {
            kept.push_back(std::move(*it));
            entries_.erase(it);
            continue;
        }
        Entry e;
        e.path = path;
        if (!Stamp(path, e.size, e.modified)) {
            continue;
        }
        e.picture = std::async(std::launch::async, [path] { return DecodePictureFile(path); }).share();
        kept.push_back(std::move(e));
    }
    // Dropped entries still decoding finish on their own; their futures wait here.
    for (Entry& e : entries_) {
        if (e.picture.valid()) {
            e.picture.wait();
        }
    }
    entries_ = std::move(kept);
}

void PicturePrefetch::remember(const QString& path, const Picture& picture) {
    if (path.isEmpty() || picture.isNull()) {
        return;
    }
    Entry e;
    e.path = path;
    if (!Stamp(path, e.size, e.modified)) {
        return;
    }
    std::promise<Picture> done;
    done.set_value(picture);
    e.picture = done.get_future().share();
    entries_.erase(
        std::remove_if(entries_.begin(), entries_.end(), [&](const Entry& x) { return x.path == path; }),
        entries_.end());
    entries_.push_back(std::move(e));
}

Picture PicturePrefetch::take(const QString& path) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.path == path; });
    if (it == entries_.end()) {
        return {};
    }
    qint64 size = -1;
    QDateTime modified;
    const bool same = Stamp(path, size, modified) && size == it->size && modified == it->modified;
    Picture picture = it->picture.get();
    entries_.erase(it);
    return same ? picture : Picture();
}

bool PicturePrefetch::ready(const QString& path) const {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.path == path; });
    return it != entries_.end() && it->picture.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace picura
