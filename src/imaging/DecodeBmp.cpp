// BMP, ICO/CUR and PCX: small formats read by hand, every offset and length checked against the data.
#include "imaging/CodecLimits.h"
#include "imaging/DecodeInternal.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace picura::detail {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

// Bounds-checked little-endian reads over one block of data.
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t size() const { return size_; }
    const std::uint8_t* data() const { return data_; }
    bool has(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    std::uint8_t u8(std::size_t at) const { return data_[at]; }
    std::uint16_t u16(std::size_t at) const { return std::uint16_t(data_[at] | (data_[at + 1] << 8)); }
    std::uint32_t u32(std::size_t at) const {
        return std::uint32_t(data_[at]) | (std::uint32_t(data_[at + 1]) << 8) |
               (std::uint32_t(data_[at + 2]) << 16) | (std::uint32_t(data_[at + 3]) << 24);
    }
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// One channel of a bit-field pixel, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            const std::uint32_t bits = mask >> shift;
            max = bits;
        }
    }
    std::uint32_t operator()(std::uint32_t pixel) const {
        if (max == 0) {
            return 0;
        }
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint32_t>((v * 255 + max / 2) / max);
    }
};

struct DibInfo {
    std::int64_t width = 0;
    std::int64_t height = 0;  // of the colour image (icons: half the declared height)
    bool topDown = false;
    int bpp = 0;
    std::uint32_t compression = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    std::vector<std::uint32_t> palette;
    std::size_t pixels = 0;  // offset of the pixel data
};

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

// Reads the header at `at`; `pixelOffset` is the file header's offset or 0 to take the data right after the
// colour table.
bool ReadDibHeader(const Bytes& b, std::size_t at, std::size_t pixelOffset, bool icon, DibInfo* info,
                   SizeCheck& check) {
    if (!b.has(at, 4)) {
        return false;
    }
    const std::uint32_t headerSize = b.u32(at);
    std::size_t next = 0;
    int paletteEntrySize = 4;
    std::uint32_t coloursUsed = 0;
    if (headerSize == 12) {
        if (!b.has(at, 12)) {
            return false;
        }
        info->width = b.u16(at + 4);
        info->height = static_cast<std::int16_t>(b.u16(at + 6));
        info->bpp = b.u16(at + 10);
        paletteEntrySize = 3;
        next = at + 12;
    } else if (headerSize >= 40 && headerSize <= 1024) {
        if (!b.has(at, headerSize)) {
            return false;
        }
        info->width = b.i32(at + 4);
        info->height = b.i32(at + 8);
        info->bpp = b.u16(at + 14);
        info->compression = b.u32(at + 16);
        coloursUsed = b.u32(at + 32);
        next = at + headerSize;
        if (info->compression == kBiBitfields || info->compression == kBiAlphaBitfields) {
            const int count = info->compression == kBiAlphaBitfields ? 4 : 3;
            if (headerSize >= 40u + 4u * count) {
                for (int i = 0; i < count; ++i) {
                    info->masks[i] = b.u32(at + 40 + 4 * i);
                }
            } else {
                if (!b.has(next, 4u * count)) {
                    return false;
                }
                for (int i = 0; i < count; ++i) {
                    info->masks[i] = b.u32(next + 4 * i);
                }
                next += 4u * count;
            }
        }
    } else {
        return false;
    }
    if (info->height < 0) {
        info->topDown = true;
        info->height = -info->height;
    }
    if (icon) {
        info->height /= 2;
    }
    if (!check.accept(info->width, info->height)) {
        return false;
    }
    switch (info->bpp) {
        case 1:
        case 4:
        case 8: {
            const std::uint32_t full = 1u << info->bpp;
            const std::uint32_t entries = coloursUsed != 0 && coloursUsed < full ? coloursUsed : full;
            // Writers that leave out unused entries are common: take what is there, at least one colour.
            const std::size_t available = next <= b.size() ? (b.size() - next) / paletteEntrySize : 0;
            const std::size_t n = std::min<std::size_t>(entries, available);
            if (n == 0) {
                return false;
            }
            info->palette.assign(full, 0xFF000000u);
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t p = next + i * paletteEntrySize;
                info->palette[i] = 0xFF000000u | (std::uint32_t(b.u8(p + 2)) << 16) |
                                   (std::uint32_t(b.u8(p + 1)) << 8) | b.u8(p);
            }
            next += entries * paletteEntrySize;
            break;
        }
        case 16:
        case 24:
        case 32: break;
        default: return false;
    }
    const bool rle = info->compression == kBiRle8 || info->compression == kBiRle4;
    if (info->compression == kBiRle8 && info->bpp != 8) {
        return false;
    }
    if (info->compression == kBiRle4 && info->bpp != 4) {
        return false;
    }
    if ((info->compression == kBiBitfields || info->compression == kBiAlphaBitfields) && info->bpp != 16 &&
        info->bpp != 32) {
        return false;
    }
    if (!rle && info->compression != kBiRgb && info->compression != kBiBitfields &&
        info->compression != kBiAlphaBitfields) {
        return false;
    }
    if (rle && info->topDown) {
        return false;
    }
    if (info->compression == kBiRgb && info->bpp == 16) {
        info->masks[0] = 0x7C00;
        info->masks[1] = 0x03E0;
        info->masks[2] = 0x001F;
    }
    info->pixels = pixelOffset != 0 ? pixelOffset : next;
    return info->pixels <= b.size();
}

