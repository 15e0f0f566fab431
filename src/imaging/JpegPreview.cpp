#include "imaging/JpegPreview.h"

#include "imaging/Rotate.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The reduced decode reproduces libjpeg-turbo's arithmetic on x86-64: at 1/8 a block gives its DC term
// (jpeg_idct_1x1, in C); 2×2 and 4×4 pixels per block (1/4, and chroma decoded at twice the luma's scale)
// come from its SSE2 reduced IDCTs, with their 16-bit dequantisation, 32-bit sums, 16-bit results between the
// passes and 8-bit saturation at the end. Colour planes are brought to luma resolution as libjpeg-turbo does
// (a larger IDCT for 4:2:0 chroma, box or triangle filters for 4:2:2 and 4:4:0), and YCbCr becomes RGB with
// its SIMD colour converter's rounding.
namespace picura::detail {

namespace {

// ---------------------------------------------------------------------------------------------------------
// Huffman decoding

constexpr int kLutBits = 10;
constexpr std::uint32_t kCombined = 0x20;  // the entry holds the coefficient's value too
constexpr int kLenMask = 0x1F;

// The natural (row-major) position of each zigzag index; the 16 entries past the end stand for a run that
// overshoots the block, which a well-formed file never has.
constexpr std::uint8_t kNatural[80] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                       12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                       35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                       58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
                                       64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64};

struct Huffman {
    // Indexed by the next kLutBits bits: bits 0-4 how many bits the entry takes (0: a longer code), bit 5
    // kCombined, bits 8-15 the symbol, bits 16-31 the coefficient (combined entries).
    std::uint32_t fast[1 << kLutBits];
    std::int32_t maxcode[17];  // the largest code of each length, -1 when there is none
    std::int32_t valptr[17];   // index in vals of a length's first symbol, less that length's first code
    std::uint8_t vals[256];
};

struct HuffmanTableBytes {
    bool defined = false;
    std::uint8_t counts[17] = {};  // codes of each length 1..16
    std::uint8_t vals[256] = {};
    int total = 0;
};

inline int Extend(int v, int s) {
    return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
}

// Builds the decoding tables; false for the tables libjpeg refuses (too many codes for their lengths, DC
// symbols above 15).
bool BuildHuffman(const HuffmanTableBytes& table, bool dc, Huffman* h) {
    std::memset(h->fast, 0, sizeof h->fast);
    std::memcpy(h->vals, table.vals, sizeof h->vals);
    int code = 0;
    int k = 0;
    for (int len = 1; len <= 16; ++len) {
        h->valptr[len] = k - code;
        for (int i = 0; i < table.counts[len]; ++i, ++k, ++code) {
            if (code >= (1 << len) - 1) {
                return false;  // more codes than the length holds, or the all-ones code
            }
            const int sym = table.vals[k];
            if (dc && sym > 15) {
                return false;
            }
            if (len > kLutBits) {
                continue;
            }
            const int spare = kLutBits - len;
            for (int tail = 0; tail < (1 << spare); ++tail) {
                const int index = (code << spare) | tail;
                const int s = dc ? sym : (sym & 15);
                std::uint32_t e = std::uint32_t(len) | (std::uint32_t(sym) << 8);
                if (dc && s == 0) {
                    e |= kCombined;
                } else if (s != 0 && len + s <= kLutBits) {
                    const int extra = (index >> (spare - s)) & ((1 << s) - 1);
                    const int value = Extend(extra, s);
                    e = std::uint32_t(len + s) | kCombined | (std::uint32_t(sym) << 8) |
                        (std::uint32_t(std::uint16_t(value)) << 16);
                }
                h->fast[index] = e;
            }
        }
        h->maxcode[len] = table.counts[len] != 0 ? code - 1 : -1;
        if (code >= (1 << len)) {
            return false;
        }
        code <<= 1;
    }
    return true;
}

// Where only a block's DC term is wanted its AC terms are passed over, two at a time where both fit in the
// next kSkipBits bits. Entry: bits 0-4 the bits of both symbols with their magnitudes, 5-9 of the first
// alone (0: none fits), 10-15 how far the first moves the coefficient index, 16-21 how far both do (63 when
// none fits), bit 22 the first ends the block, bit 23 the last one taken does.
constexpr int kSkipBits = 11;

struct SkipTable {
    std::uint32_t pair[1 << kSkipBits];
};

// The symbol of the code at the top of the `avail` bits `bits`, and its length; -1 for none that fits.
int SymbolAt(const Huffman& h, std::uint32_t bits, int avail, int* len) {
    for (int l = 1; l <= std::min(avail, 16); ++l) {
        const int code = int(bits >> (avail - l));
        if (code <= h.maxcode[l]) {
            *len = l;
            return h.vals[(h.valptr[l] + code) & 0xFF];
        }
    }
    return -1;
}

void BuildSkip(const Huffman& h, SkipTable* t) {
    constexpr std::uint32_t kMask = (1u << kSkipBits) - 1;
    auto move = [](int symbol, bool* ends) {
        *ends = (symbol & 15) == 0 && (symbol >> 4) != 15;
        return *ends ? 0 : (symbol & 15) == 0 ? 16 : (symbol >> 4) + 1;
    };
    for (std::uint32_t index = 0; index <= kMask; ++index) {
        int len = 0;
        const int first = SymbolAt(h, index, kSkipBits, &len);
        const int bits1 = len + (first & 15);
        if (first < 0 || bits1 > kSkipBits) {
            t->pair[index] = 63u << 16;
            continue;
        }
        bool end1 = false;
        const int move1 = move(first, &end1);
        int bits = bits1;
        int moves = move1;
        bool endLast = end1;
        const int rest = kSkipBits - bits1;
        if (!end1 && rest > 0) {
            const int second = SymbolAt(h, index & ((1u << rest) - 1), rest, &len);
            const int bits2 = len + (second & 15);
            if (second >= 0 && bits2 <= rest) {
                bits += bits2;
                moves += move(second, &endLast);
            }
        }
        t->pair[index] = std::uint32_t(bits) | (std::uint32_t(bits1) << 5) | (std::uint32_t(move1) << 10) |
                         (std::uint32_t(moves) << 16) | (end1 ? 1u << 22 : 0u) | (endLast ? 1u << 23 : 0u);
    }
}

// Where a block's AC terms are kept they are decoded two symbols at a time where both fit, with their
// magnitude bits, in the next kPairBits bits. Entry: bits 0-4 the bits both take (0: not even the first
// fits), 8-13 how far both move the coefficient index, 16-19 the first's index from the current one, 20-24
// the second's (the first's again when there is no second), bit 25 the block ends with them, 26-31 how far
// the index must be from the block's end for the entry to be taken whole (a second symbol belongs to the
// block only when the first leaves it unfinished), bits 32-47 and 48-63 the two values. A run of sixteen
// zeros stores a zero at its last index and the end of the block one at the current index: both are indices
// nothing was stored at yet.
constexpr int kPairBits = 11;
constexpr std::uint64_t kPairEnds = 1u << 25;

struct PairTable {
    std::uint64_t pair[1 << kPairBits];
};

void BuildPairs(const Huffman& h, PairTable* t) {
    // One symbol at the top of `avail` bits of `bits`: its bits, its value, where it stores (from the
    // current index), how far it moves the index and whether it ends the block; false when it does not fit.
    struct Step {
        int bits, value, at, moves;
        bool ends;
    };
    auto symbolAt = [&h](std::uint32_t bits, int avail, Step* step) {
        int len = 0;
        const int rs = SymbolAt(h, bits, avail, &len);
        if (rs < 0 || len + (rs & 15) > avail) {
            return false;
        }
        const int r = rs >> 4;
        const int s = rs & 15;
        step->bits = len + s;
        step->value = s != 0 ? Extend(int(bits >> (avail - len - s)) & ((1 << s) - 1), s) : 0;
        step->ends = s == 0 && r != 15;
        step->at = step->ends ? 0 : r;
        step->moves = step->ends ? 0 : r + 1;
        return true;
    };
    for (std::uint32_t index = 0; index < (1u << kPairBits); ++index) {
        Step first;
        if (!symbolAt(index, kPairBits, &first)) {
            t->pair[index] = 0;
            continue;
        }
        Step second;
        int secondAt = first.at;
        int limit = first.moves;
        const int rest = kPairBits - first.bits;
        if (!first.ends && rest > 0 && symbolAt(index & ((1u << rest) - 1), rest, &second)) {
            secondAt = first.moves + second.at;
            limit = first.moves + std::max(1, second.moves);
        } else {
            second = Step{0, first.value, 0, 0, first.ends};
        }
        t->pair[index] = std::uint64_t(first.bits + second.bits) | (std::uint64_t(limit) << 26) |
                         (std::uint64_t(first.moves + second.moves) << 8) | (std::uint64_t(first.at) << 16) |
                         (std::uint64_t(secondAt) << 20) | (second.ends ? kPairEnds : 0) |
                         (std::uint64_t(std::uint16_t(first.value)) << 32) |
                         (std::uint64_t(std::uint16_t(second.value)) << 48);
    }
}

inline std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

// Reads the unstuffed scan data, which is followed by enough zero bytes for any MCU read past its end.
struct BitReader {
    const std::uint8_t* base = nullptr;
    const std::uint8_t* p = nullptr;
    std::uint64_t acc = 0;
    unsigned n = 0;  // bits in acc that are counted; the ones below them are the next ones of the data

