#pragma once

// The resampling behind Picture::scaledPart: per-axis taps (area average when shrinking, bilinear when
// enlarging) and the kernels that apply them to rows of a picture. Internal to the imaging library; the
// header exists so that tests can hold the fast kernels to the plain ones.

#include <QImage>

#include <atomic>
#include <cstdint>
#include <vector>

namespace picura::scale {

// Weights are fixed point with this many fraction bits; they fit a signed 16-bit value.
inline constexpr int kWeightBits = 14;
inline constexpr std::int32_t kWeightOne = 1 << kWeightBits;
// The vertical pass keeps this many fraction bits: 255 << 7 still fits a signed 16-bit value, as the
// horizontal pass's multiply-add wants.
inline constexpr int kIntermediateBits = 7;

// The extent of one pyramid level: its pixels each stand for `factor` full-size pixels a side, except the
// last column and row, which stand for `lastW` and `lastH` (whatever the picture has left).
struct LevelSpan {
    int factor = 1;
    int lastW = 1;
    int lastH = 1;
};

// The source pixels that make one output pixel along one axis, with fixed-point weights summing to
// kWeightOne. Output pixel i reads `count[i]` pixels from `first[i]` on, with the weights at
// weights[i * stride]; `stride` is even and unused weights are 0, so taps can be taken in pairs.
struct AxisTaps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::int16_t> weights;
    int stride = 0;
    int lowest = 0;   // smallest source index used
    int highest = 0;  // largest source index used
};

// Output pixels [from, to) of an axis scaled from `sourceLength` (at full size) to `targetLength`, read from
// a level whose pixels stand for `factor` full-size pixels and which has `levelLength` pixels, the last of
// them standing for `lastSpan`. Each output pixel depends only on its own index, so parts of the same scaled
// picture agree exactly.
AxisTaps MakeTaps(int from, int to, int sourceLength, int targetLength, int factor, int levelLength,
                  int lastSpan);

enum class Kernel {
    Plain,  // one multiply-add at a time; the yardstick
    Fast,   // SIMD, chosen for the processor at run time
};

// Output rows [from, to) of `result` (RGB32, xt.first.size() wide) from the RGB32 `src`: the vertical taps
// over the columns the part needs, then the horizontal taps of each row.
void ScaleRows(Kernel kernel, const QImage& src, const AxisTaps& xt, const AxisTaps& yt, int from, int to,
               QImage* result);

// Where scaled rows go: row y starts at bits + y * bytesPerLine (RGB32).
struct RowsOut {
    std::uint8_t* bits = nullptr;
    qsizetype bytesPerLine = 0;
};

// The same for rows handed out `chunk` at a time from `next` up to `to`, so that several threads can share
// one part: each takes the next chunk when it is done with the last, and a thread that starts late or is
// slowed by other programs takes fewer. Writes through `out` only (never detaches an image).
void ScaleRowChunks(Kernel kernel, const QImage& src, const AxisTaps& xt, const AxisTaps& yt,
                    std::atomic<int>* next, int chunk, int to, RowsOut out);

// Halves a picture by averaging 2 × 2 blocks. Sizes round up; the last column and row are averaged by the
// full-size area they stand for, so each level covers the whole picture exactly.
QImage Halve(const QImage& src, const LevelSpan& span, LevelSpan* halvedSpan);

}  // namespace picura::scale
