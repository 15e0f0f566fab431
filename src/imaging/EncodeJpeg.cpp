#include "imaging/Encode.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include <jpeglib.h>

#include <jerror.h>

namespace picura {

namespace {

// Below this quality the colour planes are kept at half resolution each way (4:2:0): the bytes they save
// buy more luma detail, which the eye and the error measures weigh most. From it on the picture's colour
// edges are worth their bytes and the colour planes keep full resolution (4:4:4). Measured on head-shot
// crops at 10 to 50 KB (bench/output/JpegQualityBench).
constexpr int kFullChromaFromQuality = 90;

// The largest width or height a JPEG file holds, as libjpeg allows it.
constexpr int kMaxJpegSide = 65500;

// The file is written into a growing malloc'd buffer owned by the caller, so nothing leaks when the
// library jumps out on an error.
struct JpegSink {
    jpeg_destination_mgr pub;
    unsigned char* buffer;
    std::size_t capacity;
};

// Makes room for at least one more byte: the library writes a byte before it asks for more room.
void SinkMakeRoom(j_compress_ptr cinfo, std::size_t used) {
    auto* sink = reinterpret_cast<JpegSink*>(cinfo->dest);
    const std::size_t grown = std::max<std::size_t>(sink->capacity * 2, 65536);
    auto* bigger = static_cast<unsigned char*>(std::realloc(sink->buffer, grown));
    if (bigger == nullptr) {
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
    sink->buffer = bigger;
    sink->capacity = grown;
    sink->pub.next_output_byte = bigger + used;
    sink->pub.free_in_buffer = grown - used;
}

void SinkInit(j_compress_ptr cinfo) {
    auto* sink = reinterpret_cast<JpegSink*>(cinfo->dest);
    if (sink->capacity == 0) {
        SinkMakeRoom(cinfo, 0);
        return;
    }
    sink->pub.next_output_byte = sink->buffer;
    sink->pub.free_in_buffer = sink->capacity;
}

boolean SinkGrow(j_compress_ptr cinfo) {
    // Called when the buffer is full.
    SinkMakeRoom(cinfo, reinterpret_cast<JpegSink*>(cinfo->dest)->capacity);
    return TRUE;
}

void SinkTerm(j_compress_ptr) {}

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}

// One baseline JPEG of BGRX rows into `sink`, with Huffman tables made for this picture (a second pass over
// the coefficients, typically 5 to 10 % smaller than the standard tables). Returns the file's size, 0 on
// failure. No C++ object lives across the setjmp.
std::size_t Compress(JpegSink* sink, const unsigned char* bgrx, int width, int height, std::size_t stride,
                     int quality, bool fullChroma) {
    jpeg_compress_struct cinfo;
    JpegErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.emit_message = OnJpegMessage;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        return 0;
    }
    jpeg_create_compress(&cinfo);
    sink->pub.init_destination = SinkInit;
    sink->pub.empty_output_buffer = SinkGrow;
    sink->pub.term_destination = SinkTerm;
    cinfo.dest = &sink->pub;
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = TRUE;
    const int factor = fullChroma ? 1 : 2;
    cinfo.comp_info[0].h_samp_factor = factor;
    cinfo.comp_info[0].v_samp_factor = factor;
    for (int c = 1; c < 3; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPROW rows[16];
    while (cinfo.next_scanline < cinfo.image_height) {
        const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.image_height - cinfo.next_scanline);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = const_cast<JSAMPROW>(bgrx + (cinfo.next_scanline + i) * stride);
        }
        jpeg_write_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_compress(&cinfo);
    const std::size_t size = sink->capacity - sink->pub.free_in_buffer;
    jpeg_destroy_compress(&cinfo);
    return size;
}

// ---------------------------------------------------------------------------------------------------------
// Many qualities of one picture. Compress converts the colours, transforms every block and gathers the
// Huffman statistics (libjpeg's slow way) again for each quality. JpegEncoder converts and transforms once
// and keeps the transform's output; per quality it quantises and counts the symbols, which gives the file's
// size but for its stuffed bytes without writing it, and writes the file only when it is wanted. Every step
// is done exactly as libjpeg does it, so the files are byte for byte those of Compress.

// The coefficient order of the compressed data: the n-th coefficient written is block[kZigzag[n]].
constexpr std::array<std::uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The loops over pixels and coefficients below are also compiled for x86-64-v3 (AVX2, BMI), and the copy
// the processor can run is picked when the program is loaded: eight 32-bit lanes with one-instruction
// products make the transform and the quantisation several times faster than with the baseline's SSE2.
// Not under ThreadSanitizer: the copy is picked by a resolver the loader runs before the sanitizer's runtime
// is set up, and the instrumented resolver crashes.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PICURA_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define PICURA_THREAD_SANITIZER 1
#endif
#if defined(__x86_64__) && !defined(PICURA_THREAD_SANITIZER)
#define PICURA_ALSO_FOR_AVX2 __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define PICURA_ALSO_FOR_AVX2
#endif

// libjpeg's fixed-point RGB to YCbCr: 16 fraction bits, Y rounded, Cb and Cr rounded with 0.5 - 2^-16 so
// that they never exceed 255. Each row is padded to `stride` with its last pixel's values, as libjpeg pads.
PICURA_ALSO_FOR_AVX2 void ConvertLumaRow(const QRgb* line, int width, int stride, std::uint8_t* py) {
    for (int x = 0; x < width; ++x) {
        const int r = static_cast<int>((line[x] >> 16) & 0xFF);
        const int g = static_cast<int>((line[x] >> 8) & 0xFF);
        const int b = static_cast<int>(line[x] & 0xFF);
        py[x] = static_cast<std::uint8_t>((19595 * r + 38470 * g + 7471 * b + (1 << 15)) >> 16);
    }
    std::memset(py + width, py[width - 1], static_cast<std::size_t>(stride - width));
}

PICURA_ALSO_FOR_AVX2 void ConvertChromaRow(const QRgb* line, int width, int stride, std::uint8_t* pb,
                                           std::uint8_t* pr) {
    constexpr int kOffset = (128 << 16) + (1 << 15) - 1;
    for (int x = 0; x < width; ++x) {
        const int r = static_cast<int>((line[x] >> 16) & 0xFF);
        const int g = static_cast<int>((line[x] >> 8) & 0xFF);
        const int b = static_cast<int>(line[x] & 0xFF);
        pb[x] = static_cast<std::uint8_t>((-11059 * r - 21709 * g + 32768 * b + kOffset) >> 16);
        pr[x] = static_cast<std::uint8_t>((32768 * r - 27439 * g - 5329 * b + kOffset) >> 16);
    }
    std::memset(pb + width, pb[width - 1], static_cast<std::size_t>(stride - width));
    std::memset(pr + width, pr[width - 1], static_cast<std::size_t>(stride - width));
}

// libjpeg's 2 × 2 averaging for half-resolution colour, eight rows from sixteen: the rounding bias
// alternates 1, 2, 1, 2 along a row so that it averages out. Only the first `averaged` rows are averaged;
// the rest repeat the last of them, as libjpeg pads the averaged rows below the picture.
PICURA_ALSO_FOR_AVX2 void HalveStrip(const std::uint8_t* strip, int stride, int averaged,
                                     std::uint8_t* half) {
    const int halfStride = stride / 2;
    for (int y = 0; y < 8; ++y) {
        std::uint8_t* out = half + static_cast<std::size_t>(y) * halfStride;
        if (y >= averaged) {
            std::memcpy(out, out - halfStride, static_cast<std::size_t>(halfStride));
            continue;
        }
        const std::uint8_t* a = strip + static_cast<std::size_t>(2 * y) * stride;
        const std::uint8_t* b = a + stride;
        for (int x = 0; x < halfStride; ++x) {
            const int bias = 1 + (x & 1);
            out[x] =
                static_cast<std::uint8_t>((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + bias) >> 2);
        }
    }
}

// libjpeg's accurate integer DCT (the Loeffler-Ligtenberg-Moschytz factorisation with 13-bit constants and
// 2 extra bits between the passes) of one 8 × 8 block of samples less 128. The results are 8 times the
// orthonormal DCT, rounded exactly as libjpeg rounds them, in zigzag order. The block is held transposed
// for each pass so that every pass works on eight independent lanes, which the compiler vectorises.
[[gnu::always_inline]] inline void ForwardDct(const std::uint8_t* samples, std::size_t stride,
                                              std::int16_t* zigzag) {
    constexpr int kConstBits = 13, kPass1Bits = 2;
    // kABCD is 0.ABCD... or A.BCD... times 2^13, rounded: the factorisation's cosine terms.
    constexpr std::int32_t k0298 = 2446, k0390 = 3196, k0541 = 4433, k0765 = 6270, k0899 = 7373, k1175 = 9633,
                           k1501 = 12299, k1847 = 15137, k1961 = 16069, k2053 = 16819, k2562 = 20995,
                           k3072 = 25172;
    constexpr int kShift1 = kConstBits - kPass1Bits, kShift2 = kConstBits + kPass1Bits;
    constexpr std::int32_t kRound1 = 1 << (kShift1 - 1), kRound2 = 1 << (kShift2 - 1), kRoundDc = 1 << 1;

    // in[x][y]: the sample at column x of row y. Pass 1 transforms each row (lane y) along x.
    std::int32_t in[8][8];
    for (int y = 0; y < 8; ++y) {
        const std::uint8_t* row = samples + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < 8; ++x) {
            in[x][y] = row[x] - 128;
        }
    }
    std::int32_t rows[8][8];  // rows[u][y]: horizontal frequency u of row y
    for (int y = 0; y < 8; ++y) {
        const std::int32_t t0 = in[0][y] + in[7][y], t7 = in[0][y] - in[7][y];
        const std::int32_t t1 = in[1][y] + in[6][y], t6 = in[1][y] - in[6][y];
        const std::int32_t t2 = in[2][y] + in[5][y], t5 = in[2][y] - in[5][y];
        const std::int32_t t3 = in[3][y] + in[4][y], t4 = in[3][y] - in[4][y];
        const std::int32_t t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;
        rows[0][y] = (t10 + t11) * (1 << kPass1Bits);
        rows[4][y] = (t10 - t11) * (1 << kPass1Bits);
        const std::int32_t z1 = (t12 + t13) * k0541;
        rows[2][y] = (z1 + t13 * k0765 + kRound1) >> kShift1;
        rows[6][y] = (z1 - t12 * k1847 + kRound1) >> kShift1;
        const std::int32_t o1 = t4 + t7, o2 = t5 + t6, o3 = t4 + t6, o4 = t5 + t7;
        const std::int32_t z5 = (o3 + o4) * k1175;
        const std::int32_t n1 = -o1 * k0899, n2 = -o2 * k2562, n3 = z5 - o3 * k1961, n4 = z5 - o4 * k0390;
        rows[7][y] = (t4 * k0298 + n1 + n3 + kRound1) >> kShift1;
        rows[5][y] = (t5 * k2053 + n2 + n4 + kRound1) >> kShift1;
        rows[3][y] = (t6 * k3072 + n2 + n3 + kRound1) >> kShift1;
        rows[1][y] = (t7 * k1501 + n1 + n4 + kRound1) >> kShift1;
    }
    // cols[y][u]: the same, turned so that pass 2 transforms each column (lane u) along y.
    std::int32_t cols[8][8];
    for (int u = 0; u < 8; ++u) {
        for (int y = 0; y < 8; ++y) {
            cols[y][u] = rows[u][y];
        }
    }
    std::int16_t out[64];  // natural order
    for (int u = 0; u < 8; ++u) {
        const std::int32_t t0 = cols[0][u] + cols[7][u], t7 = cols[0][u] - cols[7][u];
        const std::int32_t t1 = cols[1][u] + cols[6][u], t6 = cols[1][u] - cols[6][u];
        const std::int32_t t2 = cols[2][u] + cols[5][u], t5 = cols[2][u] - cols[5][u];
        const std::int32_t t3 = cols[3][u] + cols[4][u], t4 = cols[3][u] - cols[4][u];
        const std::int32_t t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;
        out[0 * 8 + u] = static_cast<std::int16_t>((t10 + t11 + kRoundDc) >> kPass1Bits);
        out[4 * 8 + u] = static_cast<std::int16_t>((t10 - t11 + kRoundDc) >> kPass1Bits);
        const std::int32_t z1 = (t12 + t13) * k0541;
        out[2 * 8 + u] = static_cast<std::int16_t>((z1 + t13 * k0765 + kRound2) >> kShift2);
        out[6 * 8 + u] = static_cast<std::int16_t>((z1 - t12 * k1847 + kRound2) >> kShift2);
        const std::int32_t o1 = t4 + t7, o2 = t5 + t6, o3 = t4 + t6, o4 = t5 + t7;
        const std::int32_t z5 = (o3 + o4) * k1175;
        const std::int32_t n1 = -o1 * k0899, n2 = -o2 * k2562, n3 = z5 - o3 * k1961, n4 = z5 - o4 * k0390;
        out[7 * 8 + u] = static_cast<std::int16_t>((t4 * k0298 + n1 + n3 + kRound2) >> kShift2);
        out[5 * 8 + u] = static_cast<std::int16_t>((t5 * k2053 + n2 + n4 + kRound2) >> kShift2);
        out[3 * 8 + u] = static_cast<std::int16_t>((t6 * k3072 + n2 + n3 + kRound2) >> kShift2);
        out[1 * 8 + u] = static_cast<std::int16_t>((t7 * k1501 + n1 + n4 + kRound2) >> kShift2);
    }
    for (int k = 0; k < 64; ++k) {
        zigzag[k] = out[kZigzag[k]];
    }
}

