#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>

#include <png.h>

#include "Fixtures.h"
#include "TestImages.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"

using namespace picura;
using namespace picura::test;

namespace {

QRgb Px(const Picture& p, int x, int y) {
    return p.image().pixel(x, y);
}

bool AllOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 255) {
                return false;
            }
        }
    }
    return true;
}

QByteArray WithQt(const QImage& image, const char* format, bool progressive = false, int quality = 95) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

// ---- JPEG ----

TEST(DecodeJpeg, ColourPhotoDecodesToOpaqueRgb32) {
    const QImage original = MakePhotoLike(300, 200);
    const Picture p = DecodePicture(EncodeJpeg(original, 95));
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(p.image().format(), QImage::Format_RGB32);
    EXPECT_EQ(p.size(), QSize(300, 200));
    EXPECT_LT(MeanChannelDifference(p.image(), original), 2.0);
    EXPECT_TRUE(AllOpaque(p.image()));
}

TEST(DecodeJpeg, GrayscaleAndProgressiveFiles) {
    const QImage gray = MakePhotoLike(120, 90).convertToFormat(QImage::Format_Grayscale8);
    const Picture g = DecodePicture(WithQt(gray, "jpeg"));
    ASSERT_FALSE(g.isNull());
    EXPECT_LT(MeanChannelDifference(g.image(), gray.convertToFormat(QImage::Format_RGB32)), 2.0);
    const QRgb c = Px(g, 60, 45);
    EXPECT_EQ(qRed(c), qGreen(c));
    EXPECT_EQ(qGreen(c), qBlue(c));

    const QImage colour = MakePhotoLike(160, 120, 7);
    const QByteArray progressive = WithQt(colour, "jpeg", true);
    ASSERT_NE(progressive.indexOf(QByteArray::fromHex("ffc2")), -1) << "the fixture should be progressive";
    const Picture p = DecodePicture(progressive);
    ASSERT_FALSE(p.isNull());
    EXPECT_LT(MeanChannelDifference(p.image(), colour), 2.5);
}

TEST(DecodeJpeg, AdobeCmykIsConvertedWithInvertedInk) {
    // Stored values are inverted ink: (r, g, b, 255) stands for the colour (r, g, b).
    const int w = 32, h = 16;
    std::vector<std::uint8_t> cmyk;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool left = x < w / 2;
            cmyk.insert(cmyk.end(), {std::uint8_t(left ? 200 : 30), std::uint8_t(left ? 40 : 120),
                                     std::uint8_t(left ? 10 : 240), std::uint8_t(left ? 255 : 128)});
        }
    }
    const Picture p = DecodePicture(MakeCmykJpeg(w, h, cmyk));
    ASSERT_FALSE(p.isNull());
    const QRgb left = Px(p, 4, 8);
    EXPECT_NEAR(qRed(left), 200, 3);
    EXPECT_NEAR(qGreen(left), 40, 3);
    EXPECT_NEAR(qBlue(left), 10, 3);
    const QRgb right = Px(p, 27, 8);  // K = 128 halves the light
    EXPECT_NEAR(qRed(right), 30 * 128 / 255, 3);
    EXPECT_NEAR(qGreen(right), 120 * 128 / 255, 3);
    EXPECT_NEAR(qBlue(right), 240 * 128 / 255, 3);
}

QImage Oriented(const QImage& stored, int orientation) {
    QTransform cw;
    cw.rotate(90);
    switch (orientation) {
        case 2: return stored.mirrored(true, false);
        case 3: return stored.mirrored(true, true);
        case 4: return stored.mirrored(false, true);
        case 5: return stored.transformed(cw).mirrored(true, false);
        case 6: return stored.transformed(cw);
        case 7: return stored.transformed(cw).mirrored(false, true);
        case 8: return stored.transformed(QTransform().rotate(270));
        default: return stored;
    }
}

