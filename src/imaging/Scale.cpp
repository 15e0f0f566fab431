#include "imaging/Scale.h"

#include "imaging/LargePages.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#define PICURA_SCALE_X86 1
#include <immintrin.h>
#endif

namespace picura::scale {

namespace {

constexpr int kFinalShift = kWeightBits + kIntermediateBits;
constexpr std::int32_t kVerticalHalf = 1 << (kWeightBits - kIntermediateBits - 1);
constexpr std::int32_t kHorizontalHalf = 1 << (kFinalShift - 1);
// The intermediate row is padded so that taps read in groups may run past the last column: by up to a
// stride of pixels (whose weights are 0), plus one vector.
int RowPadding(const AxisTaps& xt) {
    return xt.stride * 4 + 16;
}

inline std::uint32_t Average4(std::uint32_t p0, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
    const std::uint32_t rb =
        (p0 & 0x00FF00FFu) + (p1 & 0x00FF00FFu) + (p2 & 0x00FF00FFu) + (p3 & 0x00FF00FFu) + 0x00020002u;
    const std::uint32_t g =
        (p0 & 0x0000FF00u) + (p1 & 0x0000FF00u) + (p2 & 0x0000FF00u) + (p3 & 0x0000FF00u) + 0x200u;
    return 0xFF000000u | ((rb >> 2) & 0x00FF00FFu) | ((g >> 2) & 0x0000FF00u);
}

inline std::uint32_t WeightedAverage(const std::uint32_t* p, const std::uint64_t* w) {
    const std::uint64_t total = w[0] + w[1] + w[2] + w[3];
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        std::uint64_t sum = total / 2;
        for (int i = 0; i < 4; ++i) {
            sum += ((p[i] >> shift) & 0xFF) * w[i];
        }
        out |= static_cast<std::uint32_t>(sum / total) << shift;
    }
    return out;
}

inline std::uint32_t PackPixel(std::int32_t b, std::int32_t g, std::int32_t r) {
    return 0xFF000000u | (static_cast<std::uint32_t>(r >> kFinalShift) << 16) |
           (static_cast<std::uint32_t>(g >> kFinalShift) << 8) | static_cast<std::uint32_t>(b >> kFinalShift);
}

// The vertical taps of one output row over `n` bytes of each tap's line, from byte `from` on.
void VerticalPlain(const std::uint8_t* const* lines, const std::int16_t* w, int taps, int from, int n,
                   std::int16_t* out) {
    for (int i = from; i < n; ++i) {
        std::int32_t acc = kVerticalHalf;
        for (int k = 0; k < taps; ++k) {
            acc += lines[k][i] * static_cast<std::int32_t>(w[k]);
        }
        out[i] = static_cast<std::int16_t>(acc >> (kWeightBits - kIntermediateBits));
    }
}

// `packed` is unused here and by the SSE2 kernel; the AVX2 kernel reads its weights from it (PackWeights).
void HorizontalPlain(const std::int16_t* row, const AxisTaps& xt, const std::int16_t* /*packed*/,
                     int firstColumn, std::uint32_t* out) {
    const int outW = static_cast<int>(xt.first.size());
    for (int x = 0; x < outW; ++x) {
        const std::int16_t* p = row + (xt.first[x] - firstColumn) * 4;
        const std::int16_t* wx = &xt.weights[static_cast<std::size_t>(x) * xt.stride];
        std::int32_t b = kHorizontalHalf, g = kHorizontalHalf, r = kHorizontalHalf;
        for (int k = 0, n = xt.count[x]; k < n; ++k, p += 4) {
            b += p[0] * static_cast<std::int32_t>(wx[k]);
            g += p[1] * static_cast<std::int32_t>(wx[k]);
            r += p[2] * static_cast<std::int32_t>(wx[k]);
        }
        out[x] = PackPixel(b, g, r);
    }
}

// The vertical pass of the fast kernels, one byte at a time: bias + Σ floor(x_k · w_k / 128) in 16 bits,
// each product the high half of (x << 8) · 2w, as one unsigned 16-bit multiply (pmulhuw) gives it for
// sixteen bytes at once. The truncations lose under 1/128 of a level per tap and the bias (half the taps)
// centres the loss, so this stays within a level of VerticalPlain's exact rounding. The vector loops and
// this one compute exactly the same, so a column comes out the same whichever of them it falls in, and parts
// of one scaled picture join exactly.
inline std::uint16_t VerticalProduct(std::uint8_t x, std::int16_t w) {
    return static_cast<std::uint16_t>(((std::uint32_t{x} << 8) * (static_cast<std::uint32_t>(w) << 1)) >> 16);
}

void VerticalFastTail(const std::uint8_t* const* lines, const std::int16_t* w, int taps, int from, int n,
                      std::int16_t* out) {
    const auto bias = static_cast<std::uint16_t>(taps / 2);
    for (int i = from; i < n; ++i) {
        std::uint16_t acc = bias;
        for (int k = 0; k < taps; ++k) {
            acc = static_cast<std::uint16_t>(acc + VerticalProduct(lines[k][i], w[k]));
        }
        out[i] = static_cast<std::int16_t>(acc);
    }
}

#ifdef PICURA_SCALE_X86

// Sixteen bytes per line at a time: each byte unpacked to the high half of a 16-bit word (x << 8), one
// unsigned high multiply by the doubled weight, 16-bit sums (VerticalProduct).
void VerticalSse2(const std::uint8_t* const* lines, const std::int16_t* w, int taps, int from, int n,
                  std::int16_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bias = _mm_set1_epi16(static_cast<std::int16_t>(taps / 2));
    int i = from;
    for (; i + 16 <= n; i += 16) {
        __m128i lo = bias;
        __m128i hi = bias;
        for (int k = 0; k < taps; ++k) {
            const __m128i wk = _mm_set1_epi16(static_cast<std::int16_t>(w[k] * 2));
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[k] + i));
            lo = _mm_add_epi16(lo, _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, v), wk));
            hi = _mm_add_epi16(hi, _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, v), wk));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), hi);
    }
    VerticalFastTail(lines, w, taps, i, n, out);
}