    void seek(const std::uint8_t* data, std::uint64_t bit) {
        base = data;
        p = data + (bit >> 3);
        acc = 0;
        n = 0;
        refill();
        skip(unsigned(bit & 7));
    }
    void refill() {
        acc |= LoadBigEndian64(p) >> n;
        p += (63 - n) >> 3;
        n |= 56;
    }
    std::uint64_t position() const { return std::uint64_t(p - base) * 8 - n; }
    void skip(unsigned k) {
        acc <<= k;
        n -= k;
    }
    std::uint32_t peek(unsigned k) const { return std::uint32_t(acc >> (64 - k)); }
    int receive(int s) {  // 1 <= s <= 15
        const int v = int(peek(unsigned(s)));
        skip(unsigned(s));
        return Extend(v, s);
    }
};

// A code longer than the fast table's from the next bits `acc`: its symbol, and its length in *len; -1 for a
// bit pattern that is no code.
int SlowSymbol(std::uint64_t acc, const Huffman& h, unsigned* len) {
    for (int l = kLutBits + 1; l <= 16; ++l) {
        const int code = int(acc >> (64 - l));
        if (code <= h.maxcode[l]) {
            *len = unsigned(l);
            return h.vals[(h.valptr[l] + code) & 0xFF];
        }
    }
    return -1;
}

// Needs 31 bits in the reader.
inline bool DecodeDc(BitReader& b, const Huffman& h, int* diff) {
    const std::uint32_t e = h.fast[b.peek(kLutBits)];
    if (e & kCombined) {
        b.skip(e & kLenMask);
        *diff = std::int16_t(e >> 16);
        return true;
    }
    int s;
    if (e & kLenMask) {
        b.skip(e & kLenMask);
        s = int(e >> 8) & 0xFF;
    } else {
        unsigned len;
        s = SlowSymbol(b.acc, h, &len);
        if (s < 0) {
            return false;
        }
        b.skip(len);
    }
    *diff = s != 0 ? b.receive(s) : 0;
    return true;
}

// The AC terms of one block, each to block[slot[zigzag index]]: two symbols at a time where both fit, with
// their magnitudes, in the next kPairBits bits.
inline bool DecodeAc(BitReader& b, const Huffman& h, const PairTable& t, std::int16_t* block,
                     const std::uint8_t* slot) {
    int k = 1;
    do {
        if (b.n < 32) {
            b.refill();
        }
        const std::uint64_t e = t.pair[b.peek(kPairBits)];
        if ((e & 31) != 0 && k + int((e >> 26) & 63) <= 64) {
            block[slot[k + int((e >> 16) & 15)]] = std::int16_t(e >> 32);
            block[slot[k + int((e >> 20) & 31)]] = std::int16_t(e >> 48);
            b.skip(unsigned(e & 31));
            k += int((e >> 8) & 63);
            if (e & kPairEnds) {
                return true;
            }
            continue;
        }
        const std::uint32_t f = h.fast[b.peek(kLutBits)];
        if (f & kCombined) {
            b.skip(f & kLenMask);
            k += int(f >> 12) & 15;
            block[slot[k]] = std::int16_t(f >> 16);
            ++k;
            continue;
        }
        int rs;
        if (f & kLenMask) {
            b.skip(f & kLenMask);
            rs = int(f >> 8) & 0xFF;
        } else {
            unsigned len;
            rs = SlowSymbol(b.acc, h, &len);
            if (rs < 0) {
                return false;
            }
            b.skip(len);
        }
        const int r = rs >> 4;
        const int s = rs & 15;
        if (s != 0) {
            k += r;
            block[slot[k]] = std::int16_t(b.receive(s));
            ++k;
        } else if (r == 15) {
            k += 16;
        } else {
            break;  // end of block
        }
    } while (k < 64);
    return k <= 64;
}

// The AC terms of a block whose DC term alone is wanted: passed over, two symbols at a time where they fit.
inline bool SkipAc(BitReader& b, const Huffman& h, const SkipTable& t) {
    int k = 1;
    do {
        if (b.n < 32) {
            b.refill();
        }
        const std::uint32_t e = t.pair[b.peek(kSkipBits)];
        const int after = k + int((e >> 16) & 63);
        if (after < 64) {  // all the symbols of the entry belong to this block
            b.skip(e & 31);
            k = after;
            if (e & (1u << 23)) {
                return true;
            }
            continue;
        }
        if (e & (31u << 5)) {  // the first one only: it reaches the end of the block
            b.skip((e >> 5) & 31);
            if (e & (1u << 22)) {
                return true;
            }
            k += int(e >> 10) & 63;
            continue;
        }
        int rs;
        unsigned len;
        const std::uint32_t f = h.fast[b.peek(kLutBits)];
        if (f & kLenMask) {
            len = f & kLenMask;
            rs = int(f >> 8) & 0xFF;
            if (f & kCombined) {
                len -= unsigned(rs & 15);  // the magnitude bits are skipped below
            }
        } else {
            rs = SlowSymbol(b.acc, h, &len);
            if (rs < 0) {
                return false;
            }
        }
        b.skip(len);
        const int r = rs >> 4;
        const int s = rs & 15;
        if (s != 0) {
            b.skip(unsigned(s));
            k += r + 1;
        } else if (r == 15) {
            k += 16;
        } else {
            break;  // end of block
        }
    } while (k < 64);
    return k <= 64;
}

// ---------------------------------------------------------------------------------------------------------
// Reduced IDCTs

constexpr std::int32_t F_0_211 = 1730;
constexpr std::int32_t F_0_298 = 2446;
constexpr std::int32_t F_0_390 = 3196;
constexpr std::int32_t F_0_509 = 4176;
constexpr std::int32_t F_0_541 = 4433;
constexpr std::int32_t F_0_601 = 4926;
constexpr std::int32_t F_0_720 = 5906;
constexpr std::int32_t F_0_765 = 6270;
constexpr std::int32_t F_0_850 = 6967;
constexpr std::int32_t F_0_899 = 7373;
constexpr std::int32_t F_1_061 = 8697;
constexpr std::int32_t F_1_175 = 9633;
constexpr std::int32_t F_1_272 = 10426;
constexpr std::int32_t F_1_451 = 11893;
constexpr std::int32_t F_1_501 = 12299;
constexpr std::int32_t F_1_847 = 15137;
constexpr std::int32_t F_1_961 = 16069;
constexpr std::int32_t F_2_053 = 16819;
constexpr std::int32_t F_2_172 = 17799;
constexpr std::int32_t F_2_562 = 20995;
constexpr std::int32_t F_3_072 = 25172;
constexpr std::int32_t F_3_624 = 29692;

// jpeg_idct_1x1: the DC term, descaled by 8, through libjpeg's range-limit table (which wraps far values).
inline std::uint8_t Idct1(std::int16_t dc, std::int16_t q) {
    const std::int32_t v = (std::int32_t(dc) * q + 4) >> 3;
    const int i = int(v & 1023);
    return i < 128 ? std::uint8_t(i + 128) : i < 512 ? 255 : i < 896 ? 0 : std::uint8_t(i - 896);
}

// A 2×2 block keeps its rows 0, 1, 3, 5 and 7, a 4×4 block its rows 0, 1, 2, 3, 5, 6 and 7 and an 8×8 one all
// of them, eight terms each, in natural order: the rows the reduced IDCTs read, laid out as the SIMD code
// loads them.
constexpr int kRows2[5] = {0, 1, 3, 5, 7};
constexpr int kRows4[7] = {0, 1, 2, 3, 5, 6, 7};
constexpr int kRows8[8] = {0, 1, 2, 3, 4, 5, 6, 7};

inline std::int32_t Dequantize(std::int16_t c, std::int16_t q) {
    return std::int16_t(std::int32_t(c) * q);  // 16-bit product, as pmullw
}

// What the 2×2 IDCT computes without the DC term: column 0's odd part in the first pass, each row's odd part
// in the second. The DC term only enters the even part of column 0, so a block whose DC term is not known yet
// can be reduced to these three numbers and finished later (Idct2Finish).
struct Idct2Odd {
    std::uint32_t column, top, bottom;
};

#if defined(__SSE2__)

inline __m128i Row(const std::int16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline __m128i Pair(std::int32_t a, std::int32_t b) {  // (a, b) in every dword, for pmaddwd
    return _mm_set1_epi32(std::int32_t((std::uint32_t(std::uint16_t(b)) << 16) | std::uint16_t(a)));
}

// libjpeg-turbo's jsimd_idct_2x2_sse2, step by step, but for the DC term: column 0's odd part from the first
// pass in lane 0 of *column, rows A's and B's from the second in lanes 0 and 1 of *rows.
inline void Idct2OddLanes(const std::int16_t* c, const std::int16_t* q, __m128i* column, __m128i* rows) {
    const __m128i hiWords = _mm_slli_epi32(_mm_cmpeq_epi32(_mm_setzero_si128(), _mm_setzero_si128()), 16);
    const __m128i f362 = Pair(F_3_624, -F_1_272);
    const __m128i f085 = Pair(F_0_850, -F_0_720);
    const __m128i r1 = _mm_mullo_epi16(Row(c + 8), Row(q + 8));
    const __m128i r3 = _mm_mullo_epi16(Row(c + 16), Row(q + 16));
    const __m128i r5 = _mm_mullo_epi16(Row(c + 24), Row(q + 24));
    const __m128i r7 = _mm_mullo_epi16(Row(c + 32), Row(q + 32));
    // Odd part: column 0 from the low halves, columns 1, 3, 5, 7 from the odd words.
    const __m128i lowOdd = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(r1, r3), f362),
                                         _mm_madd_epi16(_mm_unpacklo_epi16(r5, r7), f085));
    const __m128i odd13 = _mm_or_si128(_mm_srli_epi32(r1, 16), _mm_and_si128(r3, hiWords));
    const __m128i odd57 = _mm_or_si128(_mm_srli_epi32(r5, 16), _mm_and_si128(r7, hiWords));
    const __m128i oddCols = _mm_add_epi32(_mm_madd_epi16(odd13, f362), _mm_madd_epi16(odd57, f085));
    // Even part of columns 1, 3, 5, 7 (the odd words of row 0).
    const __m128i r0 = _mm_mullo_epi16(Row(c), Row(q));
    const __m128i evenOdd = _mm_srai_epi32(_mm_and_si128(r0, hiWords), 1);
    const __m128i round1 = _mm_set1_epi32(1 << 12);
    const __m128i sum = _mm_add_epi32(evenOdd, oddCols);
    const __m128i diff = _mm_sub_epi32(evenOdd, oddCols);
    __m128i a13 = _mm_unpacklo_epi64(sum, diff);  // (A1 A3 B1 B3)
    __m128i a57 = _mm_unpackhi_epi64(sum, diff);  // (A5 A7 B5 B7)
    a13 = _mm_srai_epi32(_mm_add_epi32(a13, round1), 13);
    a57 = _mm_srai_epi32(_mm_add_epi32(a57, round1), 13);
    // Pass 2's odd part, rows A and B.
    *rows = _mm_add_epi32(_mm_madd_epi16(_mm_packs_epi32(a13, a13), f362),
                          _mm_madd_epi16(_mm_packs_epi32(a57, a57), f085));
    *column = lowOdd;
}

// The rest: column 0's even part, which holds the DC term, and the four outputs.
inline void Idct2FinishLanes(__m128i column, __m128i rows, std::int16_t dc, std::int16_t q0,
                             std::uint8_t* out, std::size_t stride) {
    const __m128i even0 = _mm_cvtsi32_si128(std::int32_t(std::uint32_t(Dequantize(dc, q0)) << 15));
    __m128i col0 = _mm_unpacklo_epi32(_mm_add_epi32(even0, column), _mm_sub_epi32(even0, column));
    col0 = _mm_srai_epi32(_mm_add_epi32(col0, _mm_set1_epi32(1 << 12)), 13);  // (A0 B0 ..)
    const __m128i tmp10 = _mm_slli_epi32(col0, 15);
    __m128i out4 =
        _mm_unpacklo_epi32(_mm_add_epi32(tmp10, rows), _mm_sub_epi32(tmp10, rows));  // (C0 D0 C1 D1)
    out4 = _mm_srai_epi32(_mm_add_epi32(out4, _mm_set1_epi32(1 << 19)), 20);
    out4 = _mm_packs_epi32(out4, out4);
    out4 = _mm_add_epi8(_mm_packs_epi16(out4, out4), _mm_set1_epi8(char(0x80)));
    const auto pixels = std::uint32_t(_mm_cvtsi128_si32(out4));
    out[0] = std::uint8_t(pixels);
    out[1] = std::uint8_t(pixels >> 8);
    out[stride] = std::uint8_t(pixels >> 16);
    out[stride + 1] = std::uint8_t(pixels >> 24);
}

inline Idct2Odd Idct2OddPart(const std::int16_t* c, const std::int16_t* q) {
    __m128i column, rows;
    Idct2OddLanes(c, q, &column, &rows);
    Idct2Odd odd;
    odd.column = std::uint32_t(_mm_cvtsi128_si32(column));
    odd.top = std::uint32_t(_mm_cvtsi128_si32(rows));
    odd.bottom = std::uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(rows, 4)));
    return odd;
}

inline void Idct2Finish(const Idct2Odd& odd, std::int16_t dc, std::int16_t q0, std::uint8_t* out,
                        std::size_t stride) {
    const __m128i column = _mm_cvtsi32_si128(std::int32_t(odd.column));
    const __m128i rows = _mm_unpacklo_epi32(_mm_cvtsi32_si128(std::int32_t(odd.top)),
                                            _mm_cvtsi32_si128(std::int32_t(odd.bottom)));
    Idct2FinishLanes(column, rows, dc, q0, out, stride);
}

inline void Idct2(const std::int16_t* c, std::int16_t dc, const std::int16_t* q, std::uint8_t* out,
                  std::size_t stride) {
    __m128i column, rows;
    Idct2OddLanes(c, q, &column, &rows);
    Idct2FinishLanes(column, rows, dc, q[0], out, stride);
}

// One pass of the 4×4 IDCT over four 32-bit lanes, from the scaled even term `even0` and the terms paired for
// pmaddwd (1 with 3, 5 with 7, 2 with 6): the four outputs, rounded and shifted down by kShift.
template <int kShift>
void Idct4Lanes(__m128i even0, __m128i p13, __m128i p57, __m128i p26, __m128i* out) {
    const __m128i tmp2 = _mm_add_epi32(_mm_madd_epi16(p13, Pair(F_2_562, F_0_899)),
                                       _mm_madd_epi16(p57, Pair(-F_0_601, -F_0_509)));
    const __m128i tmp0 = _mm_add_epi32(_mm_madd_epi16(p13, Pair(F_1_061, -F_2_172)),
                                       _mm_madd_epi16(p57, Pair(F_1_451, -F_0_211)));
    const __m128i even2 = _mm_madd_epi16(p26, Pair(F_1_847, -F_0_765));
    const __m128i tmp10 = _mm_add_epi32(even0, even2);
    const __m128i tmp12 = _mm_sub_epi32(even0, even2);
    const __m128i round = _mm_set1_epi32(1 << (kShift - 1));
    out[0] = _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(tmp10, tmp2), round), kShift);
    out[3] = _mm_srai_epi32(_mm_add_epi32(_mm_sub_epi32(tmp10, tmp2), round), kShift);
    out[1] = _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(tmp12, tmp0), round), kShift);
    out[2] = _mm_srai_epi32(_mm_add_epi32(_mm_sub_epi32(tmp12, tmp0), round), kShift);
}

