#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

#include "TestImages.h"
#include "app/PictureBudget.h"
#include "app/PicturePrefetch.h"
#include "imaging/CodecLimits.h"

using namespace picura;

namespace {

// Polls `done` until it holds or `ms` pass, letting other threads run.
template <typename F>
bool WaitFor(F done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::yieldCurrentThread();
        QThread::usleep(200);
    }
    return true;
}

// Runs `f` on another thread and tells whether it came back within `ms`.
template <typename F>
bool ReturnsWithin(F f, int ms = 2000) {
    auto done = std::async(std::launch::async, f);
    return done.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
}

// A decoder that holds the first decode of chosen paths until released.
class GatedDecoder {
  public:
    PicturePrefetch::Decoder decoder() {
        return [this](const QString& path, std::int64_t maxPixels) {
            {
                std::unique_lock lock(mutex_);
                if (++started_[path] == 1 && gated_.contains(path)) {
                    changed_.notify_all();
                    changed_.wait(lock, [&] { return !gated_.contains(path); });
                }
            }
            ++finished_;
            return DecodePictureFileChecked(path, maxPixels);
        };
    }
    void gate(const QString& path) {
        std::lock_guard lock(mutex_);
        gated_.insert(path);
    }
    void release(const QString& path) {
        std::lock_guard lock(mutex_);
        gated_.remove(path);
        changed_.notify_all();
    }
    int started(const QString& path) {
        std::lock_guard lock(mutex_);
        return started_.value(path);
    }
    int finished() const { return finished_; }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    QSet<QString> gated_;
    QHash<QString, int> started_;
    std::atomic<int> finished_{0};
};

// Writes `colour` over every pixel of `picture` and of all its copies: the pixels
// are shared, not detached, so pixels the picture already drew from (its halvings)
// keep what was there before.
void PaintBehindItsBack(const Picture& picture, QRgb colour) {
    const QImage& pixels = picture.pixels();
    auto* bits = reinterpret_cast<QRgb*>(const_cast<uchar*>(pixels.constBits()));
    std::fill(bits, bits + pixels.sizeInBytes() / 4, colour);
}

// A decoder that keeps a copy of every picture it decodes (sharing its pixels and halvings).
class KeepingDecoder {
  public:
    PicturePrefetch::Decoder decoder() {
        return [this](const QString& path, std::int64_t maxPixels) {
            DecodeResult result = DecodePictureFileChecked(path, maxPixels);
            std::lock_guard lock(mutex_);
            decoded_[path] = result.picture;
            return result;
        };
    }
    Picture decoded(const QString& path) {
        std::lock_guard lock(mutex_);
        return decoded_.value(path);
    }

  private:
    std::mutex mutex_;
    QHash<QString, Picture> decoded_;
};

class PicturePrefetchTest : public ::testing::Test {
  protected:
    QString photo(const char* name, int w, int h, unsigned seed = 3) {
        const QString path = dir.filePath(QString::fromUtf8(name));
        test::MakePhotoLike(w, h, seed).save(path);
        return path;
    }
    QTemporaryDir dir;
};

TEST(PictureBudgetArithmetic, CountsFourBytesAPixelAndAThirdForThePyramid) {
    EXPECT_EQ(PictureBudget::BytesFor(3), 16);
    EXPECT_EQ(PictureBudget::BytesFor(QSize(6000, 4000)), 128'000'000);
    EXPECT_EQ(PictureBudget::BytesFor(QSize(0, 4000)), 0);
    EXPECT_EQ(PictureBudget::BytesFor(-5), 0);
    EXPECT_EQ(PictureBudget::PixelsWithin(128'000'000), 24'000'000);
    EXPECT_EQ(PictureBudget::PixelsWithin(-1), 0);
    // Without its halvings a picture counts its pixels alone.
    EXPECT_EQ(PictureBudget::BytesWithoutFinestHalving(QSize(6000, 4000)), 104'000'000);
    EXPECT_EQ(PictureBudget::BytesWithoutFinestHalving(QSize(6000, -1)), 0);
    EXPECT_EQ(PictureBudget::BytesWithoutFinestHalving(QSize(46341, 46341)),
              std::int64_t(46341) * 46341 * 13 / 3);
    // Never more pixels than the bytes pay for.
    for (std::int64_t bytes : {1LL, 15LL, 16LL, 17LL, 1'000'003LL}) {
        EXPECT_LE(PictureBudget::BytesFor(PictureBudget::PixelsWithin(bytes)), bytes) << bytes;
    }
}

