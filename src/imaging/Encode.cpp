#include "imaging/Encode.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gif_lib.h>
#include <png.h>

namespace picura {

namespace {

QImage AsRgb32(const QImage& image) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return {};
    }
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

void PutU16(char* p, std::uint32_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
}

void PutU32(char* p, std::uint32_t v) {
    PutU16(p, v & 0xFFFF);
    PutU16(p + 2, v >> 16);
}

// ---- PNG ----

// Grows with realloc: libpng may jump out of any call, so nothing here has a destructor.
struct MemoryBuffer {
    unsigned char* data;
    std::size_t size;
    std::size_t capacity;
    int failed;
};

void WritePngData(png_structp png, png_bytep bytes, png_size_t length) {
    auto* buffer = static_cast<MemoryBuffer*>(png_get_io_ptr(png));
    if (buffer->failed) {
        return;
    }
    if (length > buffer->capacity - buffer->size) {
        std::size_t capacity = std::max<std::size_t>(buffer->capacity * 2, 65536);
        while (capacity - buffer->size < length) {
            capacity *= 2;
        }
        auto* grown = static_cast<unsigned char*>(std::realloc(buffer->data, capacity));
        if (grown == nullptr) {
            buffer->failed = 1;
            png_error(png, "out of memory");
        }
        buffer->data = grown;
        buffer->capacity = capacity;
    }
    std::memcpy(buffer->data + buffer->size, bytes, length);
    buffer->size += length;
}

void FlushPngData(png_structp) {}

void OnPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The one place where libpng may jump back while writing.
bool RunPngCompress(const unsigned char* bits, std::size_t stride, int width, int height, MemoryBuffer* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, WritePngData, FlushPngData);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // Rows are B, G, R, X in memory: swap to RGB and drop the filler byte.
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, bits + static_cast<std::size_t>(y) * stride);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// ---- GIF palette: median cut over a 5-bit-per-channel histogram ----

constexpr int kBins = 32 * 32 * 32;

inline int BinOf(std::uint32_t px) {
    return static_cast<int>(((px >> 19) & 0x1F) << 10 | ((px >> 11) & 0x1F) << 5 | ((px >> 3) & 0x1F));
}

struct Histogram {
    std::vector<std::uint32_t> count = std::vector<std::uint32_t>(kBins, 0);
    std::vector<std::uint64_t> sum = std::vector<std::uint64_t>(kBins * 3, 0);
    std::vector<std::uint64_t> squares = std::vector<std::uint64_t>(kBins * 3, 0);
};

struct Box {
    int lo[3];
    int hi[3];  // inclusive, in bin units; axis 0 red, 1 green, 2 blue
    std::uint64_t population = 0;
    double error = 0;  // sum of squared distances to the box's mean colour
    double variance[3] = {0, 0, 0};
};

inline int BinAt(int r, int g, int b) {
    return (r << 10) | (g << 5) | b;
}

void ShrinkBox(const Histogram& h, Box* box) {
    int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
    std::uint64_t population = 0;
    double sum[3] = {0, 0, 0}, squares[3] = {0, 0, 0};
    for (int r = box->lo[0]; r <= box->hi[0]; ++r) {
        for (int g = box->lo[1]; g <= box->hi[1]; ++g) {
            for (int b = box->lo[2]; b <= box->hi[2]; ++b) {
                const std::uint32_t c = h.count[BinAt(r, g, b)];
                if (c == 0) {
                    continue;
                }
                population += c;
                const int bin = BinAt(r, g, b);
                for (int a = 0; a < 3; ++a) {
                    sum[a] += static_cast<double>(h.sum[3 * bin + a]);
                    squares[a] += static_cast<double>(h.squares[3 * bin + a]);
                }
                const int v[3] = {r, g, b};
                for (int a = 0; a < 3; ++a) {
                    lo[a] = std::min(lo[a], v[a]);
                    hi[a] = std::max(hi[a], v[a]);
                }
            }
        }
    }
    box->population = population;
    box->error = 0;
    for (int a = 0; a < 3; ++a) {
        box->variance[a] =
            population > 0 ? squares[a] - sum[a] * sum[a] / static_cast<double>(population) : 0.0;
        box->error += box->variance[a];
    }
    if (population > 0) {
        std::copy(lo, lo + 3, box->lo);
        std::copy(hi, hi + 3, box->hi);
    }
}

