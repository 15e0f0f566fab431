#pragma once

#include "imaging/Picture.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>

namespace picura {

// How source pixels combine with the board's pixels.
enum class RasterOp { SourceCopy = 1, InvertedSource, SourceXor, SourceOr, SourceAnd };

// A canvas over an off-screen RGB32 picture: pictures, lines, ellipses and text are drawn into it, and its
// content is taken as a BMP file. Coordinates are pixels from the top-left corner; everything is clipped
// to the board.
class DrawingBoard {
  public:
    DrawingBoard() = default;
    DrawingBoard(int width, int height);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    QSize size() const { return image_.size(); }
    // A new size keeps nothing: the board is cleared with the background colour.
    void resize(int width, int height);

    QRgb backgroundColor() const { return background_; }
    void setBackgroundColor(QRgb colour) { background_ = 0xFF000000u | colour; }
    // When set, clear() shows this picture at (0, 0) in its own size and fills the rest with the colour.
    void setBackgroundPicture(const Picture& picture) { backgroundPicture_ = picture; }
    void clearBackgroundPicture() { backgroundPicture_ = Picture(); }
    const Picture& backgroundPicture() const { return backgroundPicture_; }

    // Clears the whole board, or a rectangle (a negative width or height means the board's); the write
    // position becomes the rectangle's top-left corner.
    void clear();
    void clear(int x, int y, int width = -1, int height = -1);

    // Draws the picture with its top-left corner at (x, y); a negative width or height means the picture's
    // own, another size stretches it.
    void drawPicture(const Picture& picture, int x, int y, int width = -1, int height = -1,
                     RasterOp op = RasterOp::SourceCopy);
    // Copies an RGB32 picture whose pixels are all opaque (alpha 0xFF) as it is, with its top-left corner at
    // (x, y): the fastest way onto the board, for pixels known to be opaque.
    void drawOpaque(const QImage& pixels, int x, int y);
    // Copies pixels one to one from `source` (which may be this board).
    void copyFrom(const DrawingBoard& source, int sx, int sy, int width, int height, int dx, int dy,
                  RasterOp op = RasterOp::SourceCopy);

    // The board as a 24-bit bottom-up BMP file. Each size: 0 = the board's own, -p = p percent of it (p
    // raised to 10 when below), positive = pixels. A non-positive result, or an empty board, gives empty
    // bytes.
    QByteArray getPicture(int width = 0, int height = 0) const;

    int penWidth() const { return penWidth_; }
    void setPenWidth(int width) { penWidth_ = width; }
    QRgb penColor() const { return penColor_; }
    void setPenColor(QRgb colour) { penColor_ = 0xFF000000u | colour; }
    // A line from the first point to the second; with a pen width of 0 or 1 it covers the start pixel
    // but not the end pixel.
    void line(int x1, int y1, int x2, int y2);
    // The outline of the ellipse inscribed in the rectangle from (x1, y1) up to, not including, (x2, y2).
    void ellipse(int x1, int y1, int x2, int y2);

    QFont font() const { return font_; }
    void setFont(const QFont& font) { font_ = font; }
    QRgb textColor() const { return textColor_; }
    void setTextColor(QRgb colour) { textColor_ = 0xFF000000u | colour; }
    QPoint writePosition() const { return writePosition_; }
    void setWritePosition(int x, int y) { writePosition_ = QPoint(x, y); }
    // Draws the text with the top of its line at the write position; the position does not move.
    void writeText(const QString& text);
    int textWidth(const QString& text) const;
    int textHeight(const QString& text) const;

    // The board's pixels. Keep a copy only for as long as needed: while one is kept, the next drawing on the
    // board copies all of its pixels first.
    const QImage& image() const { return image_; }

  private:
    void blit(const QImage& source, QPoint sourceAt, const QRect& target, RasterOp op,
              bool sourceOpaque = false);

    QImage image_;
    QRgb background_ = 0xFFFFFFFFu;
    Picture backgroundPicture_;
    int penWidth_ = 1;
    QRgb penColor_ = 0xFF000000u;
    QFont font_;
    QRgb textColor_ = 0xFF000000u;
    QPoint writePosition_;
};

// A picture from BMP (or any other supported) file bytes; null when they are not a picture.
QImage ImageFromBmpBytes(const QByteArray& bytes);

}  // namespace picura
