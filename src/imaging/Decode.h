#pragma once

#include "imaging/Picture.h"

#include <QByteArray>
#include <QString>

namespace picura {

// Decodes JPEG, PNG, GIF (first frame), BMP, ICO, CUR and PCX data; the format is told from the
// content. Any unrecognised, truncated, corrupted or oversized data gives a null Picture.
Picture DecodePicture(const QByteArray& bytes);
// Same for the contents of a file; a file that cannot be read gives a null Picture.
Picture DecodePictureFile(const QString& path);

}  // namespace picura