std::vector<std::uint32_t> MedianCut(const Histogram& h, int colours) {
    std::vector<Box> boxes;
    Box all{{0, 0, 0}, {31, 31, 31}, 0};
    ShrinkBox(h, &all);
    if (all.population == 0) {
        return {};
    }
    boxes.push_back(all);
    while (static_cast<int>(boxes.size()) < colours) {
        // Split the box with the largest squared error, across its axis of largest spread.
        int pick = -1;
        double best = 0;
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
            const Box& b = boxes[i];
            const bool splittable = b.hi[0] > b.lo[0] || b.hi[1] > b.lo[1] || b.hi[2] > b.lo[2];
            if (splittable && b.error > best) {
                best = b.error;
                pick = i;
            }
        }
        if (pick < 0) {
            break;
        }
        Box box = boxes[pick];
        int axis = -1;
        for (int a = 0; a < 3; ++a) {
            if (box.hi[a] > box.lo[a] && (axis < 0 || box.variance[a] > box.variance[axis])) {
                axis = a;
            }
        }
        // Population per slice along the axis, then cut at the median.
        std::array<std::uint64_t, 32> slices{};
        for (int r = box.lo[0]; r <= box.hi[0]; ++r) {
            for (int g = box.lo[1]; g <= box.hi[1]; ++g) {
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const int v[3] = {r, g, b};
                    slices[v[axis]] += h.count[BinAt(r, g, b)];
                }
            }
        }
        std::uint64_t running = 0;
        int cut = box.lo[axis];
        for (int s = box.lo[axis]; s < box.hi[axis]; ++s) {
            running += slices[s];
            cut = s;
            if (running * 2 >= box.population) {
                break;
            }
        }
        Box low = box, high = box;
        low.hi[axis] = cut;
        high.lo[axis] = cut + 1;
        ShrinkBox(h, &low);
        ShrinkBox(h, &high);
        boxes[pick] = low;
        if (high.population > 0) {
            boxes.push_back(high);
        }
    }
    std::vector<std::uint32_t> palette;
    for (const Box& box : boxes) {
        std::uint64_t n = 0, sr = 0, sg = 0, sb = 0;
        for (int r = box.lo[0]; r <= box.hi[0]; ++r) {
            for (int g = box.lo[1]; g <= box.hi[1]; ++g) {
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const int bin = BinAt(r, g, b);
                    n += h.count[bin];
                    sr += h.sum[3 * bin];
                    sg += h.sum[3 * bin + 1];
                    sb += h.sum[3 * bin + 2];
                }
            }
        }
        if (n > 0) {
            palette.push_back(0xFF000000u | std::uint32_t((sr + n / 2) / n) << 16 |
                              std::uint32_t((sg + n / 2) / n) << 8 | std::uint32_t((sb + n / 2) / n));
        }
    }
    return palette;
}

int WriteGifData(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* out = static_cast<QByteArray*>(gif->UserData);
    out->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

struct GifWriterCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

}  // namespace

QByteArray EncodeBmp(const QImage& image) {
    const QImage rgb = AsRgb32(image);
    if (rgb.isNull()) {
        return {};
    }
    const qint64 w = rgb.width();
    const qint64 h = rgb.height();
    const qint64 stride = (w * 3 + 3) / 4 * 4;
    const qint64 total = 54 + stride * h;
    if (total > 0x7FFFFFFF) {
        return {};
    }
    QByteArray out(static_cast<qsizetype>(total), '\0');
    char* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    PutU32(p + 2, static_cast<std::uint32_t>(total));
    PutU32(p + 10, 54);
    PutU32(p + 14, 40);
    PutU32(p + 18, static_cast<std::uint32_t>(w));
    PutU32(p + 22, static_cast<std::uint32_t>(h));
    PutU16(p + 26, 1);
    PutU16(p + 28, 24);
    PutU32(p + 34, static_cast<std::uint32_t>(stride * h));
    PutU32(p + 38, 2835);  // 72 dpi
    PutU32(p + 42, 2835);
    for (qint64 y = 0; y < h; ++y) {
        const auto* line =
            reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(static_cast<int>(h - 1 - y)));
        auto* row = reinterpret_cast<unsigned char*>(p + 54 + y * stride);
        for (qint64 x = 0; x < w; ++x) {
            const std::uint32_t px = line[x];
            row[3 * x] = static_cast<unsigned char>(px & 0xFF);
            row[3 * x + 1] = static_cast<unsigned char>((px >> 8) & 0xFF);
            row[3 * x + 2] = static_cast<unsigned char>((px >> 16) & 0xFF);
        }
    }
    return out;
}

QByteArray EncodePng(const QImage& image) {
    const QImage rgb = AsRgb32(image);
    if (rgb.isNull()) {
        return {};
    }
    MemoryBuffer buffer{nullptr, 0, 0, 0};
    const bool ok = RunPngCompress(rgb.constBits(), static_cast<std::size_t>(rgb.bytesPerLine()), rgb.width(),
                                   rgb.height(), &buffer);
    QByteArray out;
    if (ok && !buffer.failed) {
        out = QByteArray(reinterpret_cast<const char*>(buffer.data), static_cast<qsizetype>(buffer.size));
    }
    std::free(buffer.data);
    return out;
}

