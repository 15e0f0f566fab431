#pragma once

#include <QString>

#include <optional>

namespace picura {

// The four output formats. The settings and the format combo boxes keep them as
// ".JPG", ".BMP", ".GIF", ".PNG"; file names and encoders use a lowercase copy.
enum class OutputFormat { Jpg, Bmp, Gif, Png };

// ".JPG" and so on: the stored form.
QString FormatText(OutputFormat format);
// ".jpg" and so on: the extension file names get.
QString FormatExtension(OutputFormat format);

// From an extension with its leading dot, in any letter case: ".jpg", ".JPEG",
// ".Png"... nullopt for anything else (also without the dot).
std::optional<OutputFormat> FormatFromExtension(const QString& extension);

// The extension of a file name as the save dialog flow takes it: "." plus the
// text after the last ".", lowercased; empty when the name has no ".".
QString ExtensionOfName(const QString& fileName);

}  // namespace picura
