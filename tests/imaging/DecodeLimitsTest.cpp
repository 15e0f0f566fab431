// Decoding within bounds: files that are no regular files, tiny files declaring huge pictures, GIF blocks
// larger than their screen, and JPEG data that ends before its last row.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <future>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Fixtures.h"
#include "TestImages.h"
#include "imaging/CodecLimits.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"
#include "imaging/LargePages.h"

using namespace picura;
using namespace picura::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Runs `decode` with at most 300 MB of address space to spare, so that a decoder taking the memory of a
// picture it then refuses fails instead of passing slowly. The sanitizer reserves terabytes of address
// space up front, so its builds run without the ceiling.
DecodeResult UnderMemoryCeiling(const std::function<DecodeResult()>& decode) {
    if (kAddressSanitizer) {
        return decode();
    }
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) {
            pages = 0;
        }
        std::fclose(statm);
    }
    rlimit old{};
    getrlimit(RLIMIT_AS, &old);
    rlimit ceiling = old;
    ceiling.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (300u << 20);
    EXPECT_EQ(setrlimit(RLIMIT_AS, &ceiling), 0);
    DecodeResult result = decode();
    setrlimit(RLIMIT_AS, &old);
    return result;
}

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void PutU16At(QByteArray* out, int at, unsigned v) {
    (*out)[at] = char(v & 0xFF);
    (*out)[at + 1] = char((v >> 8) & 0xFF);
}

void PutBigU32At(QByteArray* out, int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        (*out)[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
    }
}

constexpr int kBombSide = 15800;

QByteArray TinyGifBomb() {
    QByteArray gif("GIF89a");
    AppendU16(&gif, kBombSide);
    AppendU16(&gif, kBombSide);
    gif += Bytes({0x80, 0, 0, 0, 0, 0, 255, 255, 255});  // two colours
    gif += char(0x2C);
    AppendU16(&gif, 0);
    AppendU16(&gif, 0);
    AppendU16(&gif, kBombSide);
    AppendU16(&gif, kBombSide);
    gif += Bytes({0, 2, 2, 0x44, 0x01, 0, 0x3B});
    return gif;
}

// An RLE8 DIB (colour table of one entry) whose data is only the end-of-bitmap mark.
QByteArray RleDib(int width, int height) {
    QByteArray dib;
    AppendU32(&dib, 40);
    AppendU32(&dib, std::uint32_t(width));
    AppendU32(&dib, std::uint32_t(height));
    AppendU16(&dib, 1);
    AppendU16(&dib, 8);
    AppendU32(&dib, 1);  // BI_RLE8
    for (int i = 0; i < 3; ++i) {
        AppendU32(&dib, 0);
    }
    AppendU32(&dib, 1);  // colours used
    AppendU32(&dib, 0);
    dib += Bytes({10, 20, 30, 0, 0, 1});
    return dib;
}

QByteArray RleBmp(int width, int height) {
    QByteArray bmp("BM");
    const QByteArray dib = RleDib(width, height);
    AppendU32(&bmp, std::uint32_t(14 + dib.size()));
    AppendU32(&bmp, 0);
    AppendU32(&bmp, 14 + 44);
    return bmp + dib;
}

QByteArray TinyIconBomb() {
    const QByteArray dib = RleDib(kBombSide, 2 * kBombSide);
    QByteArray ico = Bytes({0, 0, 1, 0, 1, 0});
    ico += Bytes({0, 0, 0, 0, 1, 0, 8, 0});
    AppendU32(&ico, std::uint32_t(dib.size()));
    AppendU32(&ico, 22);
    return ico + dib;
}

QByteArray TinyJpegBomb() {
    QByteArray jpeg = EncodeJpeg(MakeSolid(8, 8, qRgb(90, 90, 90)), 50);
    const int sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    EXPECT_GT(sof, 0);
    jpeg[sof + 5] = char(kBombSide >> 8);
    jpeg[sof + 6] = char(kBombSide & 0xFF);
    jpeg[sof + 7] = char(kBombSide >> 8);
    jpeg[sof + 8] = char(kBombSide & 0xFF);
    return jpeg;
}