TEST(PictureBudgetArithmetic, TheShownPictureKeepsItsReserveAndTheDecodersLimit) {
    const PictureBudget budget;
    EXPECT_EQ(budget.total, std::int64_t(1536) << 20);
    // Alone, the picture shown may be as large as the decoders take.
    EXPECT_EQ(budget.maxShownPixels(0), kDefaultMaxPicturePixels);
    // 24 MP and 50 MP pictures still open with the most the cache may hold.
    const std::int64_t mostAhead = budget.cacheRoom(0, 0);
    EXPECT_EQ(mostAhead, budget.total - budget.shownReserve);
    EXPECT_GE(budget.maxShownPixels(mostAhead), 100'000'000);
    // The room ahead shrinks with the picture shown once it is above the reserve.
    const std::int64_t big = PictureBudget::BytesFor(QSize(10900, 10900));
    EXPECT_EQ(budget.cacheRoom(big, 0), budget.total - big);
    // Beside one shown and one kept, a third such picture is never decoded ahead.
    EXPECT_LT(budget.cacheRoom(big, big), big);
    EXPECT_LT(budget.maxAheadPixels(big, big), std::int64_t(10900) * 10900);
    EXPECT_LE(big + big + PictureBudget::BytesFor(budget.maxAheadPixels(big, big)), budget.total);
    EXPECT_EQ(budget.cacheRoom(0, budget.total * 2), 0);
    // A 15800 × 15800 picture (about 1 GB of pixels) never opens.
    EXPECT_LT(budget.maxShownPixels(0), std::int64_t(15800) * 15800);
}

TEST_F(PicturePrefetchTest, DroppedDecodesNeverHoldUpTheOperator) {
    const QString slow = photo("slow.png", 64, 48);
    const QString next = photo("next.png", 80, 60);
    const QString other = photo("other.png", 90, 70);
    GatedDecoder gated;
    gated.gate(slow);
    PicturePrefetch prefetch(gated.decoder());
    prefetch.want({slow, next});
    ASSERT_TRUE(WaitFor([&] { return gated.started(slow) == 1; }));

    // The operator moves on twice while `slow` is still decoding: neither waits for it.
    EXPECT_TRUE(ReturnsWithin([&] { prefetch.want({next, other}); }));
    EXPECT_FALSE(prefetch.holds(slow));
    // The pictures still wanted are decoded ahead meanwhile, not queued behind it.
    EXPECT_TRUE(WaitFor([&] { return prefetch.ready(next); }));
    EXPECT_EQ(gated.started(slow), 1);
    // A picture asked for is decoded at once, not behind the dropped one.
    DecodeResult shown;
    EXPECT_TRUE(ReturnsWithin([&] { shown = prefetch.load(other); }));
    EXPECT_EQ(shown.picture.size(), QSize(90, 70));
    EXPECT_TRUE(ReturnsWithin([&] { prefetch.want({}); }));

    // The dropped decode then finishes on its own and its picture is thrown away.
    gated.release(slow);
    ASSERT_TRUE(WaitFor([&] { return gated.finished() >= 2; }));
    EXPECT_TRUE(WaitFor([&] { return prefetch.countedBytes() == PictureBudget::BytesFor(QSize(90, 70)); }));
    EXPECT_FALSE(prefetch.ready(slow));
}

