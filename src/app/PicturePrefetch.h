#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/PictureBudget.h"
#include "imaging/Decode.h"
#include "imaging/Picture.h"

namespace picura {

// Decodes the pictures the operator is likely to ask for next (the neighbours
// of the batch picture shown) on background threads, and keeps the one just
// left, so that a navigation key shows its picture without waiting for the
// decoder. A picture decoded ahead comes with its halvings built on the same
// thread, so showing it costs one drawing; the one kept for a step back keeps
// its pixels only (see remember()). A cached picture is used only while its
// file is unchanged (size and modification time), and only ever holds the
// pixels decoded from its path. Pictures let go of are freed on those threads
// too, before they decode anything new.
//
// It also keeps the memory budget (PictureBudget) of the picture shown and the
// cached ones: pictures that would break it are not decoded ahead, cached ones
// give way to the picture shown, and the picture shown is decoded with what the
// budget leaves.
//
// Nothing here waits for a decode nobody needs: a dropped decode that has not
// started is cancelled, one that is running finishes on its own and is thrown
// away there. Only load() waits, and only for the picture it was asked for.
class PicturePrefetch {
  public:
    using Decoder = std::function<DecodeResult(const QString& path, std::int64_t maxPixels)>;
    // `decoder` decodes a file within a pixel limit (DecodePictureFileChecked when empty).
    explicit PicturePrefetch(Decoder decoder = {}, const PictureBudget& budget = PictureBudget());
    PicturePrefetch(const PicturePrefetch&) = delete;
    PicturePrefetch& operator=(const PicturePrefetch&) = delete;
    ~PicturePrefetch();

    // Keeps or starts decoding exactly these paths, the first first; others are dropped.
    void want(const QStringList& paths);
    // Keeps a picture decoded from `path` and unchanged since (the one being left),
    // without its halvings: they are freed on a decoding thread once the caller has
    // let its copies go (as it does next, showing another picture).
    void remember(const QString& path, const Picture& picture);
    // The picture of `path`, to be shown in place of the one shown so far: the
    // cached one, or the one being decoded (waiting for it), or decoded here
    // within what the budget leaves. TooLarge says the budget refused it.
    DecodeResult load(const QString& path);
    // The picture shown changed (loaded, pasted, turned): cached pictures give way to it.
    void setShown(const Picture& picture);

    // Whether `path` is decoded, with its halvings, and ready (for tests and benchmarks).
    bool ready(const QString& path) const;
    // Whether `path` is cached or queued or being decoded.
    bool holds(const QString& path) const;
    // Whether `path` is queued or being decoded.
    bool decoding(const QString& path) const;
    // What the picture shown, the cached pictures and the decodes under way count now.
    std::int64_t countedBytes() const;

  private:
    struct Job;
    struct Shared;
    void dropEntry(const std::shared_ptr<Job>& job);
    void startWorkers();
    void makeRoom(std::int64_t room);

    std::shared_ptr<Shared> shared_;
    std::vector<std::shared_ptr<Job>> entries_;  // by priority, the most wanted first
    static constexpr std::size_t kThreads = 2;
    std::vector<std::thread> workers_;  // started with the first decodes asked for, or pictures to give back
};

}  // namespace picura
