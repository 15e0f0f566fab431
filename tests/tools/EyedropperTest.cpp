// Colours taken from the screen, from a picture and from the palette.
#include <gtest/gtest.h>

#include <QSet>

#include "tools/Eyedropper.h"

namespace picura {
namespace {

// A screen made of a picture, offset like a second monitor would be.
class PictureScreen final : public ScreenPixelSource {
  public:
    PictureScreen(QImage image, QPoint origin) : image_(std::move(image)), origin_(origin) {}
    std::optional<QRgb> pixelAt(QPoint p) override { return ColourAt(image_, p - origin_); }

  private:
    QImage image_;
    QPoint origin_;
};

TEST(PickScreenColour, ThePixelUnderThePoint_OrTheColourKept) {
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    image.setPixel(5, 4, qRgb(200, 100, 50));
    PictureScreen screen(image, {100, 100});
    EXPECT_EQ(PickScreenColour(screen, {105, 104}, qRgb(0, 0, 0)), qRgb(200, 100, 50));
    EXPECT_EQ(PickScreenColour(screen, {100, 100}, qRgb(0, 0, 0)), qRgb(1, 2, 3));
    EXPECT_EQ(PickScreenColour(screen, {99, 104}, qRgb(9, 9, 9)), qRgb(9, 9, 9));
    EXPECT_EQ(PickScreenColour(screen, {120, 104}, qRgb(9, 9, 9)), qRgb(9, 9, 9));
    EXPECT_FALSE(ColourAt(QImage(), {0, 0}));
}

TEST(Palette, EachClickGivesTheSwatchShownThere) {
    const QImage palette = PalettePicture();
    ASSERT_EQ(palette.size(), QSize(60, 96));
    QSet<QRgb> colours;
    for (int row = 0; row < kPaletteRows; ++row) {
        for (int column = 0; column < kPaletteColumns; ++column) {
            const QRgb swatch = PaletteSwatchColour(column, row);
            colours.insert(swatch);
            const int x0 = column * kPaletteSwatchWidth;
            const int y0 = row * kPaletteSwatchHeight;
            for (QPoint p : {QPoint(x0, y0), QPoint(x0 + 9, y0 + 11), QPoint(x0 + 5, y0 + 6)}) {
                EXPECT_EQ(PaletteColourAt(p), swatch) << p.x() << "," << p.y();
                EXPECT_EQ(palette.pixel(p), swatch) << p.x() << "," << p.y();
            }
        }
    }
    EXPECT_EQ(colours.size(), kPaletteColumns * kPaletteRows);
    EXPECT_TRUE(colours.contains(qRgb(0, 0, 0)));
    EXPECT_TRUE(colours.contains(qRgb(255, 255, 255)));
    EXPECT_TRUE(colours.contains(qRgb(255, 0, 0)));
    EXPECT_TRUE(colours.contains(qRgb(0, 0, 255)));

    EXPECT_FALSE(PaletteColourAt({60, 0}));
    EXPECT_FALSE(PaletteColourAt({0, 96}));
    EXPECT_FALSE(PaletteColourAt({-1, 5}));
    EXPECT_EQ(PaletteColourAt({11, 0}), PaletteSwatchColour(1, 0));
    EXPECT_EQ(PaletteColourAt({0, 12}), PaletteSwatchColour(0, 1));
}

}  // namespace
}  // namespace picura
