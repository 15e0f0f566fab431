#pragma once

#include <QFont>

namespace picura {

// The Song face the small windows use for their boxes, with CJK fallbacks
// found on Linux.
inline QFont SongFont(int pixels) {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(pixels);
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace picura
