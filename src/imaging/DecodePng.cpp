#include "imaging/CodecLimits.h"
#include "imaging/DecodeInternal.h"

#include <cstring>

#include <png.h>

namespace picura::detail {

namespace {

// Text and profile chunks larger than this (after inflating) are refused.
constexpr png_alloc_size_t kPngChunkMemoryLimit = 8u * 1024u * 1024u;

struct PngSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

struct PngTarget {
    void* context;
    unsigned char* (*allocate)(void* context, int width, int height, std::size_t* stride);
    SizeCheck* check;
};

void ReadPngData(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->size - source->pos) {
        png_error(png, "unexpected end of data");
    }
    std::memcpy(out, source->data + source->pos, length);
    source->pos += length;
}

void OnPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The one place where libpng may jump back: only C structures live in this frame.
bool RunPngDecompress(const std::uint8_t* data, std::size_t size, PngTarget* target) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    PngSource source{data, size, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &source, ReadPngData);
    // libpng's own default limit; sizes past our budget are refused (and reported) just below.
    png_set_user_limits(png, 1000000, 1000000);
    png_set_chunk_malloc_max(png, kPngChunkMemoryLimit);
    png_set_chunk_cache_max(png, 1000);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    if (!target->check->accept(width, height)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_expand(png);
    if (depth == 16) {
        png_set_scale_16(png);
    }
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t(width) * 4) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    std::size_t stride = 0;
    unsigned char* base = target->allocate(target->context, int(width), int(height), &stride);
    if (base == nullptr) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, base + y * stride, nullptr);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

QImage DecodePngBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check) {
    QImage image;
    PngTarget target{&image, AllocateImage, &check};
    if (!RunPngDecompress(data, size, &target) || image.isNull()) {
        return {};
    }
    // Rows hold BGRA: flatten onto white, which leaves every pixel opaque.
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] = FlattenOnWhite(line[x]);
        }
    }
    return image;
}

}  // namespace picura::detail