TEST_F(PicturePrefetchTest, LoadWaitsOnlyForThePictureAskedForAndNeverForAChangedFile) {
    const QString a = photo("a.png", 64, 48);
    GatedDecoder gated;
    gated.gate(a);
    PicturePrefetch prefetch(gated.decoder());
    prefetch.want({a});
    ASSERT_TRUE(WaitFor([&] { return gated.started(a) == 1; }));

    // The file changes while its old content decodes: the decode under way is no
    // use, and loading does not wait for it.
    test::MakePhotoLike(100, 50, 9).save(a);
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    f.close();
    DecodeResult fresh;
    EXPECT_TRUE(ReturnsWithin([&] { fresh = prefetch.load(a); }));
    EXPECT_EQ(fresh.picture.size(), QSize(100, 50));
    gated.release(a);

    // A decode under way of the picture asked for is waited for, and used.
    const QString b = photo("b.png", 30, 20);
    gated.gate(b);
    prefetch.want({b});
    ASSERT_TRUE(WaitFor([&] { return gated.started(b) == 1; }));
    auto loading = std::async(std::launch::async, [&] { return prefetch.load(b); });
    EXPECT_EQ(loading.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    gated.release(b);
    EXPECT_EQ(loading.get().picture.size(), QSize(30, 20));
    EXPECT_EQ(gated.started(b), 1);  // not decoded twice
}

TEST_F(PicturePrefetchTest, PicturesBeyondTheBudgetAreNeitherDecodedAheadNorKept) {
    // A budget of 12 MiB: a 1000 × 1000 picture counts 5.3 MB, so beside the one
    // shown only one more fits.
    PictureBudget budget;
    budget.total = std::int64_t(12) << 20;
    budget.shownReserve = std::int64_t(4) << 20;
    budget.maxPicturePixels = 2'000'000;
    const QString a = photo("a.png", 1000, 1000);
    const QString b = photo("b.png", 1000, 1000);
    const QString c = photo("c.png", 1000, 1000);
    const QString huge = photo("huge.png", 1500, 1500);  // 2.25 MP: above the largest picture
    PicturePrefetch prefetch({}, budget);

    DecodeResult shown = prefetch.load(a);
    ASSERT_FALSE(shown.picture.isNull());
    prefetch.want({b, c});
    ASSERT_TRUE(WaitFor([&] { return prefetch.ready(b); }));
    ASSERT_TRUE(WaitFor([&] { return !prefetch.decoding(c); }));
    EXPECT_FALSE(prefetch.ready(c));
    EXPECT_LE(prefetch.countedBytes(), budget.total);

    // The picture being left is not kept either: there is no room for it.
    prefetch.remember(a, shown.picture);
    EXPECT_FALSE(prefetch.ready(a));

    // c, refused ahead, is still shown when asked for: b gives way to it.
    shown = prefetch.load(c);
    EXPECT_EQ(shown.picture.size(), QSize(1000, 1000));
    EXPECT_LE(prefetch.countedBytes(), budget.total);

    // A picture above the largest size is refused, with its size for the message.
    shown = prefetch.load(huge);
    EXPECT_TRUE(shown.picture.isNull());
    EXPECT_EQ(shown.error, DecodeError::TooLarge);
    EXPECT_EQ(shown.declaredSize, QSize(1500, 1500));
}

TEST_F(PicturePrefetchTest, APictureDecodedAheadArrivesWithItsHalvingsBuilt) {
    const QString path = photo("a.png", 800, 600);
    const QImage expected = Picture(test::MakePhotoLike(800, 600, 3)).scaled(100, 75);
    KeepingDecoder keeping;
    PicturePrefetch prefetch(keeping.decoder());
    prefetch.want({path});
    ASSERT_TRUE(WaitFor([&] { return prefetch.ready(path); }));

    // Painted black once ready, before this thread asks for it: a strong reduction
    // still shows the photo, so it draws from halvings built before, on the
    // decoding thread.
    PaintBehindItsBack(keeping.decoded(path), qRgb(0, 0, 0));
    const DecodeResult shown = prefetch.load(path);
    ASSERT_FALSE(shown.picture.isNull());
    EXPECT_EQ(shown.picture.pixels().pixel(400, 300), qRgb(0, 0, 0));  // the same pixels
    EXPECT_LE(test::MaxChannelDifference(shown.picture.scaled(100, 75), expected), 1);

    // A picture decoded when asked for builds them when first drawn: from black.
    PicturePrefetch plain;
    const DecodeResult decodedHere = plain.load(path);
    ASSERT_FALSE(decodedHere.picture.isNull());
    PaintBehindItsBack(decodedHere.picture, qRgb(0, 0, 0));
    EXPECT_EQ(decodedHere.picture.scaled(100, 75).pixel(50, 37), qRgb(0, 0, 0));
}

TEST_F(PicturePrefetchTest, APictureKeptForAStepBackKeepsItsPixelsButGivesBackItsFinestHalving) {
    const QString a = photo("a.png", 800, 600);
    const QString b = photo("b.png", 400, 300, 5);
    PicturePrefetch prefetch;
    Picture shown = prefetch.load(a).picture;
    ASSERT_FALSE(shown.isNull());
    const QImage drawn = shown.scaled(100, 75);  // builds its halvings
    const QImage drawnFrom = shown.pixels();

    // The operator moves on to b: a is kept, counting its pixels and its coarser
    // halvings, and its finest halving goes with the copy the operator let go of.
    prefetch.remember(a, shown);
    shown = prefetch.load(b).picture;
    prefetch.want({a});
    const std::int64_t expected =
        PictureBudget::BytesFor(QSize(400, 300)) + PictureBudget::BytesWithoutFinestHalving(QSize(800, 600));
    EXPECT_TRUE(WaitFor([&] { return prefetch.countedBytes() == expected; }));
    EXPECT_TRUE(prefetch.ready(a));

    // Back to a: the very pixels drawn before. After painting them black, the fit-like
    // reduction by 8 still draws the photo from the kept quarter halving, at once;
    // a reduction by 4, which the given-back half served, reads the (black) pixels.
    const Picture back = prefetch.load(a).picture;
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.pixels(), drawnFrom);
    EXPECT_EQ(back.pixels().constBits(), drawnFrom.constBits());
    PaintBehindItsBack(back, qRgb(0, 0, 0));
    EXPECT_EQ(back.scaled(100, 75).pixel(50, 37), drawn.pixel(50, 37));
    EXPECT_NE(drawn.pixel(50, 37), qRgb(0, 0, 0));
    EXPECT_EQ(back.scaled(200, 150).pixel(100, 75), qRgb(0, 0, 0));
}