// The transformed blocks of one colour plane, 64 coefficients each in zigzag order (the order they are
// written in), row after row.
struct DctPlane {
    int blocksWide = 0;
    int blocksHigh = 0;
    std::unique_ptr<std::int16_t[]> coef;  // left uninitialised: the transform writes every coefficient

    bool empty() const { return coef == nullptr; }
    const std::int16_t* block(int row, int col) const {
        return coef.get() + (static_cast<std::size_t>(row) * blocksWide + col) * 64;
    }
};

PICURA_ALSO_FOR_AVX2 void TransformRow(const std::uint8_t* samples, int stride, int blocksWide,
                                       std::int16_t* out) {
    for (int col = 0; col < blocksWide; ++col) {
        ForwardDct(samples + col * 8, static_cast<std::size_t>(stride),
                   out + static_cast<std::size_t>(col) * 64);
    }
}

// Which planes a PlaneMaker makes.
enum class PlaneSet { Luma, FullChroma, HalfChroma };

// Transforms the picture's luma, or its Cb and Cr planes at full or half resolution, straight from the
// pixels, one row of blocks at a time and only as far as asked: a count that proves a file too large from
// its first rows needs no more. For each row of blocks the picture's rows are converted (rows below the
// picture repeat its last row, as libjpeg pads), halved for half resolution, and transformed.
class PlaneMaker {
  public:
    explicit PlaneMaker(PlaneSet set) : set_(set) {}

