#include "imaging/CodecLimits.h"
#include "imaging/DecodeInternal.h"
#include "imaging/Rotate.h"

#include <csetjmp>
#include <cstdio>
#include <limits>

#include <jerror.h>
#include <jpeglib.h>

namespace picura::detail {

namespace {

// A hostile progressive file can hold thousands of tiny scans that take minutes to decode.
constexpr int kMaxProgressiveScans = 500;
// Whole-image coefficient buffers (progressive files) beyond this are refused.
constexpr long kJpegMemoryLimit = 1024L * 1024L * 1024L;
// Real files have a warning or two about stray bytes; thousands mean garbage.
constexpr int kMaxWarnings = 100;

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int warnings;
};

struct JpegProgress {
    jpeg_progress_mgr pub;
    SizeCheck* check;
};

void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void OnJpegMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) {
        return;  // trace messages
    }
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    // A file that ends early is refused rather than shown half grey: the data running out, or a marker
    // (an end marker added to a cut file) where the scan's data should go on.
    if (err->pub.msg_code == JWRN_JPEG_EOF || err->pub.msg_code == JWRN_HIT_MARKER ||
        ++err->warnings > kMaxWarnings) {
        std::longjmp(err->jump, 1);
    }
}

void OnJpegProgress(j_common_ptr cinfo) {
    if (reinterpret_cast<JpegProgress*>(cinfo->progress)->check->cancelled()) {
        ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);  // not an error: the decode is no longer wanted
    }
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kMaxProgressiveScans) {
            ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
        }
    }
}

unsigned ReadU16(const JOCTET* p, bool little) {
    return little ? (p[0] | (p[1] << 8)) : ((p[0] << 8) | p[1]);
}

std::uint32_t ReadU32(const JOCTET* p, bool little) {
    return little ? (std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                     (std::uint32_t(p[3]) << 24))
                  : ((std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
                     std::uint32_t(p[3]));
}

// The orientation tags of the Exif APP1 segments: the first Exif segment's, 1 when there is none.
int ExifOrientation(jpeg_saved_marker_ptr marker) {
    for (; marker != nullptr; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1) {
            continue;
        }
        const int orientation = ExifSegmentOrientation(marker->data, marker->data_length);
        if (orientation != 0) {
            return orientation;
        }
    }
    return 1;
}

// Where decoded rows go: `allocate` is called once the size is known and gives the first row and the
// row stride of an RGB32 image (nullptr refuses).
struct JpegTarget {
    void* context;
    unsigned char* (*allocate)(void* context, int width, int height, std::size_t* stride);
    int orientation;
    SizeCheck* check;
    int denominator;  // 1, 2, 4 or 8
    bool headerOnly;  // stop after the header: only `orientation` and the size are wanted
    QSize size;       // the declared size, as stored (before the orientation)
};

void CmykRowToRgb32(const JSAMPLE* in, unsigned char* out, JDIMENSION width, bool inverted) {
    auto* px = reinterpret_cast<std::uint32_t*>(out);
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Adobe writes inverted values: the stored value is 255 - ink.
        const unsigned r = (c * k + 127) / 255;
        const unsigned g = (m * k + 127) / 255;
        const unsigned b = (y * k + 127) / 255;
        px[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
}

// The one place where libjpeg may jump back: only C structures live in this frame.
bool RunJpegDecompress(const std::uint8_t* data, std::size_t size, JpegTarget* target) {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    JpegProgress progress;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.emit_message = OnJpegMessage;
    err.warnings = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kJpegMemoryLimit;
    progress.pub.progress_monitor = OnJpegProgress;
    progress.check = target->check;
    cinfo.progress = &progress.pub;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK ||
        !target->check->accept(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    target->orientation = ExifOrientation(cinfo.marker_list);
    target->size = QSize(int(cinfo.image_width), int(cinfo.image_height));
    if (target->headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    if (target->denominator > 1) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = static_cast<unsigned>(target->denominator);
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool inverted = cinfo.saw_Adobe_marker;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    std::size_t stride = 0;
    unsigned char* base =
        target->allocate(target->context, int(cinfo.output_width), int(cinfo.output_height), &stride);
    if (base == nullptr) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (!cmyk) {
        JSAMPROW rows[16];
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION first = cinfo.output_scanline;
            JDIMENSION n = cinfo.output_height - first;
            if (n > 16) {
                n = 16;
            }
            for (JDIMENSION i = 0; i < n; ++i) {
                rows[i] = base + (first + i) * stride;
            }
            jpeg_read_scanlines(&cinfo, rows, n);
        }
    } else {
        JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                       cinfo.output_width * 4, 1);
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION y = cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, buffer, 1);
            CmykRowToRgb32(buffer[0], base + y * stride, cinfo.output_width, inverted);
        }
    }
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

int ExifSegmentOrientation(const std::uint8_t* d, std::size_t length) {
    if (length < 14 || d[0] != 'E' || d[1] != 'x' || d[2] != 'i' || d[3] != 'f' || d[4] != 0 || d[5] != 0) {
        return 0;
    }
    const std::uint8_t* tiff = d + 6;
    const std::size_t size = length - 6;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
        little = true;
    } else if (tiff[0] == 'M' && tiff[1] == 'M') {
        little = false;
    } else {
        return 1;
    }
    if (ReadU16(tiff + 2, little) != 42) {
        return 1;
    }
    const std::uint32_t ifd = ReadU32(tiff + 4, little);
    if (ifd > size || size - ifd < 2) {
        return 1;
    }
    const unsigned count = ReadU16(tiff + ifd, little);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t at = std::size_t(ifd) + 2 + std::size_t(i) * 12;
        if (at + 12 > size) {
            return 1;
        }
        if (ReadU16(tiff + at, little) == 0x0112) {
            const unsigned type = ReadU16(tiff + at + 2, little);
            const unsigned value = type == 3 ? ReadU16(tiff + at + 8, little) : 0;
            return value >= 1 && value <= 8 ? int(value) : 1;
        }
    }
    return 1;
}

QImage DecodeJpegBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check, int denominator) {
    QImage image;
    JpegTarget target{&image, AllocateImage, 1, &check, denominator, false, {}};
    if (!RunJpegDecompress(data, size, &target) || image.isNull()) {
        return {};
    }
    return Orient(image, target.orientation);
}

QSize JpegShownSize(const std::uint8_t* data, std::size_t size) {
    SizeCheck check(std::numeric_limits<std::int64_t>::max());
    JpegTarget target{nullptr, nullptr, 1, &check, 1, true, {}};
    if (!RunJpegDecompress(data, size, &target) || target.size.isEmpty()) {
        return {};
    }
    return target.orientation >= 5 ? target.size.transposed() : target.size;
}

}  // namespace picura::detail
