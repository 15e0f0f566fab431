#include "output/SizeMessage.h"

#include <cmath>

namespace picura {

QString FormatKilobytes(double kb) {
    if (!(kb > 0)) {
        return QStringLiteral("0");
    }
    const double tenths = std::floor(kb * 10.0 + 0.5);
    if (tenths >= 1e17) {
        return QString::number(kb, 'f', 0);  // far beyond any picture; no fraction left to show
    }
    const qint64 t = static_cast<qint64>(tenths);
    const qint64 whole = t / 10;
    const qint64 tenth = t % 10;
    return tenth == 0 ? QString::number(whole)
                      : QString::number(whole) + QLatin1Char('.') + QString::number(tenth);
}

QString SizeLimitMessage(qint64 lastSize) {
    // lastSize / 1024 is exact in binary, so halves are recognised exactly.
    return QStringLiteral("当前截图区域输出图片所能达到的最小体积为") +
           FormatKilobytes(static_cast<double>(lastSize) / 1024.0) +
           QStringLiteral("KB大小，\r\n请重新设置JPG输出体积。");
}

}  // namespace picura