TEST(DecodeJpeg, ExifOrientationIsApplied) {
    // Left third red, a blue block at the top: every one of the eight orientations looks different.
    QImage stored(48, 32, QImage::Format_RGB32);
    stored.fill(qRgb(255, 255, 255));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 48; ++x) {
            if (x < 16) {
                stored.setPixel(x, y, qRgb(220, 0, 0));
            } else if (y < 8 && x >= 32) {
                stored.setPixel(x, y, qRgb(0, 0, 220));
            }
        }
    }
    const QByteArray jpeg = EncodeJpeg(stored, 100);
    const QImage plain = DecodePicture(jpeg).image();
    ASSERT_FALSE(plain.isNull());
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (bool bigEndian : {false, true}) {
            SCOPED_TRACE(orientation);
            const Picture p = DecodePicture(WithExifOrientation(jpeg, orientation, bigEndian));
            ASSERT_FALSE(p.isNull());
            const QImage expected = Oriented(plain, orientation).convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(p.size(), expected.size());
            EXPECT_EQ(MaxChannelDifference(p.image(), expected), 0);
        }
    }
    // Orientation 6 (turned clockwise): the stored top-left corner shows at the top right.
    const Picture six = DecodePicture(WithExifOrientation(jpeg, 6));
    EXPECT_EQ(six.size(), QSize(32, 48));
    EXPECT_GT(qRed(Px(six, 31, 0)), 180);
    EXPECT_LT(qGreen(Px(six, 31, 0)), 60);
    EXPECT_GT(qGreen(Px(six, 0, 47)), 180);  // the stored bottom-right corner (white) at the bottom left
    // Out-of-range values are ignored.
    EXPECT_EQ(DecodePicture(WithExifOrientation(jpeg, 9)).size(), QSize(48, 32));
}

// ---- PNG ----

QByteArray Row(std::initializer_list<int> samples) {
    return Bytes(samples);
}

QByteArray Row16(std::initializer_list<int> samples) {
    QByteArray out;
    for (int s : samples) {
        out.append(static_cast<char>((s >> 8) & 0xFF));
        out.append(static_cast<char>(s & 0xFF));
    }
    return out;
}

int Flatten(int c, int a) {
    return (a * c + (255 - a) * 255) / 255;
}

