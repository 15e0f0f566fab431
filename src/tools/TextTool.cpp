#include "tools/TextTool.h"

#include "settings/Gbk.h"
#include "settings/TextNumber.h"

#include <Qt>

#include <algorithm>

namespace picura {

TextCommit CommitText(TextBox& box, DrawingBoard& display) {
    const bool drawn = !box.text.isEmpty();
    display.setWritePosition(box.geometry.left(), box.geometry.top() + 3);
    display.writeText(box.text);
    box.text.clear();
    return drawn ? TextCommit::Drawn : TextCommit::Empty;
}

TextCommit LeaveTextTool(TextBox& box, DrawingBoard& display) {
    box.visible = false;
    if (box.text.isEmpty()) {
        return TextCommit::None;
    }
    return CommitText(box, display);
}

void DiscardText(TextBox& box) {
    box.visible = false;
    box.text.clear();
}

TextCommit PlaceTextBox(TextBox& box, DrawingBoard& display, QPoint click, const TextMetrics& metrics) {
    TextCommit commit = TextCommit::None;
    if (box.visible) {
        commit = CommitText(box, display);
    }
    box.text.clear();
    box.geometry.moveTo(click.x(), Trunc(static_cast<double>(click.y()) - metrics.lineHeight + 4));
    box.visible = true;
    return commit;
}

int TextBoxWidth(const QString& text, const TextMetrics& metrics) {
    const qsizetype bytes = ToGbk(text).size();
    const qint64 width = 2 * qint64(metrics.charWidth) + qint64(metrics.charWidth) * bytes;
    return static_cast<int>(std::min<qint64>(width, kMaxTextBoxWidth));
}

void FitTextBox(TextBox& box, const TextMetrics& metrics) {
    box.geometry.setWidth(TextBoxWidth(box.text, metrics));
}

void SizeTextBoxForFont(TextBox& box, const TextMetrics& metrics) {
    box.geometry.setSize(QSize(metrics.charWidth, metrics.lineHeight + 6));
}

TextMetrics ApplyTextFont(DrawingBoard& display, TextBox& box, const QFont& font) {
    display.setFont(font);
    const TextMetrics metrics = MeasureTextMetrics(display);
    SizeTextBoxForFont(box, metrics);
    return metrics;
}

TextCommit TextBoxKey(TextBox& box, DrawingBoard& display, int qtKey) {
    if (qtKey != Qt::Key_Return && qtKey != Qt::Key_Enter) {
        return TextCommit::None;
    }
    const TextCommit commit = CommitText(box, display);
    box.geometry.moveTop(box.geometry.top() + box.geometry.height());
    return commit;
}

RightClickEnd EndTextByRightClick(TextBox& box, ToolSelection& selection, DrawingBoard& display) {
    RightClickEnd end;
    if (selection.textOn()) {
        end.commit = CommitText(box, display);
    }
    end.tools = selection.switchAllOff();
    end.tools.leaveText = false;
    box.visible = false;
    return end;
}

}  // namespace picura