// libjpeg-turbo's jsimd_idct_4x4_sse2: the same arithmetic, each lane one column, then one row.
void Idct4(const std::int16_t* c, std::int16_t dc, const std::int16_t* q, std::uint8_t* out,
           std::size_t stride) {
    const __m128i z0 = _mm_mullo_epi16(_mm_insert_epi16(Row(c), dc, 0), Row(q));
    const __m128i any = _mm_or_si128(_mm_or_si128(_mm_or_si128(Row(c + 8), Row(c + 16)), Row(c + 24)),
                                     _mm_or_si128(_mm_or_si128(Row(c + 32), Row(c + 40)), Row(c + 48)));
    __m128i ws[4];
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF) {
        ws[0] = ws[1] = ws[2] = ws[3] = _mm_slli_epi16(z0, 2);  // nothing below the first row
    } else {
        const __m128i z1 = _mm_mullo_epi16(Row(c + 8), Row(q + 8));
        const __m128i z2 = _mm_mullo_epi16(Row(c + 16), Row(q + 16));
        const __m128i z3 = _mm_mullo_epi16(Row(c + 24), Row(q + 24));
        const __m128i z5 = _mm_mullo_epi16(Row(c + 32), Row(q + 32));
        const __m128i z6 = _mm_mullo_epi16(Row(c + 40), Row(q + 40));
        const __m128i z7 = _mm_mullo_epi16(Row(c + 48), Row(q + 48));
        __m128i half[2][4];
        for (int h = 0; h < 2; ++h) {
            auto unpack = [h](__m128i a, __m128i b) {
                return h == 0 ? _mm_unpacklo_epi16(a, b) : _mm_unpackhi_epi16(a, b);
            };
            Idct4Lanes<12>(_mm_srai_epi32(unpack(_mm_setzero_si128(), z0), 2), unpack(z1, z3), unpack(z5, z7),
                           unpack(z2, z6), half[h]);
        }
        for (int r = 0; r < 4; ++r) {
            ws[r] = _mm_packs_epi32(half[0][r], half[1][r]);
        }
    }
    // Pass 2: the lanes are the four rows; column k of them is word k of each ws row. Transposed in
    // registers: b0 holds columns 0 and 1 (four words each), b1 columns 2 and 3, b2 4 and 5, b3 6 and 7.
    const __m128i a0 = _mm_unpacklo_epi16(ws[0], ws[1]);
    const __m128i a1 = _mm_unpackhi_epi16(ws[0], ws[1]);
    const __m128i a2 = _mm_unpacklo_epi16(ws[2], ws[3]);
    const __m128i a3 = _mm_unpackhi_epi16(ws[2], ws[3]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2);
    const __m128i b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3);
    const __m128i b3 = _mm_unpackhi_epi32(a1, a3);
    __m128i o[4];
    Idct4Lanes<19>(_mm_srai_epi32(_mm_unpacklo_epi16(_mm_setzero_si128(), b0), 2), _mm_unpackhi_epi16(b0, b1),
                   _mm_unpackhi_epi16(b2, b3), _mm_unpacklo_epi16(b1, b3), o);
    // o[0..3] are the output columns for rows 0..3: saturate, then write row by row.
    const __m128i c01 = _mm_packs_epi32(o[0], o[1]);
    const __m128i c23 = _mm_packs_epi32(o[2], o[3]);
    const __m128i bytes = _mm_add_epi8(_mm_packs_epi16(c01, c23), _mm_set1_epi8(char(0x80)));
    // Column by column to row by row: four bytes a row.
    const __m128i p = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 4));
    __m128i rows =
        _mm_unpacklo_epi16(p, _mm_unpacklo_epi8(_mm_srli_si128(bytes, 8), _mm_srli_si128(bytes, 12)));
    for (int r = 0; r < 4; ++r, rows = _mm_srli_si128(rows, 4)) {
        const auto row = std::uint32_t(_mm_cvtsi128_si32(rows));
        std::memcpy(out + std::size_t(r) * stride, &row, 4);
    }
}

#else

// The SIMD code's 32-bit lanes: sums wrap, then round and shift arithmetically. Products of a 16-bit value
// and a constant below 2^15 fit in 32 bits.
inline std::int32_t Descale(std::uint32_t x, int n) {
    return std::int32_t(x + (std::uint32_t(1) << (n - 1))) >> n;
}

inline std::uint32_t Times(std::int32_t v, std::int32_t constant) {
    return std::uint32_t(v * constant);
}

inline std::int32_t Saturate16(std::int32_t v) {
    return std::clamp(v, -32768, 32767);
}

inline std::uint8_t Sample(std::int32_t v) {
    return std::uint8_t(std::clamp(v, -128, 127) + 128);
}

inline bool OnlyDc(const std::int16_t* c, int count) {
    int any = 0;
    for (int i = 1; i < count; ++i) {
        any |= c[i];
    }
    return any == 0;
}

// The 2×2 reduced IDCT as libjpeg-turbo's SSE2 code computes it, but for the DC term.
inline Idct2Odd Idct2OddPart(const std::int16_t* c, const std::int16_t* q) {
    static constexpr int kCols[5] = {0, 1, 3, 5, 7};
    Idct2Odd odd;
    std::int32_t top[5], bottom[5];
    for (int i = 0; i < 5; ++i) {
        const int col = kCols[i];
        const std::uint32_t tmp0 = Times(Dequantize(c[8 + col], q[8 + col]), F_3_624) -
                                   Times(Dequantize(c[16 + col], q[16 + col]), F_1_272) +
                                   Times(Dequantize(c[24 + col], q[24 + col]), F_0_850) -
                                   Times(Dequantize(c[32 + col], q[32 + col]), F_0_720);
        if (i == 0) {
            odd.column = tmp0;
            continue;
        }
        const std::uint32_t tmp10 = std::uint32_t(Dequantize(c[col], q[col])) << 15;
        top[i] = Saturate16(Descale(tmp10 + tmp0, 13));
        bottom[i] = Saturate16(Descale(tmp10 - tmp0, 13));
    }
    auto rowOdd = [](const std::int32_t* w) {
        return Times(w[1], F_3_624) - Times(w[2], F_1_272) + Times(w[3], F_0_850) - Times(w[4], F_0_720);
    };
    odd.top = rowOdd(top);
    odd.bottom = rowOdd(bottom);
    return odd;
}

// The rest of the 2×2 IDCT: column 0's even part (the DC term) and both rows' outputs.
inline void Idct2Finish(const Idct2Odd& odd, std::int16_t dc, std::int16_t q0, std::uint8_t* out,
                        std::size_t stride) {
    const std::uint32_t even = std::uint32_t(Dequantize(dc, q0)) << 15;
    const std::uint32_t top = std::uint32_t(Descale(even + odd.column, 13)) << 15;
    const std::uint32_t bottom = std::uint32_t(Descale(even - odd.column, 13)) << 15;
    out[0] = Sample(Descale(top + odd.top, 20));
    out[1] = Sample(Descale(top - odd.top, 20));
    out[stride] = Sample(Descale(bottom + odd.bottom, 20));
    out[stride + 1] = Sample(Descale(bottom - odd.bottom, 20));
}

inline void Idct2(const std::int16_t* c, std::int16_t dc, const std::int16_t* q, std::uint8_t* out,
                  std::size_t stride) {
    Idct2Finish(Idct2OddPart(c, q), dc, q[0], out, stride);
}

// The 4×4 reduced IDCT as libjpeg-turbo's SSE2 code computes it.
void Idct4(const std::int16_t* c, std::int16_t dc, const std::int16_t* q, std::uint8_t* out,
           std::size_t stride) {
    static constexpr int kCols[7] = {0, 1, 2, 3, 5, 6, 7};
    std::int32_t z[7][7];
    for (int r = 0; r < 7; ++r) {
        for (int i = 0; i < 7; ++i) {
            const int at = r * 8 + kCols[i];
            z[r][i] = Dequantize(at == 0 ? dc : c[at], q[at]);
        }
    }
    std::int32_t ws[4][7];
    if (OnlyDc(c + 7, 49)) {
        // Nothing below the first row: its terms times 4 in 16 bits, as the SIMD code shortcuts it.
        for (int i = 0; i < 7; ++i) {
            ws[0][i] = ws[1][i] = ws[2][i] = ws[3][i] = std::int16_t(std::uint16_t(z[0][i]) << 2);
        }
    } else {
        for (int i = 0; i < 7; ++i) {
            const std::uint32_t tmp0e = std::uint32_t(z[0][i]) << 14;
            const std::uint32_t tmp2e = Times(z[2][i], F_1_847) - Times(z[5][i], F_0_765);
            const std::uint32_t tmp10 = tmp0e + tmp2e;
            const std::uint32_t tmp12 = tmp0e - tmp2e;
            const std::int32_t z1 = z[1][i], z3 = z[3][i], z5 = z[4][i], z7 = z[6][i];
            const std::uint32_t tmp2o =
                Times(z1, F_2_562) + Times(z3, F_0_899) - Times(z5, F_0_601) - Times(z7, F_0_509);
            const std::uint32_t tmp0o =
                Times(z1, F_1_061) - Times(z3, F_2_172) + Times(z5, F_1_451) - Times(z7, F_0_211);
            ws[0][i] = Saturate16(Descale(tmp10 + tmp2o, 12));
            ws[3][i] = Saturate16(Descale(tmp10 - tmp2o, 12));
            ws[1][i] = Saturate16(Descale(tmp12 + tmp0o, 12));
            ws[2][i] = Saturate16(Descale(tmp12 - tmp0o, 12));
        }
    }
    for (int row = 0; row < 4; ++row) {
        const std::int32_t* w = ws[row];
        const std::uint32_t tmp0e = std::uint32_t(w[0]) << 14;
        const std::uint32_t tmp2e = Times(w[2], F_1_847) - Times(w[5], F_0_765);
        const std::uint32_t tmp10 = tmp0e + tmp2e;
        const std::uint32_t tmp12 = tmp0e - tmp2e;
        const std::uint32_t tmp2o =
            Times(w[1], F_2_562) + Times(w[3], F_0_899) - Times(w[4], F_0_601) - Times(w[6], F_0_509);
        const std::uint32_t tmp0o =
            Times(w[1], F_1_061) - Times(w[3], F_2_172) + Times(w[4], F_1_451) - Times(w[6], F_0_211);
        std::uint8_t* o = out + row * stride;
        o[0] = Sample(Descale(tmp10 + tmp2o, 19));
        o[3] = Sample(Descale(tmp10 - tmp2o, 19));
        o[1] = Sample(Descale(tmp12 + tmp0o, 19));
        o[2] = Sample(Descale(tmp12 - tmp0o, 19));
    }
}

#endif

#if defined(__SSE2__)

