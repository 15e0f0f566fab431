#include "view/FrameSize.h"

#include "settings/TextNumber.h"

#include <algorithm>
#include <cmath>

namespace picura {

QString NumberText(double value) {
    if (value == 0.0) {
        return QStringLiteral("0");  // also for −0
    }
    return QString::number(value, 'g', 15);
}

QString SpinPixelText(const QString& text, int step) {
    return NumberText(TextToNumber(text) + step);
}

int FrameSideFromText(const QString& text) {
    return std::clamp(Trunc(TextToNumber(text)), 0, kMaxFrameSide);
}

JpgLimitResult NormaliseJpgLimit(const QString& text) {
    QString compact = text;
    compact.remove(QLatin1Char(' '));
    compact.remove(QChar(0x3000));  // full-width blank
    JpgLimitResult result;
    result.limit = TextToNumber(compact);
    if (LessOrEqual(result.limit, 0.0)) {
        result.limit = 50;
        result.newText = QStringLiteral("50");
        return result;
    }
    const QString normal = NumberText(result.limit);
    if (text != normal) {
        result.newText = normal;
    }
    return result;
}

QString SpinJpgLimitText(const QString& text, int step) {
    const QString spun = NumberText(TextToNumber(text) + step);
    if (TextToNumber(spun) < 1.0 - kTolerance) {
        return QStringLiteral("500");
    }
    return spun;
}

QSize MainViewSize(QSize outer, int widthAllowance, int heightAllowance) {
    return {Trunc(static_cast<double>(outer.width()) - widthAllowance - 183),
            Trunc(static_cast<double>(outer.height()) - heightAllowance - 135)};
}

FrameSizeChange ApplyFrameSide(CropFrame& frame, FrameSide side, const QString& text,
                               const WindowGeometry& window) {
    const int value = FrameSideFromText(text);
    const bool width = side == FrameSide::Width;
    (width ? frame.width : frame.height) = value;

    FrameSizeChange change;
    change.resizeCameraWindow = window.cameraWindowOpen;
    const double viewSide = width ? window.view.width() : window.view.height();
    if (static_cast<double>(value) + 30 >= viewSide - kTolerance) {
        change.growWindow = true;
        if (width) {
            change.outerSize = Trunc(static_cast<double>(value) + window.widthAllowance + 213);
            const double taken = static_cast<double>(change.outerSize) + window.frameMargins.width();
            change.showScreenTooSmall = taken + 10.0 > window.screen.width() + kTolerance;
        } else {
            change.outerSize = Trunc(static_cast<double>(value) + window.heightAllowance + 165);
            const double taken = static_cast<double>(change.outerSize) + window.frameMargins.height();
            change.showScreenTooSmall = taken + 20.0 > window.screen.height() + kTolerance;
        }
    } else {
        change.placeAndRepaint = true;
    }
    return change;
}

}  // namespace picura
