#include "Fixtures.h"

#include <cstdio>
#include <cstdlib>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace picura::test {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}

void AppendU16(QByteArray* out, unsigned v) {
    out->append(static_cast<char>(v & 0xFF));
    out->append(static_cast<char>((v >> 8) & 0xFF));
}

void AppendU32(QByteArray* out, std::uint32_t v) {
    AppendU16(out, v & 0xFFFF);
    AppendU16(out, v >> 16);
}

void PutU32At(QByteArray* out, int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        (*out)[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

namespace {

QByteArray DibHeader(const BmpLayout& layout) {
    QByteArray h;
    if (layout.coreHeader) {
        AppendU32(&h, 12);
        AppendU16(&h, static_cast<unsigned>(layout.width));
        AppendU16(&h, static_cast<unsigned>(layout.height));
        AppendU16(&h, 1);
        AppendU16(&h, static_cast<unsigned>(layout.bpp));
        for (QRgb c : layout.palette) {
            h.append(static_cast<char>(qBlue(c)));
            h.append(static_cast<char>(qGreen(c)));
            h.append(static_cast<char>(qRed(c)));
        }
        return h;
    }
    AppendU32(&h, 40);
    AppendU32(&h, static_cast<std::uint32_t>(layout.width));
    AppendU32(&h, static_cast<std::uint32_t>(layout.height));
    AppendU16(&h, 1);
    AppendU16(&h, static_cast<unsigned>(layout.bpp));
    AppendU32(&h, layout.compression);
    AppendU32(&h, static_cast<std::uint32_t>(layout.pixels.size()));
    AppendU32(&h, 2835);
    AppendU32(&h, 2835);
    AppendU32(&h, static_cast<std::uint32_t>(layout.palette.size()));
    AppendU32(&h, 0);
    for (std::uint32_t m : layout.masks) {
        AppendU32(&h, m);
    }
    for (QRgb c : layout.palette) {
        h.append(static_cast<char>(qBlue(c)));
        h.append(static_cast<char>(qGreen(c)));
        h.append(static_cast<char>(qRed(c)));
        h.append('\0');
    }
    return h;
}

}  // namespace

QByteArray MakeBmp(const BmpLayout& layout) {
    const QByteArray dib = DibHeader(layout);
    QByteArray out("BM");
    AppendU32(&out, static_cast<std::uint32_t>(14 + dib.size() + layout.pixels.size()));
    AppendU32(&out, 0);
    AppendU32(&out, static_cast<std::uint32_t>(14 + dib.size()));
    out += dib;
    out += layout.pixels;
    return out;
}

QByteArray MakeIcon(int type, const std::vector<IconImage>& images) {
    QByteArray out;
    AppendU16(&out, 0);
    AppendU16(&out, static_cast<unsigned>(type));
    AppendU16(&out, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const IconImage& image : images) {
        out.append(static_cast<char>(image.width & 0xFF));
        out.append(static_cast<char>(image.height & 0xFF));
        out.append('\0');
        out.append('\0');
        AppendU16(&out, 1);
        AppendU16(&out, static_cast<unsigned>(image.bpp));
        AppendU32(&out, static_cast<std::uint32_t>(image.data.size()));
        AppendU32(&out, offset);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const IconImage& image : images) {
        out += image.data;
    }
    return out;
}

QByteArray MakeIconDib(int width, int height, QRgb colour) {
    QByteArray out;
    AppendU32(&out, 40);
    AppendU32(&out, static_cast<std::uint32_t>(width));
    AppendU32(&out, static_cast<std::uint32_t>(height * 2));
    AppendU16(&out, 1);
    AppendU16(&out, 24);
    for (int i = 0; i < 6; ++i) {
        AppendU32(&out, 0);
    }
    const int stride = (width * 3 + 3) / 4 * 4;
    for (int y = 0; y < height; ++y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<char>(qBlue(colour));
            row[3 * x + 1] = static_cast<char>(qGreen(colour));
            row[3 * x + 2] = static_cast<char>(qRed(colour));
        }
        out += row;
    }
    const int maskStride = (width + 31) / 32 * 4;
    for (int y = 0; y < height; ++y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < width / 2; ++x) {
            row[x >> 3] = static_cast<char>(row[x >> 3] | (0x80 >> (x & 7)));
        }
        out += row;
    }
    return out;
}