// One pass of libjpeg-turbo's accurate 8×8 IDCT (jsimd_idct_islow) over eight 16-bit lanes: v[k] holds term k
// of each lane's column (or row), and receives its k-th value. Words are added in 16 bits and products summed
// in 32 as the SIMD code does, and each result is saturated to 16 bits.
template <int kShift>
void IslowPass(__m128i* v) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(1 << (kShift - 1));
    struct Wide {
        __m128i lo, hi;
    };
    const auto madd = [](__m128i a, __m128i b, std::int32_t ca, std::int32_t cb) {
        const __m128i k = Pair(ca, cb);
        return Wide{_mm_madd_epi16(_mm_unpacklo_epi16(a, b), k), _mm_madd_epi16(_mm_unpackhi_epi16(a, b), k)};
    };
    const auto add = [](Wide a, Wide b) {
        return Wide{_mm_add_epi32(a.lo, b.lo), _mm_add_epi32(a.hi, b.hi)};
    };
    const auto sub = [](Wide a, Wide b) {
        return Wide{_mm_sub_epi32(a.lo, b.lo), _mm_sub_epi32(a.hi, b.hi)};
    };
    const auto wordsShifted13 = [&](__m128i w) {  // each word times 2^13, in 32 bits
        return Wide{_mm_srai_epi32(_mm_unpacklo_epi16(zero, w), 3),
                    _mm_srai_epi32(_mm_unpackhi_epi16(zero, w), 3)};
    };
    const auto out = [&](Wide x) {
        return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(x.lo, round), kShift),
                               _mm_srai_epi32(_mm_add_epi32(x.hi, round), kShift));
    };
    // Even part.
    const Wide tmp0 = wordsShifted13(_mm_add_epi16(v[0], v[4]));
    const Wide tmp1 = wordsShifted13(_mm_sub_epi16(v[0], v[4]));
    const Wide tmp3 = madd(v[2], v[6], F_0_541 + F_0_765, F_0_541);
    const Wide tmp2 = madd(v[2], v[6], F_0_541, F_0_541 - F_1_847);
    const Wide tmp10 = add(tmp0, tmp3), tmp13 = sub(tmp0, tmp3);
    const Wide tmp11 = add(tmp1, tmp2), tmp12 = sub(tmp1, tmp2);
    // Odd part.
    const __m128i z3 = _mm_add_epi16(v[7], v[3]);
    const __m128i z4 = _mm_add_epi16(v[5], v[1]);
    const Wide z3s = madd(z3, z4, F_1_175 - F_1_961, F_1_175);
    const Wide z4s = madd(z3, z4, F_1_175, F_1_175 - F_0_390);
    const Wide o0 = add(madd(v[7], v[1], F_0_298 - F_0_899, -F_0_899), z3s);
    const Wide o3 = add(madd(v[7], v[1], -F_0_899, F_1_501 - F_0_899), z4s);
    const Wide o1 = add(madd(v[5], v[3], F_2_053 - F_2_562, -F_2_562), z4s);
    const Wide o2 = add(madd(v[5], v[3], -F_2_562, F_3_072 - F_2_562), z3s);
    v[0] = out(add(tmp10, o3));
    v[7] = out(sub(tmp10, o3));
    v[1] = out(add(tmp11, o2));
    v[6] = out(sub(tmp11, o2));
    v[2] = out(add(tmp12, o1));
    v[5] = out(sub(tmp12, o1));
    v[3] = out(add(tmp13, o0));
    v[4] = out(sub(tmp13, o0));
}

// Transposes eight rows of eight 16-bit words.
void Transpose8(__m128i* v) {
    const __m128i a0 = _mm_unpacklo_epi16(v[0], v[1]), a1 = _mm_unpackhi_epi16(v[0], v[1]);
    const __m128i a2 = _mm_unpacklo_epi16(v[2], v[3]), a3 = _mm_unpackhi_epi16(v[2], v[3]);
    const __m128i a4 = _mm_unpacklo_epi16(v[4], v[5]), a5 = _mm_unpackhi_epi16(v[4], v[5]);
    const __m128i a6 = _mm_unpacklo_epi16(v[6], v[7]), a7 = _mm_unpackhi_epi16(v[6], v[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    v[0] = _mm_unpacklo_epi64(b0, b4);
    v[1] = _mm_unpackhi_epi64(b0, b4);
    v[2] = _mm_unpacklo_epi64(b1, b5);
    v[3] = _mm_unpackhi_epi64(b1, b5);
    v[4] = _mm_unpacklo_epi64(b2, b6);
    v[5] = _mm_unpackhi_epi64(b2, b6);
    v[6] = _mm_unpacklo_epi64(b3, b7);
    v[7] = _mm_unpackhi_epi64(b3, b7);
}

// The full 8×8 IDCT as libjpeg-turbo's AVX2 code computes it (its SSE2 code agrees but for terms far out of
// range): columns, then rows, then saturated to samples.
void Idct8(const std::int16_t* c, std::int16_t dc, const std::int16_t* q, std::uint8_t* out,
           std::size_t stride) {
    __m128i v[8];
    __m128i any = _mm_setzero_si128();
    for (int k = 1; k < 8; ++k) {
        any = _mm_or_si128(any, Row(c + 8 * k));
    }
    const __m128i first = _mm_mullo_epi16(_mm_insert_epi16(Row(c), dc, 0), Row(q));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF) {
        // Nothing below the first row: its terms times 4 in 16 bits, as the SIMD code shortcuts it.
        const __m128i ws = _mm_slli_epi16(first, 2);
        for (__m128i& row : v) {
            row = ws;
        }
    } else {
        v[0] = first;
        for (int k = 1; k < 8; ++k) {
            v[k] = _mm_mullo_epi16(Row(c + 8 * k), Row(q + 8 * k));
        }
        IslowPass<11>(v);
    }
    Transpose8(v);
    IslowPass<18>(v);
    Transpose8(v);
    const __m128i centre = _mm_set1_epi8(char(0x80));
    for (int r = 0; r < 8; r += 2) {
        const __m128i two = _mm_add_epi8(_mm_packs_epi16(v[r], v[r + 1]), centre);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + std::size_t(r) * stride), two);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + std::size_t(r + 1) * stride),
                         _mm_unpackhi_epi64(two, two));
    }
}

#else

// One pass of libjpeg-turbo's accurate 8×8 IDCT (jsimd_idct_islow) over eight lanes: in[k][lane] is term k
// of the lane's column (or row), out[k][lane] its k-th value. Sums of 16-bit values wrap in 16 bits where the
// SIMD code adds words, products and their sums wrap in 32 bits, and each result is saturated to 16 bits.
// Written lane by lane so that the compiler does the lanes side by side.
void IslowPass(const std::int16_t in[8][8], std::int16_t out[8][8], int shift) {
    for (int l = 0; l < 8; ++l) {
        const std::int32_t in0 = in[0][l], in1 = in[1][l], in2 = in[2][l], in3 = in[3][l];
        const std::int32_t in4 = in[4][l], in5 = in[5][l], in6 = in[6][l], in7 = in[7][l];
        // Even part.
        const std::uint32_t tmp0 = std::uint32_t(std::int32_t(std::int16_t(in0 + in4))) << 13;
        const std::uint32_t tmp1 = std::uint32_t(std::int32_t(std::int16_t(in0 - in4))) << 13;
        const std::uint32_t tmp3 = Times(in2, F_0_541 + F_0_765) + Times(in6, F_0_541);
        const std::uint32_t tmp2 = Times(in2, F_0_541) + Times(in6, F_0_541 - F_1_847);
        const std::uint32_t tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3;
        const std::uint32_t tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
        // Odd part.
        const std::int32_t z3 = std::int16_t(in7 + in3);
        const std::int32_t z4 = std::int16_t(in5 + in1);
        const std::uint32_t z3s = Times(z3, F_1_175 - F_1_961) + Times(z4, F_1_175);
        const std::uint32_t z4s = Times(z3, F_1_175) + Times(z4, F_1_175 - F_0_390);
        const std::uint32_t o0 = Times(in7, F_0_298 - F_0_899) - Times(in1, F_0_899) + z3s;
        const std::uint32_t o1 = Times(in5, F_2_053 - F_2_562) - Times(in3, F_2_562) + z4s;
        const std::uint32_t o2 = Times(in3, F_3_072 - F_2_562) - Times(in5, F_2_562) + z3s;
        const std::uint32_t o3 = Times(in1, F_1_501 - F_0_899) - Times(in7, F_0_899) + z4s;
        out[0][l] = std::int16_t(Saturate16(Descale(tmp10 + o3, shift)));
        out[7][l] = std::int16_t(Saturate16(Descale(tmp10 - o3, shift)));
        out[1][l] = std::int16_t(Saturate16(Descale(tmp11 + o2, shift)));
        out[6][l] = std::int16_t(Saturate16(Descale(tmp11 - o2, shift)));
        out[2][l] = std::int16_t(Saturate16(Descale(tmp12 + o1, shift)));
        out[5][l] = std::int16_t(Saturate16(Descale(tmp12 - o1, shift)));
        out[3][l] = std::int16_t(Saturate16(Descale(tmp13 + o0, shift)));
        out[4][l] = std::int16_t(Saturate16(Descale(tmp13 - o0, shift)));
    }
}

// The full 8×8 IDCT as libjpeg-turbo's AVX2 code computes it (the SSE2 code agrees with it but for terms
// far out of range): columns, then rows, then saturated to a sample.
void Idct8(const std::int16_t* c, std::int16_t dc, const std::int16_t* q, std::uint8_t* out,
           std::size_t stride) {
    alignas(16) std::int16_t in[8][8];
    alignas(16) std::int16_t ws[8][8];
    if (OnlyDc(c + 7, 57)) {
        // Nothing below the first row: its terms times 4 in 16 bits, as the SIMD code shortcuts it.
        for (int col = 0; col < 8; ++col) {
            const auto v = std::int16_t(std::uint16_t(Dequantize(col == 0 ? dc : c[col], q[col])) << 2);
            for (int k = 0; k < 8; ++k) {
                ws[k][col] = v;
            }
        }
    } else {
        for (int k = 0; k < 8; ++k) {
            for (int col = 0; col < 8; ++col) {
                const int at = k * 8 + col;
                in[k][col] = std::int16_t(Dequantize(at == 0 ? dc : c[at], q[at]));
            }
        }
        IslowPass(in, ws, 11);
    }
    // The rows: row r's terms are ws[r][k], its lane r.
    for (int k = 0; k < 8; ++k) {
        for (int r = 0; r < 8; ++r) {
            in[k][r] = ws[r][k];
        }
    }
    IslowPass(in, ws, 18);
    for (int r = 0; r < 8; ++r) {
        for (int k = 0; k < 8; ++k) {
            out[std::size_t(r) * stride + std::size_t(k)] = Sample(ws[k][r]);
        }
    }
}

#endif

// ---------------------------------------------------------------------------------------------------------
// Memory

// A zero-filled buffer of fresh pages, backed by huge pages where the system has them: this decode's buffers
// are large and written once, and on a virtual machine the cost of their first touch, page by page, is a
// good part of the decode's time. From 512 KB on one huge page costs less than the small pages it replaces
// (a 1/8 picture's planes of a megabyte took 3 ms in small ones), so they take whole huge pages.
class LargeBuffer {
  public:
    LargeBuffer() = default;
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    ~LargeBuffer() { release(); }

    bool allocate(std::size_t bytes) {
        release();
        constexpr std::size_t kHuge = std::size_t(2) << 20;
        if (bytes < kHuge / 4) {
            data_ = static_cast<std::uint8_t*>(std::calloc(bytes + 1, 1));
            mapped_ = false;
            return data_ != nullptr;
        }
        // Map one huge page more than asked, so that the buffer can start on a huge page's boundary.
        size_ = (bytes + 2 * kHuge - 1) / kHuge * kHuge;
        void* p = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            size_ = 0;
            return false;
        }
        base_ = static_cast<std::uint8_t*>(p);
        const std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(base_) + kHuge - 1) & ~(kHuge - 1);
        data_ = reinterpret_cast<std::uint8_t*>(at);
        ::madvise(data_, size_ - std::size_t(data_ - base_), MADV_HUGEPAGE);
        mapped_ = true;
        return true;
    }
    std::uint8_t* data() const { return data_; }
    template <typename T>
    T* as() const {
        return reinterpret_cast<T*>(data_);
    }

  private:
    void release() {
        if (mapped_) {
            ::munmap(base_, size_);
        } else {
            std::free(data_);
        }
        data_ = base_ = nullptr;
        size_ = 0;
        mapped_ = false;
    }

    std::uint8_t* data_ = nullptr;
    std::uint8_t* base_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
};

