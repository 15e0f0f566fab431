#pragma once

#include "imaging/Picture.h"
#include "platform/ClipboardPort.h"

#include <QByteArray>
#include <QImage>

#include <optional>

namespace picura {

// Pictures crossing the clipboard. Ctrl+C on the view copies the crop board's picture (BMP bytes at the
// frame's size); Ctrl+V pastes the clipboard's picture as the current picture.

// The bitmap as a BMP file in memory, laid out the same way every time:
//   0  "BM"; 2  file size = 58 + image size; 6  two reserved words, 0; 10  pixel offset = 58;
//   14 a 40-byte information header: size 40, width, height (positive: rows bottom-up), 1 plane,
//      bit count 24 or 32, compression 0 (plain RGB), image size = row size × height, then 0 for the
//      resolution, colours used and colours important;
//   54 one 4-byte colour entry slot, zero;
//   58 the rows, bottom row first, B G R (and for 32 bits a fourth byte, 255), each row padded with zero
//      bytes to a multiple of 4.
// A 24-bit bitmap (QImage::Format_RGB888 or Format_BGR888) stays 24-bit; every other one is written at
// 32 bits, so that the pixel data always starts at 58 with no colour table or masks in front of it.
// Partly transparent pixels are laid onto white first, as every decoded picture of the program is.
// A null bitmap, or one too large for a BMP file, gives empty bytes.
QByteArray BitmapToBmpBytes(const QImage& bitmap);

// The picture in the bytes (BMP, or any other format DecodePicture reads) as a bitmap of its own size;
// a null QImage for empty, unreadable or oversized data.
QImage BmpBytesToBitmap(const QByteArray& bytes);

// Puts the picture in `pictureBytes` on the clipboard. False for empty or unreadable bytes (the
// clipboard keeps what it had) and when the clipboard does not take the picture.
bool CopyPictureToClipboard(ClipboardPort& clipboard, const QByteArray& pictureBytes);
// Same for a picture already in memory; false for a null picture.
bool CopyPictureToClipboard(ClipboardPort& clipboard, const QImage& picture);

// The clipboard's picture as BMP bytes (BitmapToBmpBytes); empty bytes when the clipboard holds no
// picture. The clipboard keeps its content.
QByteArray PastePictureBytes(ClipboardPort& clipboard);

// The clipboard's picture, decoded the way a loaded file is (same size limits). std::nullopt when the
// clipboard holds no picture or one that cannot be loaded: then there is nothing to paste, and the
// caller must keep its current picture (and its picture-loaded state) as it is. Release the current
// picture only after a value came back. A value is never a null Picture.
std::optional<Picture> PastePicture(ClipboardPort& clipboard);

}  // namespace picura