std::int64_t DibStride(std::int64_t width, int bpp) {
    return ((width * bpp + 31) / 32) * 4;
}

bool DecodeUncompressed(const Bytes& b, const DibInfo& info, QImage* image) {
    const std::int64_t stride = DibStride(info.width, info.bpp);
    const std::int64_t w = info.width;
    const std::int64_t h = info.height;
    // The last row may lack its padding.
    const std::int64_t lastRow = (w * info.bpp + 7) / 8;
    if (!b.has(info.pixels, static_cast<std::size_t>(stride * (h - 1) + lastRow))) {
        return false;
    }
    const Channel red(info.masks[0]), green(info.masks[1]), blue(info.masks[2]);
    for (std::int64_t row = 0; row < h; ++row) {
        const std::uint8_t* src = b.data() + info.pixels + row * stride;
        const int y = static_cast<int>(info.topDown ? row : h - 1 - row);
        auto* out = reinterpret_cast<std::uint32_t*>(image->scanLine(y));
        switch (info.bpp) {
            case 1:
            case 4:
            case 8: {
                const int perByte = 8 / info.bpp;
                const std::uint32_t mask = (1u << info.bpp) - 1;
                for (std::int64_t x = 0; x < w; ++x) {
                    const std::uint8_t byte = src[x / perByte];
                    const int shift = 8 - info.bpp * int(x % perByte + 1);
                    out[x] = info.palette[(byte >> shift) & mask];
                }
                break;
            }
            case 16:
                for (std::int64_t x = 0; x < w; ++x) {
                    const std::uint32_t p = src[2 * x] | (src[2 * x + 1] << 8);
                    out[x] = 0xFF000000u | (red(p) << 16) | (green(p) << 8) | blue(p);
                }
                break;
            case 24:
                for (std::int64_t x = 0; x < w; ++x) {
                    out[x] = 0xFF000000u | (std::uint32_t(src[3 * x + 2]) << 16) |
                             (std::uint32_t(src[3 * x + 1]) << 8) | src[3 * x];
                }
                break;
            case 32:
                if (info.compression == kBiRgb) {
                    // Keep the fourth byte: icons carry alpha there; plain bitmaps drop it later.
                    for (std::int64_t x = 0; x < w; ++x) {
                        out[x] = std::uint32_t(src[4 * x]) | (std::uint32_t(src[4 * x + 1]) << 8) |
                                 (std::uint32_t(src[4 * x + 2]) << 16) |
                                 (std::uint32_t(src[4 * x + 3]) << 24);
                    }
                } else {
                    for (std::int64_t x = 0; x < w; ++x) {
                        const std::uint32_t p =
                            std::uint32_t(src[4 * x]) | (std::uint32_t(src[4 * x + 1]) << 8) |
                            (std::uint32_t(src[4 * x + 2]) << 16) | (std::uint32_t(src[4 * x + 3]) << 24);
                        out[x] = 0xFF000000u | (red(p) << 16) | (green(p) << 8) | blue(p);
                    }
                }
                break;
            default: return false;
        }
    }
    return true;
}

