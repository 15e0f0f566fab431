#pragma once

#include <QString>

namespace picura {

// A size in kilobytes with one decimal, halves rounded upward, no trailing
// zeros: 12.25 → "12.3", 20.0 → "20", 19.96 → "20", 53.24 → "53.2".
// Negative and NaN values give "0".
QString FormatKilobytes(double kb);

// The message shown when a JPEG cannot be brought under the size limit;
// `lastSize` is the byte size of the quality-0 encoding that was written.
QString SizeLimitMessage(qint64 lastSize);
inline const QString kSizeLimitTitle = QStringLiteral("提示");

}  // namespace picura