namespace {

QByteArray PcxHeader(int width, int height, int version, int bpp, int planes, int bytesPerLine) {
    QByteArray h(128, '\0');
    h[0] = 0x0A;
    h[1] = static_cast<char>(version);
    h[2] = 1;
    h[3] = static_cast<char>(bpp);
    auto put16 = [&](int at, int v) {
        h[at] = static_cast<char>(v & 0xFF);
        h[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    put16(4, 0);
    put16(6, 0);
    put16(8, width - 1);
    put16(10, height - 1);
    h[65] = static_cast<char>(planes);
    put16(66, bytesPerLine);
    return h;
}

void PcxEncodeLine(const QByteArray& line, QByteArray* out) {
    for (int i = 0; i < line.size();) {
        const char v = line[i];
        int run = 1;
        while (i + run < line.size() && line[i + run] == v && run < 63) {
            ++run;
        }
        if (run > 1 || (static_cast<unsigned char>(v) & 0xC0) == 0xC0) {
            out->append(static_cast<char>(0xC0 | run));
        }
        out->append(v);
        i += run;
    }
}

}  // namespace

QByteArray MakePcx8(const QImage& indexed) {
    const int w = indexed.width();
    const int h = indexed.height();
    const int bpl = (w + 1) / 2 * 2;
    QByteArray out = PcxHeader(w, h, 5, 8, 1, bpl);
    for (int y = 0; y < h; ++y) {
        QByteArray line(bpl, '\0');
        for (int x = 0; x < w; ++x) {
            line[x] = static_cast<char>(indexed.pixelIndex(x, y));
        }
        PcxEncodeLine(line, &out);
    }
    out.append(0x0C);
    const QVector<QRgb> table = indexed.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    return out;
}

QByteArray MakePcxMono(int width, int height, const std::vector<bool>& white) {
    const int bpl = (width + 15) / 16 * 2;
    QByteArray out = PcxHeader(width, height, 3, 1, 1, bpl);
    for (int y = 0; y < height; ++y) {
        QByteArray line(bpl, '\0');
        for (int x = 0; x < width; ++x) {
            if (white[static_cast<std::size_t>(y * width + x)]) {
                line[x >> 3] = static_cast<char>(line[x >> 3] | (0x80 >> (x & 7)));
            }
        }
        PcxEncodeLine(line, &out);
    }
    return out;
}

QByteArray MakePng(const PngLayout& layout) {
    char* buffer = nullptr;
    std::size_t size = 0;
    FILE* f = open_memstream(&buffer, &size);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    for (const QByteArray& r : layout.rows) {
        rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(r.constData())));
    }
    std::vector<png_color> palette;
    for (QRgb c : layout.palette) {
        palette.push_back(png_color{static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)),
                                    static_cast<png_byte>(qBlue(c))});
    }
    if (setjmp(png_jmpbuf(png))) {
        std::abort();
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width), static_cast<png_uint_32>(layout.height),
                 layout.depth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    if (!layout.paletteAlpha.empty()) {
        png_set_tRNS(png, info, layout.paletteAlpha.data(), static_cast<int>(layout.paletteAlpha.size()),
                     nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    QByteArray out(buffer, static_cast<qsizetype>(size));
    std::free(buffer);
    return out;
}

namespace {

// libjpeg's compressor writing into memory: set up for the input `space` and its `components` at `quality`,
// then `configure` and `write` it (the latter starts it and hands it the picture in some form).
QByteArray RunLibjpegCompressor(int width, int height, int components, J_COLOR_SPACE space, int quality,
                                const std::function<void(jpeg_compress_struct&)>& configure,
                                const std::function<void(jpeg_compress_struct&)>& write) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    configure(cinfo);
    write(cinfo);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return out;
}

}  // namespace

QByteArray CompressWithLibjpeg(int width, int height, int components, J_COLOR_SPACE space, int quality,
                               const std::function<void(jpeg_compress_struct&)>& configure,
                               const std::function<const unsigned char*(int)>& row) {
    return RunLibjpegCompressor(
        width, height, components, space, quality, configure, [&](jpeg_compress_struct& cinfo) {
            jpeg_start_compress(&cinfo, TRUE);
            while (cinfo.next_scanline < cinfo.image_height) {
                JSAMPROW line = const_cast<JSAMPROW>(row(static_cast<int>(cinfo.next_scanline)));
                jpeg_write_scanlines(&cinfo, &line, 1);
            }
        });
}

QByteArray CompressTermsWithLibjpeg(int width, int height,
                                    const std::function<JCOEF(int, int, int, int)>& term) {
    // libjpeg keeps a pointer to the arrays until the compression is finished.
    jvirt_barray_ptr arrays[3] = {};
    return RunLibjpegCompressor(
        width, height, 3, JCS_YCbCr, 100, [](jpeg_compress_struct&) {},
        [&](jpeg_compress_struct& cinfo) {
            JDIMENSION across[3], down[3];
            for (int c = 0; c < 3; ++c) {
                const int h = cinfo.comp_info[c].h_samp_factor;
                const int v = cinfo.comp_info[c].v_samp_factor;
                // Whole MCUs of blocks: the width and height in blocks rounded up to the sampling factors.
                across[c] = JDIMENSION((width * h + 15) / 16 + h - 1) / JDIMENSION(h) * JDIMENSION(h);
                down[c] = JDIMENSION((height * v + 15) / 16 + v - 1) / JDIMENSION(v) * JDIMENSION(v);
                arrays[c] =
                    cinfo.mem->request_virt_barray(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, TRUE,
                                                   across[c], down[c], JDIMENSION(v));
            }
            jpeg_write_coefficients(&cinfo, arrays);
            for (int c = 0; c < 3; ++c) {
                for (JDIMENSION by = 0; by < down[c]; ++by) {
                    JBLOCKARRAY rows = cinfo.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&cinfo),
                                                                     arrays[c], by, 1, TRUE);
                    for (JDIMENSION bx = 0; bx < across[c]; ++bx) {
                        for (int k = 0; k < 64; ++k) {
                            rows[0][bx][k] = term(c, int(bx), int(by), k);
                        }
                    }
                }
            }
        });
}

