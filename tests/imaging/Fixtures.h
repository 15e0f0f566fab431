#pragma once

// Picture files built byte by byte (or with the codec libraries directly) for the decoder tests.
#include <QByteArray>
#include <QImage>
#include <QVector>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace picura::test {

QByteArray Bytes(std::initializer_list<int> values);
void AppendU16(QByteArray* out, unsigned v);
void AppendU32(QByteArray* out, std::uint32_t v);
void PutU32At(QByteArray* out, int at, std::uint32_t v);

// BMP file: 14-byte file header + 40-byte info header (or 12-byte core header), optional palette/masks,
// then `pixels` as given (already in file row order and padding).
struct BmpLayout {
    int width = 0;
    int height = 0;  // negative = top-down
    int bpp = 24;
    std::uint32_t compression = 0;
    bool coreHeader = false;
    std::vector<QRgb> palette;
    std::vector<std::uint32_t> masks;  // written after the header (BI_BITFIELDS)
    QByteArray pixels;
};
QByteArray MakeBmp(const BmpLayout& layout);

// ICO/CUR file with the given images (each already encoded: a DIB with its AND mask, or a PNG).
struct IconImage {
    int width;
    int height;
    int bpp;
    QByteArray data;
};
QByteArray MakeIcon(int type, const std::vector<IconImage>& images);
// A 32 × 32 (or given size) 24-bit icon DIB of one colour with the left half masked out.
QByteArray MakeIconDib(int width, int height, QRgb colour);

// PCX, RLE-encoded: 8-bit with a 256-colour palette at the end, or 1-bit monochrome.
QByteArray MakePcx8(const QImage& indexed);  // Format_Indexed8, ≤ 256 colours
QByteArray MakePcxMono(int width, int height, const std::vector<bool>& white);

// PNG through libpng: `rows` hold packed samples for the colour type and bit depth.
struct PngLayout {
    int width = 0;
    int height = 0;
    int colourType = 2;  // PNG_COLOR_TYPE_*
    int depth = 8;
    bool interlaced = false;
    std::vector<QByteArray> rows;
    std::vector<QRgb> palette;               // colour type 3
    std::vector<std::uint8_t> paletteAlpha;  // tRNS for colour type 3
};
QByteArray MakePng(const PngLayout& layout);

// A CMYK JPEG written by libjpeg (with the Adobe marker, so stored values are inverted ink).
QByteArray MakeCmykJpeg(int width, int height, const std::vector<std::uint8_t>& cmyk);
// A JPEG file written by libjpeg itself: `configure` sets what the defaults (for the input `space` and its
// `components`, at `quality`) should not decide, `row(y)` gives each input row.
QByteArray CompressWithLibjpeg(int width, int height, int components, J_COLOR_SPACE space, int quality,
                               const std::function<void(jpeg_compress_struct&)>& configure,
                               const std::function<const unsigned char*(int)>& row);
// A 4:2:0 JPEG file written by libjpeg from its DCT terms at quality 100 (every quantiser 1):
// `term(component, blockX, blockY, k)` gives term k (natural order) of each block, so that a test can reach
// terms no camera writes.
QByteArray CompressTermsWithLibjpeg(int width, int height,
                                    const std::function<JCOEF(int, int, int, int)>& term);
// Inserts an Exif APP1 segment carrying `orientation` right after SOI.
QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian = false);

// GIF via giflib: indexed pixels, palette, optional transparent index, frame placement on a screen.
struct GifLayout {
    int screenWidth = 0;
    int screenHeight = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int transparent = -1;
    std::vector<QRgb> palette;  // power of two entries
    std::vector<std::uint8_t> indices;
};
QByteArray MakeGif(const GifLayout& layout);

}  // namespace picura::test

namespace picura::test {
// A valid progressive JPEG of a gray picture split into `refinements` successive-approximation scans per
// AC coefficient and component (about 190 × refinements scans in all).
QByteArray MakeManyScanJpeg(int width, int height, int refinements);
}  // namespace picura::test
