#pragma once

#include "imaging/Picture.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <atomic>
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
    Cancelled,    // whoever asked stopped wanting it
};

struct DecodeResult {
    Picture picture;
    DecodeError error = DecodeError::None;
    QSize declaredSize;  // the size the data declares, when it got that far (for the operator's message)
};

// As DecodePicture / DecodePictureFile, but says why nothing came back and refuses pictures of more
// than `maxPixels` pixels before their pixel memory is taken.
// A decode given `cancel` stops early (Cancelled) once it reads true; JPEG decodes notice it within a few
// rows, the other formats only when they end.
DecodeResult DecodePictureChecked(const QByteArray& bytes, std::int64_t maxPixels,
                                  const std::atomic<bool>* cancel = nullptr);
DecodeResult DecodePictureFileChecked(const QString& path, std::int64_t maxPixels);

// A picture file's bytes, read with the care of DecodePictureFileChecked: only a regular file, refused
// after its first bytes when they are no picture's, never more than the largest picture file.
struct PictureFileBytes {
    QByteArray bytes;
    DecodeError error = DecodeError::None;
};
PictureFileBytes ReadPictureFileBytes(const QString& path);

// Opening a JPEG in two steps: a reduced decode to show at once, the full decode after it.
// The size the JPEG shows at (its orientation applied); empty when `bytes` holds no readable JPEG header.
QSize JpegShownSize(const QByteArray& bytes);
// 2, 4 or 8: the strongest of libjpeg-turbo's DCT reductions of a `full`-sized picture whose pixels still
// cover `needed` on both sides; 1 when none does.
int JpegReduction(QSize full, QSize needed);
// The JPEG decoded at 1/`denominator` of its size, as a reduced Picture of the full size (a full Picture
// when `denominator` is 1). The pixel budget counts the full size, so a picture the full decode would
// refuse is refused here too.
DecodeResult DecodeJpegReduced(const QByteArray& bytes, int denominator, std::int64_t maxPixels);

// What the operator is told when a picture is refused as too large, for example
// "图片太大（15800×15800像素），超出了可用内存，无法打开。".
QString PictureTooLargeMessage(QSize declaredSize);

}  // namespace picura