// ---------------------------------------------------------------------------------------------------------
// Headers

struct Component {
    int id = 0, h = 1, v = 1, tq = 0, td = 0, ta = 0;
};

struct Header {
    int width = 0, height = 0, ncomp = 0;
    Component comp[3];
    int restart = 0;
    bool frame = false;
    bool jfif = false;
    int orientation = 0;  // 0 until an Exif segment gives one
    bool qDefined[4] = {};
    std::uint16_t q[4][64] = {};  // natural order
    HuffmanTableBytes dc[4], ac[4];
    std::size_t scanStart = 0;
};

unsigned ReadU16(const std::uint8_t* p, bool little = false) {
    return little ? unsigned(p[0] | (p[1] << 8)) : unsigned((p[0] << 8) | p[1]);
}

bool ParseQuantisation(const std::uint8_t* p, std::size_t len, Header* hd) {
    while (len > 0) {
        const int pq = p[0] >> 4;
        const int tq = p[0] & 15;
        const std::size_t need = 1 + 64 * std::size_t(pq + 1);
        if (pq > 1 || tq > 3 || len < need) {
            return false;
        }
        for (int k = 0; k < 64; ++k) {
            hd->q[tq][kNatural[k]] = pq != 0 ? std::uint16_t(ReadU16(p + 1 + 2 * k)) : p[1 + k];
        }
        hd->qDefined[tq] = true;
        p += need;
        len -= need;
    }
    return true;
}

bool ParseHuffman(const std::uint8_t* p, std::size_t len, Header* hd) {
    while (len > 0) {
        if (len < 17) {
            return false;
        }
        const int tc = p[0] >> 4;
        const int th = p[0] & 15;
        if (tc > 1 || th > 3) {
            return false;
        }
        HuffmanTableBytes& table = tc == 0 ? hd->dc[th] : hd->ac[th];
        table = HuffmanTableBytes{};
        int total = 0;
        for (int i = 1; i <= 16; ++i) {
            table.counts[i] = p[i];
            total += p[i];
        }
        if (total > 256 || len < std::size_t(17 + total)) {
            return false;
        }
        std::memcpy(table.vals, p + 17, std::size_t(total));
        table.total = total;
        table.defined = true;
        p += 17 + total;
        len -= std::size_t(17 + total);
    }
    return true;
}

bool ParseFrame(const std::uint8_t* p, std::size_t len, Header* hd) {
    if (hd->frame || len < 6 || p[0] != 8) {
        return false;
    }
    hd->frame = true;
    hd->height = int(ReadU16(p + 1));
    hd->width = int(ReadU16(p + 3));
    hd->ncomp = p[5];
    if (hd->width == 0 || hd->height == 0 || (hd->ncomp != 1 && hd->ncomp != 3) ||
        len != 6 + 3 * std::size_t(hd->ncomp)) {
        return false;
    }
    for (int c = 0; c < hd->ncomp; ++c) {
        Component& comp = hd->comp[c];
        comp.id = p[6 + 3 * c];
        comp.h = p[7 + 3 * c] >> 4;
        comp.v = p[7 + 3 * c] & 15;
        comp.tq = p[8 + 3 * c];
        if (comp.h < 1 || comp.h > 4 || comp.v < 1 || comp.v > 4 || comp.tq > 3) {
            return false;
        }
        for (int o = 0; o < c; ++o) {
            if (hd->comp[o].id == comp.id) {
                return false;
            }
        }
    }
    if (hd->ncomp == 3) {
        // Luma at full resolution, chroma 1×1: 4:4:4, 4:2:2, 4:4:0 or 4:2:0.
        const Component& y = hd->comp[0];
        if (y.h > 2 || y.v > 2 || hd->comp[1].h != 1 || hd->comp[1].v != 1 || hd->comp[2].h != 1 ||
            hd->comp[2].v != 1) {
            return false;
        }
    }
    return true;
}

bool ParseScan(const std::uint8_t* p, std::size_t len, Header* hd) {
    if (!hd->frame || len < 1 || p[0] != hd->ncomp || len != 4 + 2 * std::size_t(hd->ncomp)) {
        return false;
    }
    for (int c = 0; c < hd->ncomp; ++c) {
        Component& comp = hd->comp[c];
        if (p[1 + 2 * c] != comp.id) {
            return false;  // another order, or a component of another frame
        }
        comp.td = p[2 + 2 * c] >> 4;
        comp.ta = p[2 + 2 * c] & 15;
        if (comp.td > 3 || comp.ta > 3 || !hd->dc[comp.td].defined || !hd->ac[comp.ta].defined ||
            !hd->qDefined[comp.tq]) {
            return false;
        }
    }
    const std::uint8_t* s = p + 1 + 2 * hd->ncomp;
    return s[0] == 0 && s[1] == 63 && s[2] == 0;  // sequential: the whole block, no successive approximation
}