std::uint32_t Crc32(const char* data, int size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (int i = 0; i < size; ++i) {
        crc ^= std::uint8_t(data[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

QByteArray PngWithSize(const QByteArray& png, std::uint32_t width, std::uint32_t height) {
    QByteArray out = png;
    PutBigU32At(&out, 16, width);
    PutBigU32At(&out, 20, height);
    PutBigU32At(&out, 29, Crc32(out.constData() + 12, 17));
    return out;
}

struct Bomb {
    const char* name;
    QByteArray bytes;
};

std::vector<Bomb> Bombs() {
    return {{"gif", TinyGifBomb()},
            {"rle-bmp", RleBmp(kBombSide, kBombSide)},
            {"ico", TinyIconBomb()},
            {"jpeg", TinyJpegBomb()},
            {"png", PngWithSize(EncodePng(MakeSolid(4, 4, qRgb(1, 2, 3))), kBombSide, kBombSide)}};
}

TEST(DecodeLimits, TinyFilesDeclaringHugePicturesAreRefusedBeforeTheirMemoryIsTaken) {
    for (const Bomb& bomb : Bombs()) {
        SCOPED_TRACE(bomb.name);
        EXPECT_LT(bomb.bytes.size(), 1024);
        const DecodeResult result =
            UnderMemoryCeiling([&] { return DecodePictureChecked(bomb.bytes, kDefaultMaxPicturePixels); });
        EXPECT_EQ(result.error, DecodeError::TooLarge);
        EXPECT_EQ(result.declaredSize, QSize(kBombSide, kBombSide));
        EXPECT_TRUE(result.picture.isNull());
        EXPECT_TRUE(UnderMemoryCeiling([&] {
                        return DecodeResult{DecodePicture(bomb.bytes), DecodeError::None, {}};
                    }).picture.isNull());
    }
}

TEST(DecodeLimits, TheCallersBudgetAndTheDefaultOne) {
    // 50 megapixels open with the default budget; the caller may ask for less.
    const QByteArray panorama = RleBmp(10000, 5000);
    const Picture opened = DecodePicture(panorama);
    ASSERT_FALSE(opened.isNull());
    EXPECT_EQ(opened.size(), QSize(10000, 5000));
    const DecodeResult refused = DecodePictureChecked(panorama, 49'999'999);
    EXPECT_EQ(refused.error, DecodeError::TooLarge);
    EXPECT_EQ(refused.declaredSize, QSize(10000, 5000));
    // Past the default budget: refused by the plain call too, before the memory is taken.
    const QByteArray tooBig = RleBmp(11000, 11000);
    EXPECT_EQ(
        UnderMemoryCeiling([&] { return DecodePictureChecked(tooBig, kDefaultMaxPicturePixels); }).error,
        DecodeError::TooLarge);
    EXPECT_TRUE(UnderMemoryCeiling([&] {
                    return DecodeResult{DecodePicture(tooBig), DecodeError::None, {}};
                }).picture.isNull());
    // A good picture reports its size; data that is no picture is not "too large".
    const DecodeResult small = DecodePictureChecked(EncodePng(MakeSolid(6, 5, qRgb(1, 2, 3))), 30);
    EXPECT_EQ(small.error, DecodeError::None);
    EXPECT_EQ(small.declaredSize, QSize(6, 5));
    EXPECT_EQ(DecodePictureChecked(QByteArray(100, 'x'), 30).error, DecodeError::NotAPicture);
}

TEST(DecodeLimits, TooLargeMessageNamesTheSize) {
    EXPECT_EQ(PictureTooLargeMessage(QSize(15800, 15800)),
              QStringLiteral("图片太大（15800×15800像素），超出了可用内存，无法打开。"));
}

TEST(DecodeLimits, GifBlockLargerThanItsScreenDecodesOnlyWhatLandsOnTheScreen) {
    GifLayout layout;
    layout.screenWidth = 4;
    layout.screenHeight = 2;
    layout.width = 4;
    layout.height = 2;
    layout.palette = {qRgb(255, 0, 0), qRgb(0, 0, 255)};
    layout.indices = {0, 1, 0, 1, 1, 1, 0, 0};
    QByteArray gif = MakeGif(layout);
    // The block claims 60000 rows; its data holds the two on the screen.
    const int descriptor = gif.indexOf(char(0x2C), 13 + 3 * 2);
    ASSERT_GT(descriptor, 0);
    PutU16At(&gif, descriptor + 7, 60000);
    QElapsedTimer timer;
    timer.start();
    const Picture picture = DecodePicture(gif);
    ASSERT_FALSE(picture.isNull());
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(picture.size(), QSize(4, 2));
    EXPECT_EQ(picture.image().pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(picture.image().pixel(3, 1), qRgb(255, 0, 0));
}

TEST(DecodeLimits, JpegCutShortWithAnEndMarkerIsRefused) {
    const QByteArray whole = EncodeJpeg(MakePhotoLike(64, 64, 3), 85);
    ASSERT_FALSE(DecodePicture(whole).isNull());
    QByteArray cut = whole.left(whole.size() / 2);
    cut += "\xFF\xD9";
    EXPECT_TRUE(DecodePicture(cut).isNull());
    EXPECT_EQ(DecodePictureChecked(cut, kDefaultMaxPicturePixels).error, DecodeError::NotAPicture);
}

class PictureFileTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
};

TEST_F(PictureFileTest, FifoNamedLikeAPictureIsRefusedWithoutWaiting) {
    const QString path = dir.filePath("x.jpg");
    const QByteArray name = QFile::encodeName(path);
    ASSERT_EQ(::mkfifo(name.constData(), 0644), 0);
    auto result = std::make_shared<std::promise<DecodeResult>>();
    std::future<DecodeResult> done = result->get_future();
    std::thread([path, result] {
        result->set_value(DecodePictureFileChecked(path, kDefaultMaxPicturePixels));
    }).detach();
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Free the blocked reader so the test fails instead of hanging.
        const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::close(fd);
        }
        done.wait();
        FAIL() << "reading a FIFO blocked";
    }
    EXPECT_EQ(done.get().error, DecodeError::Unreadable);
    EXPECT_TRUE(DecodePictureFile(path).isNull());
}

TEST_F(PictureFileTest, LinksToDevicesAndFoldersAreRefused) {
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.filePath("zero.jpg")));
    EXPECT_EQ(DecodePictureFileChecked(dir.filePath("zero.jpg"), kDefaultMaxPicturePixels).error,
              DecodeError::Unreadable);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
    EXPECT_EQ(DecodePictureFileChecked(dir.filePath("folder.png"), kDefaultMaxPicturePixels).error,
              DecodeError::Unreadable);
    EXPECT_EQ(DecodePictureFileChecked(dir.filePath("missing.png"), kDefaultMaxPicturePixels).error,
              DecodeError::Unreadable);
}