    // The planes: one for the luma, Cb and Cr for the colour; their blocks past the rows made are unset.
    const DctPlane* planes() const { return planes_; }
    int planeCount() const { return set_ == PlaneSet::Luma ? 1 : 2; }

    // Sizes the planes for the picture, once; their memory is touched only as rows are made.
    void start(const QImage& rgb) {
        if (!planes_[0].empty()) {
            return;
        }
        const int scale = set_ == PlaneSet::HalfChroma ? 16 : 8;  // picture rows and columns per block
        const int blocksWide = (rgb.width() + scale - 1) / scale;
        const int blocksHigh = (rgb.height() + scale - 1) / scale;
        for (int c = 0; c < planeCount(); ++c) {
            planes_[c].blocksWide = blocksWide;
            planes_[c].blocksHigh = blocksHigh;
            planes_[c].coef.reset(new std::int16_t[static_cast<std::size_t>(blocksWide) * blocksHigh * 64]);
        }
        const std::size_t stripBytes = static_cast<std::size_t>(blocksWide) * scale * scale;
        strip_.resize(planeCount() * stripBytes);
        halves_.resize(set_ == PlaneSet::HalfChroma ? stripBytes / 2 : 0);  // an 8-row half-resolution strip
    }

    // Makes the rows of blocks up to `rows` (at most all of them).
    void makeRows(const QImage& rgb, int rows) {
        start(rgb);
        const int width = rgb.width(), height = rgb.height();
        const int scale = set_ == PlaneSet::HalfChroma ? 16 : 8;
        const int stride = planes_[0].blocksWide * scale;
        const std::size_t stripBytes = static_cast<std::size_t>(stride) * scale;
        const int averagedRows = (height + 1) / 2;
        for (; rowsMade_ < std::min(rows, planes_[0].blocksHigh); ++rowsMade_) {
            const int br = rowsMade_;
            for (int i = 0; i < scale; ++i) {
                const int y = std::min(br * scale + i, height - 1);
                const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
                std::uint8_t* row = strip_.data() + static_cast<std::size_t>(i) * stride;
                if (set_ == PlaneSet::Luma) {
                    ConvertLumaRow(line, width, stride, row);
                } else {
                    ConvertChromaRow(line, width, stride, row, row + stripBytes);
                }
            }
            for (int c = 0; c < planeCount(); ++c) {
                const std::uint8_t* samples = strip_.data() + c * stripBytes;
                const int blocksWide = planes_[c].blocksWide;
                std::int16_t* blocks = planes_[c].coef.get() + static_cast<std::size_t>(br) * blocksWide * 64;
                if (set_ == PlaneSet::HalfChroma) {
                    HalveStrip(samples, stride, std::min(8, averagedRows - br * 8), halves_.data());
                    TransformRow(halves_.data(), stride / 2, blocksWide, blocks);
                } else {
                    TransformRow(samples, stride, blocksWide, blocks);
                }
            }
        }
    }

  private:
    PlaneSet set_;
    DctPlane planes_[2];
    int rowsMade_ = 0;
    std::vector<std::uint8_t> strip_;
    std::vector<std::uint8_t> halves_;
};