// Walks the markers up to the first scan; false for anything this decoder leaves to libjpeg.
bool ParseHeaders(const std::uint8_t* data, std::size_t size, Header* hd) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return false;
    }
    std::size_t pos = 2;
    for (;;) {
        if (pos >= size || data[pos] != 0xFF) {
            return false;
        }
        while (pos < size && data[pos] == 0xFF) {
            ++pos;
        }
        if (pos + 3 > size) {
            return false;
        }
        const int marker = data[pos];
        const std::size_t len = ReadU16(data + pos + 1);
        pos += 3;
        if (len < 2 || len - 2 > size - pos) {
            return false;
        }
        const std::uint8_t* p = data + pos;
        const std::size_t n = len - 2;
        pos += n;
        bool ok = true;
        switch (marker) {
            case 0xC0:
            case 0xC1: ok = ParseFrame(p, n, hd); break;
            case 0xC4: ok = ParseHuffman(p, n, hd); break;
            case 0xDB: ok = ParseQuantisation(p, n, hd); break;
            case 0xDD:
                ok = n == 2;
                hd->restart = ok ? int(ReadU16(p)) : 0;
                break;
            case 0xDA:
                if (!ParseScan(p, n, hd)) {
                    return false;
                }
                hd->scanStart = pos;
                return true;
            case 0xE0:
                if (n >= 14 && std::memcmp(p, "JFIF", 5) == 0) {
                    hd->jfif = true;
                }
                break;
            case 0xE1:
                if (hd->orientation == 0) {
                    hd->orientation = ExifSegmentOrientation(p, n);
                }
                break;
            case 0xEE:
                ok = !(n >= 5 && std::memcmp(p, "Adobe", 5) == 0);  // colour transforms: left to libjpeg
                break;
            case 0xFE: break;
            default:
                ok = marker >= 0xE2 && marker <= 0xEF;  // other application segments
                break;
        }
        if (!ok) {
            return false;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// The decode

constexpr std::size_t kSlack = 4096;  // zero bytes after the scan data: more than any MCU reads
constexpr std::int64_t kSmallScanBytes = 192 * 1024;
constexpr std::size_t kSecondThreadBytes = std::size_t(96) << 20;  // the MCUs a guessed parse may keep

enum : std::uint8_t { kEntryFailed = 1 };

constexpr int kMaxBlockSlots = 72;  // an 8×8 block's terms and the slot for the ones nobody reads
constexpr int kPackedSlots = 8;     // a 2×2 block kept as its DC term and Idct2Odd

// What the first thread tells the second: keep parsing (kRunning, kMet: it joined the parse), help put the
// parsed MCUs into the planes (kShare), nothing more to parse (kNoMeet), convert rows (kColour), stop
// (kAbort).
enum Phase : int { kRunning, kMet, kShare, kNoMeet, kColour, kAbort };

struct BlockDesc {
    int comp;
    int dx, dy;     // block position within the MCU, in blocks
    int offset;     // first slot in the MCU's coefficients
    bool store;     // AC terms kept (2×2, 4×4 or 8×8 IDCT)
    int slotCount;  // slots the block takes
    // Where the block goes in an MCU the second thread keeps (its DC term first): a 2×2 block as its DC term
    // and Idct2Odd (kPackedSlots), any other as its slots.
    int recordOffset;
    int scale;  // IDCT output side
    const Huffman* dcTable;
    const Huffman* acTable;
    const SkipTable* skipTable;
    const PairTable* pairTable;
    const std::uint8_t* slot;
    const std::int16_t* quant;
    // Where its pixels go: plane + my * rowStep + mx * columnStep, with `stride` between rows.
    std::uint8_t* plane;
    std::size_t rowStep, columnStep, stride;
};

enum class Chroma { Same, HalfWidthBox, HalfWidthFancy, HalfHeightBox, HalfHeightFancy };

class PreviewDecoder {
  public:
    PreviewDecoder(const Header& hd, int denominator) : hd_(hd), denominator_(denominator) {}

    bool setUp(const std::uint8_t* data, std::size_t size);
    QImage run(const JpegPreviewOptions& options);

  private:
    // Decoding
    bool decodeMcu(BitReader& b, std::int16_t* pred, std::int16_t* out) const;
    // Puts an MCU's pixels into the planes, from its terms (`kept` false) or as the second thread kept it,
    // its DC terms off by `offset`.
    void idctMcu(const std::int16_t* coef, std::int64_t mx, std::int64_t my, const std::int16_t* offset,
                 bool kept) const;
    // An MCU's terms as the second thread keeps them.
    void keepMcu(const std::int16_t* coef, std::int16_t* record) const;
    bool decodeInline(std::int64_t first, std::int64_t end, std::uint64_t bit, std::int16_t* pred,
                      bool watchSecond, std::int64_t* stoppedAt);
    void decodeGuessed(std::uint64_t startBit);
    bool claimGuessed(std::int64_t limit);
    void decodeGroups();
    void colourRows(int y0, int y1);
    void colourShare();
    void waitWhile(std::initializer_list<int> phases);
    void secondThread(std::uint64_t startBit);
    bool joinGuessed(std::int16_t* pred, JpegPreviewStats* stats);

    const Header& hd_;
    int denominator_;
    Huffman dcTable_[4], acTable_[4];
    SkipTable skipTable_[4];
    PairTable pairTable_[4];
    unsigned skipBuilt_ = 0;  // bit n: skipTable_[n] is built
    unsigned pairsBuilt_ = 0;

    int outW_ = 0, outH_ = 0;
    bool interleaved_ = false;
    std::int64_t mcusX_ = 0, mcusY_ = 0, totalMcus_ = 0;
    int scale_[3] = {};  // IDCT output side per component: 1, 2, 4 or 8
    int blockSlots_[3] = {};
    std::uint8_t slot_[3][80] = {};
    std::int16_t quant_[3][64] = {};
    BlockDesc blocks_[6] = {};
    int blockCount_ = 0;
    int mcuSlots_ = 0;
    int mcuRecord_ = 0;    // slots of an MCU the second thread keeps
    bool packed_ = false;  // some block of an MCU is kept packed (a 2×2 one)
    Chroma chroma_[3] = {};
    int chromaWidth_[3] = {}, chromaHeight_[3] = {};  // downsampled size after the IDCT

    LargeBuffer planeMemory_;
    std::uint8_t* planes_[3] = {};
    std::size_t planeStride_[3] = {};
    std::size_t planeRows_[3] = {};

    LargeBuffer clean_;
    std::size_t cleanSize_ = 0;
    std::vector<std::size_t> segments_;  // where each restart interval's data starts
    std::size_t neededSegments_ = 1;

    QImage image_;

    // The second thread
    std::atomic<int> phase_{kRunning};
    std::atomic<bool> secondDone_{false};
    // With restart markers both threads take groups of intervals in turn.
    std::int64_t groupSegments_ = 1, groupCount_ = 0;
    std::atomic<std::int64_t> nextGroup_{0}, groupsDone_{0};
    std::atomic<bool> groupFailed_{false};
    // Both threads take rows to convert in turn.
    std::atomic<int> nextRows_{0}, rowsDone_{0};
    // Its guessed parse: entries are MCUs as it found them, each with its start and the DC predictors there.
    std::int64_t cap_ = 0;
    std::uint64_t secondStartBit_ = 0;
    LargeBuffer entryMemory_;
    std::uint64_t* starts_ = nullptr;
    std::int16_t* preds_ = nullptr;
    std::int16_t* records_ = nullptr;
    std::uint8_t* flags_ = nullptr;
    std::atomic<std::int64_t> published_{0};
    // After the join: entry j is MCU meetMcu_ + j - meetEntry_, its DC terms off by dcOffset_.
    std::int64_t meetMcu_ = 0, meetEntry_ = 0, neededEnd_ = 0;
    std::int16_t dcOffset_[3] = {};
    std::atomic<std::int64_t> nextClaim_{0};
    std::atomic<std::int64_t> processed_{0};
    std::atomic<std::int64_t> claimLimit_{0};  // entries both threads may put into the planes
    std::atomic<std::int64_t> stopAt_{std::numeric_limits<std::int64_t>::max()};  // where the parse stops
};

bool PreviewDecoder::setUp(const std::uint8_t* data, std::size_t size) {
    const int n = hd_.ncomp;
    for (int c = 0; c < n; ++c) {
        const Component& comp = hd_.comp[c];
        if (!BuildHuffman(hd_.dc[comp.td], true, &dcTable_[comp.td]) ||
            !BuildHuffman(hd_.ac[comp.ta], false, &acTable_[comp.ta])) {
            return false;
        }
    }
    const int w = hd_.width;
    const int h = hd_.height;
    const int maxH = hd_.comp[0].h;
    const int maxV = hd_.comp[0].v;
    const int minScaled = 8 / denominator_;
    outW_ = (w + denominator_ - 1) / denominator_;
    outH_ = (h + denominator_ - 1) / denominator_;
    interleaved_ = n > 1;
    if (interleaved_) {
        mcusX_ = (w + 8 * maxH - 1) / (8 * maxH);
        mcusY_ = (h + 8 * maxV - 1) / (8 * maxV);
    } else {
        mcusX_ = (w + 7) / 8;
        mcusY_ = (h + 7) / 8;
    }
    totalMcus_ = mcusX_ * mcusY_;
    int offset = 0;
    int recordOffset = 0;
    for (int c = 0; c < n; ++c) {
        const Component& comp = hd_.comp[c];
        const int ch = interleaved_ ? comp.h : 1;
        const int cv = interleaved_ ? comp.v : 1;
        // libjpeg-turbo decodes a smaller component with a larger IDCT rather than upsampling it, where it
        // can.
        int ssize = minScaled;
        if (interleaved_) {
            while (ssize < 8 && (maxH * minScaled) % (comp.h * ssize * 2) == 0 &&
                   (maxV * minScaled) % (comp.v * ssize * 2) == 0) {
                ssize *= 2;
            }
        }
        scale_[c] = ssize;
        // The AC table's second table for this use of it, once.
        const int ta = comp.ta;
        if (ssize == 1 && !(skipBuilt_ & (1u << ta))) {
            BuildSkip(acTable_[ta], &skipTable_[ta]);
            skipBuilt_ |= 1u << ta;
        } else if (ssize > 1 && !(pairsBuilt_ & (1u << ta))) {
            BuildPairs(acTable_[ta], &pairTable_[ta]);
            pairsBuilt_ |= 1u << ta;
        }
        // Where each zigzag index goes in the block: the rows the IDCT reads (kRows2, kRows4, all eight for
        // the full IDCT), eight terms each, then one slot for the terms of the other rows.
        const int rowCount = ssize == 2 ? 5 : ssize == 4 ? 7 : 8;
        const int* rows = ssize == 2 ? kRows2 : ssize == 4 ? kRows4 : kRows8;
        const int trash = rowCount * 8;
        const std::uint16_t* qt = hd_.q[comp.tq];
        for (int k = 0; k < 80; ++k) {
            const int nat = kNatural[k];
            int s = trash;
            for (int r = 0; ssize > 1 && nat < 64 && r < rowCount; ++r) {
                if (rows[r] == nat / 8) {
                    s = r * 8 + nat % 8;
                }
            }
            slot_[c][k] = std::uint8_t(ssize > 1 ? s : 0);
            // Dequantisation in the same order, 16-bit as libjpeg-turbo keeps it.
            if (k < 64 && (ssize == 1 ? k == 0 : s < trash)) {
                quant_[c][ssize == 1 ? 0 : s] = std::int16_t(qt[nat]);
            }
        }
        const int blockSlots = ssize == 1 ? 1 : (trash + 8) / 8 * 8;  // cleared 8 at a time
        blockSlots_[c] = blockSlots;
        for (int dy = 0; dy < cv; ++dy) {
            for (int dx = 0; dx < ch; ++dx) {
                BlockDesc& bd = blocks_[blockCount_++];
                bd.comp = c;
                bd.dx = dx;
                bd.dy = dy;
                bd.offset = offset;
                bd.store = ssize > 1;
                bd.slotCount = blockSlots;
                bd.scale = ssize;
                bd.dcTable = &dcTable_[comp.td];
                bd.acTable = &acTable_[comp.ta];
                bd.skipTable = &skipTable_[comp.ta];
                bd.pairTable = &pairTable_[comp.ta];
                bd.slot = slot_[c];
                bd.quant = quant_[c];
                bd.recordOffset = recordOffset;
                offset += blockSlots;
                recordOffset += ssize == 2 ? kPackedSlots : blockSlots;
                packed_ = packed_ || ssize == 2;
            }
        }
        planeStride_[c] = std::size_t(mcusX_ * ch * ssize);
        planeRows_[c] = std::size_t(mcusY_ * cv * ssize);
        // How this component reaches output resolution.
        chroma_[c] = Chroma::Same;
        if (interleaved_ && c > 0) {
            const int hIn = comp.h * ssize / minScaled;
            const int vIn = comp.v * ssize / minScaled;
            chromaWidth_[c] = int((std::int64_t(w) * comp.h * ssize + maxH * 8 - 1) / (maxH * 8));
            chromaHeight_[c] = int((std::int64_t(h) * comp.v * ssize + maxV * 8 - 1) / (maxV * 8));
            const bool fancy = minScaled > 1;
            if (hIn == maxH && vIn == maxV) {
                chroma_[c] = Chroma::Same;
            } else if (hIn * 2 == maxH && vIn == maxV) {
                chroma_[c] = fancy && chromaWidth_[c] > 2 ? Chroma::HalfWidthFancy : Chroma::HalfWidthBox;
            } else if (hIn == maxH && vIn * 2 == maxV) {
                chroma_[c] = fancy ? Chroma::HalfHeightFancy : Chroma::HalfHeightBox;
            } else {
                return false;
            }
        }
    }
    mcuSlots_ = offset;
    mcuRecord_ = recordOffset;

    // The scan's data without its stuffed bytes, cut into restart intervals. It must end on a marker: a file
    // that simply stops is left to libjpeg, which refuses it once it reads past the end.
    const std::size_t maxClean = size - hd_.scanStart;
    if (!clean_.allocate(maxClean + kSlack)) {
        return false;
    }
    std::uint8_t* out = clean_.data();
    std::size_t o = 0;
    std::size_t i = hd_.scanStart;
    segments_.assign(1, 0);
    for (;;) {
        const auto* ff = static_cast<const std::uint8_t*>(std::memchr(data + i, 0xFF, size - i));
        if (ff == nullptr) {
            return false;
        }
        const std::size_t run = std::size_t(ff - (data + i));
        std::memcpy(out + o, data + i, run);
        o += run;
        i += run + 1;
        const std::size_t fill = i;
        while (i < size && data[i] == 0xFF) {
            ++i;
        }
        if (i >= size) {
            return false;
        }
        const int m = data[i++];
        if (m == 0) {
            // FF 00 is an FF byte of data. libjpeg reads FF FF 00 as one too, but only on its slow path: its
            // fast path takes the second FF for a marker and may leave some of its guesses in the block.
            if (i - 1 != fill) {
                return false;
            }
            out[o++] = 0xFF;
            continue;
        }
        if (hd_.restart > 0 && m >= 0xD0 && m <= 0xD7) {
            if (m - 0xD0 != int((segments_.size() - 1) & 7)) {
                return false;
            }
            segments_.push_back(o);
            continue;
        }
        break;
    }
    cleanSize_ = o;
    std::memset(out + o, 0, kSlack);
    if (hd_.restart > 0) {
        const std::int64_t needed = (totalMcus_ + hd_.restart - 1) / hd_.restart;
        if (std::int64_t(segments_.size()) < needed) {
            return false;
        }
        neededSegments_ = std::size_t(needed);  // the ones after them are never read
    }
    std::size_t planeBytes = 0;
    for (int c = 0; c < n; ++c) {
        planeBytes += (planeStride_[c] * planeRows_[c] + 63) & ~std::size_t(63);
    }
    if (!planeMemory_.allocate(planeBytes)) {
        return false;
    }
    planeBytes = 0;
    for (int c = 0; c < n; ++c) {
        planes_[c] = planeMemory_.data() + planeBytes;
        planeBytes += (planeStride_[c] * planeRows_[c] + 63) & ~std::size_t(63);
    }
    for (int i = 0; i < blockCount_; ++i) {
        BlockDesc& bd = blocks_[i];
        const Component& comp = hd_.comp[bd.comp];
        const std::size_t stride = planeStride_[bd.comp];
        const auto side = std::size_t(bd.scale);
        bd.stride = stride;
        bd.rowStep = std::size_t(interleaved_ ? comp.v : 1) * side * stride;
        bd.columnStep = std::size_t(interleaved_ ? comp.h : 1) * side;
        bd.plane = planes_[bd.comp] + std::size_t(bd.dy) * side * stride + std::size_t(bd.dx) * side;
    }
    // The pixels live in a LargeBuffer too, given to the image with its release.
    auto pixels = std::make_unique<LargeBuffer>();
    const std::size_t bytesPerLine = std::size_t(outW_) * 4;
    if (!pixels->allocate(bytesPerLine * std::size_t(outH_))) {
        return false;
    }
    image_ = QImage(
        pixels->data(), outW_, outH_, qsizetype(bytesPerLine), QImage::Format_RGB32,
        [](void* buffer) { delete static_cast<LargeBuffer*>(buffer); }, pixels.get());
    if (image_.isNull()) {
        return false;
    }
    pixels.release();
    return true;
}

bool PreviewDecoder::decodeMcu(BitReader& reader, std::int16_t* pred, std::int16_t* out) const {
    BitReader b = reader;  // in registers while the MCU is decoded
    static constexpr std::int16_t kZeros[8] = {};
    for (int i = 0; i < blockCount_; ++i) {
        const BlockDesc& bd = blocks_[i];
        if (b.n < 32) {
            b.refill();
        }
        int diff;
        if (!DecodeDc(b, *bd.dcTable, &diff)) {
            reader = b;  // where the data went wrong
            return false;
        }
        pred[bd.comp] = std::int16_t(std::uint16_t(pred[bd.comp]) + std::uint16_t(diff));
        std::int16_t* block = out + bd.offset;
        bool ok;
        if (bd.store) {
            for (int k = 0; k < bd.slotCount; k += 8) {
                std::memcpy(block + k, kZeros, sizeof kZeros);
            }
            block[0] = pred[bd.comp];
            ok = DecodeAc(b, *bd.acTable, *bd.pairTable, block, bd.slot);
        } else {
            block[0] = pred[bd.comp];
            ok = SkipAc(b, *bd.acTable, *bd.skipTable);
        }
        if (!ok) {
            reader = b;
            return false;
        }
    }
    reader = b;
    return true;
}

void PreviewDecoder::idctMcu(const std::int16_t* coef, std::int64_t mx, std::int64_t my,
                             const std::int16_t* offset, bool kept) const {
    for (int i = 0; i < blockCount_; ++i) {
        const BlockDesc& bd = blocks_[i];
        std::uint8_t* dst = bd.plane + std::size_t(my) * bd.rowStep + std::size_t(mx) * bd.columnStep;
        const std::int16_t* block = coef + (kept ? bd.recordOffset : bd.offset);
        const auto dc = std::int16_t(std::uint16_t(block[0]) + std::uint16_t(offset[bd.comp]));
        if (bd.scale == 1) {
            *dst = Idct1(dc, bd.quant[0]);
        } else if (bd.scale == 2) {
            if (kept) {
                Idct2Odd odd;
                std::memcpy(&odd, block + 2, sizeof odd);
                Idct2Finish(odd, dc, bd.quant[0], dst, bd.stride);
            } else {
                Idct2(block, dc, bd.quant, dst, bd.stride);
            }
        } else if (bd.scale == 4) {
            Idct4(block, dc, bd.quant, dst, bd.stride);
        } else {
            Idct8(block, dc, bd.quant, dst, bd.stride);
        }
    }
}

void PreviewDecoder::keepMcu(const std::int16_t* coef, std::int16_t* record) const {
    for (int i = 0; i < blockCount_; ++i) {
        const BlockDesc& bd = blocks_[i];
        const std::int16_t* block = coef + bd.offset;
        std::int16_t* to = record + bd.recordOffset;
        if (bd.scale == 2) {
            to[0] = block[0];
            const Idct2Odd odd = Idct2OddPart(block, bd.quant);
            std::memcpy(to + 2, &odd, sizeof odd);
        } else {
            std::memcpy(to, block, std::size_t(bd.slotCount) * sizeof(std::int16_t));
        }
    }
}

// Decodes MCUs [first, end) from `bit` onward and puts their pixels in the planes. With `watchSecond`, it
// stops at the first MCU that starts where one of the second thread's guessed MCUs starts (*stoppedAt, with
// `pred` as it stood there).
bool PreviewDecoder::decodeInline(std::int64_t first, std::int64_t end, std::uint64_t bit, std::int16_t* pred,
                                  bool watchSecond, std::int64_t* stoppedAt) {
    const std::uint8_t* data = clean_.data();
    std::size_t segment = hd_.restart > 0 ? std::size_t(first / hd_.restart) : 0;
    auto segmentEnd = [&] {
        return std::uint64_t(segment + 1 < segments_.size() ? segments_[segment + 1] : cleanSize_) * 8;
    };
    std::uint64_t endBit = segmentEnd();
    BitReader b;
    b.seek(data, bit);
    std::int16_t buffer[6 * kMaxBlockSlots];
    static constexpr std::int16_t kNoOffset[3] = {0, 0, 0};
    std::int64_t watched = 0;
    const std::uint64_t secondStart = watchSecond ? secondStartBit_ : 0;
    std::int64_t nextRestart = hd_.restart > 0 ? (first / hd_.restart + 1) * hd_.restart : end;
    std::int64_t mx = first % mcusX_;
    std::int64_t my = first / mcusX_;
    for (std::int64_t m = first; m < end; ++m) {
        if (m == nextRestart) {
            nextRestart += hd_.restart;
            // Only the padding of the last byte may be left before the restart marker.
            const std::uint64_t at = b.position();
            if (at > endBit || endBit - at >= 8) {
                return false;
            }
            ++segment;
            endBit = segmentEnd();
            b.seek(data, std::uint64_t(segments_[segment]) * 8);
            pred[0] = pred[1] = pred[2] = 0;
        }
        if (watchSecond) {
            const std::uint64_t at = b.position();
            if (at >= secondStart) {
                const std::int64_t count = published_.load(std::memory_order_acquire);
                while (watched < count && starts_[watched] < at) {
                    ++watched;
                }
                if (watched < count && starts_[watched] == at && (flags_[watched] & kEntryFailed) == 0) {
                    meetMcu_ = m;
                    meetEntry_ = watched;
                    *stoppedAt = m;
                    return true;
                }
            }
        }
        if (!decodeMcu(b, pred, buffer) || b.position() > endBit ||
            phase_.load(std::memory_order_relaxed) == kAbort) {
            return false;
        }
        idctMcu(buffer, mx, my, kNoOffset, false);
        if (++mx == mcusX_) {
            mx = 0;
            ++my;
        }
    }
    if (hd_.restart > 0 && end < totalMcus_) {
        const std::uint64_t at = b.position();  // the end of a restart interval, as above
        if (endBit - at >= 8) {
            return false;
        }
    }
    *stoppedAt = end;
    return true;
}

// The second thread's parse from a guessed start: each MCU it finds is kept with where it started. A parse
// that fails starts again after the failure; one that runs past the data's end stops.
void PreviewDecoder::decodeGuessed(std::uint64_t startBit) {
    const std::uint8_t* data = clean_.data();
    const std::uint64_t endBit = std::uint64_t(cleanSize_) * 8;
    BitReader b;
    b.seek(data, startBit);
    std::int16_t pred[3] = {0, 0, 0};
    // An MCU with 2×2 blocks is decoded here and kept packed, any other straight into its record.
    std::int16_t buffer[6 * kMaxBlockSlots];
    for (std::int64_t j = 0; j < cap_ && j < stopAt_.load(std::memory_order_relaxed);) {
        const int phase = phase_.load(std::memory_order_relaxed);
        if (phase != kRunning && phase != kMet) {
            break;
        }
        std::int16_t* record = records_ + j * mcuRecord_;
        const bool ok = decodeMcu(b, pred, packed_ ? buffer : record) && b.position() <= endBit;
        if (ok) {
            if (packed_) {
                keepMcu(buffer, record);
            }
            flags_[j] = 0;
            starts_[j + 1] = b.position();
            std::memcpy(preds_ + 3 * (j + 1), pred, 3 * sizeof(std::int16_t));
            published_.store(++j, std::memory_order_release);
            continue;
        }
        flags_[j] = kEntryFailed;
        published_.store(++j, std::memory_order_release);
        const std::uint64_t byte = (b.position() >> 3) + 1;
        if (b.position() > endBit || byte * 8 >= endBit || j >= cap_) {
            break;
        }
        starts_[j] = byte * 8;
        pred[0] = pred[1] = pred[2] = 0;
        std::memset(preds_ + 3 * j, 0, 3 * sizeof(std::int16_t));
        b.seek(data, byte * 8);
    }
}

// Puts a share of the second thread's MCUs into the planes once the first thread has joined its parse;
// false when there is nothing to take now.
bool PreviewDecoder::claimGuessed(std::int64_t limit) {
    constexpr std::int64_t kChunk = 64;
    std::int64_t from = nextClaim_.load(std::memory_order_relaxed);
    std::int64_t to;
    do {
        if (from >= limit) {
            return false;
        }
        to = std::min(from + kChunk, limit);
    } while (!nextClaim_.compare_exchange_weak(from, to, std::memory_order_relaxed));
    const std::int64_t firstMcu = meetMcu_ + (from - meetEntry_);
    std::int64_t mx = firstMcu % mcusX_;
    std::int64_t my = firstMcu / mcusX_;
    for (std::int64_t j = from; j < to; ++j) {
        if ((flags_[j] & kEntryFailed) == 0) {
            idctMcu(records_ + j * mcuRecord_, mx, my, dcOffset_, true);
        }
        if (++mx == mcusX_) {
            mx = 0;
            ++my;
        }
    }
    processed_.fetch_add(to - from, std::memory_order_release);
    return true;
}

// Decodes groups of restart intervals, taking the next one not yet taken, until none is left.
void PreviewDecoder::decodeGroups() {
    for (;;) {
        const std::int64_t g = nextGroup_.fetch_add(1, std::memory_order_relaxed);
        if (g >= groupCount_) {
            return;
        }
        if (!groupFailed_.load(std::memory_order_relaxed)) {
            const std::int64_t first = g * groupSegments_;
            const std::int64_t last =
                std::min<std::int64_t>(first + groupSegments_, std::int64_t(neededSegments_));
            std::int16_t pred[3] = {0, 0, 0};
            std::int64_t stopped = 0;
            if (!decodeInline(first * hd_.restart, std::min(last * hd_.restart, totalMcus_),
                              std::uint64_t(segments_[std::size_t(first)]) * 8, pred, false, &stopped)) {
                groupFailed_.store(true, std::memory_order_relaxed);
            }
        }
        groupsDone_.fetch_add(1, std::memory_order_release);
    }
}

void PreviewDecoder::waitWhile(std::initializer_list<int> phases) {
    for (;;) {
        const int phase = phase_.load(std::memory_order_acquire);
        if (std::find(phases.begin(), phases.end(), phase) == phases.end()) {
            return;
        }
        phase_.wait(phase, std::memory_order_acquire);
    }
}

void PreviewDecoder::secondThread(std::uint64_t startBit) {
    if (hd_.restart > 0) {
        decodeGroups();
    } else {
        decodeGuessed(startBit);
    }
    secondDone_.store(true, std::memory_order_release);
    waitWhile({kRunning, kMet});
    if (phase_.load(std::memory_order_acquire) == kShare) {
        while (claimGuessed(claimLimit_.load(std::memory_order_acquire))) {
        }
    }
    waitWhile({kShare, kNoMeet});
    if (phase_.load(std::memory_order_acquire) == kColour) {
        colourShare();
    }
}

// ---------------------------------------------------------------------------------------------------------
// Colour

struct ColourTables {
    std::int16_t red[256], blue[256];  // R - Y and B - Y for each Cr and Cb
    ColourTables() {
        for (int i = 0; i < 256; ++i) {
            const int x = i - 128;
            red[i] = std::int16_t(((((2 * x) * 26345 >> 16) + 1) >> 1) + x);
            blue[i] = std::int16_t(((((2 * x) * -14942 >> 16) + 1) >> 1) + 2 * x);
        }
    }
};

#if defined(__SSE2__)
// libjpeg-turbo's SIMD colour conversion, eight pixels at a time; returns how many pixels it converted.
int ColourEight(const std::uint8_t* luma, const std::uint8_t* cb, const std::uint8_t* cr, std::uint32_t* out,
                int width) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i centre = _mm_set1_epi16(128);
    const __m128i one = _mm_set1_epi16(1);
    const __m128i f0402 = _mm_set1_epi16(26345);
    const __m128i mf0228 = _mm_set1_epi16(-14942);
    const __m128i green = _mm_set1_epi32(std::int32_t((std::uint32_t(18734) << 16) | std::uint16_t(-22554)));
    const __m128i half = _mm_set1_epi32(1 << 15);
    const __m128i opaque = _mm_set1_epi16(-1);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        auto load = [&](const std::uint8_t* p) {
            return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + x)), zero);
        };
        const __m128i y = load(luma);
        const __m128i u = _mm_sub_epi16(load(cb), centre);
        const __m128i v = _mm_sub_epi16(load(cr), centre);
        const __m128i u2 = _mm_add_epi16(u, u);
        const __m128i v2 = _mm_add_epi16(v, v);
        const __m128i blue =
            _mm_add_epi16(_mm_srai_epi16(_mm_add_epi16(_mm_mulhi_epi16(u2, mf0228), one), 1), u2);
        const __m128i red =
            _mm_add_epi16(_mm_srai_epi16(_mm_add_epi16(_mm_mulhi_epi16(v2, f0402), one), 1), v);
        const __m128i lo =
            _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(u, v), green), half), 16);
        const __m128i hi =
            _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(u, v), green), half), 16);
        const __m128i gr = _mm_sub_epi16(_mm_packs_epi32(lo, hi), v);
        const __m128i r = _mm_packus_epi16(_mm_add_epi16(y, red), zero);
        const __m128i g = _mm_packus_epi16(_mm_add_epi16(y, gr), zero);
        const __m128i b = _mm_packus_epi16(_mm_add_epi16(y, blue), zero);
        const __m128i bg = _mm_unpacklo_epi8(b, g);
        const __m128i rx = _mm_unpacklo_epi8(r, opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi16(bg, rx));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), _mm_unpackhi_epi16(bg, rx));
    }
    return x;
}
#endif

