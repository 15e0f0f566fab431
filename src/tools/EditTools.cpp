#include "tools/EditTools.h"

#include "settings/TextNumber.h"

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace picura {

ToolSwitch ToolSelection::switchTo(EditTool tool, ToolPointer pointer) {
    ToolSwitch s;
    s.before = active_;
    s.after = tool;
    s.pointer = pointer;
    active_ = tool;
    return s;
}

ToolSwitch ToolSelection::selectPen(bool ticked) {
    const bool wasText = textOn();
    const bool wasPen = penOn();
    ToolSwitch s = ticked ? switchTo(EditTool::Pen, ToolPointer::Pen)
                          : switchTo(wasPen ? EditTool::None : active_, ToolPointer::Default);
    s.dropButtonHeld = true;
    if (ticked) {
        s.leaveText = wasText;
    } else {
        // Unticking wipes the circle the pen left on the visible board.
        s.repaintView = true;
    }
    return s;
}

ToolSwitch ToolSelection::selectText(bool ticked) {
    const bool wasPen = penOn();
    const bool wasText = textOn();
    if (ticked) {
        ToolSwitch s = switchTo(EditTool::Text, ToolPointer::IBeam);
        s.repaintView = wasPen;
        return s;
    }
    ToolSwitch s = switchTo(wasText ? EditTool::None : active_, ToolPointer::Default);
    s.leaveText = true;
    return s;
}

ToolSwitch ToolSelection::selectEyedropper(bool ticked) {
    const bool wasPen = penOn();
    const bool wasText = textOn();
    const bool wasEyedropper = eyedropperOn();
    if (ticked) {
        ToolSwitch s = switchTo(EditTool::Eyedropper, ToolPointer::Eyedropper);
        s.repaintView = wasPen;
        s.leaveText = wasText;
        return s;
    }
    return switchTo(wasEyedropper ? EditTool::None : active_, ToolPointer::Default);
}

ToolSwitch ToolSelection::prepareFontDialog() const {
    ToolSwitch s;
    s.before = s.after = active_;
    s.repaintView = penOn();
    s.leaveText = textOn();
    s.pointer = penOn()          ? ToolPointer::Pen
                : textOn()       ? ToolPointer::IBeam
                : eyedropperOn() ? ToolPointer::Eyedropper
                                 : ToolPointer::Default;
    return s;
}

ToolSwitch ToolSelection::fontChosen() {
    return switchTo(EditTool::Text, ToolPointer::IBeam);
}

ToolSwitch ToolSelection::switchAllOff() {
    const bool wasPen = penOn();
    const bool wasText = textOn();
    ToolSwitch s = switchTo(EditTool::None, ToolPointer::Default);
    s.dropButtonHeld = wasPen;
    s.repaintView = wasPen;
    s.leaveText = wasText;
    return s;
}

ToolColours ApplyToolColour(QRgb colour) {
    ToolColours c;
    c.tool = 0xFF000000u | colour;
    if ((colour & 0xFFFFFFu) == 0x808080u) {
        c.textBoxBackground = 0xFFFFFFFFu;
    } else {
        c.textBoxBackground = qRgb(255 - qRed(colour), 255 - qGreen(colour), 255 - qBlue(colour));
    }
    return c;
}

double PenWidthFromText(const QString& text) {
    const double w = TextToNumber(text);
    if (!(w > 0.0)) {  // negative, zero or NaN
        return 0.0;
    }
    return std::min(w, kMaxPenWidth);
}

int LineWidthBarHeight(const QString& text) {
    return Trunc(PenWidthFromText(text));
}

QString TextFontFamily(const QString& face) {
    if (face != QString::fromUtf8(kPresetTextFace)) {
        return face;
    }
    const QStringList installed = QFontDatabase::families();
    for (const char* candidate : {"Noto Serif CJK SC", "Noto Sans CJK SC"}) {
        if (installed.contains(QLatin1String(candidate))) {
            return QLatin1String(candidate);
        }
    }
    // Neither is installed: leave it to font matching, which finds some CJK face if there is one.
    return QStringLiteral("Noto Serif CJK SC");
}

QFont PresetTextFont() {
    QFont font(TextFontFamily(QString::fromUtf8(kPresetTextFace)));
    font.setPointSize(kPresetTextPointSize);
    font.setStyleHint(QFont::Serif);
    return font;
}

TextMetrics MeasureTextMetrics(const DrawingBoard& board) {
    const QString a = QStringLiteral("a");
    TextMetrics m;
    m.charWidth = std::max(1, board.textWidth(a));
    m.lineHeight = std::max(1, board.textHeight(a));
    return m;
}

}  // namespace picura