TEST_F(PicturePrefetchTest, AWalkThereAndBackIsServedAheadAndCountsWhatIsHeld) {
    // Five pictures walked as the batch controller walks them: the picture being
    // left is kept, the next one is shown, its neighbours are asked for.
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << photo(qPrintable(QStringLiteral("p%1.png").arg(i)), 400 + 10 * i, 300, 10 + i);
    }
    std::mutex mutex;
    QHash<QString, int> decodedHere;  // decodes on this thread, by path
    const std::thread::id self = std::this_thread::get_id();
    PicturePrefetch prefetch([&](const QString& path, std::int64_t maxPixels) {
        if (std::this_thread::get_id() == self) {
            std::lock_guard lock(mutex);
            ++decodedHere[path];
        }
        return DecodePictureFileChecked(path, maxPixels);
    });
    const auto size = [&](int i) { return QSize(400 + 10 * i, 300); };
    const auto neighbours = [&](int i) {
        QStringList wanted;
        for (int n : {i + 1, i - 1}) {
            if (n >= 0 && n < paths.size()) {
                wanted << paths[n];
            }
        }
        return wanted;
    };
    int at = 0;
    Picture shown = prefetch.load(paths[at]).picture;
    shown.scaled(40, 30);  // drawn, so it has halvings
    prefetch.want(neighbours(at));
    for (const int step : {1, 1, 1, -1, -1, -1, 1}) {
        for (const QString& path : neighbours(at)) {
            ASSERT_TRUE(WaitFor([&] { return prefetch.ready(path); })) << at << " " << path.toStdString();
        }
        prefetch.remember(paths[at], shown);
        const int left = at;
        at += step;
        shown = prefetch.load(paths[at]).picture;
        ASSERT_EQ(shown.size(), size(at));
        shown.scaled(40, 30);
        prefetch.want(neighbours(at));
        // Settled: the picture shown and the one decoded ahead with their halvings, the
        // one just left with its pixels alone; the halvings it had are given back.
        const int ahead = at + step;
        std::int64_t expected =
            PictureBudget::BytesFor(size(at)) + PictureBudget::BytesWithoutFinestHalving(size(left));
        if (ahead >= 0 && ahead < paths.size()) {
            expected += PictureBudget::BytesFor(size(ahead));
            ASSERT_TRUE(WaitFor([&] { return prefetch.ready(paths[ahead]); }));
        }
        EXPECT_TRUE(WaitFor([&] { return prefetch.countedBytes() == expected; }))
            << "at " << at << ": " << prefetch.countedBytes() << " counted, " << expected << " held";
        EXPECT_TRUE(prefetch.ready(paths[left]));
    }
    // Only the first picture was decoded on the operator's thread.
    std::lock_guard lock(mutex);
    EXPECT_EQ(decodedHere.size(), 1);
    EXPECT_EQ(decodedHere.value(paths[0]), 1);
}

}  // namespace