inline std::uint32_t Clamp255(int v) {
    return std::uint32_t(std::clamp(v, 0, 255));
}

void PreviewDecoder::colourRows(int y0, int y1) {
    static const ColourTables tables;
    const std::uint8_t* planeY = planes_[0];
    std::unique_ptr<std::uint8_t[]> scratch(new std::uint8_t[2 * std::size_t(outW_)]);
    for (int y = y0; y < y1; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(image_.scanLine(y));
        const std::uint8_t* luma = planeY + std::size_t(y) * planeStride_[0];
        if (hd_.ncomp == 1) {
            for (int x = 0; x < outW_; ++x) {
                const std::uint32_t v = luma[x];
                out[x] = 0xFF000000u | (v << 16) | (v << 8) | v;
            }
            continue;
        }
        const std::uint8_t* rows[2];
        for (int c = 1; c <= 2; ++c) {
            const std::uint8_t* plane = planes_[c];
            const std::size_t stride = planeStride_[c];
            std::uint8_t* tmp = scratch.get() + std::size_t(c - 1) * std::size_t(outW_);
            switch (chroma_[c]) {
                case Chroma::Same: rows[c - 1] = plane + std::size_t(y) * stride; break;
                case Chroma::HalfWidthBox: {
                    const std::uint8_t* in = plane + std::size_t(y) * stride;
                    for (int x = 0; x < outW_; ++x) {
                        tmp[x] = in[x >> 1];
                    }
                    rows[c - 1] = tmp;
                    break;
                }
                case Chroma::HalfWidthFancy: {
                    const std::uint8_t* in = plane + std::size_t(y) * stride;
                    const int last = chromaWidth_[c] - 1;
                    for (int x = 0; x < outW_; ++x) {
                        const int i = x >> 1;
                        const int near = in[i] * 3;
                        if ((x & 1) == 0) {
                            tmp[x] = i == 0 ? in[0] : std::uint8_t((near + in[i - 1] + 1) >> 2);
                        } else {
                            tmp[x] = i == last ? in[i] : std::uint8_t((near + in[i + 1] + 2) >> 2);
                        }
                    }
                    rows[c - 1] = tmp;
                    break;
                }
                case Chroma::HalfHeightBox: rows[c - 1] = plane + std::size_t(y >> 1) * stride; break;
                case Chroma::HalfHeightFancy: {
                    const int i = y >> 1;
                    const int other =
                        (y & 1) == 0 ? std::max(i - 1, 0) : std::min(i + 1, chromaHeight_[c] - 1);
                    const int bias = (y & 1) == 0 ? 1 : 2;
                    const std::uint8_t* in = plane + std::size_t(i) * stride;
                    const std::uint8_t* in2 = plane + std::size_t(other) * stride;
                    for (int x = 0; x < outW_; ++x) {
                        tmp[x] = std::uint8_t((in[x] * 3 + in2[x] + bias) >> 2);
                    }
                    rows[c - 1] = tmp;
                    break;
                }
            }
        }
        const std::uint8_t* cb = rows[0];
        const std::uint8_t* cr = rows[1];
        int x = 0;
#if defined(__SSE2__)
        x = ColourEight(luma, cb, cr, out, outW_);
#endif
        for (; x < outW_; ++x) {
            const int yy = luma[x];
            const int u = cb[x] - 128;
            const int v = cr[x] - 128;
            const int g = ((u * -22554 + v * 18734 + 32768) >> 16) - v;
            out[x] = 0xFF000000u | (Clamp255(yy + tables.red[cr[x]]) << 16) | (Clamp255(yy + g) << 8) |
                     Clamp255(yy + tables.blue[cb[x]]);
        }
    }
}