// Two taps at a time: the two pixels' channels interleaved (b0 b1 g0 g1 r0 r1 a0 a1), one multiply-add.
void HorizontalSse2(const std::int16_t* row, const AxisTaps& xt, const std::int16_t* /*packed*/,
                    int firstColumn, std::uint32_t* out) {
    const int outW = static_cast<int>(xt.first.size());
    const __m128i half = _mm_set1_epi32(kHorizontalHalf);
    for (int x = 0; x < outW; ++x) {
        const std::int16_t* p = row + (xt.first[x] - firstColumn) * 4;
        const std::int16_t* wx = &xt.weights[static_cast<std::size_t>(x) * xt.stride];
        __m128i acc = half;
        for (int k = 0, n = xt.count[x]; k < n; k += 2, p += 8) {
            std::int32_t pair;
            std::memcpy(&pair, wx + k, sizeof pair);  // the stride is even: wx[k + 1] exists (0 past count)
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            acc = _mm_add_epi32(
                acc, _mm_madd_epi16(_mm_unpacklo_epi16(v, _mm_srli_si128(v, 8)), _mm_set1_epi32(pair)));
        }
        acc = _mm_srai_epi32(acc, kFinalShift);
        acc = _mm_packs_epi32(acc, acc);
        acc = _mm_packus_epi16(acc, acc);
        out[x] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(acc)) | 0xFF000000u;
    }
}