TEST_F(PictureFileTest, LargeFileThatIsNoPictureIsRefusedAfterItsFirstBytes) {
    const QString path = dir.filePath("big.jpg");
    Write(path, "this is no picture at all");
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), off_t(900) << 20), 0);  // sparse
    const long peakBefore = PeakResidentKb();
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(DecodePictureFileChecked(path, kDefaultMaxPicturePixels).error, DecodeError::NotAPicture);
    // A picture's head on a file past the size limit: refused without reading on either.
    const QString jpeg = dir.filePath("big2.jpg");
    Write(jpeg, EncodeJpeg(MakeSolid(8, 8, qRgb(1, 2, 3)), 50));
    ASSERT_EQ(::truncate(QFile::encodeName(jpeg).constData(), off_t(900) << 20), 0);
    EXPECT_EQ(DecodePictureFileChecked(jpeg, kDefaultMaxPicturePixels).error, DecodeError::Unreadable);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_LT(PeakResidentKb() - peakBefore, 100 * 1024);
}

TEST_F(PictureFileTest, PictureFilesReadWhole) {
    const QImage photo = MakePhotoLike(33, 21, 4);
    const QString path = dir.filePath("photo.gif");  // the name does not matter, the content does
    Write(path, EncodePng(photo));
    const DecodeResult result = DecodePictureFileChecked(path, kDefaultMaxPicturePixels);
    ASSERT_EQ(result.error, DecodeError::None);
    EXPECT_EQ(MaxChannelDifference(result.picture.image(), photo), 0);
    Write(dir.filePath("tiny.png"), "\x89PNG");
    EXPECT_EQ(DecodePictureFileChecked(dir.filePath("tiny.png"), kDefaultMaxPicturePixels).error,
              DecodeError::NotAPicture);
}

TEST_F(PictureFileTest, LargeFilesAreReadWholeOntoHugePageBoundaries) {
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    std::mt19937 rng(7);
    QByteArray content("\x89PNG\r\n\x1a\n", 8);
    while (content.size() < (3 << 20) + 12345) {
        content.append(char(rng() & 0xFF));
    }
    const QString path = dir.filePath("large.png");
    Write(path, content);
    const PictureFileBytes file = ReadPictureFileBytes(path);
    ASSERT_EQ(file.error, DecodeError::None);
    EXPECT_EQ(file.bytes, content);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(file.bytes.constData()) % kHugePage, 0u);
    // Every size gets exactly its bytes, each of them writable; from 1 MB on they start on a boundary.
    for (const qsizetype size : {qsizetype(0), qsizetype(1), qsizetype((1 << 20) - 1), qsizetype(1 << 20),
                                 qsizetype((5 << 20) + 3)}) {
        QByteArray bytes = LargeBytes(size);
        ASSERT_EQ(bytes.size(), size);
        std::memset(bytes.data(), 0x5A, std::size_t(size));
        EXPECT_EQ(bytes.count(char(0x5A)), size);
        if (size >= (1 << 20)) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes.constData()) % kHugePage, 0u) << size;
        }
    }
}

}  // namespace