QByteArray MakeCmykJpeg(int width, int height, const std::vector<std::uint8_t>& cmyk) {
    return CompressWithLibjpeg(
        width, height, 4, JCS_CMYK, 98, [](jpeg_compress_struct&) {},
        [&](int y) { return &cmyk[static_cast<std::size_t>(y) * width * 4]; });
}

QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian) {
    QByteArray tiff;
    auto u16 = [&](unsigned v) {
        if (bigEndian) {
            tiff.append(static_cast<char>((v >> 8) & 0xFF));
            tiff.append(static_cast<char>(v & 0xFF));
        } else {
            AppendU16(&tiff, v);
        }
    };
    auto u32 = [&](std::uint32_t v) {
        if (bigEndian) {
            u16(v >> 16);
            u16(v & 0xFFFF);
        } else {
            AppendU32(&tiff, v);
        }
    };
    tiff.append(bigEndian ? "MM" : "II");
    u16(42);
    u32(8);
    u16(2);  // two entries: a harmless one first
    u16(0x010F);
    u16(2);
    u32(4);
    tiff.append("Cam", 4);
    u16(0x0112);
    u16(3);
    u32(1);
    u16(static_cast<unsigned>(orientation));
    u16(0);
    u32(0);
    QByteArray segment("Exif", 4);
    segment.append('\0');
    segment.append('\0');
    segment += tiff;
    QByteArray app1 = Bytes({0xFF, 0xE1});
    const int length = static_cast<int>(segment.size()) + 2;
    app1.append(static_cast<char>((length >> 8) & 0xFF));
    app1.append(static_cast<char>(length & 0xFF));
    app1 += segment;
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

namespace {

int WriteToByteArray(GifFileType* gif, const GifByteType* bytes, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

}  // namespace

QByteArray MakeGif(const GifLayout& layout) {
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToByteArray, &error);
    std::vector<GifColorType> colours;
    for (QRgb c : layout.palette) {
        colours.push_back(GifColorType{static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                                       static_cast<GifByteType>(qBlue(c))});
    }
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, layout.screenWidth, layout.screenHeight, 8, 0, map);
    if (layout.transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.TransparentColor = layout.transparent;
        GifByteType ext[4];
        const size_t n = EGifGCBToExtension(&gcb, ext);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
    }
    EGifPutImageDesc(gif, layout.left, layout.top, layout.width, layout.height, layout.interlaced, nullptr);
    // Interlaced frames are written in pass order.
    std::vector<int> order;
    if (layout.interlaced) {
        const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p) {
            for (int y = start[p]; y < layout.height; y += step[p]) {
                order.push_back(y);
            }
        }
    } else {
        for (int y = 0; y < layout.height; ++y) {
            order.push_back(y);
        }
    }
    for (int y : order) {
        EGifPutLine(gif,
                    const_cast<GifPixelType*>(&layout.indices[static_cast<std::size_t>(y) * layout.width]),
                    layout.width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

}  // namespace picura::test

namespace picura::test {

QByteArray MakeManyScanJpeg(int width, int height, int refinements) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    std::vector<jpeg_scan_info> scans;
    jpeg_scan_info dc{};
    dc.comps_in_scan = 3;
    for (int c = 0; c < 3; ++c) {
        dc.component_index[c] = c;
    }
    scans.push_back(dc);
    for (int c = 0; c < 3; ++c) {
        for (int k = 1; k < 64; ++k) {
            for (int r = refinements - 1; r >= 0; --r) {
                jpeg_scan_info s{};
                s.comps_in_scan = 1;
                s.component_index[0] = c;
                s.Ss = k;
                s.Se = k;
                s.Ah = r == refinements - 1 ? 0 : r + 1;
                s.Al = r;
                scans.push_back(s);
            }
        }
    }
    cinfo.scan_info = scans.data();
    cinfo.num_scans = static_cast<int>(scans.size());
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<unsigned char>(x * 7);
            row[3 * x + 1] = static_cast<unsigned char>(cinfo.next_scanline * 5);
            row[3 * x + 2] = static_cast<unsigned char>(x ^ cinfo.next_scanline);
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return out;
}

}  // namespace picura::test