// As VerticalSse2, thirty-two bytes per line at a time. The unpacks work within 128-bit lanes, so the two
// sums hold bytes 0-7 and 16-23, and 8-15 and 24-31; swapping lanes at the store puts them in order.
template <int Taps>
__attribute__((target("avx2"))) void VerticalAvx2Taps(const std::uint8_t* const* lines, const std::int16_t* w,
                                                      int taps, int from, int n, std::int16_t* out) {
    constexpr int kMaxTaps = 16;
    const int count = Taps > 0 ? Taps : taps;
    __m256i wk[kMaxTaps];
    const std::uint8_t* line[kMaxTaps];
    for (int k = 0; k < count; ++k) {
        wk[k] = _mm256_set1_epi16(static_cast<std::int16_t>(w[k] * 2));
        line[k] = lines[k];
    }
    const __m256i zero = _mm256_setzero_si256();
    const __m256i bias = _mm256_set1_epi16(static_cast<std::int16_t>(count / 2));
    int i = from;
    for (; i + 32 <= n; i += 32) {
        __m256i lo = bias;
        __m256i hi = bias;
        for (int k = 0; k < count; ++k) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line[k] + i));
            lo = _mm256_add_epi16(lo, _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, v), wk[k]));
            hi = _mm256_add_epi16(hi, _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, v), wk[k]));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 16),
                            _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    VerticalSse2(lines, w, count, i, n, out);
}

__attribute__((target("avx2"))) void VerticalAvx2(const std::uint8_t* const* lines, const std::int16_t* w,
                                                  int taps, int from, int n, std::int16_t* out) {
    // The usual tap counts get loops of a fixed length (unrolled, weights in registers).
    switch (taps) {
        case 1: VerticalAvx2Taps<1>(lines, w, taps, from, n, out); return;
        case 2: VerticalAvx2Taps<2>(lines, w, taps, from, n, out); return;
        case 3: VerticalAvx2Taps<3>(lines, w, taps, from, n, out); return;
        case 4: VerticalAvx2Taps<4>(lines, w, taps, from, n, out); return;
        case 5: VerticalAvx2Taps<5>(lines, w, taps, from, n, out); return;
        case 6: VerticalAvx2Taps<6>(lines, w, taps, from, n, out); return;
        default:
            if (taps <= 16) {
                VerticalAvx2Taps<0>(lines, w, taps, from, n, out);
            } else {
                VerticalSse2(lines, w, taps, from, n, out);
            }
            return;
    }
}

// The horizontal weights laid out for HorizontalAvx2Groups: per output pixel and group of four taps, the
// weights of taps k, k + 1 repeated over the low 128-bit lane and those of k + 2, k + 3 over the high one, so
// that each multiply-add takes its weights straight from memory.
std::vector<std::int16_t> PackWeights(const AxisTaps& xt, int groups) {
    const std::size_t outW = xt.first.size();
    std::vector<std::int16_t> packed(outW * static_cast<std::size_t>(groups) * 16);
    std::int16_t* to = packed.data();
    for (std::size_t x = 0; x < outW; ++x) {
        const std::int16_t* wx = &xt.weights[x * static_cast<std::size_t>(xt.stride)];
        for (int g = 0; g < groups; ++g, to += 16) {
            for (int j = 0; j < 8; ++j) {
                to[j] = wx[4 * g + (j & 1)];
                to[8 + j] = wx[4 * g + 2 + (j & 1)];
            }
        }
    }
    return packed;
}

// Four taps per multiply-add: pixels k..k+3 loaded at once, each 128-bit lane reordered to
// (b0 b1 g0 g1 r0 r1 a0 a1), the weights of taps k, k+1 in the low lane and k+2, k+3 in the high one. Every
// output pixel runs the same number of groups (enough for the widest), reading zero weights past its own
// taps, so the loop has a fixed trip count. Four output pixels are finished together: their lanes summed,
// shifted, packed and stored as one 16-byte write.
// One output pixel's taps: two 32-bit sums per channel, one in each lane.
template <int Groups>
__attribute__((target("avx2"), always_inline)) inline __m256i AccumulateTaps(const std::int16_t* p,
                                                                             const std::int16_t* packed,
                                                                             int x, __m256i order,
                                                                             __m256i acc) {
    const std::int16_t* w = packed + static_cast<std::ptrdiff_t>(x) * Groups * 16;
    for (int g = 0; g < Groups; ++g) {
        const __m256i v =
            _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16 * g)), order);
        acc = _mm256_add_epi32(
            acc, _mm256_madd_epi16(v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 16 * g))));
    }
    return acc;
}