// Division by 8 × a quantisation step, rounded to nearest, exactly as libjpeg does it: the magnitude plus a
// correction, times a 16-bit reciprocal, shifted right by 16 + b bits (taken as two high-half products, so
// the loop vectorises). In zigzag order, as the blocks.
struct Quantiser {
    std::array<std::uint16_t, 64> reciprocal{};
    std::array<std::uint16_t, 64> correction{};
    std::array<std::uint16_t, 64> scale{};  // 2^(32 - shift): (t × scale) >> 16 is t >> (shift - 16)

    // `steps` in natural order, as libjpeg keeps them.
    void setSteps(const unsigned short* steps) {
        for (int k = 0; k < 64; ++k) {
            const std::uint32_t divisor = std::uint32_t{steps[kZigzag[k]]} << 3;
            int shift = 16 + std::bit_width(divisor) - 1;
            std::uint32_t fq = (std::uint32_t{1} << shift) / divisor;
            const std::uint32_t fr = (std::uint32_t{1} << shift) % divisor;
            std::uint32_t c = divisor / 2;
            if (fr == 0) {
                fq >>= 1;
                --shift;
            } else if (fr <= divisor / 2) {
                ++c;
            } else {
                ++fq;
            }
            reciprocal[k] = static_cast<std::uint16_t>(fq);
            correction[k] = static_cast<std::uint16_t>(c);
            scale[k] = static_cast<std::uint16_t>(std::uint32_t{1} << (32 - shift));
        }
    }

    // Written as simple loops over 16-bit lanes so that the compiler turns the products into vector
    // high-half multiplies.
    [[gnu::always_inline]] void quantise(const std::int16_t* in, std::int16_t* out) const {
        std::uint16_t sign[64], t[64];
        for (int k = 0; k < 64; ++k) {
            sign[k] = static_cast<std::uint16_t>(in[k] >> 15);  // 0 or 0xFFFF
            t[k] = static_cast<std::uint16_t>((static_cast<std::uint16_t>(in[k]) ^ sign[k]) - sign[k] +
                                              correction[k]);
        }
        for (int k = 0; k < 64; ++k) {
            t[k] = static_cast<std::uint16_t>((std::uint32_t{t[k]} * std::uint32_t{reciprocal[k]}) >> 16);
        }
        for (int k = 0; k < 64; ++k) {
            t[k] = static_cast<std::uint16_t>((std::uint32_t{t[k]} * std::uint32_t{scale[k]}) >> 16);
        }
        for (int k = 0; k < 64; ++k) {
            out[k] = static_cast<std::int16_t>((t[k] ^ sign[k]) - sign[k]);
        }
    }
};

// libjpeg's quantisation tables for a quality (luma, then colour), limited to 8 bits as for a baseline file.
// False on failure.
bool LibraryQuantisationTables(int quality, unsigned short (*steps)[64]) {
    jpeg_compress_struct cinfo;
    JpegErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.emit_message = OnJpegMessage;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_YCbCr;
    cinfo.input_components = 3;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    for (int t = 0; t < 2; ++t) {
        std::memcpy(steps[t], cinfo.quant_tbl_ptrs[t]->quantval, sizeof(steps[t]));
    }
    jpeg_destroy_compress(&cinfo);
    return true;
}

// A Huffman table as the file stores it (how many codes of each length 1..16, then the symbols in code
// order) and each symbol's code and its length, 0 for symbols without a code.
struct HuffmanTable {
    std::uint8_t counts[17] = {};
    std::uint8_t symbols[256] = {};
    int symbolCount = 0;
    std::uint8_t length[256] = {};
    std::uint16_t code[256] = {};
};

// The table libjpeg makes from symbol frequencies (Huffman's procedure of Annex K.2, with a reserved symbol
// so that no code is all ones, code lengths then limited to 16 bits). Ties go to the higher symbol as in
// libjpeg, which is what makes the tables, and so the files, identical.
HuffmanTable OptimalTable(const std::int64_t* frequency) {
    constexpr int kMaxCodeLength = 32;
    std::int64_t freq[257];
    int symbol[257];
    int codeSize[257] = {};
    int others[257];
    int count = 0;
    for (int s = 0; s <= 256; ++s) {
        const std::int64_t f = s == 256 ? 1 : frequency[s];
        if (f != 0) {
            symbol[count] = s;
            freq[count] = f;
            others[count] = -1;
            ++count;
        }
    }
    // A merged symbol's frequency: above every real one and above the starting minimum.
    constexpr std::int64_t kMerged = std::int64_t{1} << 62;
    for (;;) {
        int c1 = -1, c2 = -1;
        std::int64_t v1 = kMerged - 1, v2 = kMerged - 1;
        for (int i = 0; i < count; ++i) {
            if (freq[i] <= v2) {
                if (freq[i] <= v1) {
                    c2 = c1;
                    v2 = v1;
                    v1 = freq[i];
                    c1 = i;
                } else {
                    v2 = freq[i];
                    c2 = i;
                }
            }
        }
        if (c2 < 0) {
            break;
        }
        freq[c1] += freq[c2];
        freq[c2] = kMerged;
        ++codeSize[c1];
        while (others[c1] >= 0) {
            c1 = others[c1];
            ++codeSize[c1];
        }
        others[c1] = c2;
        ++codeSize[c2];
        while (others[c2] >= 0) {
            c2 = others[c2];
            ++codeSize[c2];
        }
    }
    int bits[kMaxCodeLength + 2] = {};
    for (int i = 0; i < count; ++i) {
        ++bits[std::min(codeSize[i], kMaxCodeLength)];
    }
    int position[kMaxCodeLength + 1];
    for (int len = 1, p = 0; len <= kMaxCodeLength; ++len) {
        position[len] = p;
        p += bits[len];
    }
    int len = kMaxCodeLength;
    for (; len > 16; --len) {
        while (bits[len] > 0) {
            int j = len - 2;
            while (bits[j] == 0) {
                --j;
            }
            bits[len] -= 2;
            bits[len - 1]++;
            bits[j + 1] += 2;
            bits[j]--;
        }
    }
    while (bits[len] == 0) {
        --len;
    }
    bits[len]--;  // the reserved symbol's code

    HuffmanTable table;
    for (int l = 1; l <= 16; ++l) {
        table.counts[l] = static_cast<std::uint8_t>(bits[l]);
    }
    table.symbolCount = count - 1;
    for (int i = 0; i < count - 1; ++i) {  // the reserved symbol is the last
        table.symbols[position[std::min(codeSize[i], kMaxCodeLength)]++] =
            static_cast<std::uint8_t>(symbol[i]);
    }
    // Canonical codes: in symbol order, each length's codes counting up from the previous length's next
    // code doubled.
    for (int l = 1, k = 0, code = 0; l <= 16; ++l, code <<= 1) {
        for (int n = 0; n < bits[l]; ++n, ++k, ++code) {
            table.length[table.symbols[k]] = static_cast<std::uint8_t>(l);
            table.code[table.symbols[k]] = static_cast<std::uint16_t>(code);
        }
    }
    return table;
}

