#include "app/PicturePrefetch.h"

#include <QDateTime>
#include <QFileInfo>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

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
    // Pictures let go of, given back to the system by a thread so that the interface
    // thread never waits for their pages to be unmapped; counted in heldBytes until then.
    std::vector<std::pair<Picture, std::int64_t>> garbage;
    int releasing = 0;  // threads giving pictures back
    bool stop = false;
    int busy = 0;  // threads decoding

    // With the lock held: `picture`, counting `bytes`, is given back by a thread.
    void discard(Picture picture, std::int64_t bytes);
    // With `lock` held on entry and on return: gives back every picture let go of.
    void release(std::unique_lock<std::mutex>& lock);
    // The same, and waits for those another thread is giving back.
    void releaseAll(std::unique_lock<std::mutex>& lock);

    static void Run(const std::shared_ptr<Shared>& s);
};

namespace {

// Every block of a megabyte or more (pixels, halvings, file bytes) is mapped on its
// own and unmapped when freed. By default glibc raises that threshold to the size of
// the largest such block freed so far (up to 32 MB), so after the first picture the
// halvings land in heaps it trims only from the top and only past twice that size:
// walking a folder of large photos would leave tens of megabytes of freed halvings
// resident beside the pictures the budget counts.
void MapLargeBlocksAlone() {
#if defined(__GLIBC__)
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_MMAP_THRESHOLD, 1 << 20); });
#endif
}

}  // namespace

void PicturePrefetch::Shared::discard(Picture picture, std::int64_t bytes) {
    if (picture.isNull()) {
        heldBytes -= bytes;
        return;
    }
    garbage.emplace_back(std::move(picture), bytes);
}

void PicturePrefetch::Shared::release(std::unique_lock<std::mutex>& lock) {
    while (!garbage.empty()) {
        std::vector<std::pair<Picture, std::int64_t>> unwanted;
        unwanted.swap(garbage);
        ++releasing;
        lock.unlock();
        std::int64_t bytes = 0;
        for (auto& [picture, counted] : unwanted) {
            picture = Picture();
            bytes += counted;
        }
        lock.lock();
        --releasing;
        heldBytes -= bytes;
        finished.notify_all();
    }
}

void PicturePrefetch::Shared::releaseAll(std::unique_lock<std::mutex>& lock) {
    for (;;) {
        release(lock);
        if (releasing == 0) {
            return;
        }
        finished.wait(lock);
    }
}

void PicturePrefetch::Shared::Run(const std::shared_ptr<Shared>& s) {
    std::unique_lock lock(s->mutex);
    for (;;) {
        s->wake.wait(lock, [&] { return s->stop || !s->queue.empty() || !s->garbage.empty(); });
        // Pictures let go of are given back before anything new is decoded, by whichever
        // thread: a picture being left and the next one decoded never take memory together.
        s->releaseAll(lock);
        if (s->stop) {
            return;
        }
        if (s->queue.empty()) {
            continue;
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
        if (!job->dropped && !result.picture.isNull()) {
            // The halvings are built here, so that the first drawing of the picture
            // when it is shown (a strong reduction) only scales.
            lock.unlock();
            result.picture.buildHalvings();
            lock.lock();
        }
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
    MapLargeBlocksAlone();
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
            shared_->discard(std::move(job->result.picture), job->counted);
            job->counted = 0;
            job->result = DecodeResult();
            startWorkers();
            shared_->wake.notify_all();
            break;
    }
}

// With the lock held: starts the threads the work needs. Two for decodes, so that a
// picture asked for never waits in the queue behind a dropped decode that is still
// running; one at least for pictures to give back.
void PicturePrefetch::startWorkers() {
    if (shared_->stop) {
        return;
    }
    const std::size_t needed = !shared_->queue.empty() ? kThreads : !shared_->garbage.empty() ? 1 : 0;
    while (workers_.size() < needed) {
        workers_.emplace_back(&Shared::Run, shared_);
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
        startWorkers();
    }
    shared_->wake.notify_all();
}

void PicturePrefetch::remember(const QString& path, const Picture& picture) {
    // A reduced picture has no pixels of its own to show again.
    if (path.isEmpty() || picture.isNull() || picture.isReduced()) {
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
    // Kept for a step back, the picture keeps its pixels and its coarser halvings but
    // gives back the finest one (three quarters of their memory): the picture shown
    // and the one decoded ahead have all of theirs, and a third full set would cost a
    // third of a picture more. Stepping back still draws the fit zoom at once.
    const std::int64_t bytes = PictureBudget::BytesWithoutFinestHalving(picture.size());
    if (bytes > shared_->budget.cacheRoom(shared_->shownBytes, shared_->heldBytes)) {
        return;  // keeping it would break the budget
    }
    job->state = Job::State::Done;
    job->result.picture = picture.withoutFinestHalving();
    job->counted = bytes;
    shared_->heldBytes += bytes;
    entries_.push_back(std::move(job));
    // The caller lets its copy go next (the picture being left), so this one becomes
    // the last holder of the finest halving, and a decoding thread gives them back when it
    // is next woken (by want()) rather than the interface thread.
    const std::int64_t halvings = PictureBudget::BytesFor(picture.size()) - bytes;
    shared_->heldBytes += halvings;
    shared_->discard(picture, halvings);
    startWorkers();
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
    // Cached pictures give way so that a picture of the decoders' largest size can be shown;
    // the decode here takes long enough that their memory is given back first.
    makeRoom(PictureBudget::BytesFor(shared_->budget.maxPicturePixels));
    shared_->releaseAll(lock);
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