template <int Groups>
__attribute__((target("avx2"))) void HorizontalAvx2Groups(const std::int16_t* row, const AxisTaps& xt,
                                                          const std::int16_t* packed, int firstColumn,
                                                          std::uint32_t* out) {
    const int outW = static_cast<int>(xt.first.size());
    const int* first = xt.first.data();
    const __m256i order = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9,
                                           2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    // The rounding half rides in the low lane only, so that the two lanes' sum holds it once.
    const __m256i half =
        _mm256_setr_epi32(kHorizontalHalf, kHorizontalHalf, kHorizontalHalf, kHorizontalHalf, 0, 0, 0, 0);
    const __m256i pixelOrder = _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int x = 0;
    for (; x + 4 <= outW; x += 4) {
        const __m256i a0 = AccumulateTaps<Groups>(row + (first[x] - firstColumn) * 4, packed, x, order, half);
        const __m256i a1 =
            AccumulateTaps<Groups>(row + (first[x + 1] - firstColumn) * 4, packed, x + 1, order, half);
        const __m256i a2 =
            AccumulateTaps<Groups>(row + (first[x + 2] - firstColumn) * 4, packed, x + 2, order, half);
        const __m256i a3 =
            AccumulateTaps<Groups>(row + (first[x + 3] - firstColumn) * 4, packed, x + 3, order, half);
        // [pixel 0 | pixel 1] and [pixel 2 | pixel 3], each lane b g r a as 32-bit sums.
        const __m256i s01 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_permute2x128_si256(a0, a1, 0x20),
                                                               _mm256_permute2x128_si256(a0, a1, 0x31)),
                                              kFinalShift);
        const __m256i s23 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_permute2x128_si256(a2, a3, 0x20),
                                                               _mm256_permute2x128_si256(a2, a3, 0x31)),
                                              kFinalShift);
        // Words: low lane pixels 0, 2; high lane pixels 1, 3. Bytes: the same twice per lane.
        const __m256i words = _mm256_packs_epi32(s01, s23);
        const __m256i bytes = _mm256_packus_epi16(words, words);
        const __m128i four = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(bytes, pixelOrder));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(four, opaque));
    }
    for (; x < outW; ++x) {
        const __m256i acc =
            AccumulateTaps<Groups>(row + (first[x] - firstColumn) * 4, packed, x, order, half);
        __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
        sum = _mm_srai_epi32(sum, kFinalShift);
        sum = _mm_packs_epi32(sum, sum);
        sum = _mm_packus_epi16(sum, sum);
        out[x] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_or_si128(sum, opaque)));
    }
}

bool HasAvx2() {
    // The processor is probed here, not by a static constructor: pictures may be scaled before those ran.
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

#endif

}  // namespace

QImage Halve(const QImage& src, const LevelSpan& span, LevelSpan* halvedSpan) {
    const int sw = src.width();
    const int sh = src.height();
    const int w = (sw + 1) / 2;
    const int h = (sh + 1) / 2;
    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull()) {
        return out;
    }
    AdviseLargePages(out.bits(), static_cast<std::size_t>(out.sizeInBytes()));
    // Weights of the two source columns (rows) of the last output column (row).
    const bool oddW = sw % 2 != 0;
    const bool oddH = sh % 2 != 0;
    const std::uint64_t lastX[2] = {oddW ? 1u : std::uint64_t(span.factor),
                                    oddW ? 0u : std::uint64_t(span.lastW)};
    const std::uint64_t lastY[2] = {oddH ? 1u : std::uint64_t(span.factor),
                                    oddH ? 0u : std::uint64_t(span.lastH)};
    halvedSpan->factor = span.factor * 2;
    halvedSpan->lastW = oddW ? span.lastW : span.factor + span.lastW;
    halvedSpan->lastH = oddH ? span.lastH : span.factor + span.lastH;
    for (int y = 0; y < h; ++y) {
        const auto* a = reinterpret_cast<const std::uint32_t*>(src.constScanLine(2 * y));
        const auto* b =
            reinterpret_cast<const std::uint32_t*>(src.constScanLine(std::min(2 * y + 1, sh - 1)));
        auto* o = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        const bool lastRow = y == h - 1;
        const int plain = lastRow ? 0 : w - 1;
        for (int x = 0; x < plain; ++x) {
            o[x] = Average4(a[2 * x], a[2 * x + 1], b[2 * x], b[2 * x + 1]);
        }
        const std::uint64_t wy[2] = {lastRow ? lastY[0] : 1u, lastRow ? lastY[1] : 1u};
        for (int x = plain; x < w; ++x) {
            const bool lastColumn = x == w - 1;
            const std::uint64_t wx[2] = {lastColumn ? lastX[0] : 1u, lastColumn ? lastX[1] : 1u};
            const int x1 = std::min(2 * x + 1, sw - 1);
            const std::uint32_t p[4] = {a[2 * x], a[x1], b[2 * x], b[x1]};
            const std::uint64_t weights[4] = {wx[0] * wy[0], wx[1] * wy[0], wx[0] * wy[1], wx[1] * wy[1]};
            o[x] = WeightedAverage(p, weights);
        }
    }
    return out;
}

