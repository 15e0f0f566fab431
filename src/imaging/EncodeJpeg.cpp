#include "imaging/Encode.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>

#include <jpeglib.h>

#include <jerror.h>

namespace picura {

namespace {

// Below this quality the colour planes are kept at half resolution each way (4:2:0): the bytes they save
// buy more luma detail, which the eye and the error measures weigh most. From it on the picture's colour
// edges are worth their bytes and the colour planes keep full resolution (4:4:4). Measured on head-shot
// crops at 10 to 50 KB (bench/output/JpegQualityBench).
constexpr int kFullChromaFromQuality = 90;

// The file is written into a growing malloc'd buffer owned by the encoder, so nothing leaks when the
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

}  // namespace

struct JpegEncoder::State {
    QImage rgb;  // RGB32: the BGRX bytes the compressor reads
    JpegChroma chroma = JpegChroma::Auto;
    JpegSink sink{};  // its buffer is reused by every encode

    ~State() { std::free(sink.buffer); }
};

bool JpegFullChroma(int quality) {
    return std::clamp(quality, 0, 100) >= kFullChromaFromQuality;
}

JpegEncoder::JpegEncoder(const QImage& image, JpegChroma chroma) : state_(std::make_unique<State>()) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return;
    }
    state_->rgb =
        image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    state_->chroma = chroma;
}

JpegEncoder::~JpegEncoder() = default;

QByteArray JpegEncoder::encode(int quality) {
    State& s = *state_;
    if (s.rgb.isNull()) {
        return {};
    }
    quality = std::clamp(quality, 0, 100);
    const bool full = s.chroma == JpegChroma::Auto ? JpegFullChroma(quality) : s.chroma == JpegChroma::Full;
    const std::size_t size = Compress(&s.sink, s.rgb.constBits(), s.rgb.width(), s.rgb.height(),
                                      static_cast<std::size_t>(s.rgb.bytesPerLine()), quality, full);
    if (size == 0) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(s.sink.buffer), static_cast<qsizetype>(size));
}

QByteArray EncodeJpeg(const QImage& image, int quality) {
    JpegEncoder encoder(image);
    return encoder.encode(quality);
}

}  // namespace picura
