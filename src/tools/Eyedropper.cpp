#include "tools/Eyedropper.h"

#include <QColor>
#include <QPainter>

#include <array>

namespace picura {

QRgb PickScreenColour(ScreenPixelSource& screen, QPoint screenPoint, QRgb current) {
    const std::optional<QRgb> pixel = screen.pixelAt(screenPoint);
    return pixel ? (0xFF000000u | *pixel) : current;
}

std::optional<QRgb> ColourAt(const QImage& image, QPoint point) {
    if (image.isNull() || !image.rect().contains(point)) {
        return std::nullopt;
    }
    return 0xFF000000u | image.pixel(point);
}

QRgb PaletteSwatchColour(int column, int row) {
    if (column < 0 || column >= kPaletteColumns || row < 0 || row >= kPaletteRows) {
        return qRgb(0, 0, 0);
    }
    if (row == kPaletteRows - 1) {
        // Greys: white, four steps between, black.
        const int level = 255 - column * 255 / (kPaletteColumns - 1);
        return qRgb(level, level, level);
    }
    // Hues in degrees, one per row.
    static constexpr std::array<int, kPaletteRows - 1> kHues = {0, 30, 60, 120, 180, 240, 285};
    // Light tints, the pure colour, then darker shades.
    static constexpr std::array<int, kPaletteColumns> kSaturation = {80, 160, 255, 255, 255, 255};
    static constexpr std::array<int, kPaletteColumns> kValue = {255, 255, 255, 192, 128, 64};
    return QColor::fromHsv(kHues[row], kSaturation[column], kValue[column]).rgb();
}

QImage PalettePicture() {
    QImage picture(kPaletteColumns * kPaletteSwatchWidth, kPaletteRows * kPaletteSwatchHeight,
                   QImage::Format_RGB32);
    QPainter painter(&picture);
    for (int row = 0; row < kPaletteRows; ++row) {
        for (int column = 0; column < kPaletteColumns; ++column) {
            painter.fillRect(column * kPaletteSwatchWidth, row * kPaletteSwatchHeight, kPaletteSwatchWidth,
                             kPaletteSwatchHeight, QColor::fromRgb(PaletteSwatchColour(column, row)));
        }
    }
    return picture;
}

std::optional<QRgb> PaletteColourAt(QPoint point) {
    if (point.x() < 0 || point.y() < 0) {
        return std::nullopt;
    }
    const int column = point.x() / kPaletteSwatchWidth;
    const int row = point.y() / kPaletteSwatchHeight;
    if (column >= kPaletteColumns || row >= kPaletteRows) {
        return std::nullopt;
    }
    return PaletteSwatchColour(column, row);
}

}  // namespace picura