AxisTaps MakeTaps(int from, int to, int sourceLength, int targetLength, int factor, int levelLength,
                  int lastSpan) {
    AxisTaps t;
    const int n = to - from;
    t.first.resize(n);
    t.count.resize(n);
    const double ratio = static_cast<double>(sourceLength) / targetLength;
    if (targetLength >= sourceLength) {
        // Enlarging (or the same size): bilinear between the two nearest pixel centres.
        t.stride = 4;
        t.weights.assign(static_cast<std::size_t>(n) * 4, 0);
        for (int i = 0; i < n; ++i) {
            const int o = from + i;
            double s = (o + 0.5) * ratio - 0.5;
            s = std::clamp(s, 0.0, static_cast<double>(levelLength - 1));
            const int i0 = static_cast<int>(std::floor(s));
            const auto frac = static_cast<std::int16_t>(std::lround((s - i0) * kWeightOne));
            t.first[i] = i0;
            if (frac == 0 || i0 + 1 >= levelLength) {
                t.count[i] = 1;
                t.weights[4 * i] = kWeightOne;
            } else {
                t.count[i] = 2;
                t.weights[4 * i] = static_cast<std::int16_t>(kWeightOne - frac);
                t.weights[4 * i + 1] = frac;
            }
        }
    } else {
        // Shrinking: the average over the exact footprint of the output pixel, measured in full-size pixels.
        // Level pixel k stands for [k * factor, (k + 1) * factor), the last one for what is left.
        const double step = ratio / factor;
        const double lastStart = static_cast<double>(levelLength - 1) * factor;
        const double end = lastStart + lastSpan;
        t.stride = (static_cast<int>(std::ceil(step)) + 6) & ~3;
        t.weights.assign(static_cast<std::size_t>(n) * t.stride, 0);
        for (int i = 0; i < n; ++i) {
            const int o = from + i;
            double a = std::clamp(o * ratio, 0.0, end);
            const double b = std::clamp((o + 1) * ratio, 0.0, end);
            if (b - a < 1e-9) {
                a = std::max(0.0, b - 1.0);
            }
            const int lo = std::min(static_cast<int>(std::floor(a / factor)), levelLength - 1);
            const int hi = std::max(lo + 1, std::min(static_cast<int>(std::ceil(b / factor)), levelLength));
            const int c = std::min(hi - lo, t.stride);
            const double span = b - a;
            std::int16_t* w = &t.weights[static_cast<std::size_t>(i) * t.stride];
            double covered = 0.0;
            std::int32_t given = 0;
            for (int k = 0; k < c; ++k) {
                const int index = lo + k;
                const double left = std::max(a, static_cast<double>(index) * factor);
                const double right =
                    std::min(b, index == levelLength - 1 ? end : static_cast<double>(index + 1) * factor);
                covered += std::max(0.0, right - left);
                // Rounding the running total keeps the sum exactly one.
                const auto upTo = static_cast<std::int32_t>(std::lround(covered / span * kWeightOne));
                w[k] = static_cast<std::int16_t>(upTo - given);
                given = upTo;
            }
            w[c - 1] = static_cast<std::int16_t>(w[c - 1] + kWeightOne - given);
            t.first[i] = lo;
            t.count[i] = c;
        }
    }
    t.lowest = t.first.front();
    t.highest = 0;
    for (int i = 0; i < n; ++i) {
        t.lowest = std::min(t.lowest, t.first[i]);
        t.highest = std::max(t.highest, t.first[i] + t.count[i] - 1);
    }
    return t;
}