// RLE8 / RLE4, always bottom-up. Pixels the data skips stay white.
bool DecodeRle(const Bytes& b, const DibInfo& info, QImage* image) {
    const bool four = info.compression == kBiRle4;
    const std::int64_t w = info.width;
    const std::int64_t h = info.height;
    std::size_t pos = info.pixels;
    std::int64_t x = 0;
    std::int64_t row = 0;  // from the bottom
    auto put = [&](std::uint32_t index) {
        if (x < w && row < h) {
            auto* out = reinterpret_cast<std::uint32_t*>(image->scanLine(static_cast<int>(h - 1 - row)));
            out[x] = info.palette[index & (four ? 0x0F : 0xFF)];
        }
        ++x;
    };
    while (row < h) {
        if (!b.has(pos, 2)) {
            return false;  // ended without an end-of-bitmap mark
        }
        const std::uint8_t count = b.u8(pos);
        const std::uint8_t value = b.u8(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < w; ++i) {
                put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            }
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // delta
            if (!b.has(pos, 2)) {
                return false;
            }
            x += b.u8(pos);
            row += b.u8(pos + 1);
            pos += 2;
        } else {  // absolute run of `value` pixels, padded to a word
            const std::size_t bytes = four ? (value + 1u) / 2u : value;
            if (!b.has(pos, bytes)) {
                return false;
            }
            for (int i = 0; i < value; ++i) {
                const std::uint8_t byte = b.u8(pos + (four ? i / 2 : i));
                put(four ? ((i & 1) ? byte & 0x0F : byte >> 4) : byte);
            }
            pos += bytes + (bytes & 1);
        }
    }
    return true;
}

QImage DecodeDib(const Bytes& b, std::size_t at, std::size_t pixelOffset, bool icon, SizeCheck& check) {
    DibInfo info;
    if (!ReadDibHeader(b, at, pixelOffset, icon, &info, check)) {
        return {};
    }
    // Uncompressed data must be all there before the picture's memory is taken.
    if (info.compression != kBiRle4 && info.compression != kBiRle8) {
        const std::int64_t stride = DibStride(info.width, info.bpp);
        if (info.pixels > b.size() || stride * (info.height - 1) > std::int64_t(b.size() - info.pixels)) {
            return {};
        }
    }
    QImage image = NewWhiteImage(info.width, info.height);
    if (image.isNull()) {
        return {};
    }
    const bool rle = info.compression == kBiRle4 || info.compression == kBiRle8;
    if (!(rle ? DecodeRle(b, info, &image) : DecodeUncompressed(b, info, &image))) {
        return {};
    }
    const int w = image.width();
    const int h = image.height();
    const bool rawAlpha = info.bpp == 32 && info.compression == kBiRgb;
    if (rawAlpha) {
        bool anyAlpha = false;
        for (int y = 0; y < h && !anyAlpha; ++y) {
            const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                if ((line[x] >> 24) != 0) {
                    anyAlpha = true;
                    break;
                }
            }
        }
        // Icons with an alpha channel are drawn with it; everything else ignores the fourth byte.
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) {
                line[x] = icon && anyAlpha ? FlattenOnWhite(line[x]) : (line[x] | 0xFF000000u);
            }
        }
    }
    if (icon && !rle) {
        // The AND mask follows the colour data, bottom-up, one bit a pixel: set bits are transparent.
        const std::int64_t stride = DibStride(info.width, info.bpp);
        const std::int64_t maskStride = DibStride(info.width, 1);
        const std::size_t maskAt = info.pixels + static_cast<std::size_t>(stride * info.height);
        if (b.has(maskAt, static_cast<std::size_t>(maskStride * info.height))) {
            for (int row = 0; row < h; ++row) {
                const std::uint8_t* m = b.data() + maskAt + row * maskStride;
                const int y = info.topDown ? row : h - 1 - row;
                auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
                for (int x = 0; x < w; ++x) {
                    if ((m[x >> 3] >> (7 - (x & 7))) & 1) {
                        line[x] = kWhite;
                    }
                }
            }
        }
    }
    return image;
}

}  // namespace

QImage DecodeBmpBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check) {
    const Bytes b(data, size);
    if (!b.has(0, 18) || b.u8(0) != 'B' || b.u8(1) != 'M') {
        return {};
    }
    const std::uint32_t offset = b.u32(10);
    const std::uint32_t headerSize = b.u32(14);
    // A wrong pixel offset is a common writer fault: fall back on the data after the colour table.
    const std::size_t pixels = offset >= 14u + headerSize && offset < size ? offset : 0;
    return DecodeDib(b, 14, pixels, false, check);
}