QByteArray EncodeGif(const QImage& image) {
    const QImage rgb = AsRgb32(image);
    if (rgb.isNull() || rgb.width() > 65535 || rgb.height() > 65535) {
        return {};
    }
    const int w = rgb.width();
    const int h = rgb.height();
    Histogram hist;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const std::uint32_t px = line[x];
            const int bin = BinOf(px);
            ++hist.count[bin];
            hist.sum[3 * bin] += (px >> 16) & 0xFF;
            hist.sum[3 * bin + 1] += (px >> 8) & 0xFF;
            hist.sum[3 * bin + 2] += px & 0xFF;
            hist.squares[3 * bin] += ((px >> 16) & 0xFF) * ((px >> 16) & 0xFF);
            hist.squares[3 * bin + 1] += ((px >> 8) & 0xFF) * ((px >> 8) & 0xFF);
            hist.squares[3 * bin + 2] += (px & 0xFF) * (px & 0xFF);
        }
    }
    std::vector<std::uint32_t> palette = MedianCut(hist, 256);
    if (palette.empty()) {
        return {};
    }
    // Bins in use, with their mean colours; a few rounds of k-means polish the median-cut palette.
    struct UsedBin {
        int bin;
        int rgb[3];
        std::uint32_t count;
    };
    std::vector<UsedBin> used;
    for (int bin = 0; bin < kBins; ++bin) {
        const std::uint32_t n = hist.count[bin];
        if (n != 0) {
            used.push_back(
                {bin,
                 {static_cast<int>(hist.sum[3 * bin] / n), static_cast<int>(hist.sum[3 * bin + 1] / n),
                  static_cast<int>(hist.sum[3 * bin + 2] / n)},
                 n});
        }
    }
    std::vector<std::uint8_t> binIndex(kBins, 0);
    auto assign = [&] {
        for (const UsedBin& u : used) {
            int best = 0;
            int bestDistance = 1 << 30;
            for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
                const int dr = u.rgb[0] - static_cast<int>((palette[i] >> 16) & 0xFF);
                const int dg = u.rgb[1] - static_cast<int>((palette[i] >> 8) & 0xFF);
                const int db = u.rgb[2] - static_cast<int>(palette[i] & 0xFF);
                const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            binIndex[u.bin] = static_cast<std::uint8_t>(best);
        }
    };
    for (int round = 0; round < 3; ++round) {
        assign();
        std::vector<std::uint64_t> sums(palette.size() * 4, 0);
        for (const UsedBin& u : used) {
            std::uint64_t* s = &sums[binIndex[u.bin] * 4u];
            s[0] += hist.sum[3 * u.bin];
            s[1] += hist.sum[3 * u.bin + 1];
            s[2] += hist.sum[3 * u.bin + 2];
            s[3] += u.count;
        }
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const std::uint64_t* s = &sums[i * 4];
            if (s[3] > 0) {
                palette[i] = 0xFF000000u | std::uint32_t((s[0] + s[3] / 2) / s[3]) << 16 |
                             std::uint32_t((s[1] + s[3] / 2) / s[3]) << 8 |
                             std::uint32_t((s[2] + s[3] / 2) / s[3]);
            }
        }
    }
    assign();
    int mapSize = 2;
    while (mapSize < static_cast<int>(palette.size())) {
        mapSize *= 2;
    }
    std::vector<GifColorType> colours(static_cast<std::size_t>(mapSize), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i) {
        colours[i] = GifColorType{static_cast<GifByteType>((palette[i] >> 16) & 0xFF),
                                  static_cast<GifByteType>((palette[i] >> 8) & 0xFF),
                                  static_cast<GifByteType>(palette[i] & 0xFF)};
    }
    QByteArray out;
    int error = 0;
    std::unique_ptr<GifFileType, GifWriterCloser> gif(EGifOpen(&out, WriteGifData, &error));
    if (!gif) {
        return {};
    }
    ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
    if (map == nullptr) {
        return {};
    }
    const bool described = EGifPutScreenDesc(gif.get(), w, h, 8, 0, map) == GIF_OK &&
                           EGifPutImageDesc(gif.get(), 0, 0, w, h, false, nullptr) == GIF_OK;
    GifFreeMapObject(map);
    if (!described) {
        return {};
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        const auto* px = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            line[static_cast<std::size_t>(x)] = binIndex[BinOf(px[x])];
        }
        if (EGifPutLine(gif.get(), line.data(), w) != GIF_OK) {
            return {};
        }
    }
    GifFileType* raw = gif.release();
    if (EGifCloseFile(raw, &error) != GIF_OK) {
        return {};
    }
    return out;
}

}  // namespace picura
