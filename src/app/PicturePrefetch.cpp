#include "app/PicturePrefetch.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "app/PictureBudget.h"

namespace picura {

struct PicturePrefetch::Job {
    enum class State { Queued, Running, Done };
    QString path;
    qint64 size = -1;
    QDateTime modified;
    State state = State::Queued;
    bool dropped = false;
    std::int64_t counted = 0;  // what the job counts in Shared::heldBytes
    DecodeResult result;
};

// What the interface thread and the decoding thread share; the thread keeps it
// alive, so a decode still running when its owner is gone finishes safely.
struct PicturePrefetch::Shared {
    Decoder decode;
    PictureBudget budget;
    mutable std::mutex mutex;
    std::condition_variable wake;      // the thread: a job was queued, or stop
    std::condition_variable finished;  // load(): a job is done
    std::deque<std::shared_ptr<Job>> queue;
    std::int64_t shownBytes = 0;
    std::int64_t heldBytes = 0;  // pictures kept and decodes under way, dropped ones included
    bool stop = false;
    int busy = 0;  // threads decoding

    static void Run(const std::shared_ptr<Shared>& s);
};

void PicturePrefetch::Shared::Run(const std::shared_ptr<Shared>& s) {
    std::unique_lock lock(s->mutex);
    for (;;) {
        s->wake.wait(lock, [&] { return s->stop || !s->queue.empty(); });
        if (s->stop) {
            return;
        }
        const std::shared_ptr<Job> job = s->queue.front();
        s->queue.pop_front();
        // The decoder refuses, before taking its memory, a picture larger than the room left.
        const std::int64_t maxPixels = s->budget.maxAheadPixels(s->shownBytes, s->heldBytes);
        if (maxPixels <= 0) {
            job->state = Job::State::Done;
            job->result.error = DecodeError::TooLarge;
            s->finished.notify_all();
            continue;
        }
        job->counted = PictureBudget::BytesFor(maxPixels);
        s->heldBytes += job->counted;
        job->state = Job::State::Running;
        ++s->busy;
        const QString path = job->path;
        lock.unlock();
        DecodeResult result = s->decode(path, maxPixels);
        lock.lock();
        --s->busy;
        s->heldBytes -= job->counted;
        job->counted = 0;
        job->state = Job::State::Done;
        if (job->dropped) {
            DecodeResult unwanted = std::move(result);
            lock.unlock();  // its memory is given back without holding anyone up
            unwanted = DecodeResult();
            lock.lock();
        } else {
            job->result = std::move(result);
            job->counted = PictureBudget::BytesFor(job->result.picture.size());
            s->heldBytes += job->counted;
        }
        s->finished.notify_all();
    }
}

namespace {

bool Stamp(const QString& path, qint64& size, QDateTime& modified) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        return false;
    }
    size = info.size();
    modified = info.lastModified();
    return true;
}

bool Unchanged(const QString& path, qint64 size, const QDateTime& modified) {
    qint64 nowSize = -1;
    QDateTime nowModified;
    return Stamp(path, nowSize, nowModified) && nowSize == size && nowModified == modified;
}

}  // namespace

PicturePrefetch::PicturePrefetch(Decoder decoder, const PictureBudget& budget)
    : shared_(std::make_shared<Shared>()) {
    shared_->budget = budget;
    shared_->decode = decoder ? std::move(decoder) : Decoder(&DecodePictureFileChecked);
}

PicturePrefetch::~PicturePrefetch() {
    std::unique_lock lock(shared_->mutex);
    shared_->stop = true;
    shared_->queue.clear();
    for (const std::shared_ptr<Job>& job : entries_) {
        dropEntry(job);
    }
    entries_.clear();
    const bool busy = shared_->busy > 0;
    lock.unlock();
    shared_->wake.notify_all();
    for (std::thread& worker : workers_) {
        // A decode under way finishes on its own; the threads hold what they need.
        if (busy) {
            worker.detach();
        } else {
            worker.join();
        }
    }
}

// With the lock held.
void PicturePrefetch::dropEntry(const std::shared_ptr<Job>& job) {
    job->dropped = true;
    switch (job->state) {
        case Job::State::Queued: {
            auto& q = shared_->queue;
            q.erase(std::remove(q.begin(), q.end(), job), q.end());
            break;
        }
        case Job::State::Running: break;  // the thread throws its result away
        case Job::State::Done:
            shared_->heldBytes -= job->counted;
            job->counted = 0;
            job->result = DecodeResult();
            break;
    }
}