// Symbol frequencies of one table pair (DC and AC). The AC symbols are counted alternately in two arrays:
// a run of equal symbols then does not wait on each count's store before the next. A symbol's low four
// bits are the number of value bits written after it.
struct Statistics {
    std::int64_t dc[257] = {};
    std::int64_t ac[257] = {};
    std::int64_t acOther[257] = {};

    // Adds acOther into ac.
    void merge() {
        for (int s = 0; s < 256; ++s) {
            ac[s] += acOther[s];
            acOther[s] = 0;
        }
    }

    std::int64_t valueBits() const {
        std::int64_t bits = 0;
        for (int s = 0; s < 256; ++s) {
            bits += (dc[s] + ac[s] + acOther[s]) * (s & 15);
        }
        return bits;
    }
};

// Which of a block's coefficients are nonzero, bit k for coefficient k.
[[gnu::always_inline]] inline std::uint64_t NonzeroCoefficients(const std::int16_t* q) {
    std::uint8_t nonzero[64];
    for (int k = 0; k < 64; ++k) {
        nonzero[k] = q[k] != 0 ? 1 : 0;
    }
    std::uint64_t mask = 0;
    for (int i = 0; i < 8; ++i) {
        std::uint64_t word;
        std::memcpy(&word, nonzero + 8 * i, 8);
        // Gathers the low bits of the eight bytes into the top byte, byte j to bit 56 + j: no two products
        // land on the same bit, so nothing carries.
        mask |= ((word * 0x0102040810204080ULL) >> 56) << (8 * i);
    }
    return mask;
}

// Counts one block's symbols as libjpeg writes them: the DC difference's size, then for each nonzero AC
// coefficient in zigzag order its zero run (in runs of at most 15, longer ones as 0xF0 symbols) and size,
// and an end-of-block symbol when the block ends in zeros.
[[gnu::always_inline]] inline void CountBlock(const std::int16_t* q, int previousDc, Statistics& stats) {
    const int dcDiff = q[0] - previousDc;
    const int dcBits = std::bit_width(static_cast<unsigned>(dcDiff < 0 ? -dcDiff : dcDiff));
    stats.dc[dcBits]++;
    std::uint64_t ac = NonzeroCoefficients(q) & ~std::uint64_t{1};
    int last = 0;
    std::int64_t* counts[2] = {stats.ac, stats.acOther};
    int which = 0;
    while (ac != 0) {
        const int k = std::countr_zero(ac);
        ac &= ac - 1;
        int run = k - last - 1;
        last = k;
        while (run > 15) {
            stats.ac[0xF0]++;
            run -= 16;
        }
        const int v = q[k];
        const int bits = std::bit_width(static_cast<unsigned>(v < 0 ? -v : v));
        counts[which][(run << 4) + bits]++;
        which ^= 1;
    }
    if (last != 63) {
        stats.ac[0]++;
    }
}

// The bytes around the compressed data as libjpeg writes them: start of image (2), JFIF (18), two 8-bit
// quantisation tables (2 × 69), the frame header for three components (19), the scan header (14) and the
// end of image (2); then each Huffman table: 21 bytes and one per symbol.
constexpr std::int64_t kFixedHeaderBytes = 2 + 18 + 2 * 69 + 19 + 14 + 2;
constexpr std::int64_t kHuffmanSegmentBytes = 21;

// Ends a count early once the symbols counted so far prove the file larger than a limit. Whatever Huffman
// tables the whole picture gets, the counted symbols cost at least their entropy in bits (no prefix code
// does better), the values after them cost exactly their bits, and each symbol seen has a byte in its
// table; the blocks not yet counted only add to that. Looked at after each sixteenth of the blocks; never
// without a limit.
class SizeWatch {
  public:
    SizeWatch(std::int64_t limit, std::int64_t blocks, const Statistics* luma, const Statistics* chroma)
        : limit_(limit),
          blocks_(blocks),
          step_(std::max<std::int64_t>(blocks / 16, 1)),
          nextLook_(limit == kNoLimit ? kNoLimit : 0),
          stats_{luma, chroma} {}

    static constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();

    // After `blocks` more blocks are counted: false once the file is proved larger than the limit.
    bool keepCounting(int blocks) {
        counted_ += blocks;
        if (counted_ < nextLook_ || counted_ >= blocks_) {
            return true;
        }
        nextLook_ = counted_ + step_;
        return lowerBound() <= limit_;
    }

  private:
    std::int64_t lowerBound() const {
        double bits = 0;
        std::int64_t bytes = kFixedHeaderBytes + 4 * kHuffmanSegmentBytes;
        for (const Statistics* stats : stats_) {
            bits += static_cast<double>(stats->valueBits());
            for (const bool dc : {true, false}) {
                std::int64_t total = 0;
                double sum = 0;  // Σ f log2 f
                for (int s = 0; s < 256; ++s) {
                    const std::int64_t f = dc ? stats->dc[s] : stats->ac[s] + stats->acOther[s];
                    if (f > 0) {
                        total += f;
                        sum += static_cast<double>(f) * std::log2(static_cast<double>(f));
                        ++bytes;
                    }
                }
                if (total > 0) {
                    bits += static_cast<double>(total) * std::log2(static_cast<double>(total)) - sum;
                }
            }
        }
        // A margin far beyond the rounding of the sums keeps the bound a bound.
        return bytes + static_cast<std::int64_t>(bits * (1 - 1e-9) / 8) - 1;
    }

