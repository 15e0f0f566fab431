#include "output/OutputFormat.h"

namespace picura {

QString FormatText(OutputFormat format) {
    switch (format) {
        case OutputFormat::Jpg: return QStringLiteral(".JPG");
        case OutputFormat::Bmp: return QStringLiteral(".BMP");
        case OutputFormat::Gif: return QStringLiteral(".GIF");
        case OutputFormat::Png: return QStringLiteral(".PNG");
    }
    return QStringLiteral(".JPG");
}

QString FormatExtension(OutputFormat format) {
    return FormatText(format).toLower();
}

std::optional<OutputFormat> FormatFromExtension(const QString& extension) {
    const QString ext = extension.toLower();
    if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg")) {
        return OutputFormat::Jpg;
    }
    if (ext == QLatin1String(".bmp")) {
        return OutputFormat::Bmp;
    }
    if (ext == QLatin1String(".gif")) {
        return OutputFormat::Gif;
    }
    if (ext == QLatin1String(".png")) {
        return OutputFormat::Png;
    }
    return std::nullopt;
}

QString ExtensionOfName(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash) {
        return QString();
    }
    return fileName.mid(dot).toLower();
}

}  // namespace picura