// Converts rows a few at a time, taking the next ones not yet taken, until none is left.
void PreviewDecoder::colourShare() {
    constexpr int kRowsAtATime = 16;
    for (;;) {
        const int y = nextRows_.fetch_add(kRowsAtATime, std::memory_order_relaxed);
        if (y >= outH_) {
            return;
        }
        const int end = std::min(y + kRowsAtATime, outH_);
        colourRows(y, end);
        rowsDone_.fetch_add(end - y, std::memory_order_release);
    }
}

// ---------------------------------------------------------------------------------------------------------

// The first thread has reached an MCU where the second thread's guessed parse also found one (entry
// meetEntry_): from there on both parses are the same, only the second one's DC terms are off by what its
// predictors lacked. The MCUs it has parsed go into the planes; the rest of the scan, from where it has got
// to (or from where its parse failed), the first thread decodes itself, while the second helps with the
// planes.
bool PreviewDecoder::joinGuessed(std::int16_t* pred, JpegPreviewStats* stats) {
    stats->met = true;
    stats->meetMcu = meetMcu_;
    stats->skippedMcus = meetEntry_;
    stats->meetDistanceBits = std::int64_t(starts_[meetEntry_] - starts_[0]);
    const std::int16_t* theirs = preds_ + 3 * meetEntry_;
    for (int c = 0; c < 3; ++c) {
        dcOffset_[c] = std::int16_t(std::uint16_t(pred[c]) - std::uint16_t(theirs[c]));
    }
    neededEnd_ = meetEntry_ + (totalMcus_ - meetMcu_);
    nextClaim_.store(meetEntry_, std::memory_order_relaxed);
    phase_.store(kMet, std::memory_order_release);
    // While the second thread parses, its MCUs go into the planes here; once it is done, both threads share
    // them. Once caught up with it, this thread takes over from where it has got to: waiting for it could
    // mean waiting for a thread without a core.
    std::int64_t limit;
    for (;;) {
        const bool done = secondDone_.load(std::memory_order_acquire);
        const std::int64_t parsed = std::min(published_.load(std::memory_order_acquire), neededEnd_);
        if (!done && claimGuessed(parsed)) {
            continue;
        }
        if (!done) {
            stopAt_.store(parsed, std::memory_order_relaxed);
        }
        limit = parsed;
        break;
    }
    std::int64_t covered = meetEntry_;
    while (covered < limit && (flags_[covered] & kEntryFailed) == 0) {
        ++covered;
    }
    claimLimit_.store(covered, std::memory_order_release);
    phase_.store(kShare, std::memory_order_release);
    phase_.notify_all();
    if (covered < neededEnd_) {
        stats->resumed = true;
        const std::int16_t* at = preds_ + 3 * covered;
        for (int c = 0; c < 3; ++c) {
            pred[c] = std::int16_t(std::uint16_t(at[c]) + std::uint16_t(dcOffset_[c]));
        }
        std::int64_t stopped = 0;
        if (!decodeInline(meetMcu_ + (covered - meetEntry_), totalMcus_, starts_[covered], pred, false,
                          &stopped)) {
            return false;
        }
    }
    while (claimGuessed(covered)) {
    }
    for (;;) {  // the other thread's last share
        const std::int64_t claimed = nextClaim_.load(std::memory_order_acquire);
        if (claimed >= covered && processed_.load(std::memory_order_acquire) == claimed - meetEntry_) {
            return true;
        }
        std::this_thread::yield();
    }
}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

QImage PreviewDecoder::run(const JpegPreviewOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    JpegPreviewStats stats;
    stats.mcus = totalMcus_;
    std::int64_t secondStart = options.secondStart;
    if (secondStart == -1) {
        secondStart = options.splitSmall || std::int64_t(cleanSize_) >= kSmallScanBytes
                          ? std::int64_t(cleanSize_ / 2)
                          : -2;
    }
    // With restart markers the intervals are shared out in groups (a second thread at a guessed place is
    // only used without them); otherwise the second thread starts at the chosen byte.
    std::uint64_t secondBit = 0;
    bool split = secondStart >= 0 && std::uint64_t(secondStart) < cleanSize_;
    if (split && hd_.restart > 0) {
        constexpr std::int64_t kGroups = 32;
        const auto segmentCount = std::int64_t(neededSegments_);
        groupSegments_ = std::max<std::int64_t>(1, (segmentCount + kGroups - 1) / kGroups);
        groupCount_ = (segmentCount + groupSegments_ - 1) / groupSegments_;
        split = segmentCount > 1;
        if (!split) {
            groupCount_ = 0;
        }
    } else if (split) {
        secondBit = std::uint64_t(secondStart) * 8;
        cap_ =
            std::min<std::int64_t>(totalMcus_, std::int64_t(kSecondThreadBytes) / (2 * mcuRecord_ + 16) + 1);
        const std::size_t entries = std::size_t(cap_) + 1;
        const std::size_t startBytes = entries * sizeof(std::uint64_t);
        const std::size_t predBytes = (entries * 3 * sizeof(std::int16_t) + 63) & ~std::size_t(63);
        const std::size_t recordBytes = std::size_t(cap_) * std::size_t(mcuRecord_) * sizeof(std::int16_t);
        split = entryMemory_.allocate(startBytes + predBytes + recordBytes + entries);
        if (split) {
            starts_ = entryMemory_.as<std::uint64_t>();
            preds_ = reinterpret_cast<std::int16_t*>(entryMemory_.data() + startBytes);
            records_ = reinterpret_cast<std::int16_t*>(entryMemory_.data() + startBytes + predBytes);
            flags_ = entryMemory_.data() + startBytes + predBytes + recordBytes;
            secondStartBit_ = secondBit;
            starts_[0] = secondBit;
        }
    }

    std::thread second;
    if (split) {
        try {
            second = std::thread([this, secondBit] { secondThread(secondBit); });
        } catch (const std::system_error&) {
            split = false;  // no thread to be had: all on this one
            groupCount_ = 0;
        }
    }
    stats.split = split;
    stats.atRestart = split && hd_.restart > 0;
    auto finish = [&](int phase) {
        phase_.store(phase, std::memory_order_release);
        phase_.notify_all();
    };
    auto fail = [&] {
        if (second.joinable()) {
            finish(kAbort);
            second.join();
        }
        return QImage();
    };

    if (split && options.secondFirst) {
        while (!secondDone_.load(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
    }
    std::int16_t pred[3] = {0, 0, 0};
    std::int64_t stopped = 0;
    if (!split) {
        if (!decodeInline(0, totalMcus_, 0, pred, false, &stopped)) {
            return fail();
        }
    } else if (hd_.restart > 0) {
        decodeGroups();
        while (groupsDone_.load(std::memory_order_acquire) < groupCount_) {
            std::this_thread::yield();  // the other thread's last group
        }
        if (groupFailed_.load(std::memory_order_relaxed)) {
            return fail();
        }
    } else {
        if (!decodeInline(0, totalMcus_, 0, pred, true, &stopped)) {
            return fail();
        }
        if (stopped == totalMcus_) {
            finish(kNoMeet);
        } else if (!joinGuessed(pred, &stats)) {
            return fail();
        }
    }

    stats.decodeMs = MsSince(start);
    const auto colourStart = std::chrono::steady_clock::now();
    if (second.joinable()) {
        finish(kColour);
        colourShare();
        while (rowsDone_.load(std::memory_order_acquire) < outH_) {
            std::this_thread::yield();  // the other thread's last rows
        }
        second.join();
    } else {
        colourRows(0, outH_);
    }
    stats.colourMs = MsSince(colourStart);
    if (options.stats != nullptr) {
        stats.setUpMs = options.stats->setUpMs;
        *options.stats = stats;
    }
    return std::move(image_);
}

}  // namespace

QImage DecodeJpegPreview(const std::uint8_t* data, std::size_t size, int denominator, SizeCheck& check,
                         QSize* shownSize, const JpegPreviewOptions& options) {
    if (denominator != 2 && denominator != 4 && denominator != 8) {
        return {};
    }
    auto header = std::make_unique<Header>();
    if (!ParseHeaders(data, size, header.get())) {
        return {};
    }
    if (header->ncomp == 3 && !header->jfif && header->comp[0].id == 'R' && header->comp[1].id == 'G' &&
        header->comp[2].id == 'B') {
        return {};  // RGB planes
    }
    if (!check.accept(header->width, header->height)) {
        return {};
    }
    const auto start = std::chrono::steady_clock::now();
    auto decoder = std::make_unique<PreviewDecoder>(*header, denominator);
    if (!decoder->setUp(data, size)) {
        return {};
    }
    if (options.stats != nullptr) {
        options.stats->setUpMs = MsSince(start);
    }
    QImage image = decoder->run(options);
    if (image.isNull()) {
        return {};
    }
    const int orientation = header->orientation == 0 ? 1 : header->orientation;
    const QSize full(header->width, header->height);
    if (shownSize != nullptr) {
        *shownSize = orientation >= 5 ? full.transposed() : full;
    }
    return Orient(image, orientation);
}

}  // namespace picura::detail
