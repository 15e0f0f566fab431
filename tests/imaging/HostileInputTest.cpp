// Broken and hostile files: every decoder must refuse them cleanly, quickly and without big allocations.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <png.h>

#include <random>

#include "Fixtures.h"
#include "TestImages.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"

using namespace picura;
using namespace picura::test;

namespace {

struct Sample {
    const char* name;
    QByteArray bytes;
};

std::vector<Sample> SmallSamples() {
    const QImage photo = MakePhotoLike(24, 17, 5);
    std::vector<Sample> samples;
    samples.push_back({"jpeg", EncodeJpeg(photo, 80)});
    samples.push_back({"png", EncodePng(photo)});
    samples.push_back({"gif", EncodeGif(photo)});
    samples.push_back({"bmp", EncodeBmp(photo)});
    samples.push_back({"ico", MakeIcon(1, {{16, 16, 24, MakeIconDib(16, 16, qRgb(1, 2, 3))}})});
    QImage indexed = photo.convertToFormat(QImage::Format_Indexed8);
    samples.push_back({"pcx", MakePcx8(indexed)});
    std::vector<bool> white(40 * 9);
    for (std::size_t i = 0; i < white.size(); ++i) {
        white[i] = (i / 3) % 2 == 0;
    }
    samples.push_back({"pcx-mono", MakePcxMono(40, 9, white)});
    BmpLayout rle;
    rle.width = 8;
    rle.height = 2;
    rle.bpp = 8;
    rle.compression = 1;
    rle.palette = {qRgb(0, 0, 0), qRgb(255, 0, 0)};
    rle.pixels = Bytes({8, 1, 0, 0, 3, 0, 0, 4, 1, 0, 1, 1, 0, 0, 0, 1});
    samples.push_back({"bmp-rle8", MakeBmp(rle)});
    return samples;
}

TEST(HostileInput, EveryPrefixOfASmallFileIsRefusedOrWhole) {
    for (const Sample& s : SmallSamples()) {
        SCOPED_TRACE(s.name);
        const Picture whole = DecodePicture(s.bytes);
        ASSERT_FALSE(whole.isNull());
        for (qsizetype n = 0; n < s.bytes.size(); ++n) {
            const Picture p = DecodePicture(s.bytes.left(n));
            if (n < s.bytes.size() * 9 / 10) {
                EXPECT_TRUE(p.isNull()) << "prefix of " << n << " bytes";
            } else if (!p.isNull()) {
                EXPECT_EQ(p.size(), whole.size());
            }
        }
    }
}

TEST(HostileInput, FlippedBitsNeverCrash) {
    std::mt19937 random(1234);
    for (const Sample& s : SmallSamples()) {
        SCOPED_TRACE(s.name);
        for (int round = 0; round < 400; ++round) {
            QByteArray bytes = s.bytes;
            const int flips = 1 + round % 4;
            for (int i = 0; i < flips; ++i) {
                const auto at = static_cast<qsizetype>(random() % static_cast<unsigned>(bytes.size()));
                bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
            }
            const Picture p = DecodePicture(bytes);
            if (!p.isNull()) {
                EXPECT_EQ(p.image().format(), QImage::Format_RGB32);
                EXPECT_LE(qint64(p.width()) * p.height(), 250'000'000);
            }
        }
    }
}

std::uint32_t Crc32(const char* data, qsizetype n) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < n; ++i) {
        crc ^= static_cast<unsigned char>(data[i]);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutBigEndian32(QByteArray* b, int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        (*b)[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
    }
}

void PutBigEndian16(QByteArray* b, int at, unsigned v) {
    (*b)[at] = static_cast<char>((v >> 8) & 0xFF);
    (*b)[at + 1] = static_cast<char>(v & 0xFF);
}

// Each file declares `w` × `h` pixels but holds almost no data.
std::vector<Sample> Oversized(int w, int h) {
    const QImage tiny = MakePhotoLike(8, 8);
    std::vector<Sample> out;
    BmpLayout bmp;
    bmp.width = w;
    bmp.height = h;
    bmp.bpp = 24;
    bmp.pixels = QByteArray(64, 'x');
    out.push_back({"bmp", MakeBmp(bmp)});
    bmp.bpp = 8;
    bmp.compression = 1;
    bmp.palette = {qRgb(0, 0, 0)};
    bmp.pixels = Bytes({0, 1});
    out.push_back({"bmp-rle", MakeBmp(bmp)});

    QByteArray png = EncodePng(tiny);  // IHDR data starts at 16, its CRC at 29
    PutBigEndian32(&png, 16, static_cast<std::uint32_t>(w));
    PutBigEndian32(&png, 20, static_cast<std::uint32_t>(h));
    PutBigEndian32(&png, 29, Crc32(png.constData() + 12, 17));
    out.push_back({"png", png});

    QByteArray gif = EncodeGif(tiny);
    gif[6] = static_cast<char>(w & 0xFF);
    gif[7] = static_cast<char>((w >> 8) & 0xFF);
    gif[8] = static_cast<char>(h & 0xFF);
    gif[9] = static_cast<char>((h >> 8) & 0xFF);
    out.push_back({"gif", gif});

    QByteArray jpeg = EncodeJpeg(tiny, 80);
    const qsizetype sof = jpeg.indexOf(QByteArray::fromHex("ffc0"));
    EXPECT_GT(sof, 0);
    PutBigEndian16(&jpeg, static_cast<int>(sof + 5), static_cast<unsigned>(h));
    PutBigEndian16(&jpeg, static_cast<int>(sof + 7), static_cast<unsigned>(w));
    out.push_back({"jpeg", jpeg});

    QImage indexed = tiny.convertToFormat(QImage::Format_Indexed8);
    QByteArray pcx = MakePcx8(indexed);
    pcx[8] = static_cast<char>((w - 1) & 0xFF);
    pcx[9] = static_cast<char>(((w - 1) >> 8) & 0xFF);
    pcx[10] = static_cast<char>((h - 1) & 0xFF);
    pcx[11] = static_cast<char>(((h - 1) >> 8) & 0xFF);
    pcx[66] = static_cast<char>(w & 0xFF);
    pcx[67] = static_cast<char>((w >> 8) & 0xFF);
    out.push_back({"pcx", pcx});
    return out;
}

TEST(HostileInput, HugeDeclaredSizesAreRefusedBeforeAllocating) {
    // 40000 a side breaks the side limit; 30000 × 30000 breaks only the 250-megapixel limit.
    for (const QSize size : {QSize(40000, 40000), QSize(30000, 30000), QSize(32769, 10)}) {
        for (const Sample& s : Oversized(size.width(), size.height())) {
            SCOPED_TRACE(std::string(s.name) + " " + std::to_string(size.width()) + "x" +
                         std::to_string(size.height()));
            QElapsedTimer timer;
            timer.start();
            EXPECT_TRUE(DecodePicture(s.bytes).isNull());
            // Filling a picture of that size alone would take far longer than this.
            EXPECT_LT(timer.elapsed(), 150);
        }
    }
}

TEST(HostileInput, IconEntriesPointingOutsideTheFileAreSkipped) {
    QByteArray ico = MakeIcon(1, {{16, 16, 24, MakeIconDib(16, 16, qRgb(9, 8, 7))}});
    PutU32At(&ico, 6 + 12, 0x7FFFFFF0u);  // offset of the only image
    EXPECT_TRUE(DecodePicture(ico).isNull());
    QByteArray lengthy = MakeIcon(1, {{16, 16, 24, MakeIconDib(16, 16, qRgb(9, 8, 7))}});
    PutU32At(&lengthy, 6 + 8, 0xFFFFFFFFu);  // length beyond the end is cut to the file
    EXPECT_FALSE(DecodePicture(lengthy).isNull());
}

TEST(HostileInput, BmpPixelOffsetBeyondTheFileIsIgnored) {
    QByteArray bmp = EncodeBmp(MakePhotoLike(5, 4));
    PutU32At(&bmp, 10, 0xFFFFFF00u);
    const Picture p = DecodePicture(bmp);
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(MaxChannelDifference(p.image(), MakePhotoLike(5, 4)), 0);
}

}  // namespace

namespace {

TEST(HostileInput, JpegWithThousandsOfScansIsRefused) {
    const QByteArray modest = picura::test::MakeManyScanJpeg(64, 48, 2);  // 379 scans: a legal, odd file
    EXPECT_EQ(picura::DecodePicture(modest).size(), QSize(64, 48));
    const QByteArray bomb = picura::test::MakeManyScanJpeg(64, 48, 10);  // 1891 scans
    EXPECT_TRUE(picura::DecodePicture(bomb).isNull());
}

}  // namespace