    std::int64_t limit_;
    std::int64_t blocks_;
    std::int64_t step_;
    std::int64_t nextLook_;
    std::int64_t counted_ = 0;
    const Statistics* stats_[2];
};

// The blocks of a plane, with the padding blocks of the last units (see CountPlanes).
std::int64_t CodedBlocks(const DctPlane& plane, int unit) {
    return std::int64_t{(plane.blocksWide + unit - 1) / unit} * unit *
           ((plane.blocksHigh + unit - 1) / unit) * unit;
}

// Counts the blocks of the planes that share a table (the luma; Cb and Cr) in the order the file holds
// each plane's, a row of units of every plane at a time, making the rows as it goes. With two blocks each
// way per unit (the luma of 4:2:0) the blocks go in 2 × 2 groups, and a group that runs past the picture's
// blocks is filled with blocks that repeat the previous DC and have no AC, as libjpeg pads: each such
// block costs a zero DC difference and an end of block. False when `watch` ended the count.
PICURA_ALSO_FOR_AVX2 bool CountPlanes(PlaneMaker& maker, const QImage& rgb, const Quantiser& quantiser,
                                      int unit, Statistics& stats, SizeWatch& watch) {
    std::int16_t q[64];
    int previousDc[2] = {0, 0};
    const DctPlane* planes = maker.planes();
    const int unitsWide = (planes[0].blocksWide + unit - 1) / unit;
    const int unitsHigh = (planes[0].blocksHigh + unit - 1) / unit;
    for (int ur = 0; ur < unitsHigh; ++ur) {
        maker.makeRows(rgb, (ur + 1) * unit);
        for (int c = 0; c < maker.planeCount(); ++c) {
            const DctPlane& plane = planes[c];
            for (int uc = 0; uc < unitsWide; ++uc) {
                for (int dy = 0; dy < unit; ++dy) {
                    for (int dx = 0; dx < unit; ++dx) {
                        const int row = ur * unit + dy, col = uc * unit + dx;
                        if (row >= plane.blocksHigh || col >= plane.blocksWide) {
                            stats.dc[0]++;
                            stats.ac[0]++;
                            continue;
                        }
                        quantiser.quantise(plane.block(row, col), q);
                        CountBlock(q, previousDc[c], stats);
                        previousDc[c] = q[0];
                    }
                }
            }
        }
        if (!watch.keepCounting(maker.planeCount() * unitsWide * unit * unit)) {
            return false;
        }
    }
    return true;
}

// Everything needed to write one quality, and the file's size without its stuffed bytes.
struct Prepared {
    int quality = -1;
    bool fullChroma = false;
    std::array<std::uint16_t, 64> steps[2] = {};  // luma, colour; natural order
    Quantiser quantiser[2];
    HuffmanTable dc[2];
    HuffmanTable ac[2];
    std::int64_t sizeWithoutStuffing = 0;
};

std::int64_t HuffmanSegmentBytes(const HuffmanTable& t) {
    return kHuffmanSegmentBytes + t.symbolCount;
}

// Byte by byte: GCC 12 takes a vector insert after clear() for an overflow.
void PutBytes(std::vector<std::uint8_t>& out, std::initializer_list<std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        out.push_back(b);
    }
}

void PutMarker(std::vector<std::uint8_t>& out, int marker, int length) {
    PutBytes(out, {0xFF, static_cast<std::uint8_t>(marker), static_cast<std::uint8_t>(length >> 8),
                   static_cast<std::uint8_t>(length & 0xFF)});
}

void PutHuffmanSegment(std::vector<std::uint8_t>& out, int tableClass, int index, const HuffmanTable& t) {
    PutMarker(out, 0xC4, 2 + 1 + 16 + t.symbolCount);
    out.push_back(static_cast<std::uint8_t>(tableClass << 4 | index));
    for (int length = 1; length <= 16; ++length) {
        out.push_back(t.counts[length]);
    }
    for (int i = 0; i < t.symbolCount; ++i) {
        out.push_back(t.symbols[i]);
    }
}

// The segments libjpeg writes before the compressed data, in its order: start of image, JFIF 1.01 with a
// 1:1 aspect and no thumbnail, the two quantisation tables (zigzag order), the baseline frame header, the
// Huffman tables of the luma and then of the colour planes, and the scan header.
void PutHeaders(std::vector<std::uint8_t>& out, int width, int height, const Prepared& p) {
    PutBytes(out, {0xFF, 0xD8});
    PutMarker(out, 0xE0, 16);
    PutBytes(out, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    for (int t = 0; t < 2; ++t) {
        PutMarker(out, 0xDB, 2 + 1 + 64);
        out.push_back(static_cast<std::uint8_t>(t));
        for (int k = 0; k < 64; ++k) {
            out.push_back(static_cast<std::uint8_t>(p.steps[t][kZigzag[k]]));
        }
    }
    const auto lumaSampling = static_cast<std::uint8_t>(p.fullChroma ? 0x11 : 0x22);
    PutMarker(out, 0xC0, 8 + 3 * 3);
    PutBytes(out, {8, static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height & 0xFF),
                   static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width & 0xFF), 3, 1,
                   lumaSampling, 0, 2, 0x11, 1, 3, 0x11, 1});
    for (int t = 0; t < 2; ++t) {
        PutHuffmanSegment(out, 0, t, p.dc[t]);
        PutHuffmanSegment(out, 1, t, p.ac[t]);
    }
    PutMarker(out, 0xDA, 6 + 2 * 3);
    PutBytes(out, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
}