// With the lock held: cached pictures, the least wanted first, give way until
// the picture shown, what is held and `extra` fit the budget.
void PicturePrefetch::makeRoom(std::int64_t extra) {
    for (std::size_t i = entries_.size(); i-- > 0;) {
        if (shared_->shownBytes + shared_->heldBytes + extra <= shared_->budget.total) {
            return;
        }
        if (entries_[i]->state == Job::State::Done) {
            dropEntry(entries_[i]);
            entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void PicturePrefetch::want(const QStringList& paths) {
    std::vector<std::shared_ptr<Job>> kept;
    {
        std::lock_guard lock(shared_->mutex);
        for (const QString& path : paths) {
            if (path.isEmpty() ||
                std::any_of(kept.begin(), kept.end(), [&](const auto& j) { return j->path == path; })) {
                continue;
            }
            auto it = std::find_if(entries_.begin(), entries_.end(),
                                   [&](const auto& j) { return j->path == path; });
            if (it != entries_.end()) {
                kept.push_back(*it);
                entries_.erase(it);
                continue;
            }
            auto job = std::make_shared<Job>();
            job->path = path;
            if (!Stamp(path, job->size, job->modified)) {
                continue;
            }
            kept.push_back(std::move(job));
        }
        for (const std::shared_ptr<Job>& job : entries_) {
            dropEntry(job);
        }
        entries_ = std::move(kept);
        // Decoded in the order asked for.
        shared_->queue.clear();
        for (const std::shared_ptr<Job>& job : entries_) {
            if (job->state == Job::State::Queued) {
                shared_->queue.push_back(job);
            }
        }
        // Two threads, so that a picture asked for never waits in the queue behind a
        // dropped decode that is still running.
        while (!shared_->queue.empty() && workers_.size() < kThreads) {
            workers_.emplace_back(&Shared::Run, shared_);
        }
    }
    shared_->wake.notify_all();
}

void PicturePrefetch::remember(const QString& path, const Picture& picture) {
    if (path.isEmpty() || picture.isNull()) {
        return;
    }
    auto job = std::make_shared<Job>();
    job->path = path;
    if (!Stamp(path, job->size, job->modified)) {
        return;
    }
    std::lock_guard lock(shared_->mutex);
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& j) { return j->path == path; });
    if (it != entries_.end()) {
        dropEntry(*it);
        entries_.erase(it);
    }
    const std::int64_t bytes = PictureBudget::BytesFor(picture.size());
    if (bytes > shared_->budget.cacheRoom(shared_->shownBytes, shared_->heldBytes)) {
        return;  // keeping it would break the budget
    }
    job->state = Job::State::Done;
    job->result.picture = picture;
    job->counted = bytes;
    shared_->heldBytes += bytes;
    entries_.push_back(std::move(job));
}

DecodeResult PicturePrefetch::load(const QString& path) {
    std::unique_lock lock(shared_->mutex);
    shared_->shownBytes = 0;  // the caller has let its picture go
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& j) { return j->path == path; });
    if (it != entries_.end()) {
        const std::shared_ptr<Job> job = *it;
        entries_.erase(it);
        if (Unchanged(path, job->size, job->modified)) {
            if (job->state == Job::State::Running) {
                // The one picture we wait for: the one asked for.
                shared_->finished.wait(lock, [&] { return job->state == Job::State::Done; });
            }
            if (job->state == Job::State::Done && !job->result.picture.isNull()) {
                DecodeResult result = std::move(job->result);
                shared_->heldBytes -= job->counted;
                job->counted = 0;
                shared_->shownBytes = PictureBudget::BytesFor(result.picture.size());
                makeRoom(0);
                return result;
            }
            if (job->state == Job::State::Done && job->result.error != DecodeError::TooLarge) {
                return job->result;  // no picture in that file: no need to read it again
            }
        }
        dropEntry(job);  // changed on disk, not started, or refused ahead for the budget: decoded here
    }
    // Cached pictures give way so that a picture of the decoders' largest size can be shown.
    makeRoom(PictureBudget::BytesFor(shared_->budget.maxPicturePixels));
    const std::int64_t maxPixels = shared_->budget.maxShownPixels(shared_->heldBytes);
    shared_->shownBytes = PictureBudget::BytesFor(maxPixels);  // until its size is known
    const Decoder decode = shared_->decode;
    lock.unlock();
    DecodeResult result = decode(path, maxPixels);
    lock.lock();
    shared_->shownBytes = PictureBudget::BytesFor(result.picture.size());
    makeRoom(0);
    return result;
}

void PicturePrefetch::setShown(const Picture& picture) {
    std::lock_guard lock(shared_->mutex);
    shared_->shownBytes = PictureBudget::BytesFor(picture.size());
    makeRoom(0);
}

bool PicturePrefetch::ready(const QString& path) const {
    std::lock_guard lock(shared_->mutex);
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& j) { return j->path == path; });
    return it != entries_.end() && (*it)->state == Job::State::Done && !(*it)->result.picture.isNull();
}

bool PicturePrefetch::holds(const QString& path) const {
    std::lock_guard lock(shared_->mutex);
    return std::any_of(entries_.begin(), entries_.end(), [&](const auto& j) { return j->path == path; });
}

bool PicturePrefetch::decoding(const QString& path) const {
    std::lock_guard lock(shared_->mutex);
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const auto& j) { return j->path == path && j->state != Job::State::Done; });
}

std::int64_t PicturePrefetch::countedBytes() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->shownBytes + shared_->heldBytes;
}

}  // namespace picura
