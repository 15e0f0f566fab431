#pragma once

#include <QImage>
#include <QString>

#include "output/JpegSizeSearch.h"
#include "output/OutputFormat.h"

namespace picura {

// Encodes a crop for writing. BMP, GIF and PNG are encoded once and ignore the
// limit; JPEG searches the quality that keeps the file at most limitKb kilobytes
// (SearchJpegQuality). A null picture gives empty bytes with failed set.
EncodeResult EncodePicture(const QImage& crop, OutputFormat format, double limitKb);

}  // namespace picura
