#pragma once

#include "imaging/Picture.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <cstdint>

namespace picura {

// Decodes JPEG, PNG, GIF (first frame), BMP, ICO, CUR and PCX data; the format is told from the
// content. Any unrecognised, truncated, corrupted or oversized data gives a null Picture.
Picture DecodePicture(const QByteArray& bytes);
// Same for the contents of a file; a file that cannot be read gives a null Picture.
Picture DecodePictureFile(const QString& path);

// Why a decode gave no picture.
enum class DecodeError {
    None,
    Unreadable,   // the file could not be opened or read (missing, not a regular file, I/O error)
    NotAPicture,  // unrecognised, truncated or corrupted data
    TooLarge,     // the declared size exceeds `maxPixels` (or the decoders' own limits)
};

struct DecodeResult {
    Picture picture;
    DecodeError error = DecodeError::None;
    QSize declaredSize;  // the size the data declares, when it got that far (for the operator's message)
};

// As DecodePicture / DecodePictureFile, but says why nothing came back and refuses pictures of more
// than `maxPixels` pixels before their pixel memory is taken.
DecodeResult DecodePictureChecked(const QByteArray& bytes, std::int64_t maxPixels);
DecodeResult DecodePictureFileChecked(const QString& path, std::int64_t maxPixels);

// What the operator is told when a picture is refused as too large, for example
// "图片太大（15800×15800像素），超出了可用内存，无法打开。".
QString PictureTooLargeMessage(QSize declaredSize);

}  // namespace picura