namespace {

using HorizontalKernel = void (*)(const std::int16_t*, const AxisTaps&, const std::int16_t*, int,
                                  std::uint32_t*);
using VerticalKernel = void (*)(const std::uint8_t* const*, const std::int16_t*, int, int, int,
                                std::int16_t*);

// Scales the rows that `nextRows(&from, &to)` hands out until it returns false.
template <typename NextRows>
void ScaleRowsWith(Kernel kernel, const QImage& src, const AxisTaps& xt, const AxisTaps& yt, RowsOut out,
                   const NextRows& nextRows) {
    const int firstColumn = xt.lowest;
    const int columns = xt.highest - xt.lowest + 1;
    const int n4 = columns * 4;
    std::vector<std::int16_t> row(static_cast<std::size_t>(n4 + RowPadding(xt)), 0);
    std::vector<const std::uint8_t*> lines;
    std::vector<std::int16_t> packed;
    VerticalKernel vertical = VerticalPlain;
    HorizontalKernel horizontal = HorizontalPlain;
#ifdef PICURA_SCALE_X86
    if (kernel == Kernel::Fast) {
        const bool avx2 = HasAvx2();
        vertical = avx2 ? VerticalAvx2 : VerticalSse2;
        horizontal = HorizontalSse2;
        if (avx2) {
            const int widest = xt.count.empty() ? 0 : *std::max_element(xt.count.begin(), xt.count.end());
            const int groups = (widest + 3) / 4;
            if (groups <= 3) {
                packed = PackWeights(xt, groups);
                horizontal = groups <= 1   ? HorizontalAvx2Groups<1>
                             : groups == 2 ? HorizontalAvx2Groups<2>
                                           : HorizontalAvx2Groups<3>;
            }
        }
    }
#else
    (void)kernel;
#endif
    const uchar* const srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    int from = 0;
    int to = 0;
    while (nextRows(&from, &to)) {
        for (int y = from; y < to; ++y) {
            const int taps = yt.count[y];
            lines.resize(static_cast<std::size_t>(taps));
            for (int k = 0; k < taps; ++k) {
                lines[static_cast<std::size_t>(k)] =
                    srcBits + (yt.first[y] + k) * srcStride + firstColumn * 4;
            }
            vertical(lines.data(), &yt.weights[static_cast<std::size_t>(y) * yt.stride], taps, 0, n4,
                     row.data());
            horizontal(row.data(), xt, packed.data(), firstColumn,
                       reinterpret_cast<std::uint32_t*>(out.bits + y * out.bytesPerLine));
        }
    }
}

}  // namespace

void ScaleRows(Kernel kernel, const QImage& src, const AxisTaps& xt, const AxisTaps& yt, int from, int to,
               QImage* result) {
    const RowsOut out{result->bits(), result->bytesPerLine()};
    bool given = false;
    ScaleRowsWith(kernel, src, xt, yt, out, [&](int* a, int* b) {
        if (given) {
            return false;
        }
        given = true;
        *a = from;
        *b = to;
        return true;
    });
}

void ScaleRowChunks(Kernel kernel, const QImage& src, const AxisTaps& xt, const AxisTaps& yt,
                    std::atomic<int>* next, int chunk, int to, RowsOut out) {
    ScaleRowsWith(kernel, src, xt, yt, out, [&](int* a, int* b) {
        const int start = next->fetch_add(chunk, std::memory_order_relaxed);
        if (start >= to) {
            return false;
        }
        *a = start;
        *b = std::min(to, start + chunk);
        return true;
    });
}

}  // namespace picura::scale
