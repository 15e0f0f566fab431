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
class Picture {
  public:
    Picture() = default;
    explicit Picture(QImage image);

    bool isNull() const { return image_.isNull(); }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    QSize size() const { return image_.size(); }
    const QImage& image() const { return image_; }

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
    QImage image_;
    std::shared_ptr<Pyramid> pyramid_;
};

}  // namespace picura
