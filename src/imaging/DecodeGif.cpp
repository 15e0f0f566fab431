#include "imaging/CodecLimits.h"
#include "imaging/DecodeInternal.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

namespace picura::detail {

namespace {

struct GifSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

int ReadGifData(GifFileType* gif, GifByteType* out, int length) {
    auto* source = static_cast<GifSource*>(gif->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)), source->size - source->pos);
    std::memcpy(out, source->data + source->pos, n);
    source->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

// Reads up to the first image and composes it on the logical screen; transparent pixels stay white.
QImage ReadFirstFrame(GifFileType* gif) {
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK) {
            return {};
        }
        if (type == TERMINATE_RECORD_TYPE) {
            return {};  // no image at all
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK) {
                return {};
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                GraphicsControlBlock gcb;
                if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
                    transparent = gcb.TransparentColor;
                }
            }
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
                    return {};
                }
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            return {};
        }
        if (DGifGetImageDesc(gif) != GIF_OK) {
            return {};
        }
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
        if (map == nullptr || map->Colors == nullptr || desc.Width <= 0 || desc.Height <= 0) {
            return {};
        }
        std::int64_t screenW = gif->SWidth;
        std::int64_t screenH = gif->SHeight;
        if (screenW <= 0 || screenH <= 0) {
            screenW = std::int64_t(desc.Left) + desc.Width;
            screenH = std::int64_t(desc.Top) + desc.Height;
        }
        QImage image = NewWhiteImage(screenW, screenH);
        if (image.isNull()) {
            return {};
        }
        std::uint32_t palette[256];
        for (int i = 0; i < 256; ++i) {
            if (i < map->ColorCount) {
                const GifColorType& c = map->Colors[i];
                palette[i] =
                    0xFF000000u | (std::uint32_t(c.Red) << 16) | (std::uint32_t(c.Green) << 8) | c.Blue;
            } else {
                palette[i] = 0xFF000000u;
            }
        }
        if (transparent >= 0 && transparent < 256) {
            palette[transparent] = 0xFFFFFFFFu;
        }
        std::vector<GifPixelType> line(static_cast<std::size_t>(desc.Width));
        const int passStart[4] = {0, 4, 2, 1};
        const int passStep[4] = {8, 8, 4, 2};
        const int passes = desc.Interlace ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            const int start = desc.Interlace ? passStart[pass] : 0;
            const int step = desc.Interlace ? passStep[pass] : 1;
            for (int row = start; row < desc.Height; row += step) {
                if (DGifGetLine(gif, line.data(), desc.Width) != GIF_OK) {
                    return {};
                }
                const std::int64_t y = std::int64_t(desc.Top) + row;
                if (y < 0 || y >= screenH) {
                    continue;
                }
                auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(static_cast<int>(y)));
                const std::int64_t x0 = desc.Left;
                const std::int64_t count = std::min<std::int64_t>(desc.Width, screenW - x0);
                for (std::int64_t i = 0; i < count; ++i) {
                    out[x0 + i] = palette[line[static_cast<std::size_t>(i)]];
                }
            }
        }
        return image;
    }
}

}  // namespace

QImage DecodeGifBytes(const std::uint8_t* data, std::size_t size) {
    GifSource source{data, size, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadGifData, &error));
    if (!gif) {
        return {};
    }
    return ReadFirstFrame(gif.get());
}

}  // namespace picura::detail