TEST(DecodePng, AlphaIsFlattenedOntoWhiteByTheFormula) {
    PngLayout layout;
    layout.width = 4;
    layout.height = 1;
    layout.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    layout.rows = {Row({255, 0, 0, 128, 10, 20, 30, 255, 0, 0, 255, 0, 100, 200, 50, 64})};
    const Picture p = DecodePicture(MakePng(layout));
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(Px(p, 0, 0), qRgb(255, 127, 127));
    EXPECT_EQ(Px(p, 1, 0), qRgb(10, 20, 30));
    EXPECT_EQ(Px(p, 2, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Px(p, 3, 0), qRgb(Flatten(100, 64), Flatten(200, 64), Flatten(50, 64)));
    EXPECT_EQ(Px(p, 3, 0), qRgb(216, 241, 203));
}

TEST(DecodePng, SixteenBitColourAndGrayAlpha) {
    PngLayout rgb16;
    rgb16.width = 2;
    rgb16.height = 2;
    rgb16.depth = 16;
    rgb16.colourType = PNG_COLOR_TYPE_RGB;
    rgb16.rows = {Row16({0xFFFF, 0x8080, 0x0000, 0x1234, 0xABCD, 0x0101}),
                  Row16({0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF})};
    const Picture p = DecodePicture(MakePng(rgb16));
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(Px(p, 0, 0), qRgb(255, 128, 0));
    EXPECT_NEAR(qRed(Px(p, 1, 0)), 0x12, 1);
    EXPECT_NEAR(qGreen(Px(p, 1, 0)), 0xAB, 1);
    EXPECT_EQ(qBlue(Px(p, 1, 0)), 1);
    EXPECT_EQ(Px(p, 1, 1), qRgb(255, 255, 255));

    PngLayout ga16;
    ga16.width = 2;
    ga16.height = 1;
    ga16.depth = 16;
    ga16.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga16.rows = {Row16({0x0000, 0x8080, 0x6464, 0xFFFF})};
    const Picture g = DecodePicture(MakePng(ga16));
    ASSERT_FALSE(g.isNull());
    EXPECT_EQ(Px(g, 0, 0), qRgb(127, 127, 127));  // black at alpha 128
    EXPECT_EQ(Px(g, 1, 0), qRgb(100, 100, 100));
}

TEST(DecodePng, PaletteWithTransparencyAndLowBitGray) {
    PngLayout pal;
    pal.width = 3;
    pal.height = 1;
    pal.depth = 4;
    pal.colourType = PNG_COLOR_TYPE_PALETTE;
    pal.palette = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    pal.paletteAlpha = {255, 0, 128};
    pal.rows = {Row({0x01, 0x20})};  // indices 0, 1, 2
    const Picture p = DecodePicture(MakePng(pal));
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(Px(p, 0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(Px(p, 1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Px(p, 2, 0), qRgb(127, 127, 255));

    PngLayout gray2;
    gray2.width = 4;
    gray2.height = 1;
    gray2.depth = 2;
    gray2.colourType = PNG_COLOR_TYPE_GRAY;
    gray2.rows = {Row({0x1B})};  // 0, 1, 2, 3
    const Picture g = DecodePicture(MakePng(gray2));
    ASSERT_FALSE(g.isNull());
    EXPECT_EQ(Px(g, 0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(Px(g, 1, 0), qRgb(85, 85, 85));
    EXPECT_EQ(Px(g, 2, 0), qRgb(170, 170, 170));
    EXPECT_EQ(Px(g, 3, 0), qRgb(255, 255, 255));
}

TEST(DecodePng, InterlacedMatchesTheSamePicturePlain) {
    const QImage photo = MakePhotoLike(37, 23, 3);
    PngLayout layout;
    layout.width = 37;
    layout.height = 23;
    layout.colourType = PNG_COLOR_TYPE_RGB;
    for (int y = 0; y < 23; ++y) {
        QByteArray row;
        for (int x = 0; x < 37; ++x) {
            const QRgb c = photo.pixel(x, y);
            row.append(static_cast<char>(qRed(c)));
            row.append(static_cast<char>(qGreen(c)));
            row.append(static_cast<char>(qBlue(c)));
        }
        layout.rows.push_back(row);
    }
    layout.interlaced = true;
    const Picture p = DecodePicture(MakePng(layout));
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(MaxChannelDifference(p.image(), photo), 0);
}

// ---- GIF ----

TEST(DecodeGif, FirstFrameOnItsScreenWithTransparencyWhite) {
    GifLayout layout;
    layout.screenWidth = 10;
    layout.screenHeight = 8;
    layout.left = 2;
    layout.top = 3;
    layout.width = 4;
    layout.height = 3;
    layout.transparent = 3;
    layout.palette = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)};
    layout.indices = {0, 1, 2, 3, 0, 0, 0, 0, 2, 2, 2, 2};
    for (bool interlaced : {false, true}) {
        layout.interlaced = interlaced;
        const Picture p = DecodePicture(MakeGif(layout));
        ASSERT_FALSE(p.isNull());
        EXPECT_EQ(p.size(), QSize(10, 8));
        EXPECT_EQ(Px(p, 0, 0), qRgb(255, 255, 255));  // outside the frame
        EXPECT_EQ(Px(p, 2, 3), qRgb(255, 0, 0));
        EXPECT_EQ(Px(p, 3, 3), qRgb(0, 255, 0));
        EXPECT_EQ(Px(p, 4, 3), qRgb(0, 0, 255));
        EXPECT_EQ(Px(p, 5, 3), qRgb(255, 255, 255));  // transparent index
        EXPECT_EQ(Px(p, 5, 5), qRgb(0, 0, 255));
        EXPECT_TRUE(AllOpaque(p.image()));
    }
}

// ---- BMP ----

QByteArray Pad(QByteArray row) {
    while (row.size() % 4 != 0) {
        row.append('\0');
    }
    return row;
}

TEST(DecodeBmp, TwentyFourBitBottomUpAndTopDown) {
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.bpp = 24;
    // Bottom row first: blue, green, red / then the top row: white, black, gray.
    layout.pixels =
        Pad(Bytes({255, 0, 0, 0, 255, 0, 0, 0, 255})) + Pad(Bytes({255, 255, 255, 0, 0, 0, 50, 60, 70}));
    const Picture up = DecodePicture(MakeBmp(layout));
    ASSERT_FALSE(up.isNull());
    EXPECT_EQ(Px(up, 0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(Px(up, 2, 1), qRgb(255, 0, 0));
    EXPECT_EQ(Px(up, 2, 0), qRgb(70, 60, 50));
    layout.height = -2;
    const Picture down = DecodePicture(MakeBmp(layout));
    ASSERT_FALSE(down.isNull());
    EXPECT_EQ(Px(down, 0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(Px(down, 2, 1), qRgb(70, 60, 50));
}

TEST(DecodeBmp, PaletteDepths) {
    const std::vector<QRgb> pal = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 0, 255)};
    BmpLayout one;
    one.width = 10;
    one.height = 1;
    one.bpp = 1;
    one.palette = {pal[0], pal[1]};
    one.pixels = Pad(Bytes({0xA0, 0x40}));  // 1 0 1 0 0 0 0 0 | 0 1
    const Picture p1 = DecodePicture(MakeBmp(one));
    ASSERT_FALSE(p1.isNull());
    EXPECT_EQ(Px(p1, 0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Px(p1, 1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(Px(p1, 2, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Px(p1, 9, 0), qRgb(255, 255, 255));

    BmpLayout four;
    four.width = 3;
    four.height = 1;
    four.bpp = 4;
    four.palette = pal;
    four.pixels = Pad(Bytes({0x23, 0x10}));
    const Picture p4 = DecodePicture(MakeBmp(four));
    ASSERT_FALSE(p4.isNull());
    EXPECT_EQ(Px(p4, 0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(Px(p4, 1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(Px(p4, 2, 0), qRgb(255, 255, 255));

    BmpLayout eight = four;
    eight.bpp = 8;
    eight.pixels = Pad(Bytes({3, 2, 1}));
    const Picture p8 = DecodePicture(MakeBmp(eight));
    ASSERT_FALSE(p8.isNull());
    EXPECT_EQ(Px(p8, 0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(Px(p8, 1, 0), qRgb(255, 0, 0));

    BmpLayout core = eight;
    core.coreHeader = true;
    const Picture pc = DecodePicture(MakeBmp(core));
    ASSERT_FALSE(pc.isNull());
    EXPECT_EQ(Px(pc, 0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(Px(pc, 2, 0), qRgb(255, 255, 255));
}

TEST(DecodeBmp, SixteenAndThirtyTwoBit) {
    BmpLayout rgb555;
    rgb555.width = 2;
    rgb555.height = 1;
    rgb555.bpp = 16;
    rgb555.pixels = Pad(Bytes({0x00, 0x7C, 0xE0, 0x03}));  // red, green in 5-5-5
    const Picture a = DecodePicture(MakeBmp(rgb555));
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(Px(a, 0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(Px(a, 1, 0), qRgb(0, 255, 0));

    BmpLayout rgb565 = rgb555;
    rgb565.compression = 3;
    rgb565.masks = {0xF800, 0x07E0, 0x001F};
    rgb565.pixels = Pad(Bytes({0xE0, 0x07, 0x10, 0x84}));  // pure green; 0x8410 = mid gray
    const Picture b = DecodePicture(MakeBmp(rgb565));
    ASSERT_FALSE(b.isNull());
    EXPECT_EQ(Px(b, 0, 0), qRgb(0, 255, 0));
    EXPECT_NEAR(qRed(Px(b, 1, 0)), 132, 1);
    EXPECT_NEAR(qGreen(Px(b, 1, 0)), 130, 1);

    BmpLayout rgb32;
    rgb32.width = 2;
    rgb32.height = 1;
    rgb32.bpp = 32;
    rgb32.pixels = Bytes({1, 2, 3, 0, 30, 20, 10, 0});  // the fourth byte of plain bitmaps is ignored
    const Picture c = DecodePicture(MakeBmp(rgb32));
    ASSERT_FALSE(c.isNull());
    EXPECT_EQ(Px(c, 0, 0), qRgb(3, 2, 1));
    EXPECT_EQ(Px(c, 1, 0), qRgb(10, 20, 30));
}

TEST(DecodeBmp, RunLengthEncoded) {
    const std::vector<QRgb> pal = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    BmpLayout rle8;
    rle8.width = 6;
    rle8.height = 2;
    rle8.bpp = 8;
    rle8.compression = 1;
    rle8.palette = pal;
    // Bottom row: 4 × red, absolute (3, 2) + pad; end of line. Top row: delta (2, 0), 2 × green; end of
    // bitmap.
    rle8.pixels = Bytes({4, 1, 0, 3, 3, 2, 2, 0, 0, 0, 0, 2, 2, 0, 2, 2, 0, 1});
    const Picture p = DecodePicture(MakeBmp(rle8));
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(Px(p, 0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(Px(p, 3, 1), qRgb(255, 0, 0));
    EXPECT_EQ(Px(p, 4, 1), qRgb(0, 0, 255));
    EXPECT_EQ(Px(p, 5, 1), qRgb(0, 255, 0));
    EXPECT_EQ(Px(p, 0, 0), qRgb(255, 255, 255));  // skipped by the delta
    EXPECT_EQ(Px(p, 2, 0), qRgb(0, 255, 0));
    EXPECT_EQ(Px(p, 3, 0), qRgb(0, 255, 0));

    BmpLayout rle4 = rle8;
    rle4.bpp = 4;
    rle4.compression = 2;
    // 5 pixels alternating 1,3; absolute 3 pixels 2,1,2 (two bytes) ; end of bitmap.
    rle4.height = 1;
    rle4.width = 8;
    rle4.pixels = Bytes({5, 0x13, 0, 3, 0x21, 0x20, 0, 1});
    const Picture q = DecodePicture(MakeBmp(rle4));
    ASSERT_FALSE(q.isNull());
    EXPECT_EQ(Px(q, 0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(Px(q, 1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(Px(q, 4, 0), qRgb(255, 0, 0));
    EXPECT_EQ(Px(q, 5, 0), qRgb(0, 255, 0));
    EXPECT_EQ(Px(q, 6, 0), qRgb(255, 0, 0));
    EXPECT_EQ(Px(q, 7, 0), qRgb(0, 255, 0));
}

// ---- ICO / CUR ----

TEST(DecodeIcon, LargestImageWithItsMaskApplied) {
    const QByteArray small = MakeIconDib(16, 16, qRgb(255, 0, 0));
    const QByteArray large = MakeIconDib(32, 32, qRgb(0, 0, 200));
    for (int type : {1, 2}) {
        const Picture p = DecodePicture(MakeIcon(type, {{16, 16, 24, small}, {32, 32, 24, large}}));
        ASSERT_FALSE(p.isNull());
        EXPECT_EQ(p.size(), QSize(32, 32));
        EXPECT_EQ(Px(p, 3, 5), qRgb(255, 255, 255));  // masked half
        EXPECT_EQ(Px(p, 20, 5), qRgb(0, 0, 200));
    }
}

TEST(DecodeIcon, PngInsideAnIcon) {
    const QImage photo = MakePhotoLike(48, 48);
    const Picture p = DecodePicture(MakeIcon(1, {{48, 48, 32, EncodePng(photo)}}));
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(MaxChannelDifference(p.image(), photo), 0);
}

// ---- PCX ----

TEST(DecodePcx, TwoHundredFiftySixColoursAndMonochrome) {
    QImage indexed(21, 7, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < 256; ++i) {
        table.push_back(qRgb(i, 255 - i, (i * 7) & 0xFF));
    }
    indexed.setColorTable(table);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 21; ++x) {
            indexed.setPixel(x, y, static_cast<uint>(x < 10 ? 200 : (x * 11 + y) & 0xFF));
        }
    }
    const Picture p = DecodePicture(MakePcx8(indexed));
    ASSERT_FALSE(p.isNull());
    EXPECT_EQ(MaxChannelDifference(p.image(), indexed.convertToFormat(QImage::Format_RGB32)), 0);

    std::vector<bool> white(13 * 3);
    for (std::size_t i = 0; i < white.size(); ++i) {
        white[i] = i % 3 == 0;
    }
    const Picture m = DecodePicture(MakePcxMono(13, 3, white));
    ASSERT_FALSE(m.isNull());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 13; ++x) {
            EXPECT_EQ(Px(m, x, y),
                      white[static_cast<std::size_t>(y * 13 + x)] ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
}

}  // namespace

// ---- JPEG reduced first ----

TEST(DecodeJpegReduced, TheStrongestReductionThatStillCoversTheViewIsChosen) {
    EXPECT_EQ(JpegReduction(QSize(6000, 4000), QSize(411, 274)), 8);
    EXPECT_EQ(JpegReduction(QSize(6000, 4000), QSize(1097, 731)), 4);
    EXPECT_EQ(JpegReduction(QSize(6000, 4000), QSize(1600, 1067)), 2);
    EXPECT_EQ(JpegReduction(QSize(6000, 4000), QSize(3001, 2000)), 1);
    // libjpeg-turbo rounds reduced sides up: 801 / 8 gives 101 pixels, which cover 101.
    EXPECT_EQ(JpegReduction(QSize(801, 601), QSize(101, 76)), 8);
    EXPECT_EQ(JpegReduction(QSize(800, 600), QSize(101, 75)), 4);
    // Only both sides covered count.
    EXPECT_EQ(JpegReduction(QSize(800, 6000), QSize(100, 751)), 4);
}

TEST(DecodeJpegReduced, AReducedPictureHasTheFullSizeAndDrawsLikeTheFullOne) {
    const QImage photo = MakePhotoLike(803, 600);
    const QByteArray jpeg = EncodeJpeg(photo, 92);
    EXPECT_EQ(JpegShownSize(jpeg), QSize(803, 600));
    const DecodeResult reduced = DecodeJpegReduced(jpeg, 4, 1'000'000);
    ASSERT_FALSE(reduced.picture.isNull());
    EXPECT_TRUE(reduced.picture.isReduced());
    EXPECT_EQ(reduced.picture.size(), QSize(803, 600));
    EXPECT_EQ(reduced.picture.pixels().size(), QSize(201, 150));
    EXPECT_TRUE(reduced.picture.image().isNull()) << "a reduced picture has no full pixels to hand out";
    // Drawn at a size its pixels cover, it looks like the full picture drawn there.
    const Picture full = DecodePicture(jpeg);
    const QImage a = reduced.picture.scaled(180, 134);
    const QImage b = full.scaled(180, 134);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_LT(MaxChannelDifference(a, b), 40);
    // A full decode asked through the same road is a full picture.
    EXPECT_FALSE(DecodeJpegReduced(jpeg, 1, 1'000'000).picture.isReduced());
    // The budget counts the full size, so a picture the full decode would refuse is refused here too.
    const DecodeResult refused = DecodeJpegReduced(jpeg, 8, 400'000);
    EXPECT_TRUE(refused.picture.isNull());
    EXPECT_EQ(refused.error, DecodeError::TooLarge);
    EXPECT_EQ(refused.declaredSize, QSize(803, 600));
    // Not a JPEG, or a broken one: nothing.
    EXPECT_TRUE(JpegShownSize(QByteArray("\x89PNG\r\n\x1a\n", 8)).isEmpty());
    EXPECT_TRUE(DecodeJpegReduced(jpeg.left(jpeg.size() / 2), 4, 1'000'000).picture.isNull());
}

TEST(DecodeJpegReduced, TheOrientationTagTurnsTheReducedPictureAndItsSize) {
    QImage stored(64, 32, QImage::Format_RGB32);
    stored.fill(qRgb(255, 255, 255));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 16; ++x) {
            stored.setPixel(x, y, qRgb(220, 0, 0));  // red on the stored left
        }
    }
    const QByteArray six = WithExifOrientation(EncodeJpeg(stored, 100), 6);
    EXPECT_EQ(JpegShownSize(six), QSize(32, 64));
    const DecodeResult reduced = DecodeJpegReduced(six, 2, 1'000'000);
    ASSERT_FALSE(reduced.picture.isNull());
    EXPECT_EQ(reduced.picture.size(), QSize(32, 64));
    EXPECT_EQ(reduced.picture.pixels().size(), QSize(16, 32));
    // Turned clockwise: the stored left (red) is now the top.
    EXPECT_GT(qRed(reduced.picture.pixels().pixel(8, 1)), 180);
    EXPECT_LT(qGreen(reduced.picture.pixels().pixel(8, 1)), 60);
    EXPECT_GT(qGreen(reduced.picture.pixels().pixel(8, 30)), 180);
}

TEST(DecodeCancel, ACancelledJpegDecodeStopsAndSaysSo) {
    const QByteArray jpeg = EncodeJpeg(MakePhotoLike(640, 480), 90);
    std::atomic<bool> cancel{true};
    const DecodeResult result = DecodePictureChecked(jpeg, 1'000'000, &cancel);
    EXPECT_TRUE(result.picture.isNull());
    EXPECT_EQ(result.error, DecodeError::Cancelled);
    cancel = false;
    EXPECT_FALSE(DecodePictureChecked(jpeg, 1'000'000, &cancel).picture.isNull());
}
