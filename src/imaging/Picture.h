#pragma once

#include <QImage>
#include <QRect>

#include <memory>

namespace picura {

// A decoded picture: opaque 32-bit pixels (QImage::Format_RGB32), already
// flattened onto white. Copies are cheap and share pixels.
//
// Drawing the picture at another size goes through scaledPart(), which gives
// the pixels of the picture as if scaled as a whole to scaledW × scaledH, but
// computes only the rectangle asked for. Shrinking averages areas, enlarging
// interpolates; strong reductions start from a cached pyramid of halvings, so
// the cost follows the size of the part, not the size of the picture.
//
// A reduced picture stands in for a picture whose full decode is still under way: it has the full
// picture's size, draws from fewer pixels (the same picture at 1/2, 1/4 or 1/8 of its size), and has no
// image() until the full picture replaces it. Whatever needs the real pixels (a crop, a turn, a zoom
// beyond what the reduced pixels hold) must wait for the full picture.
class Picture {
  public:
    Picture() = default;
    explicit Picture(QImage image);
    // A stand-in for a picture of `fullSize` drawn from `pixels`, the same picture at a fraction of it.
    static Picture Reduced(QImage pixels, QSize fullSize);

    bool isNull() const { return image_.isNull(); }
    int width() const { return size_.width(); }
    int height() const { return size_.height(); }
    QSize size() const { return size_; }
    // The pixels; null for a reduced picture.
    const QImage& image() const;
    bool isReduced() const { return reduced_; }
    // The pixels this picture draws from: image(), or the reduced pixels.
    const QImage& pixels() const { return image_; }
    // The widest scaled width this picture draws without enlarging its pixels (its own width when full).
    int sharpWidth() const { return image_.width(); }

    // Builds every halving used by strong reductions now (on a background thread, say), so that the first
    // scaledPart() does not. Thread-safe; the halvings are built once and shared by all copies.
    void buildHalvings() const;
    // The same pixels with the halvings from the second on, when they are built (a twelfth of the pixels'
    // memory rather than a third): the fit zoom of a large photo still draws from them at once, and
    // reductions the first halving served read the pixels themselves.
    Picture withoutFinestHalving() const;

    // `part` is in the coordinates of the scaled picture and is clipped to it;
    // the result has the clipped part's size (null when nothing is left).
    QImage scaledPart(int scaledW, int scaledH, const QRect& part) const;
    // The same into `out`, whose pixels are reused when it already has the
    // part's size and shares them with no other image. False (and `out`
    // null) when nothing is left or the pixels cannot be allocated.
    bool scaledPartInto(int scaledW, int scaledH, const QRect& part, QImage* out) const;
    QImage scaled(int scaledW, int scaledH) const {
        return scaledPart(scaledW, scaledH, QRect(0, 0, scaledW, scaledH));
    }

  private:
    struct Pyramid;
    const Pyramid& halvings() const;

    QImage image_;
    QSize size_{0, 0};
    bool reduced_ = false;
    std::shared_ptr<Pyramid> pyramid_;
};

}  // namespace picura