// The compressed data's bit writer: codes go in most significant bit first, a zero byte follows each 0xFF
// byte so that it cannot be taken for a marker, and the last byte is filled with ones. Bits are gathered
// and written four bytes at a time.
class BitWriter {
  public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out), used_(out.size()) {}

    // Makes room for one block: at most 64 codes of 27 bits, every byte stuffed.
    void reserveBlock() {
        if (out_.size() - used_ < 512) {
            out_.resize(out_.size() * 2 + 512);
        }
    }

    // At most 32 bits at a time.
    void put(std::uint32_t bits, int count) {
        pending_ = (pending_ << count) | bits;
        count_ += count;
        if (count_ >= 32) {
            count_ -= 32;
            putWord(static_cast<std::uint32_t>(pending_ >> count_));
        }
    }

    // Writes the last bits and trims the buffer to the bytes written.
    void finish() {
        while (count_ >= 8) {
            count_ -= 8;
            putByte(static_cast<std::uint8_t>(pending_ >> count_));
        }
        if (count_ > 0) {
            putByte(static_cast<std::uint8_t>((pending_ << (8 - count_)) | (0xFFu >> count_)));
            count_ = 0;
        }
        out_.resize(used_);
    }

  private:
    void putByte(std::uint8_t byte) {
        out_[used_++] = byte;
        if (byte == 0xFF) {
            out_[used_++] = 0;
        }
    }

    void putWord(std::uint32_t word) {
        // No byte of `word` is 0xFF when no byte of its complement is zero.
        const std::uint32_t inverse = ~word;
        if (((inverse - 0x01010101u) & ~inverse & 0x80808080u) == 0) {
            std::uint8_t* p = out_.data() + used_;
            p[0] = static_cast<std::uint8_t>(word >> 24);
            p[1] = static_cast<std::uint8_t>(word >> 16);
            p[2] = static_cast<std::uint8_t>(word >> 8);
            p[3] = static_cast<std::uint8_t>(word);
            used_ += 4;
            return;
        }
        for (int shift = 24; shift >= 0; shift -= 8) {
            putByte(static_cast<std::uint8_t>(word >> shift));
        }
    }

    std::vector<std::uint8_t>& out_;
    std::size_t used_;
    std::uint64_t pending_ = 0;
    int count_ = 0;
};

// One plane's tables and DC prediction while writing.
struct BlockCoder {
    const HuffmanTable* dc;
    const HuffmanTable* ac;
    int previousDc = 0;
};

// The value bits after a size symbol: the value itself when positive, its one's complement when negative.
[[gnu::always_inline]] inline std::uint32_t ValueBits(int v, int bits) {
    return static_cast<std::uint32_t>(v < 0 ? v - 1 : v) & ((1u << bits) - 1);
}

// Writes one quantised block as CountBlock counts it.
[[gnu::always_inline]] inline void EncodeBlock(const std::int16_t* q, BlockCoder& coder, BitWriter& out) {
    const int dcDiff = q[0] - coder.previousDc;
    coder.previousDc = q[0];
    const int dcBits = std::bit_width(static_cast<unsigned>(dcDiff < 0 ? -dcDiff : dcDiff));
    out.put(std::uint32_t{coder.dc->code[dcBits]} << dcBits | ValueBits(dcDiff, dcBits),
            coder.dc->length[dcBits] + dcBits);
    const HuffmanTable& ac = *coder.ac;
    std::uint64_t nonzero = NonzeroCoefficients(q) & ~std::uint64_t{1};
    int last = 0;
    while (nonzero != 0) {
        const int k = std::countr_zero(nonzero);
        nonzero &= nonzero - 1;
        int run = k - last - 1;
        last = k;
        while (run > 15) {
            out.put(ac.code[0xF0], ac.length[0xF0]);
            run -= 16;
        }
        const int v = q[k];
        const int bits = std::bit_width(static_cast<unsigned>(v < 0 ? -v : v));
        const int symbol = (run << 4) + bits;
        out.put(std::uint32_t{ac.code[symbol]} << bits | ValueBits(v, bits), ac.length[symbol] + bits);
    }
    if (last != 63) {
        out.put(ac.code[0], ac.length[0]);
    }
}

// A block past the picture's blocks in a 2 × 2 luma unit: the previous DC again and no AC.
void EncodePaddingBlock(BlockCoder& coder, BitWriter& out) {
    out.put(coder.dc->code[0], coder.dc->length[0]);
    out.put(coder.ac->code[0], coder.ac->length[0]);
}

// The compressed data: the blocks in libjpeg's interleaved order, each unit's luma blocks (one, or 2 × 2
// with padding blocks past the picture's) followed by its Cb and Cr block.
PICURA_ALSO_FOR_AVX2 void EncodeScan(const DctPlane* const* planes, const Prepared& p, BitWriter& out) {
    BlockCoder coders[3] = {{&p.dc[0], &p.ac[0]}, {&p.dc[1], &p.ac[1]}, {&p.dc[1], &p.ac[1]}};
    const DctPlane& luma = *planes[0];
    const int unit = p.fullChroma ? 1 : 2;
    const int unitsWide = planes[1]->blocksWide, unitsHigh = planes[1]->blocksHigh;
    std::int16_t q[64];
    for (int ur = 0; ur < unitsHigh; ++ur) {
        for (int uc = 0; uc < unitsWide; ++uc) {
            for (int dy = 0; dy < unit; ++dy) {
                for (int dx = 0; dx < unit; ++dx) {
                    const int row = ur * unit + dy, col = uc * unit + dx;
                    out.reserveBlock();
                    if (row >= luma.blocksHigh || col >= luma.blocksWide) {
                        EncodePaddingBlock(coders[0], out);
                        continue;
                    }
                    p.quantiser[0].quantise(luma.block(row, col), q);
                    EncodeBlock(q, coders[0], out);
                }
            }
            for (int c = 1; c < 3; ++c) {
                out.reserveBlock();
                p.quantiser[1].quantise(planes[c]->block(ur, uc), q);
                EncodeBlock(q, coders[c], out);
            }
        }
    }
    out.finish();
}

}  // namespace

struct JpegEncoder::State {
    int width = 0;
    int height = 0;
    JpegChroma chroma = JpegChroma::Auto;
    QImage rgb;                                   // RGB32
    PlaneMaker luma{PlaneSet::Luma};              // the same blocks at either colour resolution
    PlaneMaker fullChroma{PlaneSet::FullChroma};  // Cb, Cr; rows made as the qualities need them
    PlaneMaker halfChroma{PlaneSet::HalfChroma};
    Prepared prepared;  // the quality last counted in full
    std::vector<std::uint8_t> file;