QImage DecodeIconBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check) {
    const Bytes b(data, size);
    if (!b.has(0, 6)) {
        return {};
    }
    const std::size_t count = b.u16(4);
    if (count == 0 || !b.has(6, count * 16)) {
        return {};
    }
    struct Entry {
        std::int64_t area;
        int bits;
        std::size_t offset;
        std::size_t length;
    };
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = 6 + i * 16;
        const int w = b.u8(e) == 0 ? 256 : b.u8(e);
        const int h = b.u8(e + 1) == 0 ? 256 : b.u8(e + 1);
        const std::size_t offset = b.u32(e + 12);
        const std::size_t length = b.u32(e + 8);
        if (offset >= size) {
            continue;
        }
        entries.push_back({std::int64_t(w) * h, b.u16(e + 6), offset, std::min(length, size - offset)});
    }
    // Largest first, the deepest colour among equals; a broken entry falls back on the next one.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& l, const Entry& r) {
        return l.area != r.area ? l.area > r.area : l.bits > r.bits;
    });
    for (const Entry& e : entries) {
        const Bytes sub(data + e.offset, e.length);
        QImage image;
        if (sub.has(0, 8) && sub.u8(0) == 0x89 && sub.u8(1) == 'P' && sub.u8(2) == 'N' && sub.u8(3) == 'G') {
            image = DecodePngBytes(sub.data(), sub.size(), check);
        } else {
            image = DecodeDib(sub, 0, 0, true, check);
        }
        if (!image.isNull()) {
            return image;
        }
    }
    return {};
}

QImage DecodePcxBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check) {
    const Bytes b(data, size);
    constexpr std::size_t kHeader = 128;
    if (!b.has(0, kHeader) || b.u8(0) != 0x0A || b.u8(2) != 1) {
        return {};
    }
    const int bpp = b.u8(3);
    const std::int64_t width = std::int64_t(b.u16(8)) - b.u16(4) + 1;
    const std::int64_t height = std::int64_t(b.u16(10)) - b.u16(6) + 1;
    const int planes = b.u8(65);
    const std::int64_t bytesPerLine = b.u16(66);
    const bool mono = bpp == 1 && planes == 1;
    const bool indexed = bpp == 8 && planes == 1;
    const bool rgb = bpp == 8 && planes == 3;
    if (!(mono || indexed || rgb) || !check.accept(width, height) || bytesPerLine < (width * bpp + 7) / 8) {
        return {};
    }
    std::size_t end = size;
    std::uint32_t palette[256];
    if (mono) {
        palette[0] = 0xFF000000u;
        palette[1] = kWhite;
    } else if (indexed) {
        // The 256-colour table closes the file, after a 0x0C mark.
        if (size >= kHeader + 769 && b.u8(size - 769) == 0x0C) {
            end = size - 769;
            for (int i = 0; i < 256; ++i) {
                const std::size_t p = end + 1 + 3 * i;
                palette[i] = 0xFF000000u | (std::uint32_t(b.u8(p)) << 16) |
                             (std::uint32_t(b.u8(p + 1)) << 8) | b.u8(p + 2);
            }
        } else {
            return {};
        }
    }
    // Every encoded byte gives at most 63 bytes of lines: a file too short for its size is refused early.
    const std::int64_t lineBytes = bytesPerLine * planes;
    if (lineBytes * height > std::int64_t(end - kHeader) * 63) {
        return {};
    }
    QImage image = NewWhiteImage(width, height);
    if (image.isNull()) {
        return {};
    }
    std::vector<std::uint8_t> line(static_cast<std::size_t>(lineBytes));
    std::size_t pos = kHeader;
    int runLeft = 0;
    std::uint8_t runValue = 0;
    for (std::int64_t y = 0; y < height; ++y) {
        // Runs may carry over from one line to the next.
        for (std::int64_t i = 0; i < lineBytes;) {
            if (runLeft > 0) {
                line[static_cast<std::size_t>(i++)] = runValue;
                --runLeft;
                continue;
            }
            if (pos >= end) {
                return {};
            }
            const std::uint8_t byte = b.u8(pos++);
            if ((byte & 0xC0) == 0xC0) {
                if (pos >= end) {
                    return {};
                }
                runLeft = byte & 0x3F;
                runValue = b.u8(pos++);
            } else {
                line[static_cast<std::size_t>(i++)] = byte;
            }
        }
        auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(static_cast<int>(y)));
        for (std::int64_t x = 0; x < width; ++x) {
            if (mono) {
                out[x] = palette[(line[static_cast<std::size_t>(x >> 3)] >> (7 - (x & 7))) & 1];
            } else if (indexed) {
                out[x] = palette[line[static_cast<std::size_t>(x)]];
            } else {
                const std::size_t bpl = static_cast<std::size_t>(bytesPerLine);
                const std::size_t xi = static_cast<std::size_t>(x);
                out[x] = 0xFF000000u | (std::uint32_t(line[xi]) << 16) |
                         (std::uint32_t(line[bpl + xi]) << 8) | line[2 * bpl + xi];
            }
        }
    }
    return image;
}

}  // namespace picura::detail
