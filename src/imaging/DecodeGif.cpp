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
QImage ReadFirstFrame(GifFileType* gif, SizeCheck& check) {
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
        if (!check.accept(screenW, screenH)) {
            return {};
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
        // Only the block's part on the screen is shown. The data is one compressed stream, so rows are
        // decoded in order, but decoding stops at the last row that lands on the screen: a block far
        // larger than its screen costs what it shows. Rows of the early passes of an interlaced block
        // lie all over it; those below the screen are decoded only within a budget of a few screens.
        const std::int64_t visibleRows = std::clamp<std::int64_t>(screenH - desc.Top, 0, desc.Height);
        if (visibleRows == 0 || desc.Left >= screenW) {
            return image;  // nothing of the block lands on the screen
        }
        std::int64_t decodeBudget = std::max<std::int64_t>(4 * screenW * screenH, 1 << 24);
        std::vector<GifPixelType> line(static_cast<std::size_t>(desc.Width));
        const int passStart[4] = {0, 4, 2, 1};
        const int passStep[4] = {8, 8, 4, 2};
        const int passes = desc.Interlace ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            const int start = desc.Interlace ? passStart[pass] : 0;
            const int step = desc.Interlace ? passStep[pass] : 1;
            const bool lastPass = pass == passes - 1;
            for (int row = start; row < desc.Height; row += step) {
                if (row >= visibleRows) {
                    if (lastPass) {
                        break;  // the rest of the block lies below the screen
                    }
                    decodeBudget -= desc.Width;
                    if (decodeBudget < 0) {
                        return image;  // what is decoded so far is shown; the rest stays white
                    }
                }
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

QImage DecodeGifBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check) {
    GifSource source{data, size, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadGifData, &error));
    if (!gif) {
        return {};
    }
    return ReadFirstFrame(gif.get(), check);
}

}  // namespace picura::detail