    bool valid() const { return width > 0; }
    bool fullAt(int quality) const {
        return chroma == JpegChroma::Auto ? JpegFullChroma(quality) : chroma == JpegChroma::Full;
    }
    PlaneMaker& chromaAt(bool full) { return full ? fullChroma : halfChroma; }
    // Quantises and counts the blocks at `quality` and makes the Huffman tables, keeping them for the
    // file. Larger when the file is proved larger than `limit` bytes, possibly before all blocks are
    // counted (nothing is kept then).
    enum class Outcome { Failed, Ready, Larger };
    Outcome prepare(int quality, std::int64_t limit);
};

JpegEncoder::State::Outcome JpegEncoder::State::prepare(int quality, std::int64_t limit) {
    if (prepared.quality == quality) {
        return prepared.sizeWithoutStuffing > limit ? Outcome::Larger : Outcome::Ready;
    }
    prepared.quality = -1;
    const bool full = fullAt(quality);
    unsigned short steps[2][64];
    if (!LibraryQuantisationTables(quality, steps)) {
        return Outcome::Failed;
    }
    Prepared p;
    p.quality = quality;
    p.fullChroma = full;
    for (int t = 0; t < 2; ++t) {
        std::copy(steps[t], steps[t] + 64, p.steps[t].begin());
        p.quantiser[t].setSteps(steps[t]);
    }
    // Luma first: for a file far over the limit its count alone usually proves it, and the colour planes
    // at this resolution need not be transformed at all.
    const int lumaUnit = full ? 1 : 2;
    PlaneMaker& chroma = chromaAt(full);
    luma.start(rgb);
    chroma.start(rgb);
    const std::int64_t blocks =
        CodedBlocks(luma.planes()[0], lumaUnit) + 2 * CodedBlocks(chroma.planes()[0], 1);
    Statistics lumaStats, chromaStats;
    SizeWatch watch(limit, blocks, &lumaStats, &chromaStats);
    if (!CountPlanes(luma, rgb, p.quantiser[0], lumaUnit, lumaStats, watch) ||
        !CountPlanes(chroma, rgb, p.quantiser[1], 1, chromaStats, watch)) {
        return Outcome::Larger;
    }
    std::int64_t bits = lumaStats.valueBits() + chromaStats.valueBits();
    lumaStats.merge();
    chromaStats.merge();
    std::int64_t bytes = kFixedHeaderBytes;
    const Statistics* stats[2] = {&lumaStats, &chromaStats};
    for (int t = 0; t < 2; ++t) {
        p.dc[t] = OptimalTable(stats[t]->dc);
        p.ac[t] = OptimalTable(stats[t]->ac);
        for (int s = 0; s < 256; ++s) {
            bits += stats[t]->dc[s] * p.dc[t].length[s] + stats[t]->ac[s] * p.ac[t].length[s];
        }
        bytes += HuffmanSegmentBytes(p.dc[t]) + HuffmanSegmentBytes(p.ac[t]);
    }
    p.sizeWithoutStuffing = bytes + (bits + 7) / 8;
    prepared = std::move(p);
    return prepared.sizeWithoutStuffing > limit ? Outcome::Larger : Outcome::Ready;
}

bool JpegFullChroma(int quality) {
    return std::clamp(quality, 0, 100) >= kFullChromaFromQuality;
}

JpegEncoder::JpegEncoder(const QImage& image, JpegChroma chroma) : state_(std::make_unique<State>()) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0 || image.width() > kMaxJpegSide ||
        image.height() > kMaxJpegSide) {
        return;
    }
    state_->rgb =
        image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    if (state_->rgb.isNull()) {
        return;
    }
    state_->width = image.width();
    state_->height = image.height();
    state_->chroma = chroma;
}

JpegEncoder::~JpegEncoder() = default;

qint64 JpegEncoder::sizeWithoutStuffing(int quality) {
    State& s = *state_;
    if (!s.valid()) {
        return 0;
    }
    try {
        if (s.prepare(std::clamp(quality, 0, 100), SizeWatch::kNoLimit) == State::Outcome::Failed) {
            return 0;
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return s.prepared.sizeWithoutStuffing;
}

bool JpegEncoder::largerThan(int quality, qint64 bytes) {
    State& s = *state_;
    if (!s.valid()) {
        return false;
    }
    try {
        return s.prepare(std::clamp(quality, 0, 100), bytes) == State::Outcome::Larger;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

QByteArray JpegEncoder::encode(int quality) {
    State& s = *state_;
    if (!s.valid()) {
        return {};
    }
    try {
        if (s.prepare(std::clamp(quality, 0, 100), SizeWatch::kNoLimit) == State::Outcome::Failed) {
            return {};
        }
        const Prepared& p = s.prepared;
        s.file.clear();
        // Room for the file with a stuffed byte after one in a hundred: it seldom has to grow.
        s.file.reserve(static_cast<std::size_t>(p.sizeWithoutStuffing + p.sizeWithoutStuffing / 100 + 1024));
        PutHeaders(s.file, s.width, s.height, p);
        PlaneMaker& chroma = s.chromaAt(p.fullChroma);
        s.luma.makeRows(s.rgb, s.luma.planes()[0].blocksHigh);
        chroma.makeRows(s.rgb, chroma.planes()[0].blocksHigh);
        const DctPlane* planes[3] = {&s.luma.planes()[0], &chroma.planes()[0], &chroma.planes()[1]};
        BitWriter out(s.file);
        EncodeScan(planes, p, out);
        PutBytes(s.file, {0xFF, 0xD9});
        return QByteArray(reinterpret_cast<const char*>(s.file.data()),
                          static_cast<qsizetype>(s.file.size()));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

QByteArray EncodeJpeg(const QImage& image, int quality) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return {};
    }
    const QImage rgb =
        image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    quality = std::clamp(quality, 0, 100);
    JpegSink sink{};
    const std::size_t size =
        Compress(&sink, rgb.constBits(), rgb.width(), rgb.height(),
                 static_cast<std::size_t>(rgb.bytesPerLine()), quality, JpegFullChroma(quality));
    QByteArray bytes;
    if (size != 0) {
        bytes = QByteArray(reinterpret_cast<const char*>(sink.buffer), static_cast<qsizetype>(size));
    }
    std::free(sink.buffer);
    return bytes;
}

}  // namespace picura
